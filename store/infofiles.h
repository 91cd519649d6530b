#pragma once
// Task info files: one small UTF-8 text file per unfinished and per finished task.
// A record is one line of fields joined by "##@##".
//
// Downloading file (named after QstrTaskKey), ten fields and "\n":
//   TaskKey FormatId Url Percent Size Duration Ext Title ThumbPath OutputDir
// Finished file (named after QstrFinishTime), eight fields, no line end:
//   FinishTime Size Duration Ext Title ThumbPath OutputDir FilePath

#include "videoinfo.h"

#include <QIODevice>
#include <QString>
#include <functional>
#include <vector>

inline const QString kInfoSeparator = QStringLiteral("##@##");

// A title made safe to store in a line: line breaks become blanks and no "##@" is left,
// so that neither the title nor its meeting with the next separator can split a line.
// Titles that need no mending are returned unchanged. The lines mend the title only.
QString SanitiseField(const QString& value);

QString DownloadInfoLine(const _VIDEO_FILE_INFO_& info); // with the final "\n"
QString FinishedInfoLine(const _VIDEO_FILE_INFO_& info); // without a line end

// Every line of `content` with exactly ten (eight) fields gives one record; others are skipped.
std::vector<_VIDEO_FILE_INFO_> ParseDownloadInfo(const QString& content);
std::vector<_VIDEO_FILE_INFO_> ParseFinishedInfo(const QString& content);

// Appends the absolute path of every visible regular file of `folder` (whose path contains
// `filter`, if given), by name ignoring case. False if the folder does not exist.
bool GetDirFiles(const QString& folder, std::vector<QString>& files, const QString& filter);

// The bytes of an info file as a text-mode read gives them: no carriage returns, no leading
// UTF-8 byte order mark. False (and no bytes) if the file cannot be read. Only reads.
bool ReadInfoFileBytes(const QString& path, QByteArray& bytes);

// Writes `content` as UTF-8 to folder + name, atomically (a hidden temporary file, then a
// rename): a crash never leaves an empty, half-written or second visible info file.
// 0, or -1 on failure.
int WriteInfoFile(const QString& folder, const QString& name, const QString& content);

// The same for any content: `write` writes it to the hidden temporary file and returns whether
// all of it went; only then does the file take the name.
int WriteFileAtomically(const QString& folder, const QString& name,
                        const std::function<bool(QIODevice&)>& write);

// Removes what writes that never ended (a crash) left of their hidden temporary files in
// `folder`: only such names, and only where they belong to a time-stamp name. Returns how
// many were removed. Called at start, before anything writes.
int RemoveStaleTemporaries(const QString& folder);

// Reads every info file of the folder once. Downloading records come in file-name order,
// finished records newest first. Files that fail to load are left untouched.
std::vector<_VIDEO_FILE_INFO_> LoadDownloadInfos(const QString& folder);
std::vector<_VIDEO_FILE_INFO_> LoadFinishedInfos(const QString& folder);

// The stamps that name info files (task keys and finish times) step here, one second at a
// time: `stamp` if no file of that name exists in `folder` and `taken` (if given) does not
// claim it, else the next later second that is free. Text that is no stamp comes back as it is.
QString FreeStamp(const QString& folder, const QString& stamp,
                  const std::function<bool(const QString&)>& taken = {});

// The same for a finished file, so that two tasks finishing in the same second keep separate
// finished files.
QString FreeFinishStamp(const QString& folder, const QString& stamp);
