#pragma once
// The record of one video task and the run-time wrappers of its table rows.

#include <QMetaType>
#include <QString>

class CMyThread;
class QProcess;
class QProgressBar;
class QLabel;
class QPushButton;

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
};

// State of one row of the downloading table. Owns nothing it points to.
struct _VIDEO_DOWNLOAD_INFO_
{
    bool bRunning = false;     // an extractor run of this task is in progress
    bool bHasProgress = false; // a progress line of the video stream has been seen
    bool bPaused = false;      // the user paused the task
    _VIDEO_FILE_INFO_ VideoFileInfo;
    CMyThread* pThread = nullptr; // no worker: runs are driven by process signals on the GUI thread
    QProcess* pProcess = nullptr;
    QProgressBar* pProgressBar = nullptr;
    QLabel* pStatusLabel = nullptr;
    QPushButton* pBtnPause = nullptr;
    QPushButton* pBtnDelete = nullptr;
    QPushButton* pBtnOpen = nullptr;
};

// State of one row of the finished table. Owns nothing it points to.
struct _VIDEO_FINISHED_INFO_
{
    _VIDEO_FILE_INFO_ VideoFileInfo;
    QPushButton* pBtnDelete = nullptr;
    QPushButton* pBtnOpen = nullptr;
};

typedef _VIDEO_FILE_INFO_ VIDEO_FILE_INFO;
typedef _VIDEO_DOWNLOAD_INFO_ VIDEO_DOWNLOAD_INFO;
typedef _VIDEO_FINISHED_INFO_ VIDEO_FINISHED_INFO;

Q_DECLARE_METATYPE(VIDEO_FILE_INFO)
Q_DECLARE_METATYPE(VIDEO_DOWNLOAD_INFO)
Q_DECLARE_METATYPE(VIDEO_FINISHED_INFO)

// "Less" predicate that sorts finished records newest first (by QstrFinishTime).
bool VideoInfoCompare(const _VIDEO_FILE_INFO_& a, const _VIDEO_FILE_INFO_& b);

// Registers the three types under "VIDEO_FILE_INFO", "VIDEO_DOWNLOAD_INFO" and
// "VIDEO_FINISHED_INFO"; safe to call more than once.
void RegisterVideoInfoTypes();
