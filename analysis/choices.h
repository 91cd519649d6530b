#pragma once
// What the add-video dialog makes of its choices beyond the format: the audio rows a listing
// offers, the text of a video row's quality, which rows a "compatible file" choice leaves, and
// the task record that the picked row and the choices make together.

#include "listing.h"
#include "videoinfo.h"

#include <QString>
#include <QStringList>
#include <vector>

struct DialogChoices
{
    bool bCompatible = false; // only files that play everywhere (H.264 + AAC in MP4)
    bool bConvert = false;    // with bCompatible: keep every row, convert where needed
    QStringList subtitles;    // the codes of the site's own subtitles to embed
    QStringList autoSubtitles; // the codes of its automatic ones
    QString from; // the part as typed (h:mm:ss); both empty: the whole video
    QString to;
};

// The two audio rows (M4A, then MP3) with the size of the best audio stream: for M4A the last
// m4a entry of the listing's audio formats, else the last; for MP3 the last. Empty when the
// listing has no audio formats. Each record: format "ba", its extension, title, duration,
// thumbnail and folder of the video.
std::vector<_VIDEO_FILE_INFO_> AudioChoices(const ListingResult& result);

// A video row's quality with the name of its codec, "1080p · H.264"; the quality alone when the
// codec is unknown.
QString QualityText(const _VIDEO_FILE_INFO_& info);

// Whether a video row stays listed under the choices.
bool RowShown(const _VIDEO_FILE_INFO_& info, const DialogChoices& choices);

// Whether any of the records is a compatible video.
bool AnyCompatible(const std::vector<_VIDEO_FILE_INFO_>& records);

// The task record of the picked row under the choices; false (and `out` untouched) when the
// part is not valid: a field empty but not the other, a time not read, To not after From, or
// To past the duration when that is known.
bool RecordFromChoices(const _VIDEO_FILE_INFO_& picked, const DialogChoices& choices,
                       _VIDEO_FILE_INFO_& out);
