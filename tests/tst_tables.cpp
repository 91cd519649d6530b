// The two task tables and the task controls, on a main window over a temporary data folder
// and a temporary output folder. Pages, URLs and the shut-down command are intercepted.

#include "drui.h"
#include "framefixture.h"
#include "helpers.h"
#include "paths.h"
#include "statusline.h"
#include "fixtures/fakebus.h"
#include "tablesfixture.h"
#include "tasktables.h"
#include "testsupport.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QAccessible>
#include <QtTest>
#include <memory>

class TestTables : public QObject, private CTableTestBase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(StartInOwnHome()); }

    void cleanupTestCase() { ReleaseThisMachine(); }

    void init() { QVERIFY(FreshFolders()); }

    void rowsShowRestoredAndNewTasks_data()
    {
        QTest::addColumn<QString>("percent");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<int>("bar");
        QTest::newRow("restored 45.7") << "45.7" << true << 45;
        QTest::newRow("restored 46") << "46" << true << 46;
        QTest::newRow("restored 100") << "100" << true << 100;
        QTest::newRow("restored not a number") << "abc" << true << 0;
        QTest::newRow("restored above 100") << "150" << true << 0;
        QTest::newRow("restored empty") << "" << true << 0;
        QTest::newRow("new 45.7") << "45.7" << false << 0;
    }
    void rowsShowRestoredAndNewTasks()
    {
        QFETCH(QString, percent);
        QFETCH(bool, restored);
        QFETCH(int, bar);
        _VIDEO_FILE_INFO_ info = Record(1);
        info.QstrPercent = percent;
        const QString infoFile = DownloadingDir() + info.QstrTaskKey;
        QByteArray stored;
        if (restored) {
            QCOMPARE(WriteInfoFile(DownloadingDir(), info.QstrTaskKey, DownloadInfoLine(info)), 0);
            stored = ReadAll(infoFile);
        }
        auto w = MakeWindow();
        if (!restored)
            AddTasks(*w, {info}, false);

        QCOMPARE(w->pDownloadTable->rowCount(), 1);
        QCOMPARE(w->pDownloadTable->rowHeight(0), kRowHeight);
        const _VIDEO_DOWNLOAD_INFO_ task = Task(*w, 0);
        QCOMPARE(task.pProgressBar->value(), bar);
        QCOMPARE(task.bPaused, restored);
        QCOMPARE(task.bHasProgress, restored);
        QVERIFY(!task.bRunning);
        QVERIFY(task.pStatusLabel->text().isEmpty());
        QVERIFY(SamePicture(task.pBtnPause->icon(), restored ? kPlayPicture : kPausePicture));
        const QString tip = Tr(restored ? "MainWnd/TipResume" : "MainWnd/TipPause");
        QVERIFY(!tip.isEmpty());
        QCOMPARE(task.pBtnPause->toolTip(), tip);
        QCOMPARE(task.pBtnPause->accessibleName(), tip);
        QCOMPARE(task.pBtnOpen->toolTip(), Tr("MainWnd/TipOpenFolder"));
        QCOMPARE(task.pBtnDelete->accessibleName(), Tr("MainWnd/TipDelete"));
        QVERIFY(task.pProcess && w->findChildren<QProcess*>().contains(
                                      const_cast<QProcess*>(task.pProcess)));
        QVERIFY(QFile::exists(infoFile));
        if (restored)
            QCOMPARE(ReadAll(infoFile), stored); // a restored row is not written back
        else
            QCOMPARE(ReadAll(infoFile), DownloadInfoLine(info).toUtf8());
    }

    // The row types travel as item data, registered by name with the record.
    void metaTypes_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("record") << QByteArray("VIDEO_FILE_INFO");
        QTest::newRow("downloading row") << QByteArray("VIDEO_DOWNLOAD_INFO");
        QTest::newRow("finished row") << QByteArray("VIDEO_FINISHED_INFO");
    }
    void metaTypes()
    {
        QFETCH(QByteArray, name);
        RegisterTaskRowTypes();
        RegisterTaskRowTypes();
        const QMetaType type = QMetaType::fromName(name);
        QVERIFY(type.isValid());
        QVariant value(type); // default-constructed through the registered type
        QVERIFY(value.isValid());
        QCOMPARE(value.metaType(), type);
    }

    void variantCopies()
    {
        _VIDEO_DOWNLOAD_INFO_ row;
        row.bPaused = true;
        row.VideoFileInfo = Record(1);
        const QVariant data = QVariant::fromValue(row);
        const auto back = qvariant_cast<VIDEO_DOWNLOAD_INFO>(data);
        QVERIFY(back.bPaused && !back.bRunning);
        QCOMPARE(back.VideoFileInfo.QstrTaskKey, row.VideoFileInfo.QstrTaskKey);

        // Another type gives an empty record with cleared flags and pointers.
        const auto other = qvariant_cast<VIDEO_DOWNLOAD_INFO>(QVariant(QStringLiteral("x")));
        QVERIFY(other.VideoFileInfo.QstrUrl.isEmpty() && other.VideoFileInfo.QstrTaskKey.isEmpty());
        QVERIFY(!other.bPaused && !other.bHasProgress && other.pProcess == nullptr);
    }

    void entriesFollowRows_data()
    {
        QTest::addColumn<QList<int>>("removed");
        QTest::newRow("none") << QList<int>{};
        QTest::newRow("first") << QList<int>{1};
        QTest::newRow("middle") << QList<int>{3};
        QTest::newRow("last") << QList<int>{5};
        QTest::newRow("two") << QList<int>{4, 2};
        QTest::newRow("all") << QList<int>{1, 2, 3, 4, 5};
    }
    void entriesFollowRows()
    {
        QFETCH(QList<int>, removed);
        auto w = MakeWindow();
        AddTasks(*w, {}, false);
        QVERIFY(!w->pDownloadCleanButton->isEnabled());
        AddTasks(*w, {Record(1), Record(2)}, false);
        AddTasks(*w, {Record(3)}, true);
        AddTasks(*w, {Record(4), Record(5)}, false);
        for (int n : removed) { // same video and format as the others: found by its key
            _VIDEO_FILE_INFO_ info = Record(n);
            w->RemoveDownloadTableItem(&info);
        }
        AddTasks(*w, {Record(6)}, false);

        QStringList expected;
        for (int n = 1; n <= 6; ++n) {
            if (!removed.contains(n))
                expected << Record(n).QstrTitle;
        }
        QTableWidget* table = w->pDownloadTable;
        QCOMPARE(table->rowCount(), int(expected.size()));
        QCOMPARE(TaskCount(*w), int(expected.size()));
        for (int i = 0; i < table->rowCount(); ++i) {
            const _VIDEO_DOWNLOAD_INFO_ task = Task(*w, i);
            QCOMPARE(task.VideoFileInfo.QstrTitle, expected.at(i));
            QVERIFY(table->cellWidget(i, 0)->isAncestorOf(task.pProgressBar));
            QVERIFY(table->cellWidget(i, 0)->isAncestorOf(task.pBtnDelete));
            QCOMPARE(w->GetTableItemDownloadInfo(table->item(i, 0)), w->engine.At(i));
        }
        // The accessibility tree: the rows in view in order, each named by its title and
        // holding its buttons.
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(table);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), Tr("MainWnd/DownloadingTable"));
        QTRY_COMPARE(list->childCount(), int(expected.size()));
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface* row = list->child(i);
            QCOMPARE(row->text(QAccessible::Name), expected.at(i));
            QCOMPARE(row->parent(), list);
            QCOMPARE(list->indexOfChild(row), i);
            QStringList buttons;
            for (int k = 0; k < row->childCount(); ++k) {
                if (row->child(k)->role() == QAccessible::Button)
                    buttons << row->child(k)->text(QAccessible::Name);
            }
            QCOMPARE(buttons, QStringList({Task(*w, i).pBtnPause->accessibleName(),
                                           Tr("MainWnd/TipOpenFolder"), Tr("MainWnd/TipDelete")}));
        }
        for (int n : removed)
            QVERIFY(!QFile::exists(DownloadingDir() + Record(n).QstrTaskKey));
        QVERIFY(!w->GetTableItemDownloadInfo(nullptr));
        QTableWidgetItem bare;
        QVERIFY(!w->GetTableItemDownloadInfo(&bare));
        QCOMPARE(w->pDownloadCleanButton->isEnabled(), !expected.isEmpty());
    }

    void selectionColours_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QList<int>>("modifiers");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("moveBefore"); // a row moves before this click (-1: none)
        const int ctrl = int(Qt::ControlModifier);
        const int shift = int(Qt::ShiftModifier);
        for (bool finished : {false, true}) {
            const char* t = finished ? "finished: " : "downloading: ";
            auto row = [&](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(QString::fromLatin1(t) + QLatin1String(name)))
                       << finished;
            };
            row("one click") << QList<int>{1} << QList<int>{0} << QList<int>{1} << -1;
            row("ctrl adds") << QList<int>{1, 3} << QList<int>{0, ctrl} << QList<int>{1, 3} << -1;
            row("plain click resets")
                << QList<int>{1, 3, 2} << QList<int>{0, ctrl, 0} << QList<int>{2} << -1;
            row("shift range") << QList<int>{0, 2} << QList<int>{0, shift} << QList<int>{0, 1, 2}
                               << -1;
            row("ctrl takes one back")
                << QList<int>{1, 3, 3} << QList<int>{0, ctrl, ctrl} << QList<int>{1} << -1;
            // A completion inserted at the top of the finished table, a downloading row
            // removed above: the selected rows move, and the next click still resets them.
            const int last = finished ? 3 : 1;
            row("rows moved under the selection")
                << QList<int>{1, 3, last} << QList<int>{0, ctrl, 0} << QList<int>{last} << 2;
        }
    }
    void selectionColours()
    {
        QFETCH(bool, finished);
        QFETCH(QList<int>, clicks);
        QFETCH(QList<int>, modifiers);
        QFETCH(QList<int>, selected);
        QFETCH(int, moveBefore);
        auto w = MakeWindow();
        std::vector<_VIDEO_FILE_INFO_> list{Record(1), Record(2), Record(3), Record(4)};
        if (finished) {
            w->RefreshFinishedTable(list, false);
            AddTasks(*w, {Record(5)}, false);
            w->Finished();
        } else {
            AddTasks(*w, list, false);
        }
        QTableWidget* table = finished ? w->pFinishedTable : w->pDownloadTable;
        QVERIFY(table->isVisible());
        for (int i = 0; i < clicks.size(); ++i) {
            if (i == moveBefore && finished) {
                Complete(*w, 0);
            } else if (i == moveBefore) {
                _VIDEO_FILE_INFO_ first = Record(1);
                w->RemoveDownloadTableItem(&first);
            }
            const QRect rect = table->visualRect(table->model()->index(clicks[i], 0));
            QTest::mouseClick(table->viewport(), Qt::LeftButton,
                              Qt::KeyboardModifiers(modifiers[i]), rect.center());
        }
        std::vector<int> recorded = finished ? w->vecFinishedSelected : w->vecDownloadSelected;
        std::sort(recorded.begin(), recorded.end());
        QCOMPARE(QList<int>(recorded.begin(), recorded.end()), selected);
        for (int r = 0; r < table->rowCount(); ++r) {
            const QString style = selected.contains(r) ? kRowSelectedStyle : kRowStyle;
            QCOMPARE(table->cellWidget(r, 0)->styleSheet(), style);
            // The row paints its style's colour itself, edge to edge.
            const QImage painted = table->cellWidget(r, 0)->grab().toImage();
            const QColor colour = selected.contains(r) ? QColor(0x28, 0x2a, 0x30) : QColor(64, 67, 80);
            QCOMPARE(painted.pixelColor(0, 0), colour);
            QCOMPARE(painted.pixelColor(painted.width() - 1, painted.height() - 1), colour);
        }
    }

    void deleteDownload_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("cancel") << "Clip" << false << true;
        QTest::newRow("ok, files kept") << "Clip" << true << false;
        QTest::newRow("ok, files deleted") << "Clip" << true << true;
        QTest::newRow("sub-folder, files kept") << "Show/Episode 1" << true << false;
        QTest::newRow("sub-folder, files deleted") << "Show/Episode 1" << true << true;
        QTest::newRow("nested sub-folders") << "Show/Season 1/Episode 1" << true << true;
        QTest::newRow("title climbing out") << "../Escape" << true << true;
    }
    void deleteDownload()
    {
        QFETCH(QString, title);
        QFETCH(bool, ok);
        QFETCH(bool, ticked);
        auto w = MakeWindow();
        AddTasks(*w, {Record(1, title), Record(2)}, false);
        const _VIDEO_FILE_INFO_ info = Record(1, title);
        const QStringList files = MakeTaskFiles(info);
        const QStringList others = MakeTaskFiles(Record(2));
        // Decoys: the same key outside the output folder, and a file of the user's.
        const QString outside =
            m_work->path() + QStringLiteral("/Escape-") + info.QstrTaskKey + QStringLiteral(".mp4");
        const QString users = m_outputDir + QStringLiteral("holiday.mp4");
        WriteFile(outside, "keep");
        WriteFile(users, "keep");
        const QString taskFolder = DownloadOutputFolder(info);

        SeenDialog seen;
        AnswerDialog(ok, ticked, &seen);
        Task(*w, 0).pBtnDelete->click();
        CheckDeleteDialog(seen);

        const bool deleted = ok && ticked;
        QCOMPARE(w->pDownloadTable->rowCount(), ok ? 1 : 2);
        QCOMPARE(TaskCount(*w), ok ? 1 : 2);
        QCOMPARE(Task(*w, 0).VideoFileInfo.QstrTaskKey, (ok ? Record(2) : info).QstrTaskKey);
        QCOMPARE(QFile::exists(DownloadingDir() + info.QstrTaskKey), !ok);
        QVERIFY(QFile::exists(DownloadingDir() + Record(2).QstrTaskKey));
        for (const QString& f : files)
            QCOMPARE(QFile::exists(f), !deleted);
        for (const QString& f : others + QStringList{outside, users})
            QVERIFY2(QFile::exists(f), qPrintable(f));
        if (QDir::cleanPath(taskFolder) != QDir::cleanPath(m_outputDir))
            QCOMPARE(QDir(taskFolder).exists(), !deleted);
        QVERIFY(QDir(m_outputDir).exists());
    }

    void deleteFinished_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("where"); // of the video file: "task", "outside", "climbing"
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("videoGone");
        QTest::newRow("cancel") << "Clip"
                                << "task" << false << true << false;
        QTest::newRow("ok, file kept") << "Clip"
                                       << "task" << true << false << false;
        QTest::newRow("ok, file deleted") << "Clip"
                                          << "task" << true << true << true;
        QTest::newRow("sub-folder") << "Show/Ep"
                                    << "task" << true << true << true;
        QTest::newRow("sub-folder, file kept") << "Show/Ep"
                                               << "task" << true << false << false;
        QTest::newRow("title climbing out") << "../Escape"
                                            << "task" << true << true << true;
        QTest::newRow("file outside the output folder") << "Clip"
                                                        << "outside" << true << true << false;
        QTest::newRow("file path climbing out") << "Clip"
                                                << "climbing" << true << true << false;
    }
    void deleteFinished()
    {
        QFETCH(QString, title);
        QFETCH(QString, where);
        QFETCH(bool, ok);
        QFETCH(bool, ticked);
        QFETCH(bool, videoGone);
        _VIDEO_FILE_INFO_ info = Record(1, title);
        info.QstrFilePath = where == QLatin1String("task") ? DownloadOutputFile(info)
                            : where == QLatin1String("outside")
                                ? m_work->path() + QStringLiteral("/elsewhere.mp4")
                                : m_outputDir + QStringLiteral("../climbed.mp4");
        WriteFile(info.QstrFilePath, "video");
        const QString users = m_outputDir + QStringLiteral("holiday.mp4");
        WriteFile(users, "keep");
        WriteFinishedInfo(info, QStringLiteral("2026-03-02-08-00-00"));
        _VIDEO_FILE_INFO_ older = Record(2);
        WriteFinishedInfo(older, QStringLiteral("2026-03-01-08-00-00"));
        const QString folder = DownloadOutputFolder(info);

        auto w = MakeWindow();
        QCOMPARE(w->pFinishedTable->rowCount(), 2);
        SeenDialog seen;
        AnswerDialog(ok, ticked, &seen);
        w->vecFinishedList.at(0).pBtnDelete->click();
        CheckDeleteDialog(seen);

        QCOMPARE(w->pFinishedTable->rowCount(), ok ? 1 : 2);
        QCOMPARE(int(w->vecFinishedList.size()), ok ? 1 : 2);
        QCOMPARE(w->vecFinishedList.at(0).VideoFileInfo.QstrFinishTime,
                 (ok ? older : info).QstrFinishTime);
        QCOMPARE(QFile::exists(FinishedDir() + info.QstrFinishTime), !ok);
        QVERIFY(QFile::exists(FinishedDir() + older.QstrFinishTime));
        QCOMPARE(QFile::exists(info.QstrFilePath), !videoGone);
        if (QDir::cleanPath(folder) != QDir::cleanPath(m_outputDir))
            QCOMPARE(QDir(folder).exists(), !videoGone);
        QVERIFY(QFile::exists(users));
        QVERIFY(w->pFinishedCleanButton->isEnabled());
    }

    void cleanDeletesAll_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("ticked");
        for (bool finished : {false, true}) {
            const QString t = QLatin1String(finished ? "finished: " : "downloading: ");
            QTest::newRow(qPrintable(t + "cancel")) << finished << false << true;
            QTest::newRow(qPrintable(t + "ok, files kept")) << finished << true << false;
            QTest::newRow(qPrintable(t + "ok, files deleted")) << finished << true << true;
        }
    }
    void cleanDeletesAll()
    {
        QFETCH(bool, finished);
        QFETCH(bool, ok);
        QFETCH(bool, ticked);
        std::vector<_VIDEO_FILE_INFO_> list{Record(1), Record(2, QStringLiteral("Show/Ep")),
                                            Record(3)};
        QStringList files;
        for (_VIDEO_FILE_INFO_& info : list) {
            if (!finished) {
                files << MakeTaskFiles(info);
                continue;
            }
            info.QstrFilePath = DownloadOutputFile(info);
            WriteFile(info.QstrFilePath, "video");
            files << info.QstrFilePath;
            WriteFinishedInfo(info, info.QstrTaskKey);
        }
        const QString users = m_outputDir + QStringLiteral("holiday.mp4");
        WriteFile(users, "keep");
        auto w = MakeWindow();
        if (!finished)
            AddTasks(*w, list, false);
        QTableWidget* table = finished ? w->pFinishedTable : w->pDownloadTable;
        QPushButton* clean = finished ? w->pFinishedCleanButton : w->pDownloadCleanButton;
        QCOMPARE(table->rowCount(), 3);

        SeenDialog seen;
        AnswerDialog(ok, ticked, &seen);
        clean->click();
        CheckDeleteDialog(seen);

        QCOMPARE(table->rowCount(), ok ? 0 : 3);
        QCOMPARE(finished ? int(w->vecFinishedList.size()) : TaskCount(*w), ok ? 0 : 3);
        QCOMPARE(FilesIn(finished ? FinishedDir() : DownloadingDir()).size(), ok ? 0 : 3);
        for (const QString& f : files)
            QCOMPARE(QFile::exists(f), !(ok && ticked));
        QCOMPARE(QDir(m_outputDir + QStringLiteral("Show")).exists(), !(ok && ticked));
        QVERIFY(QFile::exists(users));
        // Deleting finished rows leaves the finished page's Clean button as it was.
        QCOMPARE(clean->isEnabled(), finished || !ok);
    }

    // A task's process object and what the engine keeps of it go with the task, however it
    // goes.
    void tasksTakeTheirProcessesAlong_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("deleted one by one") << "delete";
        QTest::newRow("Clean") << "clean";
        QTest::newRow("completed") << "complete";
    }
    void tasksTakeTheirProcessesAlong()
    {
        QFETCH(QString, how);
        constexpr int kTasks = 200;
        auto w = MakeWindow();
        const qsizetype processes = w->findChildren<QProcess*>().size();
        const qsizetype entries = w->engine.findChildren<CDownloadTask*>().size();
        // Without an extractor each run fails at once, through the engine's tables all the same.
        w->engine.SetFolders(m_work->path(), w->QstrDownloadingDir);
        std::vector<_VIDEO_FILE_INFO_> list;
        for (int n = 0; n < kTasks; ++n)
            list.push_back(Record(n));
        AddTasks(*w, list, false);
        QSignalSpy ended(&w->engine, &CDownloadEngine::RunEnded);
        for (const _VIDEO_FILE_INFO_& info : list)
            QVERIFY(w->engine.Start(info.QstrTaskKey));
        QTRY_COMPARE(ended.count(), kTasks);
        QCOMPARE(w->findChildren<QProcess*>().size(), processes + kTasks);
        QVERIFY(w->engine.findChildren<CDownloadTask*>().size() > entries);

        SeenDialog seen;
        if (how == QLatin1String("clean")) {
            AnswerDialog(true, false, &seen);
            w->pDownloadCleanButton->click();
        }
        for (int left = TaskCount(*w); left > 0; left = TaskCount(*w)) {
            if (how == QLatin1String("delete")) {
                AnswerDialog(true, false, &seen);
                Task(*w, 0).pBtnDelete->click();
            } else {
                Complete(*w, 0);
            }
            QCOMPARE(TaskCount(*w), left - 1);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(w->findChildren<QProcess*>().size(), processes);
        QCOMPARE(w->engine.findChildren<CDownloadTask*>().size(), entries);
    }

    // The task whose delete confirmation is open completes: it leaves as a completed task,
    // and OK deletes nothing else, also when a row has been built meanwhile (its buttons may
    // even lie where the clicked one was: the allocator may hand the freed address out again).
    void completedWhileDeleteIsConfirmed()
    {
        auto w = MakeWindow();
        AddTasks(*w, {Record(1)}, false);
        QPushButton* clicked = Task(*w, 0).pBtnDelete;
        const QStringList files = MakeTaskFiles(Record(2)) << DownloadOutputFile(Record(1));
        SeenDialog seen;
        QTimer::singleShot(0, w.get(), [&] {
            const QPointer<QPushButton> gone(clicked);
            Complete(*w, 0);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!gone);
            AddTasks(*w, {Record(2)}, false);
            AnswerDialog(true, true, &seen);
        });
        clicked->click();
        CheckDeleteDialog(seen);

        QCOMPARE(w->pFinishedTable->rowCount(), 1);
        QCOMPARE(TaskCount(*w), 1);
        QCOMPARE(w->pDownloadTable->rowCount(), 1);
        QVERIFY(QFile::exists(DownloadingDir() + Record(2).QstrTaskKey));
        for (const QString& f : files)
            QVERIFY2(QFile::exists(f), qPrintable(f));
    }

    void completion_data()
    {
        QTest::addColumn<QString>("percent");
        QTest::addColumn<bool>("fileKnown");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("completes");
        QTest::newRow("complete") << "100" << true << 100 << false << true;
        QTest::newRow("file not named yet") << "100" << false << 100 << false << false;
        QTest::newRow("percent not 100") << "99.5" << true << 100 << false << false;
        // A report moves the bar only; the run's end decides.
        QTest::newRow("report below 100") << "100" << true << 99 << true << false;
        // "Adding metadata" reports 100 while the run still writes the file.
        QTest::newRow("run still going") << "100" << true << 100 << true << false;
    }
    void completion()
    {
        QFETCH(QString, percent);
        QFETCH(bool, fileKnown);
        QFETCH(int, value);
        QFETCH(bool, running);
        QFETCH(bool, completes);
        _VIDEO_FILE_INFO_ older = Record(9);
        WriteFinishedInfo(older, QStringLiteral("2020-01-01-00-00-00"));
        auto w = MakeWindow();
        _VIDEO_FILE_INFO_ info = Record(1);
        info.QstrThumbPath = m_work->path() + QStringLiteral("/thumb.jpg");
        AddTasks(*w, {info}, false);
        const QString file = DownloadOutputFile(info);
        SetRunState(*w, 0, percent, fileKnown ? file : QString());
        ProgressReport report;
        report.eKind = value == 100 ? ReportKind::AddingMetadata : ReportKind::Bar;
        report.nProValue = value;
        Q_EMIT w->engine.At(0)->Progress(report);
        if (!running)
            w->CompleteEndedTasks(); // the run's end

        QCOMPARE(w->pDownloadTable->rowCount(), completes ? 0 : 1);
        QCOMPARE(QFile::exists(DownloadingDir() + info.QstrTaskKey), !completes);
        QCOMPARE(w->pFinishedTable->rowCount(), completes ? 2 : 1);
        if (!completes) {
            QCOMPARE(Task(*w, 0).pProgressBar->value(), value);
            return;
        }
        const _VIDEO_FILE_INFO_ done = w->vecFinishedList.at(0).VideoFileInfo;
        QCOMPARE(done.QstrTaskKey, info.QstrTaskKey);
        QCOMPARE(w->vecFinishedList.at(1).VideoFileInfo.QstrFinishTime, older.QstrFinishTime);
        // Its row waits for the finished page, which builds it once shown.
        QVERIFY(!w->pFinishedTable->cellWidget(0, 0));
        w->Finished();
        QTRY_VERIFY(w->pFinishedTable->cellWidget(0, 0));
        QVERIFY(w->pFinishedTable->cellWidget(0, 0)->isAncestorOf(w->vecFinishedList[0].pBtnOpen));
        QVERIFY(!done.QstrFinishTime.isEmpty());
        const QByteArray line = ReadAll(FinishedDir() + done.QstrFinishTime);
        const QStringList fields{
            done.QstrFinishTime, info.QstrSize,      info.QstrDuration,  info.QstrExt,
            info.QstrTitle,      info.QstrThumbPath, info.QstrOutputDir, file};
        QCOMPARE(QString::fromUtf8(line).split(kInfoSeparator), fields);
        QVERIFY(!line.endsWith('\n'));
    }

    void completionsInOneSecondKeepTheirFiles()
    {
        auto w = MakeWindow();
        // A finished file already holds the current second.
        const QString taken = CurrentTimeStamp();
        WriteFile(FinishedDir() + taken, "someone else's");
        AddTasks(*w, {Record(1), Record(2)}, false);
        Complete(*w, 0);
        Complete(*w, 0);

        QCOMPARE(w->pFinishedTable->rowCount(), 2);
        QCOMPARE(ReadAll(FinishedDir() + taken), QByteArray("someone else's"));
        QCOMPARE(FilesIn(FinishedDir()).size(), 3);
        QStringList stamps;
        for (const _VIDEO_FINISHED_INFO_& entry : w->vecFinishedList) {
            const _VIDEO_FILE_INFO_& done = entry.VideoFileInfo;
            stamps << done.QstrFinishTime;
            const QStringList fields =
                QString::fromUtf8(ReadAll(FinishedDir() + done.QstrFinishTime))
                    .split(kInfoSeparator);
            QCOMPARE(fields.size(), 8);
            QCOMPARE(fields.at(0), done.QstrFinishTime);
            QCOMPARE(fields.at(4), done.QstrTitle);
        }
        QCOMPARE(w->vecFinishedList.at(0).VideoFileInfo.QstrTitle, Record(2).QstrTitle);
        QVERIFY(stamps.at(0) != stamps.at(1));
    }

    // Completions and the shut-down command: a completion is counted once, and the command
    // is issued once, when the last task has completed with the box on.
    void completionAndShutdown_data()
    {
        QTest::addColumn<int>("tasks");
        QTest::addColumn<int>("completed");
        QTest::addColumn<bool>("boxOn");
        QTest::addColumn<QString>("twist");
        QTest::addColumn<int>("finishedRows");
        QTest::addColumn<int>("calls");
        QTest::newRow("last task, box on") << 1 << 1 << true << "" << 1 << 1;
        QTest::newRow("a task left, box on") << 2 << 1 << true << "" << 1 << 0;
        QTest::newRow("both tasks, box on") << 2 << 2 << true << "" << 2 << 1;
        QTest::newRow("last task, box off") << 1 << 1 << false << "" << 1 << 0;
        QTest::newRow("the same report twice") << 1 << 1 << true << "repeat" << 1 << 1;
        QTest::newRow("file already listed") << 1 << 1 << true << "listed" << 1 << 1;
    }
    void completionAndShutdown()
    {
        QFETCH(int, tasks);
        QFETCH(int, completed);
        QFETCH(bool, boxOn);
        QFETCH(QString, twist);
        QFETCH(int, finishedRows);
        QFETCH(int, calls);
        if (twist == QLatin1String("listed")) {
            _VIDEO_FILE_INFO_ listed = Record(1, QStringLiteral("Another title")); // not compared
            listed.QstrFilePath = DownloadOutputFile(Record(1));
            WriteFinishedInfo(listed, QStringLiteral("2020-01-01-00-00-00"));
        }
        auto w = MakeWindow();
        w->pShutdownCheckBox->setChecked(boxOn);
        std::vector<_VIDEO_FILE_INFO_> list;
        for (int n = 1; n <= tasks; ++n)
            list.push_back(Record(n));
        AddTasks(*w, list, false);
        const QPointer<CDownloadTask> first = w->engine.At(0);
        for (int i = 0; i < completed; ++i)
            Complete(*w, 0);
        if (twist == QLatin1String("repeat") && first) {
            Q_EMIT first->Completed();
            QCoreApplication::processEvents();
            w->CompleteEndedTasks();
        }
        QCOMPARE(w->pDownloadTable->rowCount(), tasks - completed);
        QCOMPARE(w->pFinishedTable->rowCount(), finishedRows);
        QCOMPARE(FilesIn(FinishedDir()).size(), finishedRows);
        QCOMPARE(m_nShutdowns, calls);
    }

    void openFolder_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<QString>("way");  // "button" or "double-click"
        QTest::addColumn<QString>("file"); // "none", "there" (a finished file), "gone"
        QTest::addColumn<QString>("bus");  // "none", "shows" (ShowItems works), "fails"
        QTest::addColumn<QString>("opened"); // "folder", "file" or "" (shown by the bus)
        QTest::newRow("downloading") << false << true << "button" << "none" << "none" << "folder";
        QTest::newRow("downloading, folder missing") << false << false << "button" << "none" << "none" << "folder";
        QTest::newRow("finished") << true << true << "button" << "none" << "none" << "folder";
        QTest::newRow("finished, folder missing") << true << false << "button" << "none" << "none" << "folder";
        QTest::newRow("finished, file selected") << true << true << "button" << "there" << "shows" << "";
        QTest::newRow("finished, no ShowItems") << true << true << "button" << "there" << "fails" << "folder";
        QTest::newRow("finished, file gone") << true << true << "button" << "gone" << "shows" << "folder";
        QTest::newRow("double-click plays") << true << true << "double-click" << "there" << "none" << "file";
        QTest::newRow("double-click, file gone") << true << true << "double-click" << "gone" << "none" << "folder";
    }
    void openFolder()
    {
        QFETCH(bool, finished);
        QFETCH(bool, folderExists);
        QFETCH(QString, way);
        QFETCH(QString, file);
        QFETCH(QString, bus);
        QFETCH(QString, opened);
        _VIDEO_FILE_INFO_ info = Record(1);
        info.QstrOutputDir = m_work->path() + QStringLiteral("/videos/mine/");
        if (folderExists)
            QVERIFY(QDir().mkpath(info.QstrOutputDir));
        if (file != QLatin1String("none"))
            info.QstrFilePath = DownloadOutputFile(info);
        if (file == QLatin1String("there"))
            WriteFile(info.QstrFilePath, "video");
        if (finished)
            WriteFinishedInfo(info, QStringLiteral("2026-03-02-08-00-00"));
        fixture::CFakeBus fakeBus;
        fakeBus.onCall = [&](int i) {
            if (bus == QLatin1String("shows"))
                fakeBus.Answer(i, {});
            else
                fakeBus.Fail(i);
        };
        DRUI::s_pDesktopBus = bus == QLatin1String("none") ? nullptr : &fakeBus;
        auto w = MakeWindow();
        DRUI::s_pDesktopBus = nullptr;
        if (!finished)
            AddTasks(*w, {info}, true);
        if (way == QLatin1String("button")) {
            QPushButton* button = finished ? w->vecFinishedList.at(0).pBtnOpen : Task(*w, 0).pBtnOpen;
            button->click();
        } else {
            // On the row's title, as a user double-clicks it.
            QWidget* rowWidget = w->pFinishedTable->cellWidget(0, 0);
            QWidget* title = rowWidget->childAt(rowWidget->rect().center());
            QTest::mouseClick(title ? title : rowWidget, Qt::LeftButton);
            QTest::mouseDClick(title ? title : rowWidget, Qt::LeftButton);
        }
        const QList<QUrl> urls{QUrl::fromLocalFile(opened == QLatin1String("file") ? info.QstrFilePath
                                                                                   : info.QstrOutputDir)};
        QCOMPARE(m_recorder.urls, opened.isEmpty() ? QList<QUrl>() : urls);
        QCOMPARE(int(fakeBus.calls.size()), file == QLatin1String("there") && bus != QLatin1String("none") ? 1 : 0);
        if (!fakeBus.calls.empty())
            QCOMPARE(fakeBus.calls[0].message.arguments().at(0).toStringList(),
                     QStringList{QUrl::fromLocalFile(info.QstrFilePath).toString(QUrl::FullyEncoded)});
        QVERIFY(QDir(info.QstrOutputDir).exists());
    }

    void thumbnails_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QString>("thumb"); // "none", "missing", "corrupt", "jpeg"
        for (bool finished : {false, true}) {
            for (const char* thumb : {"none", "missing", "corrupt", "jpeg"}) {
                QTest::newRow(qPrintable(
                    QStringLiteral("%1, %2").arg(finished ? "finished" : "downloading", thumb)))
                    << finished << QString::fromLatin1(thumb);
            }
        }
    }
    void thumbnails()
    {
        QFETCH(bool, finished);
        QFETCH(QString, thumb);
        _VIDEO_FILE_INFO_ info = Record(1);
        if (thumb != QLatin1String("none"))
            info.QstrThumbPath = m_work->path() + QStringLiteral("/thumb.jpg");
        if (thumb == QLatin1String("corrupt"))
            WriteFile(info.QstrThumbPath, "not a picture");
        QImage big(1280, 720, QImage::Format_RGB32);
        big.fill(QColor(200, 30, 40));
        if (thumb == QLatin1String("jpeg"))
            QVERIFY(big.save(info.QstrThumbPath, "JPG"));
        auto w = MakeWindow();
        std::vector<_VIDEO_FILE_INFO_> list{info};
        if (finished)
            w->RefreshFinishedTable(list, false);
        else
            AddTasks(*w, list, true);
        QTableWidget* table = finished ? w->pFinishedTable : w->pDownloadTable;
        QLabel* label = ThumbLabel(table->cellWidget(0, 0));
        QVERIFY(label);
        const QPixmap shown = label->pixmap();
        if (thumb == QLatin1String("jpeg")) {
            QCOMPARE(shown.size(), kThumbSize); // decoded small, not at 1280 x 720
            QCOMPARE(shown.toImage().pixelColor(40, 30).red() > 150, true);
        } else if (finished) {
            const QImage fallback =
                LoadThumbnail(QString::fromLatin1(kDefaultVideoPicture)).toImage();
            QVERIFY(!fallback.isNull());
            QCOMPARE(shown.toImage(), fallback);
        } else {
            QVERIFY(shown.isNull());
        }
    }

    // The real extractor against the loopback site: a run paused half-way has ended when the
    // click returns and shows the play picture and its size part only; a resumed run shows the
    // pause picture and completes into the finished table.
    void pauseStopsARunningDownload()
    {
        const QString media = fixture::MakeMedia();
        QVERIFY(!media.isEmpty());
        fixture::CMediaServer server;
        QVERIFY(server.Start(media, 150 * 1024));
        const fixture::ClipFormat format = fixture::ClipFormats().at(2);
        _VIDEO_FILE_INFO_ info = Record(1, QStringLiteral("Show/Fixture Clip"));
        info.QstrUrl = server.PageUrl();
        info.QstrFormatId = format.id;
        info.QstrExt = format.ext;
        info.QstrSize =
            fixture::RecordSizeText(QFileInfo(media + QLatin1Char('/') + format.file).size());

        auto w = MakeWindow();
        w->pShutdownCheckBox->setChecked(true);
        AddTasks(*w, {info}, false);
        _VIDEO_DOWNLOAD_INFO_ task = Task(*w, 0);
        const QPointer<const QProcess> process(task.pProcess);
        w->DoStartDownload(&task);
        QTRY_VERIFY_WITH_TIMEOUT(task.pProgressBar->value() > 0, 60000);
        QVERIFY(task.pStatusLabel->text().contains(QStringLiteral("Completed: ")));

        task.pBtnPause->click(); // pause
        QVERIFY(!Task(*w, 0).bRunning);
        QVERIFY(Task(*w, 0).bPaused);
        QCOMPARE(task.pProcess->state(), QProcess::NotRunning);
        QVERIFY(SamePicture(task.pBtnPause->icon(), kPlayPicture));
        QCOMPARE(task.pBtnPause->toolTip(), Tr("MainWnd/TipResume"));
        // The info file holds the percentage the run reached.
        const auto stored = LoadDownloadInfos(DownloadingDir());
        QCOMPARE(int(stored.size()), 1);
        QCOMPARE(stored.at(0).QstrPercent, Task(*w, 0).VideoFileInfo.QstrPercent);
        QVERIFY(!stored.at(0).QstrPercent.isEmpty());
        QTRY_VERIFY(!task.pStatusLabel->text().contains(QStringLiteral("Completed: ")));
        const QString sizePart = task.pStatusLabel->text();
        QVERIFY(sizePart.endsWith(QLatin1String("/") + info.QstrSize));
        // A later line moves the bar, and the size part follows the same line.
        ProgressReport later;
        later.eKind = ReportKind::Progress;
        later.nProValue = 50;
        later.nDoneBytes = 500 * 1024;
        later.QstrTotal = info.QstrSize;
        later.QstrPercent = QStringLiteral("50.0");
        later.QstrEta = QStringLiteral("00:01");
        later.QstrSpeed = QStringLiteral("1.00MiB/s");
        QCOMPARE(StatusLineText(later), QStringLiteral("500.00 KB/") + info.QstrSize +
                                            QStringLiteral("      Completed: 50.0%      00:01      1.00MiB/s"));
        Q_EMIT w->engine.At(0)->Progress(later);
        QCOMPARE(task.pProgressBar->value(), 50);
        QCOMPARE(task.pStatusLabel->text(), QStringLiteral("500.00 KB/") + info.QstrSize);
        QCOMPARE(w->pFinishedTable->rowCount(), 0);

        QVERIFY(server.SetRate(0));
        task.pBtnPause->click(); // resume
        QVERIFY(!Task(*w, 0).bPaused);
        QVERIFY(SamePicture(task.pBtnPause->icon(), kPausePicture));
        QCOMPARE(task.pBtnPause->accessibleName(), Tr("MainWnd/TipPause"));
        QTRY_COMPARE_WITH_TIMEOUT(w->pFinishedTable->rowCount(), 1, 120000);
        QCOMPARE(w->pDownloadTable->rowCount(), 0);
        QTRY_VERIFY(!process); // freed with its task
        const _VIDEO_FILE_INFO_ done = w->vecFinishedList.at(0).VideoFileInfo;
        QCOMPARE(done.QstrFilePath, DownloadOutputFile(info));
        QVERIFY(QFile::exists(done.QstrFilePath));
        QVERIFY(QFile::exists(FinishedDir() + done.QstrFinishTime));
        QVERIFY(!QFile::exists(DownloadingDir() + info.QstrTaskKey));
        QCOMPARE(m_nShutdowns, 1);
    }
};

QTEST_MAIN(TestTables)
#include "moc_framefixture.cpp"
#include "tst_tables.moc"
