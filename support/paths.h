#pragma once
// Where the program finds its files and keeps its data.

#include <QString>

// The folder that holds the program, the extractor, the converter, config.ini and Languages/.
QString AppFolder();

// The data folder, ending in "/": "/Library/Application Support/Quillane/" on macOS,
// the user's generic data location + "/Quillane/" elsewhere (XDG_DATA_HOME on Linux).
QString DataFolder();

// A video title made safe to use as a path below the output folder: "/" sub-folders stay,
// but empty, "." and ".." components and a leading "/" are neutralised, and every
// component is kept within the file-name limit of common file systems.
// Used wherever a title becomes part of a path (download output, deletion of files).
QString SafeTitlePath(const QString& title);

// Tests point the program at an application folder of their own.
void SetAppFolder(const QString& folder);
