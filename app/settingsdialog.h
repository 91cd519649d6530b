#pragma once
// The settings dialog: the output folder, the extractor (version, channel, updates, the return
// to the bundled one), the JavaScript runtime, the browser cookies and the downloads. In the program's own
// look: frameless, a black header, the message dialogs' buttons. OK stores the settings.

#include "windowdrag.h"

#include <QDialog>
#include <functional>

class CExtractorManager;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

class CSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    CSettingsDialog(CExtractorManager* manager, const QString& dataDir, QWidget* parent = nullptr);

    // Tests answer the folder and file choosers themselves.
    using PathChooser = std::function<QString(QWidget* parent, bool folder)>;
    PathChooser choosePath;

    QLineEdit* pOutputEdit = nullptr;
    QLabel* pExtractorLabel = nullptr;
    QComboBox* pChannelBox = nullptr;
    QCheckBox* pNeverCheck = nullptr;
    QPushButton* pUpdateButton = nullptr;
    QProgressBar* pUpdateBar = nullptr;
    QPushButton* pBundledButton = nullptr;
    QLabel* pStatusLabel = nullptr;
    QLabel* pRuntimeLabel = nullptr;
    QLineEdit* pRuntimeEdit = nullptr;
    QComboBox* pCookiesBox = nullptr;
    QLineEdit* pProfileEdit = nullptr;
    QLineEdit* pCookiesFileEdit = nullptr;
    QComboBox* pAtOnceBox = nullptr;
    QCheckBox* pClipboardCheck = nullptr;
    QCheckBox* pNotifyCheck = nullptr;
    QPushButton* pOkButton = nullptr;

    // What "Update now" does.
    void StartUpdate();

public Q_SLOTS:
    void accept() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ShowExtractor();
    void ShowUpdateResult(int result, const QString& version);
    void UpdateCookieFields();

    CExtractorManager* m_manager;
    QString m_dataDir;
    QString m_outputFolder; // as chosen, without the trailing "/" the file adds
    CWindowDrag m_drag;
};
