#pragma once
// The record of one video task.

#include <QMetaType>
#include <QString>


struct _VIDEO_FILE_INFO_
{
    QString QstrFormatId;    // the extractor's format code of the video stream, e.g. 137
    QString QstrStreamNote;  // carried only
    QString QstrExt;         // container extension, e.g. mp4 or webm
    QString QstrSize;        // size text of the video stream, e.g. 123.45MB
    QString QstrResolution;  // carried only
    QString QstrQuality;     // e.g. 1080p
    QString QstrFormatExtra; // carried only
    QString QstrDuration;    // hh:mm:ss
    QString QstrThumbPath;   // thumbnail JPEG
    QString QstrTitle;       // video title; part of the output file name
    QString QstrOutputDir;   // output folder, always ending in "/"
    QString QstrTaskKey;     // local time when the task was added, yyyy-MM-dd-hh-mm-ss
    QString QstrFinishTime;  // local time when the task was listed as finished
    QString QstrUrl;         // the video link
    QString QstrPercent;     // last percentage without "%", "100" once complete
    QString QstrFilePath;    // the finished file, once the extractor has named it
    QString QstrCodec;       // the listing's codec of the stream, e.g. avc1.640028; not stored
};

typedef _VIDEO_FILE_INFO_ VIDEO_FILE_INFO;

Q_DECLARE_METATYPE(VIDEO_FILE_INFO)

// "Less" predicate that sorts finished records newest first (by QstrFinishTime).
bool VideoInfoCompare(const _VIDEO_FILE_INFO_& a, const _VIDEO_FILE_INFO_& b);

// Registers the record under "VIDEO_FILE_INFO"; safe to call more than once.
void RegisterVideoInfoTypes();
