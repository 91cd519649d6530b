// Start-up decisions: when the window is shown and how the program relaunches itself.
// The relaunch goes through an injected launcher, so nothing real is ever started.

#include "platform.h"

#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        // Never leave the real launcher behind for a later test of this process.
        SetRelaunchLauncher([](const QString&, const QStringList&) { return false; });
    }

    void startMode_data()
    {
        QTest::addColumn<int>("argc");
        QTest::addColumn<bool>("showsWindow");
        QTest::newRow("no argument") << 1 << false;
        QTest::newRow("one argument") << 2 << true;
        QTest::newRow("two arguments") << 3 << false;
        QTest::newRow("many arguments") << 7 << false;
        QTest::newRow("no program name") << 0 << false;
    }

    void startMode()
    {
        QFETCH(int, argc);
        QFETCH(bool, showsWindow);
        QCOMPARE(DecideStartMode(argc) == StartMode::ShowWindow, showsWindow);
        QCOMPARE(DecideStartMode(argc) == StartMode::Relaunch, !showsWindow);
    }

    void relaunch_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("launcherResult");
        QTest::newRow("started") << "/opt/Quillane/quillane" << true;
        QTest::newRow("refused") << "/opt/Quillane/quillane" << false;
        QTest::newRow("path with blanks") << "/Applications/My Apps/quillane" << true;
    }

    void relaunch()
    {
        QFETCH(QString, program);
        QFETCH(bool, launcherResult);
        QStringList programs;
        QList<QStringList> arguments;
        SetRelaunchLauncher([&](const QString& p, const QStringList& args) {
            programs << p;
            arguments << args;
            return launcherResult;
        });
        QCOMPARE(RelaunchForStart(program), launcherResult);
        QCOMPARE(programs, QStringList{program});
        QCOMPARE(arguments, QList<QStringList>{QStringList{QStringLiteral("start")}});
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
