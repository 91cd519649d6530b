// How often downloading rows show their tasks' reports: the decision on a clock of the test's,
// and the rows of a main window over a temporary data folder whose tasks run a stand-in
// extractor that only waits, so that the test alone says what they report and when.

#include "drui.h"
#include "framefixture.h"
#include "paths.h"
#include "rowthrottle.h"
#include "statusline.h"
#include "tablesfixture.h"
#include "tasktables.h"
#include "testsupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Counts the layout requests that the widgets it watches receive.
class CLayoutRequests : public QObject
{
public:
    int n = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        n += event->type() == QEvent::LayoutRequest;
        return false;
    }
};

class TestRowThrottle : public QObject, private CTableTestBase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(StartInOwnHome()); }

    void cleanupTestCase() { ReleaseThisMachine(); }

    void init() { QVERIFY(FreshFolders()); }

    // The decision alone, on a clock of the test's: each step is "what@ms", and says whether
    // the report is shown (Offer) or the held one let go (Release) then. in/out: a report for
    // a row in or out of view; end: an urgent report; due: the timer of a row in view;
    // away: the same for a row out of view; back: the row has come into view.
    void rowThrottle_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown");
        QTest::newRow("first in view at once") << "in@0" << "y";
        QTest::newRow("a burst: first, then newest when due") << "in@0 in@5 in@90 due@249 due@250"
                                                             << "ynnny";
        QTest::newRow("after the interval at once") << "in@0 in@250 in@400 in@600" << "yyny";
        QTest::newRow("the end at once, held or not") << "in@0 in@10 end@20 end@21" << "ynyy";
        QTest::newRow("out of view never, until back") << "out@0 out@900 away@2000 back@2001"
                                                      << "nnny";
        QTest::newRow("back with nothing held") << "in@0 back@10" << "yn";
        QTest::newRow("back restarts the interval") << "out@0 back@5 in@100 in@260" << "nyny";
    }
    void rowThrottle()
    {
        QFETCH(QString, steps);
        QFETCH(QString, shown);
        qint64 now = 0;
        CRowThrottle throttle([&now] { return now; }, 250);
        QString seen;
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            const QString what = step.section(QLatin1Char('@'), 0, 0);
            now = step.section(QLatin1Char('@'), 1).toLongLong();
            bool b = false;
            if (what == QLatin1String("in") || what == QLatin1String("out") ||
                what == QLatin1String("end"))
                b = throttle.Offer(what == QLatin1String("end"), what != QLatin1String("out"));
            else
                b = throttle.Release(what != QLatin1String("away"), what == QLatin1String("back"));
            seen += QLatin1Char(b ? 'y' : 'n');
            // Something is held exactly when the last report was not shown.
            QCOMPARE(throttle.DueInMs() >= 0, throttle.IsHolding());
        }
        QCOMPARE(seen, shown);
    }

    // Rows of running tasks on the window: a burst shows its first report at once and its
    // newest once due; a row scrolled away or on the page not shown takes reports without
    // showing them, and shows the newest the moment it is in view again; the end of the
    // stream and a pause show at once.
    void rowsShowAFewReportsASecond()
    {
        // An extractor that runs until it is stopped, so that the tasks run; a link of a
        // gone video fails at once.
        const QString app = m_work->path() + QStringLiteral("/app");
        QVERIFY(QDir().mkpath(app));
        WriteFile(app + QStringLiteral("/Pelmora"),
                  "#!/bin/sh\ncase \"$*\" in *gone*) echo 'ERROR: Video unavailable' >&2; exit 1;; "
                  "esac\nexec sleep 60\n");
        QVERIFY(QFile::setPermissions(app + QStringLiteral("/Pelmora"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        auto w = MakeWindow();
        std::vector<_VIDEO_FILE_INFO_> records;
        for (int n = 1; n <= 10; ++n)
            records.push_back(Record(n));
        records[8].QstrUrl += QStringLiteral("/gone");
        AddTasks(*w, records, false);
        w->engine.SetFolders(app, w->QstrDownloadingDir);
        CDownloadTask* near = w->engine.At(0);
        CDownloadTask* far = w->engine.At(9);
        CDownloadTask* gone = w->engine.At(8);
        QVERIFY(w->engine.Start(near->Key()) && w->engine.Start(far->Key()) &&
                w->engine.Start(gone->Key()));
        QVERIFY(near->IsRunning() && far->IsRunning());
        QTRY_COMPARE(gone->State(), TaskState::Failed);
        const _VIDEO_DOWNLOAD_INFO_ top = Task(*w, 0);
        QVERIFY(CThrottledRow::InView(w->pDownloadTable->cellWidget(0, 0)));
        QVERIFY(!w->pDownloadTable->cellWidget(9, 0)); // out of view: not built
        const auto at = [](int percent) {
            ProgressReport r;
            r.eKind = ReportKind::Progress;
            r.nProValue = percent;
            r.QstrPercent = QStringLiteral("%1.0").arg(percent);
            r.QstrTotal = QStringLiteral("1.00MB");
            return r;
        };
        const auto says = [](const _VIDEO_DOWNLOAD_INFO_& row, int percent) {
            return row.pProgressBar->value() == percent &&
                   row.pStatusLabel->text().contains(QStringLiteral("Completed: %1.0%").arg(percent));
        };

        // The status line spans the text column, and its new texts leave the row's layout
        // alone.
        CLayoutRequests requests;
        QWidget* topRow = w->pDownloadTable->cellWidget(0, 0);
        topRow->installEventFilter(&requests);
        for (QWidget* widget : topRow->findChildren<QWidget*>())
            widget->installEventFilter(&requests);
        QCoreApplication::sendPostedEvents(); // the rows' first layout
        requests.n = 0;
        for (int p = 10; p <= 20; ++p)
            Q_EMIT near->Progress(at(p));
        QVERIFY(says(top, 10));
        QTRY_VERIFY(says(top, 20));
        QCOMPARE(top.pStatusLabel->width(), top.pProgressBar->width());
        QCOMPARE(requests.n, 0);

        // The far task runs on out of view; its row, built when scrolled to, shows the newest.
        for (int p = 1; p <= 30; ++p) {
            far->ReadOutput(QStringLiteral("\r[download]  %1.0% of 5.41MiB at 1.00MiB/s ETA 00:01\r")
                                .arg(p)
                                .toUtf8());
        }
        QVERIFY(!w->pDownloadTable->cellWidget(9, 0));
        w->pDownloadTable->scrollToBottom();
        QTRY_VERIFY(w->pDownloadTable->cellWidget(9, 0));
        const _VIDEO_DOWNLOAD_INFO_ bottom = Task(*w, 9);
        QVERIFY(says(bottom, 30));
        // So does the failed task, with the cause and the resume button.
        const _VIDEO_DOWNLOAD_INFO_ failed = Task(*w, 8);
        QCOMPARE(failed.pStatusLabel->text(), FailedStatusText(gone->LastError()));
        QCOMPARE(gone->LastError().QstrClass, QStringLiteral("Unavailable"));
        QCOMPARE(failed.pBtnPause->accessibleName(), Tr("MainWnd/TipResume"));

        // Held, then the stream's end: both show now, the status line of the held one.
        Q_EMIT far->Progress(at(40));
        ProgressReport end;
        end.eKind = ReportKind::Bar;
        end.nProValue = 100;
        Q_EMIT far->Progress(end);
        QCOMPARE(bottom.pProgressBar->value(), 100);
        QVERIFY(bottom.pStatusLabel->text().contains(QStringLiteral("Completed: 40.0%")));

        // The other page is shown: nothing moves until the downloading page is back.
        w->Finished();
        Q_EMIT far->Progress(at(60));
        QTest::qWait(2 * int(CRowThrottle::kIntervalMs));
        QCOMPARE(bottom.pProgressBar->value(), 100);
        w->Downloading();
        QVERIFY(says(bottom, 60));

        // Scrolled away, the top row holds its newest; a pause shows it (its size part) now.
        Q_EMIT near->Progress(at(55));
        QCOMPARE(top.pProgressBar->value(), 20);
        w->engine.Pause(near->Key(), 1000);
        QCOMPARE(top.pProgressBar->value(), 55);
        QCOMPARE(top.pStatusLabel->text(), StatusSizePart(StatusLineText(at(55))));
    }
};

QTEST_MAIN(TestRowThrottle)
#include "moc_framefixture.cpp"
#include "tst_rowthrottle.moc"
