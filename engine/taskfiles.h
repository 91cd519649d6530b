#pragma once
// What a task leaves on the disk, and its deletion: the rule for an unfinished task (every
// file of its run) beside the rule for a finished one (its info file and its video). Nothing
// outside the task's own folders is ever touched.

#include "videoinfo.h"

#include <QString>

// Deletes the files of a task in its output folder: every visible file of the folder the
// output file lies in whose name begins with the output file's "TITLE-KEY."; then removes
// the title's emptied sub-folders. Never touches anything outside the output folder.
void DeleteTaskFiles(const _VIDEO_FILE_INFO_& info);

// True if `path` names an entry strictly inside `folder` (both resolved to absolute,
// cleaned paths, and through symbolic links where they exist).
bool IsInsideFolder(const QString& path, const QString& folder);

// Deletes what belongs to a finished task: its info file in `finishedFolder` and, when
// `bDeleteVideo`, the video file if it lies inside the output folder, then the title's
// emptied sub-folders. Nothing outside the two folders is ever touched.
void DeleteFinishedTaskFiles(const _VIDEO_FILE_INFO_& info, const QString& finishedFolder,
                             bool bDeleteVideo);
