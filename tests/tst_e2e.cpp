// The main job from end to end: the window and its dialogs driven as a user drives them, the
// real extractor and converter downloading from the loopback video site.

#include "desktopservices.h"
#include "dodivezparseui.h"
#include "fixtures/fakebus.h"
#include "fixtures/adddialog.h"
#include "outputpath.h"
#include "settings.h"
#include "statusline.h"
#include "tablesfixture.h"
#include "windowfixture.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedLayout>
#include <QTableWidget>
#include <functional>

using namespace fixture;

namespace {

constexpr int kRunMs = 180000;           // one analysis or download, with room to spare
constexpr qint64 kSlowRate = 250 * 1024; // bytes per second: a download takes several seconds
const QString kSubFolderTitle = QStringLiteral("Series/Episode 1");

QPushButton* AddButton(DRUI& w)
{
    QWidget* page = w.pPageStack ? w.pPageStack->currentWidget() : nullptr;
    for (QPushButton* button : page ? page->findChildren<QPushButton*>() : QList<QPushButton*>()) {
        if (button->text() == Tr("MainWnd/Tracks"))
            return button;
    }
    return nullptr;
}

// Presses the window's Add button and drives the add-video dialog as a user does, typing the
// link; see DriveAddDialog.
AddedVideo AddThroughDialog(DRUI& w, const QString& link, int row = 0,
                            const std::function<void(CDodivezParseUI&)>& prepare = {})
{
    QPushButton* add = AddButton(w);
    if (!add)
        return AddedVideo();
    return DriveAddDialog([add] { QTest::mouseClick(add, Qt::LeftButton); }, link, row, kRunMs,
                          prepare, true);
}

// The output folder as Snapshot() sees it, but folders by name only: their times change
// whenever a download writes into them.
QMap<QString, QByteArray> OutputTree(const QString& folder)
{
    QMap<QString, QByteArray> tree = Snapshot(folder);
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (QFileInfo(it.key()).isDir())
            it.value() = "folder";
    }
    return tree;
}

QStringList FilesWithKey(const QString& folder, const QString& key)
{
    return FilesIn(folder).filter(key);
}

// The task of this record has completed: its row has moved to the top of the finished table,
// its finished info file holds exactly the eight fields, its downloading info file is gone,
// and its file plays whole. `done` receives the finished record.
void CheckCompleted(DRUI& w, const _VIDEO_FILE_INFO_& task, _VIDEO_FILE_INFO_& done)
{
    QVERIFY(!w.vecFinishedList.empty());
    done = w.vecFinishedList.front().VideoFileInfo;
    QCOMPARE(done.QstrTaskKey, task.QstrTaskKey);
    w.Finished();
    QTRY_VERIFY(w.pFinishedTable->cellWidget(0, 0));
    w.Downloading();
    QCOMPARE(w.engine.IndexOf(task.QstrTaskKey), -1);
    QVERIFY(!QFile::exists(DownloadingDir() + task.QstrTaskKey));

    const QString expectedFile = DownloadOutputFile(task);
    QCOMPARE(done.QstrFilePath, expectedFile);
    const QByteArray line = ReadAll(FinishedDir() + done.QstrFinishTime);
    const QStringList fields = QString::fromUtf8(line).split(kInfoSeparator);
    QCOMPARE(fields.size(), 8);
    QVERIFY(!line.endsWith('\n'));
    QCOMPARE(fields.at(0), done.QstrFinishTime);
    QCOMPARE(fields.at(4), task.QstrTitle);
    QCOMPARE(fields.at(5), task.QstrThumbPath);
    QCOMPARE(fields.at(6), task.QstrOutputDir);
    QCOMPARE(fields.at(7), expectedFile);

    ProbeInfo probe = Probe(expectedFile);
    QVERIFY2(probe.ok, qPrintable(expectedFile));
    probe.codecTypes.sort();
    QCOMPARE(probe.codecTypes, (QStringList{"audio", "video"}));
    QVERIFY2(qAbs(probe.duration - kClipSeconds) < 0.5,
             qPrintable(QString::number(probe.duration)));
}

} // namespace

