#pragma once
// The add-video dialog's choices beyond the format, below its format table: a compatible file
// (with conversion where needed), the subtitle languages (a drop-down button whose menu ticks
// them) and a part of the video. They keep to one row where the texts leave room, else two.

#include "choices.h"
#include "subtitles.h"

#include <QMenu>
#include <QWidget>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// A menu of checkable entries that stays open while they are ticked, so that several can be
// chosen in one go; other entries close it as usual.
class CTickMenu : public QMenu
{
    Q_OBJECT
public:
    using QMenu::QMenu;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class CChoicesRow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 22;

    explicit CChoicesRow(QWidget* parent);

    // Whether the listing offers a compatible file; the choices go back to their defaults.
    // The box's text may change with it: lay the row out again.
    void ShowListing(const ListingResult& result);
    // Offers the languages found (the site's own, then its automatic ones), none ticked.
    void ShowSubtitles(const std::vector<SubtitleLanguage>& languages);
    void Clear();
    // Places the controls in rows `width` wide: one if they fit, else two. Returns the height.
    int LayOut(int width);

    DialogChoices Choices() const;

    QCheckBox* pCompatibleBox = nullptr;
    QCheckBox* pConvertBox = nullptr;
    QPushButton* pSubtitleButton = nullptr; // its menu ticks the languages
    CTickMenu* pSubtitleMenu = nullptr;
    QLineEdit* pFromEdit = nullptr;
    QLineEdit* pToEdit = nullptr;

Q_SIGNALS:
    // The rows to list may have changed (the compatible boxes).
    void RowsChanged();

private:
    void UpdateConvertBox();
    // The button says which languages are ticked.
    void UpdateSubtitleButton();

    QLabel* m_fromLabel = nullptr;
    QLabel* m_toLabel = nullptr;
    std::vector<SubtitleLanguage> m_languages; // the menu's entries, in its order
};
