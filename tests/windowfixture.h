#pragma once
// Helpers of the main-window tests: task info files in the data folder, the window's task
// lists, its language menu, and a private copy of the application folder.

#include "drui.h"
#include "druistartup.h"
#include "infofiles.h"
#include "paths.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMenu>
#include <QMutexLocker>
#include <QtTest>

inline _VIDEO_FILE_INFO_ Record(int n)
{
    _VIDEO_FILE_INFO_ info;
    info.QstrTaskKey = QStringLiteral("2024-03-0%1-10-00-00").arg(n);
    info.QstrFinishTime = QStringLiteral("2024-04-0%1-11-00-00").arg(n);
    info.QstrFormatId = QStringLiteral("13%1").arg(n);
    info.QstrUrl = QStringLiteral("http://127.0.0.1:9/v%1").arg(n);
    info.QstrPercent = QStringLiteral("4%1").arg(n);
    info.QstrSize = QStringLiteral("1.%1MB").arg(n);
    info.QstrDuration = QStringLiteral("00:00:1%1").arg(n);
    info.QstrExt = QStringLiteral("mp4");
    info.QstrTitle = QStringLiteral("Video %1").arg(n);
    info.QstrOutputDir = QStringLiteral("/nonexistent/out/");
    info.QstrFilePath = QStringLiteral("/nonexistent/out/Video %1.mp4").arg(n);
    return info;
}

// Info files of `downloading` unfinished and `finished` finished tasks in the data folder.
inline void WriteTasks(int downloading, int finished)
{
    const QString data = DataFolder();
    for (int i = 1; i <= downloading; ++i)
        QVERIFY(WriteInfoFile(data + "downloading/", Record(i).QstrTaskKey,
                              DownloadInfoLine(Record(i))) == 0);
    for (int i = 1; i <= finished; ++i)
        QVERIFY(WriteInfoFile(data + "finished/", Record(i).QstrFinishTime,
                              FinishedInfoLine(Record(i))) == 0);
}

inline QStringList TaskKeys(DRUI& w)
{
    return w.engine.Keys();
}

inline bool AllPaused(DRUI& w)
{
    for (int i = 0; i < w.engine.Count(); ++i) {
        if (!w.engine.At(i)->WaitsForUser())
            return false;
    }
    return true;
}

inline QStringList FinishedTimes(DRUI& w)
{
    ListStartupFinished(w); // the history, read on a worker since the first frame
    QStringList times;
    for (const _VIDEO_FINISHED_INFO_& task : w.vecFinishedList)
        times << task.VideoFileInfo.QstrFinishTime;
    return times;
}

inline QMenu* LanguageMenu(DRUI& w)
{
    const QList<QAction*> entries = w.pMainMenu->actions();
    return entries.size() >= 3 ? entries[2]->menu() : nullptr;
}

inline QAction* LanguageEntry(DRUI& w, const QString& name)
{
    QMenu* menu = LanguageMenu(w);
    for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
        if (action->text() == name)
            return action;
    }
    return nullptr;
}

// Every file and folder below `folder` with its content and time of change.
inline QMap<QString, QByteArray> Snapshot(const QString& folder)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        QFile f(fi.filePath());
        const QByteArray content = fi.isFile() && f.open(QIODevice::ReadOnly) ? f.readAll() : "";
        entries.insert(fi.filePath(),
                       content + "@" + QByteArray::number(fi.lastModified().toMSecsSinceEpoch()));
    }
    return entries;
}

// config.ini, Languages/, Help/ and the tools of the assembled application folder, in `folder`.
inline bool CopyAppFolder(const QString& folder)
{
    const QString source = QStringLiteral(QUILLANE_APP_DIR);
    bool ok = QFile::copy(source + "/config.ini", folder + "/config.ini") &&
              QDir(folder).mkpath("Languages");
    for (const QString& name : QDir(source + "/Languages").entryList({"*.ini"}, QDir::Files))
        ok = ok && QFile::copy(source + "/Languages/" + name, folder + "/Languages/" + name);
    ok = ok && QDir(folder).mkpath("Help");
    for (const QString& name : QDir(source + "/Help").entryList(QDir::Files))
        ok = ok && QFile::copy(source + "/Help/" + name, folder + "/Help/" + name);
    for (const char* tool : {"Pelmora", "virarurov", "ffprobe"})
        ok = ok &&
             QFile::link(QFileInfo(source + "/" + tool).canonicalFilePath(), folder + "/" + tool);
    return ok;
}
