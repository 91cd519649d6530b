#pragma once
// The output folder: where downloads are written, remembered in "OutputPath.txt" in the data
// folder. The file holds the folder's full path, ending in "/", as UTF-8 with no line end.

#include <QString>

// The file that remembers the folder: dataDir + "OutputPath.txt".
QString OutputPathFile(const QString& dataDir);

// The user's documents folder + "/Quillane/". Neither created nor written.
QString DefaultOutputPath();

// The stored folder: the file's bytes up to the first NUL, as UTF-8, nothing trimmed.
// A missing, unreadable or empty file gives DefaultOutputPath().
QString ReadOutputPath(const QString& dataDir);

// The folder as the program keeps it: the chosen folder + "/", even when it already ends in
// one (the root folder gives "//").
QString OutputPathFor(const QString& chosenFolder);

// Whether a chosen folder can be kept in the task info files, which join their fields with
// "##@##" and hold one task a line: false when its path holds either.
bool IsStorableOutputFolder(const QString& chosenFolder);

// Replaces the file's content by OutputPathFor(chosenFolder), atomically: a failed write
// leaves the old content. False if the file could not be written.
bool WriteOutputPath(const QString& dataDir, const QString& chosenFolder);
