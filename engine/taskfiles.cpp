#include "taskfiles.h"

#include "command.h"
#include "helpers.h"
#include "infofiles.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace {

// The absolute, cleaned form of a path, resolved through symbolic links when it exists.
QString ResolvedPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

void DeleteTaskFiles(const _VIDEO_FILE_INFO_& info)
{
    // Without a key every file would match; without an output folder the files would be
    // looked for relative to wherever the program runs.
    if (info.QstrTaskKey.isEmpty() || info.QstrOutputDir.isEmpty())
        return;
    const QString base = QDir::cleanPath(info.QstrOutputDir);
    const QString folder = QDir::cleanPath(DownloadOutputFolder(info));
    const bool inside = folder == base || folder.startsWith(base + QLatin1Char('/'));
    if (!inside)
        return;

    // Every file of the run begins with the output file's name up to its extension,
    // "TITLE-KEY.": the finished file, the parts ("TITLE-KEY.f137.mp4.part") and the merger's
    // temporary file. Another task's file that merely contains the key stays, and so does
    // every file when the key is as short as "." (a damaged info file).
    _VIDEO_FILE_INFO_ stem = info;
    stem.QstrExt.clear();
    const QString runPrefix = QFileInfo(DownloadOutputFile(stem)).fileName();
    std::vector<QString> files;
    GetDirFiles(folder, files, info.QstrTaskKey);
    for (const QString& file : files) {
        if (QFileInfo(file).fileName().startsWith(runPrefix))
            QFile::remove(file);
    }

    // Remove the title's sub-folders that are now empty; the output folder stays.
    QString title = info.QstrTitle;
    title.remove(QLatin1Char('"'));
    const QString safeTitle = SafeTitlePath(title);
    if (safeTitle.contains(QLatin1Char('/')))
        DelEmptyDir(info.QstrOutputDir, safeTitle);
}

bool IsInsideFolder(const QString& path, const QString& folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    const QFileInfo entry(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const QString name = entry.fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    const QString parent = ResolvedPath(entry.absolutePath());
    QString top = ResolvedPath(folder);
    if (parent == top)
        return true;
    if (!top.endsWith(QLatin1Char('/')))
        top += QLatin1Char('/');
    return parent.startsWith(top);
}

void DeleteFinishedTaskFiles(const _VIDEO_FILE_INFO_& info, const QString& finishedFolder,
                             bool bDeleteVideo)
{
    if (!info.QstrFinishTime.isEmpty()) {
        const QString infoFile = finishedFolder + info.QstrFinishTime;
        if (IsInsideFolder(infoFile, finishedFolder))
            QFile::remove(infoFile);
    }
    if (!bDeleteVideo)
        return;
    if (IsInsideFolder(info.QstrFilePath, info.QstrOutputDir))
        QFile::remove(info.QstrFilePath);
    if (info.QstrTitle.contains(QLatin1Char('/')) && !info.QstrOutputDir.isEmpty())
        DelEmptyDir(info.QstrOutputDir, SafeTitlePath(info.QstrTitle));
}
