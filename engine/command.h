#pragma once
// The extractor boundary: paths of the extractor and the converter, and the argument
// list of a download run. Arguments are always passed as a list, never as a command text.

#include "videoinfo.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

// The extractor that runs with this application folder use: the one chosen for the folder with
// SetExtractorChoice, else appFolder + "/Pelmora".
QString ExtractorPath(const QString& appFolder);
QString ConverterPath(const QString& appFolder); // appFolder + "/virarurov"

// The extractor that runs with `appFolder` use (empty: the folder's own) and the options each
// of them gets before "--" (cookies, JavaScript runtime); an empty program and no options forget
// the choice. Safe from any thread; runs already started keep what they had.
void SetExtractorChoice(const QString& appFolder, const QString& program,
                        const QStringList& options);
QStringList ExtractorRunOptions(const QString& appFolder);

// "webm" when ext is exactly "webm", otherwise "m4a".
QString AudioExtFor(const QString& ext);

// The file a download run writes: OutputDir + safe title + "-" + TaskKey + "." + Ext, with
// double quotes removed from the name (the folder is kept as it is). This is the real path
// (no template escaping).
QString DownloadOutputFile(const _VIDEO_FILE_INFO_& info);

// The folder the output file lies in: OutputDir, plus the title's own sub-folders.
QString DownloadOutputFolder(const _VIDEO_FILE_INFO_& info);

// --ffmpeg-location CONVERTER --add-metadata --merge-output-format EXT
// -o OUTPUT(with "%" doubled) -f ba[ext=AUDIO]+FORMAT [run options] -- URL
QStringList BuildDownloadArgs(const _VIDEO_FILE_INFO_& info, const QString& appFolder);

// The names of the environment variables that "$NAME" or "${NAME}" in `path` refer to.
// The extractor expands such references in its output template and offers no escape.
QStringList OutputPathVariables(const QString& path);

// The environment of a download run: `base` without the variables that the output path
// refers to, so that the extractor writes the file under its literal name.
QProcessEnvironment DownloadEnvironment(const _VIDEO_FILE_INFO_& info,
                                        const QProcessEnvironment& base);

// Ties a process about to be started to the program: on Linux it dies with the program (also
// when the program dies while it is being started), so that no extractor runs on after a
// crash. With `ownGroup` it also gets a process group of its own, so that stopping the group
// stops everything it started.
void BindToProgram(QProcess& process, bool ownGroup);

// Calls `ended` (in `receiver`'s thread) once a run of `process` is over: when it has finished,
// and when it could not be started at all (then no finished signal comes).
void ConnectRunEnd(QProcess& process, QObject* receiver, const std::function<void()>& ended);
