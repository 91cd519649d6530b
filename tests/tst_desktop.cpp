// Notifications, the sleep lock and "show in folder" against a bus that the test answers.
#include "desktopservices.h"
#include "fixtures/fakebus.h"

#include <QtTest>


using namespace fixture;

class TestDesktop : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void notify_data();
    void notify();
    void sleepLock_data();
    void sleepLock();
    void showFileInFolder();
};

void TestDesktop::notify_data()
{
    QTest::addColumn<bool>("bEnabled");
    QTest::addColumn<bool>("bActive");
    QTest::addColumn<bool>("bServiceAnswers");
    QTest::addColumn<int>("nCalls");
    QTest::addColumn<int>("nFallbacks");
    QTest::newRow("shown") << true << false << true << 1 << 0;
    QTest::newRow("turned off") << false << false << true << 0 << 0;
    QTest::newRow("window active") << true << true << true << 0 << 0;
    QTest::newRow("no notification service") << true << false << false << 1 << 1;
}

void TestDesktop::notify()
{
    QFETCH(bool, bEnabled);
    QFETCH(bool, bActive);
    QFETCH(bool, bServiceAnswers);
    CFakeBus bus;
    CDownloadNotifier notifier(&bus);
    notifier.SetEnabled(bEnabled);
    notifier.SetWindowActive([bActive] { return bActive; });
    QStringList fallbacks;
    notifier.SetFallback([&](const QString& s, const QString& b) { fallbacks << s + "|" + b; });
    notifier.Notify("Download completed", "Übung & <b>title</b>");
    QFETCH(int, nCalls);
    QCOMPARE(int(bus.calls.size()), nCalls);
    if (!bus.calls.empty()) {
        const QDBusMessage& m = bus.calls[0].message;
        QCOMPARE(bus.calls[0].bus, BusKind::Session);
        QCOMPARE(m.service() + m.path() + m.member(),
                 "org.freedesktop.Notifications/org/freedesktop/NotificationsNotify");
        // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
        const QVariantList args = m.arguments();
        QCOMPARE(args.size(), 8);
        QCOMPARE(args[0].toString(), "Quillane");
        QCOMPARE(args[3].toString(), "Download completed");
        QCOMPARE(args[4].toString(), "Übung & <b>title</b>");
        QCOMPARE(args[1].metaType(), QMetaType::fromType<quint32>());
        QCOMPARE(args[7].metaType(), QMetaType::fromType<qint32>());
        if (bServiceAnswers)
            bus.Answer(0, {quint32(7)});
        else
            bus.Fail(0);
    }
    QFETCH(int, nFallbacks);
    QCOMPARE(fallbacks.size(), nFallbacks);
}

void TestDesktop::sleepLock_data()
{
    // Steps: b busy, i idle, a answer the newest request with a lock, f fail the newest request.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("nRequests");
    QTest::addColumn<bool>("bHeld");
    QTest::addColumn<bool>("bReleased");
    QTest::newRow("held while busy") << "bab" << 1 << true << false;
    QTest::newRow("let go when idle") << "babi" << 1 << false << true;
    QTest::newRow("idle before the answer") << "bia" << 1 << false << true;
    QTest::newRow("busy again after idle") << "babiba" << 2 << true << false;
    QTest::newRow("refused") << "bf" << 1 << false << false;
}

void TestDesktop::sleepLock()
{
    QFETCH(QString, steps);
    CFakeBus bus;
    std::vector<std::unique_ptr<PipeLock>> locks;
    {
        CSleepInhibitor inhibitor(&bus);
        for (QChar step : steps) {
            if (step == 'b' || step == 'i')
                inhibitor.SetBusy(step == 'b');
            if (step == 'a') {
                locks.push_back(std::make_unique<PipeLock>());
                bus.Answer(int(bus.calls.size()) - 1, {locks.back()->Descriptor()});
            }
            if (step == 'f')
                bus.Fail(int(bus.calls.size()) - 1);
        }
        QFETCH(int, nRequests);
        QCOMPARE(int(bus.calls.size()), nRequests);
        for (const SentCall& call : bus.calls) {
            QCOMPARE(call.bus, BusKind::System);
            QCOMPARE(call.message.member(), "Inhibit");
            QCOMPARE(call.message.arguments().constFirst().toString(), "sleep");
            QCOMPARE(call.message.arguments().constLast().toString(), "block");
        }
        QFETCH(bool, bHeld);
        QCOMPARE(inhibitor.IsHeld(), bHeld);
        QFETCH(bool, bReleased);
        if (!locks.empty())
            QCOMPARE(locks.back()->Released(), bReleased);
        // Every earlier lock has been let go.
        for (size_t i = 0; i + 1 < locks.size(); ++i)
            QVERIFY(locks[i]->Released());
    }
    // Ending the program lets go of the lock too.
    for (auto& lock : locks)
        QVERIFY(lock->Released());
}

void TestDesktop::showFileInFolder()
{
    CFakeBus bus;
    int nFallbacks = 0;
    ShowFileInFolder(&bus, "/tmp/a b/#1 Ünï.mp4", [&] { ++nFallbacks; });
    QCOMPARE(int(bus.calls.size()), 1);
    const QVariantList args = bus.calls[0].message.arguments();
    QCOMPARE(bus.calls[0].message.member(), "ShowItems");
    QCOMPARE(args[0].toStringList(), QStringList{"file:///tmp/a%20b/%231%20%C3%9Cn%C3%AF.mp4"});
    bus.Answer(0, {});
    QCOMPARE(nFallbacks, 0);
    // A file manager that does not offer it: the folder opens as before.
    ShowFileInFolder(&bus, "/tmp/x.mp4", [&] { ++nFallbacks; });
    bus.Fail(1);
    QCOMPARE(nFallbacks, 1);
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"
