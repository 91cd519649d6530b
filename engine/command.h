#pragma once
// The extractor boundary: paths of the extractor and the converter, and the argument
// list of a download run. Arguments are always passed as a list, never as a command text.

#include "videoinfo.h"

#include <QString>
#include <QStringList>

QString ExtractorPath(const QString& appFolder); // appFolder + "/Pelmora"
QString ConverterPath(const QString& appFolder); // appFolder + "/virarurov"

// "webm" when ext is exactly "webm", otherwise "m4a".
QString AudioExtFor(const QString& ext);

// The file a download run writes: OutputDir + safe title + "-" + TaskKey + "." + Ext,
// double quotes removed. This is the real path (no template escaping).
QString DownloadOutputFile(const _VIDEO_FILE_INFO_& info);

// The folder the output file lies in: OutputDir, plus the title's own sub-folders.
QString DownloadOutputFolder(const _VIDEO_FILE_INFO_& info);

// --ffmpeg-location CONVERTER --add-metadata --merge-output-format EXT
// -o OUTPUT(with "%" doubled) -f ba[ext=AUDIO]+FORMAT -- URL
QStringList BuildDownloadArgs(const _VIDEO_FILE_INFO_& info, const QString& appFolder);
