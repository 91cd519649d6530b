#pragma once
// The program's own dialog for every confirmation and notice: delete confirmation
// (with a check box for the downloaded files), question, notice (with or without OK)
// and update prompt. Build, setFixedSize, place, fill once, exec, read the result.

#include "extractorerrors.h"
#include "windowdrag.h"

#include <QDialog>
#include <QPoint>

class QLabel;
class QCheckBox;
class QWidget;

class CMessageBox : public QDialog
{
    Q_OBJECT
public:
    explicit CMessageBox(QDialog* parent = nullptr, Qt::WindowFlags f = Qt::WindowFlags());
    ~CMessageBox() override;

    void InitDelDialog(QString text);
    void InitQuestionDialog(QString text);
    void InitInfoDialog(QString text, bool bNoButton);
    void InitUpgradeDialog(QString text);

    int GetMessageBoxRet() const;

    // The placement rule: the owner's position plus a third (or `divX`th) of its width
    // and a third of its height.
    void PlaceOver(const QWidget* owner, int divX = 3);

    int nRet = 1;      // 0 OK/Upgrade, 1 Cancel; owners may set it while the dialog runs
    int nCheckBox = 0; // 1 if OK was pressed with the delete dialog's check box ticked
    QLabel* pMessageLabel = nullptr;
    QCheckBox* pCheckBox = nullptr;

public Q_SLOTS:
    void btnSlotOK();
    void btnSlotNO();
    void btnSlotUpgrade();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CWindowDrag m_drag;
};

// What a notice of a failed run says after its first line: the cause and what to do, and for
// a failure nobody knows, the extractor's own line. Empty when no failure was reported.
QString FailureAdvice(const ExtractorError& error);
