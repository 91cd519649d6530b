#pragma once
// The add-video dialog's choices beyond the video format, below its format table: the audio
// rows (their radios join the dialog's format choice), a compatible file (with conversion where
// needed), a subtitle language and a part of the video.

#include "choices.h"
#include "subtitles.h"

#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

class CChoicesRow : public QWidget
{
    Q_OBJECT
public:
    // The ids of the audio radios in the dialog's format choice begin here.
    static constexpr int kFirstAudioId = 1000;

    explicit CChoicesRow(QWidget* parent);

    // Shows the audio rows of the listing (radios added to `group`) and whether it offers a
    // compatible file; the choices go back to their defaults.
    void ShowListing(const ListingResult& result, QButtonGroup* group);
    // Offers "None" and the languages found.
    void ShowSubtitles(const std::vector<SubtitleLanguage>& languages);
    void Clear();

    DialogChoices Choices() const;
    // The record of the audio row whose radio has the id; none when no audio row has.
    std::optional<_VIDEO_FILE_INFO_> AudioRecord(int id) const;

    QTableWidget* pAudioTable = nullptr;
    QCheckBox* pCompatibleBox = nullptr;
    QCheckBox* pConvertBox = nullptr;
    QComboBox* pSubtitleCombo = nullptr;
    QLineEdit* pFromEdit = nullptr;
    QLineEdit* pToEdit = nullptr;

Q_SIGNALS:
    // The rows to list may have changed (the compatible boxes).
    void RowsChanged();

private:
    void UpdateConvertBox();

    std::vector<_VIDEO_FILE_INFO_> m_audio;
    QPointer<QButtonGroup> m_group; // the dialog's, while the listing shown is current
};
