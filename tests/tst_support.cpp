// Support library: size and clock texts, time stamps, removal of emptied folders,
// title paths, data and application folders, and the injectable shut-down command.

#include "helpers.h"
#include "paths.h"
#include "platform.h"
#include "settings.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSupport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dataHome;

    static void MakeTree(const QString& root, const QStringList& dirs, const QStringList& files)
    {
        for (const QString& dir : dirs)
            QVERIFY(QDir(root).mkpath(dir));
        for (const QString& file : files) {
            QFile f(root + QLatin1Char('/') + file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dataHome.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
    }

    void fileSizeString_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("expected");
        const qint64 kb = 1024, mb = kb * 1024, gb = mb * 1024, tb = gb * 1024;
        QTest::newRow("zero") << qint64(0) << "0 Bytes";
        QTest::newRow("below KB") << qint64(1023) << "1023 Bytes";
        QTest::newRow("one KB") << kb << "1.00 KB";
        QTest::newRow("one and a half KB") << kb + 512 << "1.50 KB";
        QTest::newRow("just below MB") << mb - 1 << "1024.00 KB";
        QTest::newRow("one MB") << mb << "1.00 MB";
        QTest::newRow("one GB") << gb << "1.00 GB";
        QTest::newRow("one TB") << tb << "1.00 TB";
        QTest::newRow("thousands of TB stay TB") << tb * 2048 << "2048.00 TB";
        QTest::newRow("minus one") << qint64(-1) << "-1 Bytes";
        QTest::newRow("large negative is not truncated") << -tb << "-1099511627776 Bytes";
    }

    void fileSizeString()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(GetFileSizeString(bytes)), expected);
    }

    void timeString_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("59") << qint64(59) << "00:00:59";
        QTest::newRow("60") << qint64(60) << "00:01:00";
        QTest::newRow("just below an hour") << qint64(3599) << "00:59:59";
        QTest::newRow("one hour") << qint64(3600) << "01:00:00";
        QTest::newRow("day hour minute second") << qint64(86400 + 3600 + 61) << "25:01:01";
        QTest::newRow("hours not capped") << qint64(100 * 3600) << "100:00:00";
        QTest::newRow("negative") << qint64(-5) << "00:00:-5";
    }

    void timeString()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(GetTimeStringA(seconds)), expected);
    }

    void timeStamp_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("expected");
        QTest::newRow("leading zeros") << 2024 << 1 << 2 << 3 << 4 << 5 << "2024-01-02-03-04-05";
        QTest::newRow("end of year") << 1999 << 12 << 31 << 23 << 59 << 59 << "1999-12-31-23-59-59";
    }

    void timeStamp()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(QString, expected);
        SYSTEMTIME t;
        t.year = quint16(year);
        t.month = quint16(month);
        t.day = quint16(day);
        t.dayOfWeek = 3; // must not appear in the stamp
        t.hour = quint16(hour);
        t.minute = quint16(minute);
        t.second = quint16(second);
        QCOMPARE(FormatTimeStamp(t), expected);
    }

    void localTimeIsConsistent()
    {
        SYSTEMTIME t;
        QCOMPARE(rsb_getLocalTime(&t), 0);
        const QDate date(t.year, t.month, t.day);
        QVERIFY(date.isValid());
        QCOMPARE(int(t.dayOfWeek), date.dayOfWeek() % 7); // Sunday is 0
        QVERIFY(t.hour < 24 && t.minute < 60 && t.second <= 60 && t.milliseconds < 1000);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}(-\\d{2}){5}$"))
                    .match(CurrentTimeStamp())
                    .hasMatch());
    }

    void isDirectoryEmpty_data()
    {
        QTest::addColumn<QStringList>("dirs");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("expected");
        QTest::newRow("empty folder") << QStringList{"f"} << QStringList{} << true;
        QTest::newRow("only hidden files") << QStringList{"f"} << QStringList{"f/.h"} << true;
        QTest::newRow("missing folder") << QStringList{} << QStringList{} << true;
        QTest::newRow("a file") << QStringList{"f"} << QStringList{"f/v.mp4"} << false;
        QTest::newRow("a sub-folder") << QStringList{"f/sub"} << QStringList{} << false;
    }

    void isDirectoryEmpty()
    {
        QFETCH(QStringList, dirs);
        QFETCH(QStringList, files);
        QFETCH(bool, expected);
        QTemporaryDir root;
        MakeTree(root.path(), dirs, files);
        QCOMPARE(IsDirectoryEmpty(root.filePath(QStringLiteral("f"))), expected);
    }

    // The output folder is root/out/; the title's folders lie below it.
    void delEmptyDir_data()
    {
        QTest::addColumn<QStringList>("dirs");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<QStringList>("removed");
        const QStringList chain{"out/a/b/c"};
        QTest::newRow("climbs to the output folder")
            << chain << QStringList{} << "out/"
            << "a/b/c/video" << true << QStringList{"out"} << QStringList{"out/a"};
        QTest::newRow("stops at a non-empty ancestor")
            << chain << QStringList{"out/a/keep.mp4"} << "out/"
            << "a/b/c/video" << true << QStringList{"out/a", "out/a/keep.mp4"}
            << QStringList{"out/a/b"};
        QTest::newRow("stops at a folder with hidden files")
            << chain << QStringList{"out/a/.hidden"} << "out/"
            << "a/b/c/video" << true << QStringList{"out/a"} << QStringList{"out/a/b"};
        QTest::newRow("folder not empty")
            << chain << QStringList{"out/a/b/c/other.mp4"} << "out/"
            << "a/b/c/video" << false << QStringList{"out/a/b/c/other.mp4"} << QStringList{};
        QTest::newRow("path without slash")
            << chain << QStringList{} << "out/a/b/c/"
            << "video" << false << QStringList{"out/a/b/c"} << QStringList{};
        QTest::newRow("empty base")
            << chain << QStringList{} << ""
            << "a/b/c/video" << false << QStringList{"out/a/b/c"} << QStringList{};
        QTest::newRow("empty path") << chain << QStringList{} << "out/"
                                    << "" << false << QStringList{"out/a/b/c"} << QStringList{};
        QTest::newRow("output folder itself stays")
            << QStringList{"out/a"} << QStringList{} << "out/"
            << "a/video" << true << QStringList{"out"} << QStringList{"out/a"};
        QTest::newRow("missing folder removes nothing")
            << QStringList{"out"} << QStringList{} << "out/"
            << "x/y/video" << true << QStringList{"out"} << QStringList{"out/x"};
    }

    void delEmptyDir()
    {
        QFETCH(QStringList, dirs);
        QFETCH(QStringList, files);
        QFETCH(QString, base);
        QFETCH(QString, path);
        QFETCH(bool, expected);
        QFETCH(QStringList, remaining);
        QFETCH(QStringList, removed);
        QTemporaryDir root;
        MakeTree(root.path(), dirs, files);
        const QString fullBase = base.isEmpty() ? QString() : root.filePath(base);
        QCOMPARE(DelEmptyDir(fullBase, path), expected);
        for (const QString& entry : remaining)
            QVERIFY2(QFileInfo::exists(root.filePath(entry)), qPrintable(entry));
        for (const QString& entry : removed)
            QVERIFY2(!QFileInfo::exists(root.filePath(entry)), qPrintable(entry));
        QVERIFY(QFileInfo::exists(root.path()));
    }

    void safeTitlePath_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "My video"
                               << "My video";
        QTest::newRow("sub-folder stays") << "a/b"
                                          << "a/b";
        QTest::newRow("parent folder") << "../x"
                                       << "__/x";
        QTest::newRow("parent inside") << "a/../../b"
                                       << "a/__/__/b";
        QTest::newRow("absolute path") << "/etc/passwd"
                                       << "etc/passwd";
        QTest::newRow("dots only") << "./."
                                   << "_/_";
        QTest::newRow("double slash") << "a//b"
                                      << "a/b";
        QTest::newRow("trailing slash") << "a/"
                                        << "a";
        QTest::newRow("three dots stay") << "..."
                                         << "...";
        QTest::newRow("extractor template unchanged") << "%(id)s"
                                                      << "%(id)s";
        QTest::newRow("control characters") << QString("a\tb\nc\x7f"
                                                       "d")
                                            << "abcd";
        QTest::newRow("NUL") << QString::fromUtf16(u"a\0b", 3) << "ab";
        QTest::newRow("dots around a control character") << QString(".\x01.") << "__";
        QTest::newRow("empty") << ""
                               << "_";
        QTest::newRow("only slashes") << "//"
                                      << "_";
        QTest::newRow("only control characters") << QString("\x01\x02") << "_";
        QTest::newRow("non-ASCII kept")
            << QString::fromUtf8("Grüße/日本") << QString::fromUtf8("Grüße/日本");
    }

    void safeTitlePath()
    {
        QFETCH(QString, title);
        QFETCH(QString, expected);
        QCOMPARE(SafeTitlePath(title), expected);
        QCOMPARE(SafeTitlePath(title), SafeTitlePath(title));
    }

    // Long components are cut to at most 200 UTF-8 bytes at a character boundary.
    void safeTitlePathLength_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("keptUnits");
        QTest::newRow("300-byte CJK title") << QString::fromUtf8("漢") << 100 << "" << 66;
        QTest::newRow("ASCII exactly 200") << "a" << 200 << "" << 200;
        QTest::newRow("ASCII 201") << "a" << 201 << "" << 200;
        QTest::newRow("four-byte characters fill 200") << QString::fromUtf8("😀") << 60 << "" << 50;
        QTest::newRow("four-byte characters after one byte")
            << QString::fromUtf8("😀") << 60 << "a" << 49;
        QTest::newRow("two-byte after one byte") << QString::fromUtf8("é") << 150 << "a" << 99;
    }

    void safeTitlePathLength()
    {
        QFETCH(QString, unit);
        QFETCH(int, count);
        QFETCH(QString, prefix);
        QFETCH(int, keptUnits);
        const QString component = prefix + unit.repeated(count);
        const QString expected = prefix + unit.repeated(keptUnits);
        QCOMPARE(SafeTitlePath(component), expected);
        QCOMPARE(SafeTitlePath(QStringLiteral("dir/") + component),
                 QStringLiteral("dir/") + expected);
        QVERIFY(expected.toUtf8().size() <= 200);
        QVERIFY(SafeTitlePath(component).toUtf8() == expected.toUtf8()); // no split character
    }

    void dataFolderFollowsXdgDataHome()
    {
        const QString folder = DataFolder();
        QCOMPARE(folder, m_dataHome.path() + QStringLiteral("/Quillane/"));
        QVERIFY(folder.endsWith(QLatin1Char('/')));
    }

    void appFolderOverride()
    {
        QCOMPARE(AppFolder(), QCoreApplication::applicationDirPath());
        SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
        QCOMPARE(AppFolder(), QStringLiteral(QUILLANE_APP_DIR));
        SetAppFolder(QString());
        QCOMPARE(AppFolder(), QCoreApplication::applicationDirPath());
    }

    void shutdownGoesThroughTheRunner()
    {
        QStringList calls;
        SetShutdownRunner([&calls](const QString& program, const QStringList& args) {
            calls << program + QLatin1Char('|') + args.join(QLatin1Char(' '));
        });
        RunShutdownCommand();
        SetShutdownRunner([](const QString&, const QStringList&) {});
        QCOMPARE(calls, QStringList{QStringLiteral("systemctl|poweroff")});
        QCOMPARE(ShutdownProgram(), QStringLiteral("systemctl"));
        QCOMPARE(ShutdownArguments(), QStringList{QStringLiteral("poweroff")});
    }

    // The download settings as the file holds them, also when edited by hand.
    void downloadSettings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("atOnce");
        QTest::addColumn<bool>("bClipboard");
        QTest::addColumn<bool>("bNotify");
        QTest::newRow("defaults") << QByteArray() << 0 << false << true;
        QTest::newRow("set") << QByteArray("[Downloads]\nAtOnce=3\nWatchClipboard=true\nNotify=false\n")
                             << 3 << true << false;
        QTest::newRow("highest") << QByteArray("[Downloads]\nAtOnce=10\n") << 10 << false << true;
        QTest::newRow("too many") << QByteArray("[Downloads]\nAtOnce=11\n") << 0 << false << true;
        QTest::newRow("negative") << QByteArray("[Downloads]\nAtOnce=-2\n") << 0 << false << true;
        QTest::newRow("not a number") << QByteArray("[Downloads]\nAtOnce=three\n") << 0 << false << true;
    }
    void downloadSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, atOnce);
        QFETCH(bool, bClipboard);
        QFETCH(bool, bNotify);
        QTemporaryDir data;
        QFile ini(SettingsPath(data.path()));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(file);
        ini.close();
        const QuillaneSettings read = LoadSettings(data.path());
        QCOMPARE(read.nDownloadsAtOnce, atOnce);
        QCOMPARE(read.bWatchClipboard, bClipboard);
        QCOMPARE(read.bNotifications, bNotify);
        QVERIFY(SaveSettings(data.path(), read));
        QCOMPARE(LoadSettings(data.path()), read);
    }
};

QTEST_GUILESS_MAIN(TestSupport)
#include "tst_support.moc"