class TestEndToEnd : public QObject, private CTableTestBase
{
    Q_OBJECT

private:
    CMediaServer m_server;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        IsolateHome(m_home.path()); // before anything asks for a standard location
        SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
        Q_INIT_RESOURCE(drui);
        RegisterTaskRowTypes();
        KeepOnThisMachine(&m_recorder, DataFolder(), [this] { ++m_nShutdowns; });
        const QString media = MakeMedia();
        QVERIFY(!media.isEmpty());
        QVERIFY(m_server.Start(media));
    }

    void cleanupTestCase()
    {
        m_server.Stop();
        ReleaseThisMachine();
    }

    // A data folder of its own for every test, and an output folder stored as the user's choice.
    void init()
    {
        m_nShutdowns = 0;
        m_work = std::make_unique<QTemporaryDir>();
        const QString out = m_work->path() + QStringLiteral("/out");
        m_outputDir = out + QLatin1Char('/');
        const QStringList folders{DownloadingDir(), FinishedDir(), out};
        QVERIFY(m_work->isValid() && QDir(DataFolder()).removeRecursively());
        for (const QString& folder : folders)
            QVERIFY2(QDir().mkpath(folder), qPrintable(folder));
        QVERIFY(WriteOutputPath(DataFolder(), out) && m_server.SetRate(0));
    }

    // Link typed, analysed, top format taken; the row runs, its bar moves, and the finished
    // task lands above an older one with its info file, its playable file and its thumbnail.
    void wholeRoad()
    {
        _VIDEO_FILE_INFO_ older = Record(1);
        WriteFinishedInfo(older, QStringLiteral("2020-01-01-00-00-00"));
        auto w = MakeWindow();
        w->pPage1FinishedTab->click();
        QVERIFY(m_server.SetRate(kSlowRate));
        const AddedVideo added = AddThroughDialog(*w, m_server.PageUrl(QStringLiteral("Road")));
        QCOMPARE(added.notices, QStringList());
        QCOMPARE(added.nFormats, 3);
        QCOMPARE(w->pPageStack->currentWidget(), w->pDownloadingPage);
        QCOMPARE(w->pDownloadTable->rowCount(), 1);
        const _VIDEO_DOWNLOAD_INFO_ task = Task(*w, 0);
        const _VIDEO_FILE_INFO_& info = task.VideoFileInfo;
        QCOMPARE(info.QstrFormatId, ClipFormats().at(2).id); // the top row: last of the listing
        QCOMPARE(info.QstrTitle, QStringLiteral("Road"));
        QCOMPARE(info.QstrOutputDir, m_outputDir);
        QVERIFY(QFile::exists(DownloadingDir() + info.QstrTaskKey));

        const QPointer<QProgressBar> bar(task.pProgressBar);
        const QPointer<QLabel> status(task.pStatusLabel);
        QTRY_VERIFY_WITH_TIMEOUT(bar && bar->value() > 0, kRunMs);
        QVERIFY(bar->value() < 100);
        QVERIFY2(status->text().contains(QStringLiteral("Completed: ")),
                 qPrintable(status->text()));
        QVERIFY(status->text().contains(QLatin1Char('/') + info.QstrSize));
        QVERIFY(m_server.SetRate(0));

        QTRY_COMPARE_WITH_TIMEOUT(w->pFinishedTable->rowCount(), 2, kRunMs);
        QCOMPARE(w->pDownloadTable->rowCount(), 0);
        QVERIFY(FilesIn(DownloadingDir()).isEmpty());
        _VIDEO_FILE_INFO_ done;
        CheckCompleted(*w, info, done);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(w->vecFinishedList.at(1).VideoFileInfo.QstrFinishTime, older.QstrFinishTime);
        QCOMPARE(FilesIn(FinishedDir()), (QStringList{older.QstrFinishTime, done.QstrFinishTime}));
        QVERIFY(done.QstrThumbPath.startsWith(DataFolder()));
        QCOMPARE(ReadAll(done.QstrThumbPath).left(2), QByteArray("\xff\xd8")); // a JPEG
        QCOMPARE(m_nShutdowns, 0);
    }

    // Paused half-way, the program ended and started again: the task comes back paused at its
    // stored percentage, resumes from its button and ends with the very streams of an
    // uninterrupted download of the same format.
    void pauseRestartResume()
    {
        auto w = MakeWindow();
        QCOMPARE(AddThroughDialog(*w, m_server.PageUrl(QStringLiteral("Reference"))).nFormats, 3);
        QTRY_COMPARE_WITH_TIMEOUT(w->pFinishedTable->rowCount(), 1, kRunMs);
        const QString reference = w->vecFinishedList.front().VideoFileInfo.QstrFilePath;

        QVERIFY(m_server.SetRate(kSlowRate));
        QCOMPARE(AddThroughDialog(*w, m_server.PageUrl(QStringLiteral("Resumed"))).nFormats, 3);
        _VIDEO_DOWNLOAD_INFO_ task = Task(*w, 0);
        QTRY_VERIFY_WITH_TIMEOUT(task.pProgressBar->value() >= 40, kRunMs);
        QTest::mouseClick(task.pBtnPause, Qt::LeftButton);
        QVERIFY(Task(*w, 0).bPaused);
        // Pausing stores the percentage the run had reached when it ended.
        const int pausedAt = PercentBarValue(Task(*w, 0).VideoFileInfo.QstrPercent);
        QVERIFY(pausedAt < 100);
        const QString key = task.VideoFileInfo.QstrTaskKey;

        w.reset(); // the program ends ...
        QVERIFY(m_server.SetRate(0));
        w = MakeWindow(); // ... and starts again on the same data folder
        QCOMPARE(w->pFinishedTable->rowCount(), 1);
        QCOMPARE(TaskCount(*w), 1);
        task = Task(*w, 0);
        QCOMPARE(task.VideoFileInfo.QstrTaskKey, key);
        QVERIFY(task.bPaused);
        QVERIFY(SamePicture(task.pBtnPause->icon(), kPlayPicture));
        const std::vector<_VIDEO_FILE_INFO_> stored = LoadDownloadInfos(DownloadingDir());
        QCOMPARE(stored.size(), size_t(1));
        QCOMPARE(task.pProgressBar->value(), PercentBarValue(stored.front().QstrPercent));
        QVERIFY(task.pProgressBar->value() > 0);
        QCOMPARE(task.pProgressBar->value(), pausedAt);

        QTest::mouseClick(task.pBtnPause, Qt::LeftButton);
        QVERIFY(SamePicture(task.pBtnPause->icon(), kPausePicture));
        QTRY_COMPARE_WITH_TIMEOUT(w->pFinishedTable->rowCount(), 2, kRunMs);
        _VIDEO_FILE_INFO_ done;
        CheckCompleted(*w, task.VideoFileInfo, done);
        if (QTest::currentTestFailed())
            return;
        for (const QString& kind : {QStringLiteral("v"), QStringLiteral("a")}) {
            const QString hash = StreamHash(done.QstrFilePath, kind);
            QVERIFY(!hash.isEmpty());
            QCOMPARE(hash, StreamHash(reference, kind));
        }
    }

    // On a throttled site, after each read the row shows the extractor's newest line, which
    // the extractor ends only with its next write, once it is looked at: a row shows a few
    // reports a second, and one that comes into view shows the newest at once. Paused, bar
    // and status line still agree.
    void rowShowsNewestLine()
    {
        const ClipFormat format = ClipFormats().at(0);
        const qint64 size = QFileInfo(MakeMedia() + QLatin1Char('/') + format.file).size();
        _VIDEO_FILE_INFO_ info = Record(1);
        info.QstrUrl = m_server.PageUrl(QStringLiteral("Newest"));
        info.QstrTitle = QStringLiteral("Newest");
        info.QstrFormatId = format.id;
        info.QstrSize = RecordSizeText(size);
        info.QstrOutputDir = m_outputDir;
        info.QstrPercent = QStringLiteral("0");
        info.QstrFilePath.clear();
        auto w = MakeWindow();
        AddTasks(*w, {info}, true);
        const _VIDEO_DOWNLOAD_INFO_ task = Task(*w, 0);
        QVERIFY(task.pProgressBar && task.pStatusLabel);

        // A progress line of the video that is whole: percentage, total, time left.
        static const QRegularExpression whole(QStringLiteral(
            R"(^\[download\]\s+(\d+\.\d)% of\s+(\S+) at\s+\S+ ETA (\d\d:\d\d|Unknown)\s*$)"));
        QByteArray output;
        int checked = 0;
        QString mismatch;
        QObject guard; // goes first: no report reaches the variables above once they are gone
        const QString key = task.VideoFileInfo.QstrTaskKey;
        connect(&w->engine, &CDownloadEngine::OutputRead, &guard, [&](QString from, QByteArray bytes) {
            // The row as the reads before this one left it.
            const QList<QByteArray> lines =
                QByteArray(output).replace('\r', '\n').trimmed().split('\n');
            const auto m = whole.match(QString::fromUtf8(lines.last()));
            if (from == key && m.hasMatch() && m.captured(2) == ExtractorSizeText(size)) {
                ++checked;
                // The table is looked at again: its rows come into view.
                w->pDownloadTable->hide();
                w->pDownloadTable->show();
                const QString shown =
                    QStringLiteral("Completed: %1%      %2").arg(m.captured(1), m.captured(3));
                if (task.pProgressBar->value() != int(m.captured(1).toDouble()) ||
                    !task.pStatusLabel->text().contains(shown))
                    mismatch += QString::fromUtf8(lines.last()) + " shown as " +
                                QString::number(task.pProgressBar->value()) + " | " +
                                task.pStatusLabel->text() + "\n";
            }
            output += bytes;
        });
        QSignalSpy reports(&w->engine, &CDownloadEngine::Progress);
        QVERIFY(m_server.SetRate(kSlowRate));
        QTest::mouseClick(task.pBtnPause, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(checked >= 5, kRunMs);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

        QTest::mouseClick(task.pBtnPause, Qt::LeftButton);
        QVERIFY(Task(*w, 0).bPaused);
        QString label;
        int value = -1;
        for (const QList<QVariant>& r : std::as_const(reports)) {
            const auto report = r.at(1).value<ProgressReport>();
            value = report.nProValue;
            if (!StatusLineText(report).isEmpty())
                label = StatusLineText(report);
        }
        QTRY_COMPARE(task.pStatusLabel->text(), StatusSizePart(label)); // reports are queued
        QCOMPARE(task.pProgressBar->value(), value);
    }

    // A format listed with an estimated size, fetched in fragments with changing estimated
    // totals, completes; the audio stream, fetched first, never moves the bar.
    void estimatedSizeCompletes()
    {
        auto w = MakeWindow();
        QVERIFY(m_server.SetRate(kSlowRate));
        QByteArray output;
        int audioMoves = 0;
        QObject guard; // goes first: no report reaches the variables above once they are gone
        connect(&w->engine, &CDownloadEngine::OutputRead, &guard,
                [&](QString, QByteArray bytes) { output += bytes; });
        connect(&w->engine, &CDownloadEngine::Progress, &guard, [&](QString, ProgressReport r) {
            const int value = r.nProValue;
            // The stream being fetched is the one the newest "Destination:" line names.
            const QByteArray named = output.mid(output.lastIndexOf("Destination: ")).split('\n')[0];
            if (value > 0 && !named.trimmed().endsWith(".mp4"))
                ++audioMoves;
        });
        QSignalSpy ended(&w->engine, &CDownloadEngine::RunEnded);
        const AddedVideo added =
            AddThroughDialog(*w, m_server.SegmentedPageUrl(QStringLiteral("Estimated")));
        QCOMPARE(added.nFormats, 1);
        const _VIDEO_FILE_INFO_ info = Task(*w, 0).VideoFileInfo;
        QVERIFY(!info.QstrSize.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(ended.count() == 1, kRunMs);
        QTRY_COMPARE(w->pFinishedTable->rowCount(), 1); // the completion is queued
        _VIDEO_FILE_INFO_ done;
        CheckCompleted(*w, info, done);
        QCOMPARE(audioMoves, 0);
    }

    void unresolvableLink_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("404 page") << m_server.MissingUrl();
        QTest::newRow("page without a video") << m_server.NoVideoUrl();
    }

    // The notice is shown, and nothing is added anywhere.
    void unresolvableLink()
    {
        QFETCH(QString, link);
        auto w = MakeWindow();
        const AddedVideo added = AddThroughDialog(*w, link);
        QCOMPARE(added.notices.size(), 1); // the notice, then what went wrong
        QVERIFY(added.notices[0].startsWith(Tr("Messages/MSG0108") + QStringLiteral("\n\n")));
        QCOMPARE(added.nFormats, 0);
        QCOMPARE(w->pDownloadTable->rowCount(), 0);
        QCOMPARE(TaskCount(*w), 0);
        QCOMPARE(w->pFinishedTable->rowCount(), 0);
        QCOMPARE(FilesIn(DownloadingDir()), QStringList());
        QCOMPARE(QDir(m_outputDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // A channel's three entries, all ticked, added with one OK: each runs as a task of its own,
    // the first and third complete, the gone one fails on its own row and stops nothing.
    void playlistEntriesRunOnTheirOwn()
    {
        auto w = MakeWindow();
        QPushButton* add = AddButton(*w);
        QVERIFY(add);
        bool bAdded = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* d = qobject_cast<CDodivezParseUI*>(QApplication::activeModalWidget());
            if (!d)
                return;
            poll.stop();
            QTimer::singleShot(0, d, [&bAdded, d, link = m_server.ChannelUrl()] {
                QTest::keyClicks(d->pUrlEdit, link);
                QTest::mouseClick(d->pParseButton, Qt::LeftButton);
                if (d->IsBatch() && d->pBatchTable->rowCount() == 3 && d->pOkButton->isEnabled()) {
                    QTest::mouseClick(d->pOkButton, Qt::LeftButton);
                    bAdded = true;
                }
                if (d->isVisible())
                    d->close();
            });
        });
        poll.start(20);
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(bAdded);
        QCOMPARE(TaskCount(*w), 3);
        const QString goneKey = Task(*w, 1).VideoFileInfo.QstrTaskKey;
        QCOMPARE(Task(*w, 1).VideoFileInfo.QstrTitle, QStringLiteral("Gone Clip"));

        QTRY_COMPARE_WITH_TIMEOUT(w->pFinishedTable->rowCount(), 2, 2 * kRunMs);
        QStringList finished;
        for (const auto& done : w->vecFinishedList) {
            finished << done.VideoFileInfo.QstrTitle;
            const ProbeInfo probe = Probe(done.VideoFileInfo.QstrFilePath);
            QVERIFY2(probe.ok && probe.codecTypes.contains(QStringLiteral("video")),
                     qPrintable(done.VideoFileInfo.QstrFilePath));
        }
        finished.sort();
        QCOMPARE(finished, (QStringList{"First Clip", "Third Clip"}));
        QCOMPARE(TaskCount(*w), 1);
        QTRY_VERIFY_WITH_TIMEOUT(Task(*w, 0).bPaused, kRunMs);
        const _VIDEO_DOWNLOAD_INFO_ gone = Task(*w, 0);
        QCOMPARE(gone.VideoFileInfo.QstrTaskKey, goneKey);
        QVERIFY(!gone.bRunning);
        QVERIFY2(gone.pStatusLabel->text().startsWith(Tr("Errors/Failed")),
                 qPrintable(gone.pStatusLabel->text()));
    }

    // Five tasks come back from the last session; with two downloads at once "Resume all"
    // starts them in the order of their rows, never more than two at a time. A waiting task
    // that is paused leaves the queue and the next one takes its turn. The desktop hears of
    // each end, of the last one as a summary, and the computer stays awake until then.
    void queueKeepsLimitAndOrder()
    {
        QuillaneSettings settings;
        settings.nDownloadsAtOnce = 2;
        settings.bNeverUpdate = true;
        QVERIFY(SaveSettings(DataFolder(), settings));
        QStringList keys;
        for (int n = 1; n <= 5; ++n) {
            _VIDEO_FILE_INFO_ r = Record(n, QStringLiteral("Queued %1").arg(n));
            r.QstrUrl = n == 5 ? m_server.MissingUrl() : m_server.PageUrl(r.QstrTitle);
            r.QstrFormatId = ClipFormats().at(0).id;
            QCOMPARE(WriteInfoFile(DownloadingDir(), r.QstrTaskKey, DownloadInfoLine(r)), 0);
            keys << r.QstrTaskKey;
        }
        CFakeBus bus;
        std::vector<std::unique_ptr<PipeLock>> locks;
        QStringList notices;
        bus.onCall = [&](int i) {
            const QDBusMessage& call = bus.calls[size_t(i)].message;
            if (call.member() == QLatin1String("Inhibit")) {
                locks.push_back(std::make_unique<PipeLock>());
                bus.Answer(i, {locks.back()->Descriptor()});
            } else if (call.member() == QLatin1String("Notify")) {
                notices << call.arguments().at(3).toString() + QLatin1Char('|') +
                               call.arguments().at(4).toString();
                bus.Answer(i, {quint32(i)});
            }
        };
        DRUI::s_pDesktopBus = &bus;
        QVERIFY(m_server.SetRate(kSlowRate));
        auto w = MakeWindow();
        DRUI::s_pDesktopBus = nullptr;
        w->pNotifier->SetWindowActive([] { return false; });
        QCOMPARE(w->engine.Keys(), keys);

        QStringList started;
        int nMostRunning = 0;
        for (int i = 0; i < 5; ++i) {
            connect(w->engine.At(i), &CDownloadTask::StateChanged, this,
                    [&, key = keys[i]](TaskState state) {
                        if (state == TaskState::Running)
                            started << key;
                        nMostRunning = qMax(nMostRunning, w->engine.RunningCount());
                    });
        }
        QAction* resumeAll = nullptr;
        for (QAction* action : w->pMainMenu->actions())
            if (action->data().toString() == QLatin1String("ResumeAll"))
                resumeAll = action;
        QVERIFY(resumeAll && resumeAll->text() == Tr("Tasks/ResumeAll"));
        resumeAll->trigger();
        QCOMPARE(started, keys.mid(0, 2));
        for (int i = 2; i < 5; ++i)
            QCOMPARE(Task(*w, i).pStatusLabel->text(), Tr("Tasks/Waiting"));
        QVERIFY(w->pInhibitor->IsHeld());

        QTest::mouseClick(Task(*w, 2).pBtnPause, Qt::LeftButton); // out of the queue
        QVERIFY(Task(*w, 2).bPaused);
        QVERIFY(Task(*w, 2).pStatusLabel->text() != Tr("Tasks/Waiting"));
        QVERIFY(m_server.SetRate(0));
        QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 4, kRunMs);
        QCOMPARE(w->pFinishedTable->rowCount(), 3);
        QCOMPARE(started, (QStringList{keys[0], keys[1], keys[3], keys[4]}));
        QCOMPARE(nMostRunning, 2);
        QCOMPARE(w->engine.Keys(), (QStringList{keys[2], keys[4]}));
        // Whichever ends last (the third completion or the failure) is told as the end of all.
        const qsizetype completedNotices =
            notices.filter(Tr("Tasks/Completed") + QLatin1Char('|')).size();
        const qsizetype failedNotices = notices.filter(Tr("Tasks/Failed") + QLatin1Char('|')).size();
        QCOMPARE(completedNotices + failedNotices, 3);
        QVERIFY(completedNotices >= 2 && failedNotices <= 1);
        QCOMPARE(notices.last(), Tr("Tasks/AllEnded") + QLatin1Char('|') +
                                     Tr("Tasks/AllEndedBody").arg(3).arg(1));
        QVERIFY(!w->pInhibitor->IsHeld());
        for (auto& lock : locks)
            QVERIFY(lock->Released());
    }

    void shutdownAfterLastTask_data()
    {
        QTest::addColumn<int>("downloads");
        QTest::addColumn<bool>("pausedOneLeft");
        QTest::addColumn<bool>("boxOn");
        QTest::addColumn<int>("calls");
        QTest::newRow("one task, box on") << 1 << false << true << 1;
        QTest::newRow("two tasks, box on") << 2 << false << true << 1;
        QTest::newRow("a paused task left, box on") << 1 << true << true << 0;
        QTest::newRow("one task, box off") << 1 << false << false << 0;
    }

    // The tasks are all in the table before the first completes (a slow site), so only the
    // completion of the last one may call the shut-down command.
    void shutdownAfterLastTask()
    {
        QFETCH(int, downloads);
        QFETCH(bool, pausedOneLeft);
        QFETCH(bool, boxOn);
        QFETCH(int, calls);
        auto w = MakeWindow();
        if (boxOn)
            w->pShutdownCheckBox->click();
        QCOMPARE(w->pShutdownCheckBox->isChecked(), boxOn);
        QVERIFY(m_server.SetRate(kSlowRate));
        if (pausedOneLeft) {
            QCOMPARE(AddThroughDialog(*w, m_server.PageUrl(QStringLiteral("Kept"))).nFormats, 3);
            QTest::mouseClick(Task(*w, 0).pBtnPause, Qt::LeftButton);
            QVERIFY(Task(*w, 0).bPaused);
        }
        for (int i = 0; i < downloads; ++i) {
            const QString title = QStringLiteral("Task %1").arg(i);
            QCOMPARE(AddThroughDialog(*w, m_server.PageUrl(title), i).nFormats, 3);
        }
        QCOMPARE(w->pDownloadTable->rowCount(), downloads + (pausedOneLeft ? 1 : 0));
        QVERIFY(m_server.SetRate(0));

        QTRY_COMPARE_WITH_TIMEOUT(w->pFinishedTable->rowCount(), downloads, kRunMs);
        QCOMPARE(w->pDownloadTable->rowCount(), pausedOneLeft ? 1 : 0);
        QCOMPARE(m_nShutdowns, calls);
    }

    void deleteWithFiles_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("neighbour"); // an unrelated file in the title's sub-folder
        QTest::newRow("running, the sub-folder empties") << false << false;
        QTest::newRow("paused, a neighbour in the sub-folder") << true << true;
    }

    // The row's delete button with the check box ticked takes exactly the task's files (in
    // the title's sub-folder of a folder chosen in the dialog), and nothing else.
    void deleteWithFiles()
    {
        QFETCH(bool, paused);
        QFETCH(bool, neighbour);
        const QString out = m_work->path() + QStringLiteral("/chosen");
        WriteFile(out + QStringLiteral("/notes.txt"), "notes");
        WriteFile(out + QStringLiteral("/Episode 1.mp4"), "same title, no key");
        WriteFile(out + QStringLiteral("/Series Extra/Episode 1.mp4"), "another folder");
        QVERIFY(QDir().mkpath(out + QStringLiteral("/empty")));
        if (neighbour)
            WriteFile(out + QStringLiteral("/Series/Episode 1-2020-01-01-00-00-00.mp4"), "older");
        const QMap<QString, QByteArray> before = OutputTree(out);

        auto w = MakeWindow();
        QVERIFY(m_server.SetRate(kSlowRate));
        const AddedVideo added =
            AddThroughDialog(*w, m_server.PageUrl(kSubFolderTitle), 0, [out](CDodivezParseUI& d) {
                d.chooseFolder = [out](QWidget*) { return out; };
                QTest::mouseClick(d.pChooseButton, Qt::LeftButton);
            });
        QCOMPARE(added.nFormats, 3);
        const _VIDEO_DOWNLOAD_INFO_ task = Task(*w, 0);
        const QPointer<const QProcess> process(task.pProcess);
        const QString key = task.VideoFileInfo.QstrTaskKey;
        QCOMPARE(task.VideoFileInfo.QstrTitle, kSubFolderTitle);
        QCOMPARE(task.VideoFileInfo.QstrOutputDir, out + QLatin1Char('/'));
        // A file named with the key outside the task's sub-folder is not the task's.
        const QString keyNamed = out + QStringLiteral("/list ") + key + QStringLiteral(".txt");
        WriteFile(keyNamed, "list");
        QTRY_VERIFY_WITH_TIMEOUT(task.pProgressBar->value() > 0, kRunMs);
        QVERIFY(!FilesWithKey(out + QStringLiteral("/Series"), key).isEmpty());
        if (paused)
            QTest::mouseClick(task.pBtnPause, Qt::LeftButton);

        SeenDialog seen;
        AnswerDialog(true, true, &seen);
        QTest::mouseClick(task.pBtnDelete, Qt::LeftButton);
        CheckDeleteDialog(seen);
        QCOMPARE(TaskCount(*w), 0);
        QCOMPARE(w->pDownloadTable->rowCount(), 0);
        QCOMPARE(w->pFinishedTable->rowCount(), 0);
        QCOMPARE(FilesIn(DownloadingDir()), QStringList());
        QVERIFY(!process || process->state() == QProcess::NotRunning);

        QCOMPARE(ReadAll(keyNamed), QByteArray("list"));
        QMap<QString, QByteArray> after = OutputTree(out);
        after.remove(keyNamed);
        QCOMPARE(after.keys(), before.keys());
        QCOMPARE(after, before);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "moc_framefixture.cpp"
#include "tst_e2e.moc"
