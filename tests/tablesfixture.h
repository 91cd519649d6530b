#pragma once
// Helpers of the task table tests: files, pictures, the delete confirmation answered from the
// event loop, and the window's downloading list.

#include "cmessagebox.h"
#include "command.h"
#include "drui.h"
#include "druistartup.h"
#include "framefixture.h"
#include "infofiles.h"
#include "languagesconfig.h"
#include "paths.h"
#include "tasktables.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMutexLocker>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <vector>

inline QString Tr(const char* key)
{
    return CLanguagesConfig::GetInstance()->ReadLanguageInfo(key);
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

inline bool SamePicture(const QIcon& icon, const char* path)
{
    const QPixmap expected{QString::fromLatin1(path)};
    if (expected.isNull() || icon.isNull())
        return false;
    const QSize size = expected.deviceIndependentSize().toSize();
    return icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32) ==
           expected.toImage().convertToFormat(QImage::Format_ARGB32);
}

// The thumbnail label of a row widget: the one label of fixed size 80 x 60.
inline QLabel* ThumbLabel(QWidget* row)
{
    const QList<QLabel*> labels = row ? row->findChildren<QLabel*>() : QList<QLabel*>();
    for (QLabel* label : labels) {
        if (label->minimumSize() == kThumbSize && label->maximumSize() == kThumbSize)
            return label;
    }
    return nullptr;
}

// What the delete confirmation looked like.
struct SeenDialog
{
    bool bSeen = false;
    QSize size;
    QString text;
};

// Answers the next modal dialog once it is up: sets its check box and clicks OK or Cancel.
inline void AnswerDialog(bool bOk, bool bTicked, SeenDialog* seen, int attempt = 0)
{
    QTimer::singleShot(attempt == 0 ? 0 : 10, [=] {
        auto* box = qobject_cast<CMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (attempt < 500)
                AnswerDialog(bOk, bTicked, seen, attempt + 1);
            return;
        }
        *seen = {true, box->size(), box->pMessageLabel ? box->pMessageLabel->text() : QString()};
        if (box->pCheckBox)
            box->pCheckBox->setChecked(bTicked);
        QTest::mouseClick(box->findChild<QPushButton*>(bOk ? "btnOK" : "btnCancel"),
                          Qt::LeftButton);
        if (box->isVisible())
            box->close(); // never leave a test hanging on a dialog
    });
}

inline void CheckDeleteDialog(const SeenDialog& seen)
{
    QVERIFY(seen.bSeen);
    QCOMPARE(seen.size, QSize(500, 180));
    QCOMPARE(seen.text, Tr("Messages/MSG0106"));
}

inline QString DownloadingDir()
{
    return DataFolder() + QStringLiteral("downloading/");
}
inline QString FinishedDir()
{
    return DataFolder() + QStringLiteral("finished/");
}

inline _VIDEO_DOWNLOAD_INFO_ Task(DRUI& w, int i)
{
    return w.DownloadInfoAt(i);
}
inline int TaskCount(DRUI& w)
{
    return w.engine.Count();
}
inline void AddTasks(DRUI& w, std::vector<_VIDEO_FILE_INFO_> list, bool bRestored)
{
    w.RefreshDownloadTable(list, bRestored);
}
// What the output parser would have recorded for a run.
inline void SetRunState(DRUI& w, int i, const QString& percent, const QString& filePath)
{
    w.engine.At(i)->SetProgressState(percent, filePath);
}
// A completed run: the file exists and the record says so; then the run's end is judged.
inline void Complete(DRUI& w, int i)
{
    const _VIDEO_FILE_INFO_ info = Task(w, i).VideoFileInfo;
    const QString file = DownloadOutputFile(info);
    WriteFile(file, "video");
    SetRunState(w, i, QStringLiteral("100"), file);
    w.CompleteEndedTasks();
}
// The files a run of this task leaves in the output folder.
inline QStringList MakeTaskFiles(const _VIDEO_FILE_INFO_& info)
{
    const QString file = DownloadOutputFile(info);
    const QStringList files{file, file.left(file.size() - 4) + QStringLiteral(".f137.mp4.part")};
    for (const QString& f : files)
        WriteFile(f, "data");
    return files;
}
inline QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}
inline void WriteFinishedInfo(_VIDEO_FILE_INFO_& info, const QString& stamp)
{
    info.QstrFinishTime = stamp;
    QCOMPARE(WriteInfoFile(FinishedDir(), stamp, FinishedInfoLine(info)), 0);
}

// The folders and the window of one test: a home of its own (data folder below it), an
// output folder made afresh for every test, and the recorded pages and shut-downs.
class CTableTestBase
{
protected:
    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_outputDir; // inside m_work, ending in "/"
    UrlRecorder m_recorder;
    int m_nShutdowns = 0;

    // For initTestCase: a home of the test's own below m_home (before anything asks for a
    // standard location), the assembled application folder, the pictures and record types,
    // and nothing that leaves this machine; shut-downs are counted in m_nShutdowns.
    bool StartInOwnHome()
    {
        if (!m_home.isValid())
            return false;
        fixture::IsolateHome(m_home.path());
        SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
        Q_INIT_RESOURCE(drui); // outside any namespace: it declares the resource's loader
        RegisterTaskRowTypes();
        KeepOnThisMachine(&m_recorder, m_home.path() + QLatin1Char('/'),
                          [this] { ++m_nShutdowns; });
        return DataFolder().startsWith(m_home.path());
    }

    // For init: empty task folders, and a new work folder with an empty output folder.
    bool FreshFolders()
    {
        const bool cleared = QDir(DataFolder()).removeRecursively();
        m_work = std::make_unique<QTemporaryDir>();
        m_outputDir = m_work->path() + QStringLiteral("/out/");
        m_recorder.urls.clear();
        m_nShutdowns = 0;
        return cleared && m_work->isValid() && QDir().mkpath(DownloadingDir()) &&
               QDir().mkpath(FinishedDir()) && QDir().mkpath(m_outputDir);
    }

    // Every record is the same video in the same format: only the key (and the title) tell
    // two tasks apart.
    _VIDEO_FILE_INFO_ Record(int n, const QString& title = QString()) const
    {
        _VIDEO_FILE_INFO_ r;
        r.QstrFormatId = QStringLiteral("137");
        r.QstrExt = QStringLiteral("mp4");
        r.QstrSize = QStringLiteral("5.41MB");
        r.QstrDuration = QStringLiteral("00:00:08");
        r.QstrTitle = title.isEmpty() ? QStringLiteral("Clip %1").arg(n) : title;
        r.QstrOutputDir = m_outputDir;
        r.QstrTaskKey = QStringLiteral("2026-03-01-10-20-%1").arg(n, 2, 10, QLatin1Char('0'));
        r.QstrUrl = QStringLiteral("http://127.0.0.1:9/video");
        return r;
    }

    std::unique_ptr<DRUI> MakeWindow()
    {
        auto window = std::make_unique<DRUI>();
        window->Init();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("window not exposed");
        ListStartupFinished(*window); // the history, read on a worker since the first frame
        return window;
    }
};
