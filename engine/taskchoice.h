#pragma once
// What a task downloads. The record's format field says it, so that the info files keep their
// ten fields: the extractor's format code of the video stream ("137"), or "ba" for the best
// audio alone (the extension "m4a" or "mp3" tells which file), then words for the choices made
// beyond the format, separated by blanks (format codes hold none):
//   convert            re-encode to H.264 video and AAC audio in MP4 where the streams are not
//   subs=en,de         the site's own subtitles in these languages (any number), embedded
//   autosubs=fr        the site's automatic subtitles in these languages, embedded
//   part=5-12          only the part from second 5 to second 12
//   upto=1080          with "bv": no taller than 1080 lines (the smallest if none is)
//   item=3             the third entry of the playlist that the link names
// A field of a version that knows fewer words still reads: words it does not know are kept
// out of the format code and otherwise ignored.

#include <QString>
#include <QStringList>

struct TaskChoice
{
    QString formatId; // the video stream's format code, kAudioOnly or kBestVideo
    bool bConvert = false;
    QStringList subtitles;
    QStringList autoSubtitles;
    int nFrom = -1; // seconds; both set for a part of the video
    int nTo = -1;
    int nUpTo = 0; // lines; 0: any height
    int nItem = 0; // the entry of the playlist; 0: the link is the video's own

    bool IsAudioOnly() const;
    bool IsByRule() const;
    // The format code of the stream the run's progress is about; empty where the run picks it.
    QString StreamFormat() const;
    bool HasPart() const { return nFrom >= 0 && nTo > nFrom; }
    bool operator==(const TaskChoice&) const = default;
};

inline const QString kAudioOnly = QStringLiteral("ba");
inline const QString kBestVideo = QStringLiteral("bv");

TaskChoice ReadTaskChoice(const QString& formatField);
// The field's words hold only subtitle languages that read back as they are (those not are
// left out, each code once), so that a field always reads back as the same choice.
QString TaskChoiceField(const TaskChoice& choice);

// The codes fit to reach the extractor's --sub-langs: letters, digits, "-" and "_", not
// beginning with "-", at most 35 characters; each once, in their order.
QStringList SubtitleLanguages(const QStringList& codes);

// The container the streams of a task whose file has extension `ext` are merged into; empty
// for audio alone (nothing is merged).
QString MergeFormat(const TaskChoice& choice, const QString& ext);

// The extractor's arguments that carry out the choice for a task whose file has extension
// `ext` (the format selector, extraction, conversion, subtitles, the part), in that order.
QStringList TaskChoiceArgs(const TaskChoice& choice, const QString& ext);

// "h:mm:ss", "m:ss" or plain seconds as seconds; -1 for anything else.
int ReadClockTime(const QString& text);
// Seconds as "m:ss", or "h:mm:ss" from an hour on.
QString ClockTimeText(int seconds);
// What a title gets for a part of the video: " (FROM–TO)".
QString PartTitleSuffix(int from, int to);
