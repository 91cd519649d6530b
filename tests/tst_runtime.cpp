// The JavaScript runtime: found in tools/, on PATH or where the settings say, passed to every
// run with the cookie options, and Deno fetched on request through the settings dialog from a
// release feed on 127.0.0.1. Debian ships no Deno, so the release holds a stand-in "deno" that
// prints what Deno prints for --version, zipped by the test as the publisher zips its builds.

#include "command.h"
#include "extractormanager.h"
#include "extractoroptions.h"
#include "extractorrelease.h"
#include "languagesconfig.h"
#include "listing.h"
#include "paths.h"
#include "runtimefetcher.h"
#include "settings.h"
#include "settingsdialog.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kHex = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

class TestRuntime : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    fixture::CReleaseServer m_server;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        fixture::IsolateHome(m_home.path());
        SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
    }

    void cleanupTestCase() { m_server.Stop(); }

    // Runtimes are looked for in tools/, on PATH, then where the settings say; too old ones
    // are passed over.
    void runtimeDetection_data()
    {
        QTest::addColumn<QStringList>("files"); // FOLDER/NAME=PRINTED
        QTest::addColumn<QString>("found");     // FOLDER/NAME, or empty
        QTest::newRow("node too old, deno on PATH")
            << QStringList{"bin/node=v18.19.0", "bin2/deno=deno 2.1.4 (stable, release)"} << "bin2/deno";
        QTest::newRow("tools first") << QStringList{"tools/deno=deno 2.0.0", "bin/node=v22.1.0"} << "tools/deno";
        QTest::newRow("old deno, configured bun")
            << QStringList{"tools/deno=deno 1.46.3", "conf/bun=1.1.34"} << "conf/bun";
        QTest::newRow("quickjs by date") << QStringList{"bin/qjs=QuickJS version 2023-12-09"} << "bin/qjs";
        QTest::newRow("none recent enough")
            << QStringList{"bin/qjs=QuickJS version 2021-03-27", "bin/nodejs=v12.22.12"} << "";
    }
    void runtimeDetection()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        QTemporaryDir root;
        QString configured;
        for (const QString& entry : files) {
            const QString rel = entry.section(QLatin1Char('='), 0, 0);
            const QString path = root.filePath(rel);
            QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
            QVERIFY(WriteFile(path, "#!/bin/sh\necho '" + entry.section(QLatin1Char('='), 1).toUtf8() + "'\n"));
            QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
            if (rel.startsWith(QLatin1String("conf/")))
                configured = path;
        }
        CJsRuntimeLocator locator;
        QSignalSpy located(&locator, &CJsRuntimeLocator::Located);
        locator.Locate(CJsRuntimeLocator::Candidates(
            root.filePath(QStringLiteral("tools")),
            root.filePath(QStringLiteral("bin")) + QLatin1Char(':') + root.filePath(QStringLiteral("bin2")),
            configured));
        QTRY_COMPARE(located.size(), 1);
        const JsRuntime runtime = located[0][0].value<JsRuntime>();
        QCOMPARE(runtime.QstrPath, found.isEmpty() ? QString() : root.filePath(found));
    }

    // Every analysis and download run gets the same options before "--".
    void runOptions_data()
    {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("extractor");
        QTest::addColumn<QStringList>("options");
        const QString rt = QStringLiteral("node:/opt/node/bin/node");
        QTest::newRow("none") << "" << "" << "" << "2025.11.12" << QStringList{"--js-runtimes", rt};
        QTest::newRow("browser") << "firefox" << "" << "" << "2025.12.1.3"
                                 << QStringList{"--cookies-from-browser", "firefox", "--js-runtimes", rt};
        QTest::newRow("browser and profile") << "chromium" << "Profile 1" << "" << "2023.03.04"
                                             << QStringList{"--cookies-from-browser", "chromium:Profile 1"};
        QTest::newRow("file wins") << "brave" << "" << "/home/u/cookies.txt" << "2025.11.11"
                                   << QStringList{"--cookies", "/home/u/cookies.txt"};
    }
    void runOptions()
    {
        QFETCH(QString, browser);
        QFETCH(QString, profile);
        QFETCH(QString, file);
        QFETCH(QString, extractor);
        QFETCH(QStringList, options);
        QuillaneSettings settings;
        settings.QstrCookiesBrowser = browser;
        settings.QstrCookiesProfile = profile;
        settings.QstrCookiesFile = file;
        settings.QstrChannel = QStringLiteral("nightly");
        settings.lastUpdateCheck = QDate(2026, 12, 9);
        QTemporaryDir data;
        QVERIFY(SaveSettings(data.path(), settings));
        QCOMPARE(LoadSettings(data.path()), settings);
        QCOMPARE(ExtractorOptions(LoadSettings(data.path()), extractor,
                                  {QStringLiteral("node"), QStringLiteral("/opt/node/bin/node"),
                                   QStringLiteral("20.1.0")}),
                 options);

        // Both commands carry them just before "--" and the link.
        const QString app = QStringLiteral("/opt/quillane");
        SetExtractorChoice(app, QString(), options);
        _VIDEO_FILE_INFO_ info;
        info.QstrUrl = QStringLiteral("http://127.0.0.1:9/v");
        const QStringList tail = options + QStringList{QStringLiteral("--"), info.QstrUrl};
        QCOMPARE(BuildDownloadArgs(info, app).mid(BuildDownloadArgs(info, app).size() - tail.size()), tail);
        const QStringList listing = ListingArgs(ConverterPath(app), info.QstrUrl, ExtractorRunOptions(app));
        QCOMPARE(listing.mid(listing.size() - tail.size()), tail);
        SetExtractorChoice(app, QString(), QStringList());
    }

    // The checksum file beside the zip, as publishers write it.
    void sha256File_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("sum");
        QTest::newRow("with the file name") << kHex + "  deno-x86_64-unknown-linux-gnu.zip\n" << kHex;
        QTest::newRow("upper case alone") << kHex.toUpper() + "\r\n" << kHex;
        QTest::newRow("labelled")
            << "Algorithm : SHA256\r\nHash      : " + kHex.toUpper() + "\r\nPath      : x.zip\r\n" << kHex;
        QTest::newRow("one digit short") << kHex.left(63) + "  deno.zip\n" << QByteArray();
        QTest::newRow("inside a longer word") << "x" + kHex + "\n" << QByteArray();
    }
    void sha256File()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, sum);
        QCOMPARE(ParseSha256File(text), sum);
    }

    // "Fetch Deno" in the settings: only a verified zip whose program runs as Deno 2.0 or later
    // is installed, as tools/deno, and then used; anything else leaves tools/ empty and the
    // dialog says why.
    void fetch_data()
    {
        QTest::addColumn<QByteArray>("printed"); // what the stand-in says for --version
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<int>("result");
        const QByteArray current = "deno 2.1.4 (stable, release, x86_64-unknown-linux-gnu)\n"
                                   "v8 13.0.245.12-rusty\ntypescript 5.6.2\n";
        QTest::newRow("verified") << current << "" << int(CRuntimeFetcher::Result::Installed);
        QTest::newRow("wrong checksum") << current << "checksum" << int(CRuntimeFetcher::Result::BadChecksum);
        QTest::newRow("download cut short") << current << "cut" << int(CRuntimeFetcher::Result::FetchFailed);
        QTest::newRow("too old") << QByteArray("deno 1.46.3 (stable, release, x86_64-unknown-linux-gnu)\n")
                                 << "" << int(CRuntimeFetcher::Result::TooOld);
        QTest::newRow("no program inside") << current << "empty" << int(CRuntimeFetcher::Result::Broken);
    }
    void fetch()
    {
        QFETCH(QByteArray, printed);
        QFETCH(QString, tamper);
        QFETCH(int, result);
        QTemporaryDir feed, data;
        const QString name = RuntimeReleaseFile();
        QVERIFY(!name.isEmpty());

        // The release: the zip and its checksum file.
        const QString program = feed.filePath(QStringLiteral("deno"));
        QVERIFY(WriteFile(program, "#!/bin/sh\nprintf '%s' '" + printed + "'\n"));
        const QString zip = feed.filePath(name);
        QCOMPARE(QProcess::execute(QStringLiteral("python3"),
                                   {QStringLiteral("-c"),
                                    QStringLiteral("import sys, zipfile\n"
                                                   "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                                   "    z.write(sys.argv[2], sys.argv[3])\n"),
                                    zip, program,
                                    tamper == QLatin1String("empty") ? QStringLiteral("README.md")
                                                                     : QStringLiteral("deno")}),
                 0);
        QByteArray sum = FileSha256(zip);
        if (tamper == QLatin1String("checksum"))
            sum[0] = sum[0] == '0' ? '1' : '0';
        QVERIFY(WriteFile(zip + QStringLiteral(".sha256sum"), sum.toUpper() + "  " + name.toUtf8() + "\n"));

        QuillaneSettings settings;
        settings.QstrRuntimeFeed = m_server.Start(feed.path(), tamper == QLatin1String("cut") ? name : QString());
        QVERIFY(!settings.QstrRuntimeFeed.isEmpty());
        QVERIFY(SaveSettings(data.path(), settings));
        CExtractorManager manager({QStringLiteral(QUILLANE_APP_DIR), data.path()});
        QSignalSpy changed(&manager, &CExtractorManager::Changed);
        QSignalSpy fetched(&manager, &CExtractorManager::RuntimeFetched);
        manager.Start(false);
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, 60000);

        CSettingsDialog dialog(&manager, data.path() + QLatin1Char('/'));
        dialog.pRuntimeFetchButton->click();
        QVERIFY(!dialog.pRuntimeFetchButton->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(fetched.size(), 1, 60000);
        QCOMPARE(fetched[0][0].value<CRuntimeFetcher::Result>(), CRuntimeFetcher::Result(result));
        QVERIFY(dialog.pRuntimeFetchButton->isEnabled());
        const QStringList left = QDir(ToolsFolder(data.path()))
                                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        CLanguagesConfig* texts = CLanguagesConfig::GetInstance();
        if (result != int(CRuntimeFetcher::Result::Installed)) {
            QCOMPARE(left, QStringList());
            const char* why = result == int(CRuntimeFetcher::Result::BadChecksum) ? "Settings/RuntimeBadChecksum"
                              : result == int(CRuntimeFetcher::Result::FetchFailed) ? "Settings/RuntimeFetchFailed"
                              : result == int(CRuntimeFetcher::Result::TooOld)      ? "Settings/RuntimeTooOld"
                                                                                    : "Settings/RuntimeBroken";
            QCOMPARE(dialog.pRuntimeStatusLabel->text(), texts->ReadLanguageInfo(why));
            return;
        }
        QCOMPARE(left, QStringList{QStringLiteral("deno")});
        QCOMPARE(dialog.pRuntimeStatusLabel->text(),
                 texts->ReadLanguageInfo("Settings/RuntimeInstalled").arg(QStringLiteral("2.1.4")));
        // Found again and passed on: the next runs of an extractor that takes it get it.
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, 60000);
        const QString installed = CRuntimeFetcher::InstalledPath(data.path());
        QCOMPARE(manager.Runtime().QstrPath, installed);
        QCOMPARE(manager.Runtime().QstrVersion, QStringLiteral("2.1.4"));
        QVERIFY(dialog.pRuntimeLabel->text().contains(installed));
        QCOMPARE(ExtractorOptions(manager.Settings(), QStringLiteral("2025.11.12"), manager.Runtime()),
                 (QStringList{QStringLiteral("--js-runtimes"), QStringLiteral("deno:") + installed}));
    }
};

QTEST_MAIN(TestRuntime)
#include "tst_runtime.moc"
