// The work the window does on demand or away from its thread: row widgets only for rows in
// view, thumbnails after the frame that shows their rows, the finished history listed after
// the first frame, progress rewrites of the info files on a writer thread, and the judgement
// of raw output bytes.

#include "drui.h"
#include "framefixture.h"
#include "helpers.h"
#include "infofiles.h"
#include "infowriter.h"
#include "lazyrows.h"
#include "outputparser.h"
#include "paths.h"
#include "tablesfixture.h"
#include "tasktables.h"
#include "testsupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

constexpr int kManyRows = 40;

QString Stamp(int n)
{
    return QStringLiteral("2026-02-01-09-%1-00").arg(n, 2, 10, QLatin1Char('0'));
}

// Rows of the table that have their row widget.
QList<int> BuiltRows(QTableWidget* table)
{
    QList<int> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->cellWidget(r, 0))
            rows << r;
    }
    return rows;
}

bool ShowsPicture(QWidget* row)
{
    QLabel* thumb = ThumbLabel(row);
    return thumb && !thumb->pixmap().isNull();
}

} // namespace

class TestSpeed : public QObject, private CTableTestBase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(StartInOwnHome()); }

    void cleanupTestCase() { ReleaseThisMachine(); }

    void init()
    {
        QVERIFY(FreshFolders());
        m_thumb = m_work->path() + QStringLiteral("/thumb.jpg");
        QImage picture(320, 180, QImage::Format_RGB32);
        picture.fill(QColor(20, 200, 40));
        QVERIFY(picture.save(m_thumb, "JPG"));
    }

    // Only the rows in view get widgets; scrolling builds the rest as they come, and their
    // buttons reach the right task.
    void rowsComeWithTheView_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::newRow("downloading") << false;
        QTest::newRow("finished") << true;
    }
    void rowsComeWithTheView()
    {
        QFETCH(bool, finished);
        auto w = MakeWindow();
        if (finished)
            w->Finished();
        std::vector<_VIDEO_FILE_INFO_> list;
        for (int n = 1; n <= kManyRows; ++n) {
            _VIDEO_FILE_INFO_ info = Record(n);
            info.QstrOutputDir = m_outputDir + QStringLiteral("v%1/").arg(n);
            info.QstrFinishTime = Stamp(kManyRows - n); // newest first, as loaded
            list.push_back(info);
        }
        QTableWidget* table = finished ? w->pFinishedTable : w->pDownloadTable;
        if (finished)
            w->RefreshFinishedTable(list, false);
        else
            AddTasks(*w, list, true);
        QCOMPARE(table->rowCount(), kManyRows);

        const QList<int> first = BuiltRows(table);
        const auto [top, bottom] = CLazyRows::VisibleRows(table);
        QCOMPARE(top, 0);
        QVERIFY(bottom < kManyRows - 1);
        QCOMPARE(first.size(), bottom + 1); // exactly the rows in view

        table->scrollToBottom();
        QTRY_VERIFY(table->cellWidget(kManyRows - 1, 0));
        QVERIFY(BuiltRows(table).size() < kManyRows); // the rows scrolled past stay bare

        // The last row's open button shows its own folder.
        QPushButton* open = nullptr;
        if (finished) {
            QMutexLocker locker(&w->mutexFinished);
            open = w->vecFinishedList.at(kManyRows - 1).pBtnOpen;
        } else {
            open = Task(*w, kManyRows - 1).pBtnOpen;
        }
        QVERIFY(open);
        QVERIFY(table->cellWidget(kManyRows - 1, 0)->isAncestorOf(open));
        open->click();
        QCOMPARE(m_recorder.urls.size(), 1);
        QCOMPARE(m_recorder.urls.front().toLocalFile(), list.back().QstrOutputDir);
    }

    // Rows that move into view when others go get their widgets.
    void removalBringsRowsIntoView()
    {
        auto w = MakeWindow();
        std::vector<_VIDEO_FILE_INFO_> list;
        for (int n = 1; n <= kManyRows; ++n)
            list.push_back(Record(n));
        AddTasks(*w, list, true);
        const int bottom = CLazyRows::VisibleRows(w->pDownloadTable).second;
        QVERIFY(!w->pDownloadTable->cellWidget(bottom + 1, 0));
        for (int n = 1; n <= 3; ++n) {
            _VIDEO_FILE_INFO_ gone = Record(n);
            w->RemoveDownloadTableItem(&gone);
        }
        QTRY_COMPARE(BuiltRows(w->pDownloadTable).size(), bottom + 1);
        for (int r = 0; r <= bottom; ++r)
            QVERIFY(w->pDownloadTable->cellWidget(r, 0)->isAncestorOf(Task(*w, r).pProgressBar));
    }

    // Rows built while the window starts, or by scrolling, show their thumbnails once they
    // have been drawn; rows of an explicit refresh show them at once.
    void thumbnailsFollowTheFrame_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("restored at start") << "start";
        QTest::newRow("scrolled into view") << "scroll";
        QTest::newRow("refresh") << "refresh";
        QTest::newRow("finished page shown later") << "finished";
    }
    void thumbnailsFollowTheFrame()
    {
        QFETCH(QString, how);
        std::vector<_VIDEO_FILE_INFO_> list;
        for (int n = 1; n <= kManyRows; ++n) {
            _VIDEO_FILE_INFO_ info = Record(n);
            info.QstrThumbPath = m_thumb;
            list.push_back(info);
        }
        if (how == QLatin1String("finished")) {
            for (int n = 0; n < kManyRows; ++n)
                WriteFinishedInfo(list[n], Stamp(n + 1));
            DRUI w;
            w.Init();
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QTRY_COMPARE(w.pFinishedTable->rowCount(), kManyRows);
            w.Finished();
            QTRY_VERIFY(w.pFinishedTable->cellWidget(0, 0));
            QTRY_VERIFY(ShowsPicture(w.pFinishedTable->cellWidget(0, 0)));
            return;
        }
        if (how == QLatin1String("start")) {
            for (const _VIDEO_FILE_INFO_& info : list)
                QCOMPARE(WriteInfoFile(DownloadingDir(), info.QstrTaskKey, DownloadInfoLine(info)),
                         0);
            DRUI w;
            w.Init();
            QVERIFY(w.pDownloadTable->cellWidget(0, 0));
            QVERIFY(!ShowsPicture(w.pDownloadTable->cellWidget(0, 0))); // not before the frame
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QTRY_VERIFY(ShowsPicture(w.pDownloadTable->cellWidget(0, 0)));
            return;
        }
        auto w = MakeWindow();
        AddTasks(*w, list, true);
        QVERIFY(ShowsPicture(w->pDownloadTable->cellWidget(0, 0)));
        if (how == QLatin1String("scroll")) {
            w->pDownloadTable->scrollToBottom();
            QTRY_VERIFY(w->pDownloadTable->cellWidget(kManyRows - 1, 0));
            QTRY_VERIFY(ShowsPicture(w->pDownloadTable->cellWidget(kManyRows - 1, 0)));
            QCOMPARE(ThumbLabel(w->pDownloadTable->cellWidget(kManyRows - 1, 0))->pixmap().size(),
                     kThumbSize);
        }
    }

    // The finished history of a start is in the list once the first frame is up, newest first;
    // whatever needs it earlier lists it at once, and nothing is listed twice.
    void finishedHistoryAtStart_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("first frame") << "frame";
        QTest::newRow("finished page before the window shows") << "page";
        QTest::newRow("a task completes before the window shows") << "completion";
        QTest::newRow("a completed task listed before the window shows") << "listed";
        QTest::newRow("rebuilt before the window shows") << "rebuild";
    }
    void finishedHistoryAtStart()
    {
        QFETCH(QString, how);
        QStringList stamps;
        for (int n = 1; n <= 5; ++n) {
            _VIDEO_FILE_INFO_ info = Record(n);
            WriteFinishedInfo(info, Stamp(n));
            stamps.prepend(Stamp(n));
        }
        DRUI w;
        w.Init();
        QVERIFY(w.vecFinishedList.empty()); // read meanwhile, listed after the first frame
        if (how == QLatin1String("page")) {
            w.Finished();
        } else if (how == QLatin1String("completion")) {
            AddTasks(w, {Record(9)}, false);
            Complete(w, 0);
        } else if (how == QLatin1String("listed")) {
            std::vector<_VIDEO_FILE_INFO_> done{Record(9)};
            w.RefreshFinishedTable(done, true);
        } else if (how == QLatin1String("rebuild")) {
            w.InitWidget();
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Read on a worker from the first frame on, listed once read.
        QTRY_VERIFY(w.vecFinishedList.size() >= size_t(stamps.size()));
        QStringList listed;
        for (const _VIDEO_FINISHED_INFO_& entry : w.vecFinishedList)
            listed << entry.VideoFileInfo.QstrFinishTime;
        if (how == QLatin1String("completion") || how == QLatin1String("listed")) {
            QCOMPARE(listed.size(), stamps.size() + 1);
            QCOMPARE(w.vecFinishedList.front().VideoFileInfo.QstrTaskKey, Record(9).QstrTaskKey);
            listed.removeFirst();
        }
        QCOMPARE(listed, stamps);
        QCOMPARE(w.pFinishedTable->rowCount(), int(w.vecFinishedList.size()));
        QVERIFY(w.vecFinishedList.front().pBtnDelete); // rows in view are built
    }

    // The program's start reads the unfinished tasks while the window is built and lists them
    // right after the first frame, in their order and paused; a rebuild, or the finished page
    // wanted before then, lists them once.
    void unfinishedAfterFirstFrame_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("first frame") << "frame";
        QTest::newRow("rebuilt before the window shows") << "rebuild";
        QTest::newRow("finished page before the window shows") << "page";
    }
    void unfinishedAfterFirstFrame()
    {
        QFETCH(QString, how);
        QStringList keys;
        for (int n = 1; n <= 5; ++n) {
            const _VIDEO_FILE_INFO_ info = Record(n);
            QCOMPARE(WriteInfoFile(DownloadingDir(), info.QstrTaskKey, DownloadInfoLine(info)), 0);
            keys << info.QstrTaskKey;
        }
        DRUI::s_bUnfinishedAfterFrame = true;
        const auto reset = qScopeGuard([] { DRUI::s_bUnfinishedAfterFrame = false; });
        DRUI w;
        w.Init();
        QCOMPARE(w.pDownloadTable->rowCount(), 0);
        if (how == QLatin1String("rebuild"))
            w.InitWidget();
        else if (how == QLatin1String("page"))
            w.Finished();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(w.pDownloadTable->rowCount(), keys.size());
        QTest::qWait(50);
        QStringList listed;
        for (int r = 0; r < w.pDownloadTable->rowCount(); ++r) {
            QVERIFY(w.engine.At(r)->IsPaused());
            listed << w.engine.At(r)->Key();
        }
        QCOMPARE(listed, keys);
    }

    // A direct write or removal is never overtaken by an older queued rewrite, and what is
    // queued is written by the time the writer goes.
    void infoWriterKeepsOrder_data()
    {
        QTest::addColumn<QString>("last");
        QTest::newRow("queued rewrites only") << "queue";
        QTest::newRow("direct write after rewrites") << "write";
        QTest::newRow("removal after rewrites") << "remove";
    }
    void infoWriterKeepsOrder()
    {
        QFETCH(QString, last);
        const QString folder = m_work->path() + QLatin1Char('/');
        const QString name = QStringLiteral("2026-01-01-00-00-00");
        {
            CInfoWriter writer;
            for (int i = 0; i < 200; ++i)
                writer.Queue(folder, name, QStringLiteral("rewrite %1\n").arg(i));
            if (last == QLatin1String("write")) {
                writer.Settle(folder, name);
                QCOMPARE(WriteInfoFile(folder, name, QStringLiteral("direct\n")), 0);
            } else if (last == QLatin1String("remove")) {
                writer.Settle(folder, name);
                QFile::remove(folder + name);
            }
            writer.Flush();
        }
        const QByteArray expected = last == QLatin1String("queue")   ? QByteArray("rewrite 199\n")
                                    : last == QLatin1String("write") ? QByteArray("direct\n")
                                                                     : QByteArray();
        QCOMPARE(QFile::exists(folder + name), last != QLatin1String("remove"));
        QCOMPARE(ReadAll(folder + name), expected);
        QCOMPARE(QDir(folder).entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // A file rewritten a moment ago waits with its newest content until its interval has
    // passed, or until the writer is flushed or goes.
    void infoWriterHoldsRewrites_data()
    {
        QTest::addColumn<bool>("flush");
        QTest::addColumn<bool>("direct"); // the first write is made beside the writer
        QTest::newRow("flushed") << true << false;
        QTest::newRow("writer gone") << false << false;
        QTest::newRow("written directly, then flushed") << true << true;
    }
    void infoWriterHoldsRewrites()
    {
        QFETCH(bool, flush);
        QFETCH(bool, direct);
        const QString folder = m_work->path() + QLatin1Char('/');
        const QString name = QStringLiteral("2026-01-01-00-00-01");
        auto writer = std::make_unique<CInfoWriter>(std::chrono::hours(1));
        if (direct) {
            QCOMPARE(WriteInfoFile(folder, name, QStringLiteral("first\n")), 0);
            writer->Written(folder, name);
        } else {
            writer->Queue(folder, name, QStringLiteral("first\n"));
        }
        QTRY_COMPARE(ReadAll(folder + name), QByteArray("first\n"));
        writer->Queue(folder, name, QStringLiteral("second\n"));
        writer->Queue(folder, name, QStringLiteral("third\n"));
        QTest::qWait(100);
        QCOMPARE(ReadAll(folder + name), QByteArray("first\n"));
        if (flush)
            writer->Flush();
        else
            writer.reset();
        QCOMPARE(ReadAll(folder + name), QByteArray("third\n"));
    }

    // The engine reads raw bytes in pieces; the judgement of a read equals that of its lines.
    void rawOutputIsJudgedLikeItsLines_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("cut");
        const QByteArray progress = "[download]  40.0% of    5.41MiB at  1.00MiB/s ETA 00:03\r"
                                    "[download]  44.5% of    5.41MiB at  1.00MiB/s ETA 00:03\r";
        QTest::newRow("progress burst") << progress << 30;
        QTest::newRow("other stream interleaved")
            << progress + "[download]  50.0% of  126.47KiB at  1.00MiB/s ETA 00:00\r" << 70;
        QTest::newRow("metadata, then the end")
            << QByteArray("[download] 100% of    5.41MiB in 00:00:01 at 3.10MiB/s\n"
                          "[Metadata] Adding metadata to \"/out/C \xc3\xa9-1.mp4\"\n")
            << 60;
        QTest::newRow("already there")
            << QByteArray("[download] /out/Clip-1.mp4 has already been downloaded\r\n") << 5;
    }
    void rawOutputIsJudgedLikeItsLines()
    {
        QFETCH(QByteArray, output);
        QFETCH(int, cut);
        TaskOutputState byLines, byBytes;
        for (TaskOutputState* s : {&byLines, &byBytes}) {
            s->QstrExt = QStringLiteral("mp4");
            s->QstrSize = QStringLiteral("5.41MB");
            s->QstrFormatId = QStringLiteral("137");
        }
        CLineBuffer lines, raw;
        QList<ProgressReport> fromLines, fromBytes;
        for (const QByteArray& piece : {output.left(cut), output.mid(cut)}) {
            fromLines += JudgeChunk(lines.Append(piece).join(QLatin1Char('\n')), byLines).reports;
            fromBytes += JudgeOutput(raw.AppendRaw(piece), byBytes).reports;
        }
        QCOMPARE(fromBytes, fromLines);
        QCOMPARE(byBytes.QstrPercent, byLines.QstrPercent);
        QCOMPARE(byBytes.QstrFilePath, byLines.QstrFilePath);
        QCOMPARE(byBytes.bHasProgress, byLines.bHasProgress);
        QVERIFY(!fromBytes.isEmpty());
    }

    // The size text of a progress report is the support library's, made another way: every
    // size from bytes to terabytes, exact halves of a hundredth among them, reads the same.
    void progressSizeTextIsTheLibrarysText()
    {
        QList<qint64> sizes{-1, 0, 1023, 1024, 1152, 1153, 1151, 2047, 2048};
        for (int shift : {10, 20, 30, 40})
            for (qint64 m = 1; m < 4000; m += 7)
                sizes << ((qint64(1) << shift) / 128 * m) + (m % 3) - 1;
        QRandomGenerator random(2024);
        for (int i = 0; i < 20000; ++i)
            sizes << qint64(random.generate64() >> random.bounded(12, 63));
        for (qint64 size : sizes)
            QCOMPARE(QString::fromStdString(ProgressSizeText(size)),
                     QString::fromStdString(GetFileSizeString(size)));
    }

private:
    QString m_thumb;
};

QTEST_MAIN(TestSpeed)
#include "moc_framefixture.cpp"
#include "tst_speed.moc"
