#pragma once
// What a row of each task table shows of its task, as the window's tables carry it in their
// items (role Qt::UserRole). The downloading row's values are a snapshot of its task; the
// task itself (CDownloadTask) lives in the engine.

#include "videoinfo.h"

#include <QMetaType>

class QLabel;
class QProcess;
class QProgressBar;
class QPushButton;

// A downloading row: its task's flags and record, and the row's widgets. Owns nothing it
// points to.
struct _VIDEO_DOWNLOAD_INFO_
{
    bool bRunning = false;     // an extractor run of this task is in progress
    bool bHasProgress = false; // a progress line of the video stream has been seen
    bool bPaused = false;      // the task waits for the user (paused, or its run failed)
    _VIDEO_FILE_INFO_ VideoFileInfo;
    const QProcess* pProcess = nullptr; // the task's extractor process, driven by the task
    QProgressBar* pProgressBar = nullptr;
    QLabel* pStatusLabel = nullptr;
    QPushButton* pBtnPause = nullptr;
    QPushButton* pBtnDelete = nullptr;
    QPushButton* pBtnOpen = nullptr;
};

// A finished row: the record and its buttons. Owns nothing it points to.
struct _VIDEO_FINISHED_INFO_
{
    _VIDEO_FILE_INFO_ VideoFileInfo;
    QPushButton* pBtnDelete = nullptr;
    QPushButton* pBtnOpen = nullptr;
};

typedef _VIDEO_DOWNLOAD_INFO_ VIDEO_DOWNLOAD_INFO;
typedef _VIDEO_FINISHED_INFO_ VIDEO_FINISHED_INFO;

Q_DECLARE_METATYPE(VIDEO_DOWNLOAD_INFO)
Q_DECLARE_METATYPE(VIDEO_FINISHED_INFO)

// Registers the record and the two row types under "VIDEO_FILE_INFO", "VIDEO_DOWNLOAD_INFO"
// and "VIDEO_FINISHED_INFO"; safe to call more than once.
void RegisterTaskRowTypes();
