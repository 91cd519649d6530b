// The update check and the web links, against version and parameter files served on 127.0.0.1
// by a static file server of the test's own.

#include "cmessagebox.h"
#include "drui.h"
#include "languagesconfig.h"
#include "paths.h"
#include "urlconfig.h"
#include "videoinfo.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>

// Collects the URLs the program asks the desktop to open.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class TestUpdate : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QTemporaryDir m_www;
    QProcess m_server;
    QString m_base; // http://127.0.0.1:PORT
    UrlSink m_sink;

    QString Site1() const { return m_base + QStringLiteral("/one"); }
    QString Site2() const { return m_base + QStringLiteral("/two"); }
    QString DataDir() const { return DataFolder(); }

    void Serve(const QString& relPath, const QByteArray& content)
    {
        const QString path = m_www.path() + QLatin1Char('/') + relPath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void Unserve(const QString& relPath) { QFile::remove(m_www.path() + QLatin1Char('/') + relPath); }

    void Configure(int nChinese, const QString& site1 = {}, const QString& site2 = {})
    {
        CURLConfig::Overrides o;
        o.site1 = site1.isEmpty() ? Site1() : site1;
        o.site2 = site2.isEmpty() ? Site2() : site2;
        o.nChineseSystem = nChinese;
        o.dataFolder = DataDir();
        o.curlProgram = m_curl;
        o.issuePage = m_issuePage;
        CURLConfig::GetInstance()->SetOverrides(o);
    }
    QString m_curl = QStringLiteral("curl");
    QString m_issuePage;

    // The link check, run to its end.
    static bool CheckLinks()
    {
        QObject caller;
        bool ended = false;
        CURLConfig::GetInstance()->CheckUrl(&caller, [&] { ended = true; });
        return QTest::qWaitFor([&] { return ended; }, 20000);
    }
    // The version file as the update check fetches it.
    static bool FetchVersion(QByteArray& text)
    {
        QObject caller;
        bool ended = false;
        CURLConfig::GetInstance()->GetVersionInfo(&caller, 512, [&](const QByteArray& bytes) {
            text = bytes;
            ended = true;
        });
        return QTest::qWaitFor([&] { return ended; }, 20000);
    }
    // The window's update check, run to its end.
    static bool RunCheck(DRUI& window)
    {
        QSignalSpy checked(&window, &DRUI::VersionChecked);
        window.VersionSlot();
        return checked.wait(20000) || checked.count() == 1;
    }

    // The next Configure points the program at a shell script of `body` instead of curl.
    bool UseStandInCurl(const QByteArray& body)
    {
        m_curl = m_home.filePath(QStringLiteral("curl-stand-in.sh"));
        QFile script(m_curl);
        if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        script.write("#!/bin/sh\n" + body + "\n");
        script.close();
        return script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    static QByteArray ReadAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray ServerLog()
    {
        QCoreApplication::processEvents();
        return m_server.readAllStandardError();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_www.isValid());
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        qputenv("HOME", m_home.path().toUtf8());
        SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
        Q_INIT_RESOURCE(drui);
        RegisterTaskRowTypes();
        QDir().mkpath(DataDir());

        m_server.setProgram(QStringLiteral("python3"));
        m_server.setArguments({QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"),
                               QStringLiteral("0"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("--directory"), m_www.path()});
        m_server.start();
        QVERIFY(m_server.waitForStarted(10000));
        QByteArray banner;
        const QRegularExpression portRe(QStringLiteral("port (\\d+)"));
        for (int i = 0; i < 100 && !portRe.match(QString::fromUtf8(banner)).hasMatch(); ++i) {
            m_server.waitForReadyRead(100);
            banner += m_server.readAllStandardOutput();
        }
        const auto match = portRe.match(QString::fromUtf8(banner));
        QVERIFY2(match.hasMatch(), banner.constData());
        m_base = QStringLiteral("http://127.0.0.1:") + match.captured(1);

        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_sink, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_sink, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_sink, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        m_server.kill();
        m_server.waitForFinished(5000);
    }

    void init()
    {
        m_sink.urls.clear();
        QDir(DataDir() + QStringLiteral("viewInstall")).removeRecursively();
    }

    void newerVersion_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("remote");
        QTest::addColumn<bool>("newer");
        QTest::newRow("1.9 vs 1.10: character order") << "1.9" << "1.10" << false;
        QTest::newRow("plain newer") << "1.0.0" << "1.0.1" << true;
        QTest::newRow("equal") << "1.0.0" << "1.0.0" << false;
        QTest::newRow("trailing line break looks newer") << "1.0.0" << "1.0.0\n" << true;
        QTest::newRow("15 characters counts") << "1" << "2.0.0.0.0.0.0.0" << true;
        QTest::newRow("16 characters never") << "1" << "2.0.0.0.0.0.0.00" << false;
        QTest::newRow("empty local never") << "" << "9" << false;
        QTest::newRow("empty remote never") << "1.0" << "" << false;
    }
    void newerVersion()
    {
        QFETCH(QString, local);
        QFETCH(QString, remote);
        QFETCH(bool, newer);
        QCOMPARE(IsNewerVersion(local, remote), newer);
    }

    void linkCheck_data()
    {
        QTest::addColumn<QByteArray>("param");
        QTest::addColumn<bool>("showUrl");
        QTest::addColumn<bool>("switched");
        QTest::newRow("1001 sets the flag and switches") << QByteArray("x yt=yes;1001 y") << true << true;
        QTest::newRow("1000 switches, no flag") << QByteArray("yt=yes;1000") << false << true;
        QTest::newRow("999 always switches") << QByteArray("yt=yes;999;") << false << true;
        QTest::newRow("leading blanks as atoi") << QByteArray("yt=yes;  1001") << true << true;
        QTest::newRow("negative never switches") << QByteArray("yt=yes;-1") << false << false;
        QTest::newRow("no marker changes nothing") << QByteArray("yt=no;1001") << false << false;
        QTest::newRow("missing file changes nothing") << QByteArray() << false << false;
    }
    void linkCheck()
    {
        QFETCH(QByteArray, param);
        QFETCH(bool, showUrl);
        QFETCH(bool, switched);
        // An answer an earlier run left behind is no answer of this one.
        QFile stale(DataDir() + QStringLiteral("param.html"));
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("yt=yes;1001") == 11);
        stale.close();
        if (param.isNull())
            Unserve(QStringLiteral("two/version.txt"));
        else
            Serve(QStringLiteral("two/version.txt"), param);
        Configure(0);
        CURLConfig* urls = CURLConfig::GetInstance();
        QVERIFY(CheckLinks());
        QCOMPARE(urls->IsShowUrl(), showUrl);
        QCOMPARE(urls->SupportUrl(), (switched ? Site2() : Site1()) + QStringLiteral("/support.html"));
        QVERIFY(!QFile::exists(DataDir() + QStringLiteral("param.html")));

        // A change of language sets the links back to the first site.
        urls->Init();
        QCOMPARE(urls->SupportUrl(), Site1() + QStringLiteral("/support.html"));
    }

    void versionFileBySystemLanguage_data()
    {
        QTest::addColumn<int>("chinese");
        QTest::addColumn<QString>("expected");
        QTest::newRow("other systems: second site") << 0 << "2.5";
        QTest::newRow("Chinese systems: first site") << 1 << "3.1";
    }
    void versionFileBySystemLanguage()
    {
        QFETCH(int, chinese);
        QFETCH(QString, expected);
        Serve(QStringLiteral("two/youtube-version.txt"), "2.5");
        Serve(QStringLiteral("one/version.txt"), "3.1");
        Serve(QStringLiteral("two/version.txt"), "yt=yes;1001");
        Configure(chinese);
        ServerLog();
        CURLConfig* urls = CURLConfig::GetInstance();
        QVERIFY(CheckLinks());
        QByteArray text;
        QVERIFY(FetchVersion(text));
        QCOMPARE(QString::fromUtf8(text), expected);
        QVERIFY(!QFile::exists(DataDir() + QStringLiteral("tmp.html")));
        // On a Chinese system the link check asks nothing.
        const QByteArray log = ServerLog();
        QCOMPARE(log.contains("/two/version.txt"), chinese == 0);
        QCOMPARE(urls->IsShowUrl(), chinese == 0);
    }

    void errorPageIsNoVersion()
    {
        Unserve(QStringLiteral("two/youtube-version.txt"));
        Configure(0);
        // Nor is what an earlier run left in the answer file.
        QFile stale(DataDir() + QStringLiteral("tmp.html"));
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("9.9") == 3);
        stale.close();
        QByteArray text;
        QVERIFY(FetchVersion(text));
        QCOMPARE(text, QByteArray());
    }

    void noNetworkFailsQuietly()
    {
        // Nothing listens on port 1: curl fails at once.
        Configure(0, QStringLiteral("http://127.0.0.1:1/one"), QStringLiteral("http://127.0.0.1:1/two"));
        CURLConfig* urls = CURLConfig::GetInstance();
        QVERIFY(CheckLinks());
        QByteArray text;
        QVERIFY(FetchVersion(text));
        QCOMPARE(text, QByteArray());
        QVERIFY(!urls->IsShowUrl());

        DRUI window;
        QSignalSpy spy(&window, &DRUI::VersionSignal);
        QVERIFY(RunCheck(window));
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 0);
        QVERIFY(m_sink.urls.isEmpty());
    }

    void versionSignal_data()
    {
        QTest::addColumn<QByteArray>("remote");
        QTest::addColumn<int>("expected");
        const QString local = CLanguagesConfig::GetInstance()->GetVersion();
        QTest::newRow("same version") << local.toUtf8() << 0;
        QTest::newRow("same version with a line break") << (local + QStringLiteral("\n")).toUtf8() << 1;
        QTest::newRow("newer") << (local + QStringLiteral(".1")).toUtf8() << 1;
        QTest::newRow("16 characters") << QByteArray("9999999999999999") << 0;
    }
    void versionSignal()
    {
        QFETCH(QByteArray, remote);
        QFETCH(int, expected);
        QVERIFY(!CLanguagesConfig::GetInstance()->GetVersion().isEmpty());
        Serve(QStringLiteral("two/youtube-version.txt"), remote);
        Serve(QStringLiteral("two/version.txt"), "nothing here");
        Configure(0);
        DRUI window;
        window.QstrDataDir = DataDir();
        QSignalSpy spy(&window, &DRUI::VersionSignal);
        QVERIFY(RunCheck(window));
        QCOMPARE(spy.count(), expected);
    }

    void guidePageOnceOnFirstStart_data()
    {
        QTest::addColumn<int>("chinese");
        QTest::addColumn<QByteArray>("param");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Chinese system") << 1 << QByteArray("yt=yes;0") << true;
        QTest::newRow("show-url flag") << 0 << QByteArray("yt=yes;1001") << true;
        QTest::newRow("neither") << 0 << QByteArray("yt=yes;1000") << false;
    }
    void guidePageOnceOnFirstStart()
    {
        QFETCH(int, chinese);
        QFETCH(QByteArray, param);
        QFETCH(bool, opens);
        Serve(QStringLiteral("two/version.txt"), param);
        Serve(QStringLiteral("two/youtube-version.txt"), "0");
        Serve(QStringLiteral("one/version.txt"), "0");
        Configure(chinese);
        DRUI window;
        window.QstrDataDir = DataDir();
        const QString marker = DataDir() + QStringLiteral("viewInstall");

        QVERIFY(RunCheck(window));
        QCOMPARE(m_sink.urls.size(), opens ? 1 : 0);
        QCOMPARE(QFileInfo::exists(marker), opens);
        if (opens) {
            QCOMPARE(m_sink.urls.first().toString(), Site1() + QStringLiteral("/guide/quillane.html"));
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(marker).constData(), &st), 0);
            QVERIFY(S_ISDIR(st.st_mode));
            QCOMPARE(int(st.st_mode & 0777), 0644);
        }

        // The next start finds the marker and opens nothing.
        QVERIFY(RunCheck(window));
        QCOMPARE(m_sink.urls.size(), opens ? 1 : 0);
    }

    // A build whose sites are reserved names asks no one: no curl is started at all.
    void reservedSitesStartNoProcess_data()
    {
        QTest::addColumn<QString>("site");
        QTest::addColumn<int>("chinese");
        QTest::addColumn<bool>("runs");
        QTest::newRow("the build's default names") << "https://www.quillane.invalid" << 0 << false;
        QTest::newRow("Chinese system") << "https://www.quillane.invalid" << 1 << false;
        QTest::newRow(".test") << "https://updates.quillane.test" << 0 << false;
        QTest::newRow("example.com") << "https://www.example.com" << 0 << false;
        QTest::newRow("a real site") << "http://127.0.0.1:1" << 0 << true;
    }
    void reservedSitesStartNoProcess()
    {
        QFETCH(QString, site);
        QFETCH(int, chinese);
        QFETCH(bool, runs);
        // A stand-in for curl that leaves a mark when it is started.
        const QString mark = m_home.filePath(QStringLiteral("curl-ran"));
        QFile::remove(mark);
        QVERIFY(UseStandInCurl("touch '" + mark.toUtf8() + "'"));
        Configure(chinese, site, site);
        m_curl = QStringLiteral("curl");

        DRUI window;
        window.QstrDataDir = DataDir();
        QVERIFY(RunCheck(window));
        QCOMPARE(QFile::exists(mark), runs);
        Configure(0);
    }

    // VersionSlot returns while its fetch still runs; a window closed meanwhile ends the curl
    // run with it, and the gone window hears nothing of the check.
    void closingEndsAFetchInProgress()
    {
        const QString pidFile = m_home.filePath(QStringLiteral("curl-pid"));
        QFile::remove(pidFile);
        QVERIFY(UseStandInCurl("echo $$ > '" + pidFile.toUtf8() + "'\nexec sleep 30"));
        Configure(0, QStringLiteral("http://127.0.0.1:1/one"), QStringLiteral("http://127.0.0.1:1/two"));
        m_curl = QStringLiteral("curl");

        auto window = std::make_unique<DRUI>();
        window->QstrDataDir = DataDir();
        QSignalSpy checked(window.get(), &DRUI::VersionChecked);
        window->VersionSlot();
        qint64 pid = 0;
        QTRY_VERIFY((pid = ReadAll(pidFile).trimmed().toLongLong()) > 0);
        QCOMPARE(checked.count(), 0);
        QCOMPARE(::kill(pid_t(pid), 0), 0);
        window.reset();
        QCOMPARE(::kill(pid_t(pid), 0), -1); // ended and reaped
        QTest::qWait(50);
        Configure(0);
    }

    // Help and Support on a build without sites: the help page beside the program, in the
    // active language where it has one; Support prefers the project's issue page.
    void localHelpPage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("issuePage");
        QTest::addColumn<QString>("support"); // what Support opens
        const QString issues = QStringLiteral("http://127.0.0.1:9/issues");
        QTest::newRow("English") << "English" << QString() << "English.html";
        QTest::newRow("Chinese") << "Chinese" << QString() << "Chinese.html";
        QTest::newRow("issue page") << "German" << issues << issues;
    }
    void localHelpPage()
    {
        QFETCH(QString, language);
        QFETCH(QString, issuePage);
        QFETCH(QString, support);
        m_issuePage = issuePage;
        Configure(0, QStringLiteral("https://www.quillane.invalid"),
                  QStringLiteral("https://update.quillane.invalid"));
        m_issuePage.clear();
        QVERIFY(CLanguagesConfig::GetInstance()->InitLanguageType(language) == 0);
        const auto expected = [](const QString& page) {
            return page.startsWith(QLatin1String("http"))
                       ? QUrl(page)
                       : QUrl::fromLocalFile(AppFolder() + QStringLiteral("/Help/") + page);
        };

        DRUI window;
        window.btnHelpSlot();
        window.btnSupportSlot();
        CLanguagesConfig::GetInstance()->InitLanguageType(QStringLiteral("English"));
        QCOMPARE(m_sink.urls, (QList<QUrl>{expected(language + ".html"), expected(support)}));
        QVERIFY(QFileInfo(m_sink.urls.first().toLocalFile()).isFile());
        Configure(0);
        // A page the language names that is not shipped, or lies outside the folder: English.
        for (const QString& page :
             {QStringLiteral("Klingon.html"), QStringLiteral("../config.ini")})
            QCOMPARE(LocalHelpPage(AppFolder(), page),
                     expected(QStringLiteral("English.html")).toLocalFile());
    }

    void promptClosesWindowWhateverTheAnswer_data()
    {
        QTest::addColumn<bool>("upgrade");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Upgrade") << true;
    }
    void promptClosesWindowWhateverTheAnswer()
    {
        QFETCH(bool, upgrade);
        Configure(0);
        DRUI window;
        window.show();
        QVERIFY(window.isVisible());
        bool seen = false;
        QTimer::singleShot(100, this, [&] {
            auto* box = qobject_cast<CMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = true;
            if (upgrade)
                box->btnSlotUpgrade();
            else
                box->btnSlotNO();
        });
        window.VersionSignalSlot();
        QVERIFY(seen);
        QVERIFY(!window.isVisible());
        QCOMPARE(m_sink.urls.size(), upgrade ? 1 : 0);
        if (upgrade)
            QCOMPARE(m_sink.urls.first().toString(), Site1() + QStringLiteral("/quillane.html"));
    }
};

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
