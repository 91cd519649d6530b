#pragma once
// Link analysis: the thumbnail path, the two extractor runs that analyse a link, and the
// reading of the format listing into one record per video-only format.

#include "extractorerrors.h"
#include "helpers.h"
#include "playlist.h"
#include "videoinfo.h"

#include <QString>
#include <QStringList>
#include <QMetaType>
#include <vector>

// dataDir + "YYYY/MM/DD/hhmmssMS.jpg"; the milliseconds have at least two digits.
QString ThumbnailFile(const QString& dataDir, const SYSTEMTIME& t);

// The thumbnail file without its extension: the path cut before its last "." (the whole
// path if it has none).
QString ThumbnailBase(const QString& thumbFile);

// A duration as hh:mm:ss: "45" -> "00:00:45", "3:25" -> "00:03:25", "1:02:03" -> "01:02:03".
// Four pieces are read as days:hours:minutes:seconds and the days folded into the hours
// ("1:2:3:4" -> "26:03:04"); a text of five or more pieces, or four that are not all
// numbers, comes back unchanged. An empty text (the extractor knew no duration) stays empty.
QString VideoDurationTransfer(const QString& duration);

// --ffmpeg-location CONVERTER --flat-playlist --write-thumbnail --convert-thumbnails jpg --skip-download
// --output BASE(with "%" doubled) -- LINK
QStringList ThumbnailArgs(const QString& converter, const QString& thumbBase, const QString& link,
                          const QStringList& options = {});

// --ffmpeg-location CONVERTER --flat-playlist -F --get-duration --get-title -- LINK
QStringList ListingArgs(const QString& converter, const QString& link,
                        const QStringList& options = {});

struct ListingResult
{
    bool bError = false;                    // the extractor reported "ERROR:" on its error channel
    ExtractorError error;                   // what the error means for the user
    bool bCancelled = false;                // the analysis was cancelled before it ended
    std::vector<_VIDEO_FILE_INFO_> records; // in the order of the listing
    std::vector<_VIDEO_FILE_INFO_> audio;   // the audio-only formats, in the same order
    QString title;
    QString duration; // normalised
    PlaylistResult playlist; // the entries, when the link names a playlist (no records then)
};

// Reads the listing run's two channels. "ERROR:" on the error channel wins. The format
// table follows a separator line that ends in seventeen "-" (or seventeen "─"); every
// later line that contains "video" and "," and splits into at least 15 tokens at white space
// becomes a record. The title and duration are the last two lines; when the extractor knew
// no duration (the second-to-last line is no duration), the last line is the title.
// Every record is stamped with title, duration, thumbnail file and output folder. Rows that
// say "audio only" where the resolution stands become the audio records (format code, extension,
// size and codec). A record's codec is the word after the row's second column mark.
ListingResult ParseListing(const QString& out, const QString& err, const QString& thumbFile,
                           const QString& outputDir);

// A codec as people know it: "avc1.640028" -> "H.264", "vp09.00.40.08" and "vp9" -> "VP9",
// "av01.0.08M.08" -> "AV1", "hev1..."/"hvc1..." -> "H.265", "mp4a.40.2" -> "AAC", "opus" ->
// "Opus"; others up to their first ".".
QString CodecName(const QString& codec);

// Whether the format makes, merged with AAC audio, an MP4 that plays everywhere: H.264 in MP4.
bool IsCompatibleVideo(const _VIDEO_FILE_INFO_& info);

struct AnalysisInput
{
    QString appFolder; // holds the extractor and the converter
    QString link;
    QString thumbFile;
    QString outputDir;
};

Q_DECLARE_METATYPE(ListingResult)
