// The extractor stays current: releases fetched from a feed on 127.0.0.1, verified with gpgv
// against a key the test makes, installed into tools/, and the newest extractor chosen.
// The release is a real extractor build: Debian's extractor packed as a single file with a
// newer version text. And its failures, told in the user's terms.

#include "command.h"
#include "downloadengine.h"
#include "drui.h"
#include "infofiles.h"
#include "extractorerrors.h"
#include "fixtures/adddialog.h"
#include "extractoroptions.h"
#include "extractorrelease.h"
#include "extractormanager.h"
#include "extractorupdater.h"
#include "languagesconfig.h"
#include "analysisrun.h"
#include "listing.h"
#include "outputpath.h"
#include "paths.h"
#include "settings.h"
#include "settingsdialog.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

namespace {

// Newer than the bundled extractor, older than the release that takes --js-runtimes (the
// build is the bundled code under a new version text, so it must not be given the option).
const QString kNewVersion = QStringLiteral("2025.10.22");

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestExtractor : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_gnupg;   // the throwaway signing keys
    QString m_build;   // the newer extractor build
    QString m_trusted; // the armoured key the program trusts
    fixture::CReleaseServer m_server;

    QByteArray Gpg(const QStringList& args)
    {
        int code = -1;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        QProcess gpg;
        env.insert(QStringLiteral("GNUPGHOME"), m_gnupg);
        gpg.setProcessEnvironment(env);
        gpg.start(QStringLiteral("gpg"), QStringList{QStringLiteral("--batch"),
                                                     QStringLiteral("--pinentry-mode"),
                                                     QStringLiteral("loopback"),
                                                     QStringLiteral("--passphrase"), QString()} +
                                             args);
        gpg.waitForFinished(120000);
        code = gpg.exitCode();
        return code == 0 ? gpg.readAllStandardOutput() : QByteArray("FAILED");
    }

    // Starts the feed for `folder`; returns its address.
    QString Serve(const QString& folder, const QString& cut) { return m_server.Start(folder, cut); }

    // A release of the newer build in `folder`, signed by the trusted key unless `tamper` says
    // otherwise ("checksum", "signer", "nosig").
    bool MakeFeed(const QString& folder, const QString& tamper)
    {
        const QString name = ExtractorReleaseFile();
        QByteArray sum = FileSha256(m_build);
        if (tamper == QLatin1String("checksum"))
            sum[0] = sum[0] == '0' ? '1' : '0';
        if (!QFile::copy(m_build, folder + QLatin1Char('/') + name) ||
            !WriteFile(folder + QStringLiteral("/SHA2-256SUMS"),
                       "0000000000000000000000000000000000000000000000000000000000000000  "
                       "yt-dlp.exe\n" + sum + "  " + name.toUtf8() + "\n"))
            return false;
        if (tamper == QLatin1String("nosig"))
            return true;
        return Gpg({QStringLiteral("--local-user"),
                    tamper == QLatin1String("signer") ? QStringLiteral("other@test.invalid")
                                                      : QStringLiteral("release@test.invalid"),
                    QStringLiteral("--detach-sign"), QStringLiteral("-o"),
                    folder + QStringLiteral("/SHA2-256SUMS.sig"),
                    folder + QStringLiteral("/SHA2-256SUMS")}) != "FAILED";
    }

    // Windows made from here on may fetch (from `feed` only, and only when offered); the
    // returned guard puts things back.
    static auto AllowFetches(const QString& feed, bool allow)
    {
        QuillaneSettings settings;
        settings.QstrFeed = feed;
        settings.bNeverUpdate = true; // no background check, only the offered update
        SaveSettings(DataFolder(), settings);
        DRUI::s_bExtractorUpdates = allow;
        return qScopeGuard([] {
            DRUI::s_bExtractorUpdates = false;
            QFile::remove(SettingsPath(DataFolder()));
        });
    }

    // Once the settings dialog's update has ended, `status` gets what it said and the dialog
    // is closed.
    void CloseSettingsAfterUpdate(QTimer& watch, QString& status)
    {
        connect(&watch, &QTimer::timeout, [&status] {
            auto* dialog = qobject_cast<CSettingsDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->pUpdateButton->isEnabled()) {
                status = dialog->pStatusLabel->text();
                dialog->reject();
            }
        });
        watch.start(50);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        fixture::IsolateHome(m_work.filePath(QStringLiteral("home")));
        SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
        m_gnupg = m_work.filePath(QStringLiteral("gnupg"));
        QVERIFY(QDir().mkpath(m_gnupg));
        QFile::setPermissions(m_gnupg, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        for (const char* uid : {"Release Test <release@test.invalid>", "Other <other@test.invalid>"})
            QVERIFY(Gpg({QStringLiteral("--quick-gen-key"), QString::fromLatin1(uid),
                         QStringLiteral("ed25519"), QStringLiteral("sign"),
                         QStringLiteral("never")}) != "FAILED");
        m_trusted = m_work.filePath(QStringLiteral("extractor-release-key.asc"));
        QVERIFY(WriteFile(m_trusted, Gpg({QStringLiteral("--armor"), QStringLiteral("--export"),
                                          QStringLiteral("release@test.invalid")})));

        // The newer build: the installed package as one file, its version text changed.
        const QString src = m_work.filePath(QStringLiteral("src"));
        QVERIFY(QDir().mkpath(src));
        QVERIFY(QProcess::execute(QStringLiteral("cp"),
                                  {QStringLiteral("-r"),
                                   QStringLiteral("/usr/lib/python3/dist-packages/yt_dlp"),
                                   src}) == 0);
        const QString versionFile = src + QStringLiteral("/yt_dlp/version.py");
        QByteArray version = ReadFile(versionFile);
        version.replace(QByteArray("__version__ = '"), QByteArray("__version__ = '" + kNewVersion.toLatin1() + "'\n_old = '"));
        QVERIFY(WriteFile(versionFile, version));
        m_build = m_work.filePath(QStringLiteral("build/") + ExtractorReleaseFile());
        QVERIFY(QDir().mkpath(m_work.filePath(QStringLiteral("build"))));
        QCOMPARE(QProcess::execute(QStringLiteral("python3"),
                                   {QStringLiteral("-m"), QStringLiteral("zipapp"), src,
                                    QStringLiteral("-m"), QStringLiteral("yt_dlp:main"),
                                    QStringLiteral("-p"), QStringLiteral("/usr/bin/env python3"),
                                    QStringLiteral("-o"), m_build}),
                 0);
    }

    void cleanupTestCase()
    {
        m_server.Stop();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GNUPGHOME"), m_gnupg);
        QProcess kill;
        kill.setProcessEnvironment(env);
        kill.start(QStringLiteral("gpgconf"), {QStringLiteral("--kill"), QStringLiteral("all")});
        kill.waitForFinished();
    }

    void versions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("day") << "2025.11.12" << "2025.11.3" << 1;
        QTest::newRow("month before day") << "2025.9.30" << "2025.11.1" << -1;
        QTest::newRow("nightly build") << "2025.11.12.1" << "2025.11.12" << 1;
        QTest::newRow("equal") << "2023.03.04" << "2023.03.04\n" << 0;
        QTest::newRow("broken is oldest") << "Traceback" << "2001.01.01" << -1;
    }
    void versions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(qBound(-1, CompareExtractorVersions(a, b), 1), order);
        QCOMPARE(qBound(-1, CompareExtractorVersions(b, a), 1), -order);
    }

    // The publisher's key as shipped reads as gpg itself reads it.
    void publisherKeyDearmors()
    {
        const QByteArray armored = ReadFile(QStringLiteral(QUILLANE_APP_DIR "/extractor-release-key.asc"));
        QVERIFY(!armored.isEmpty());
        const QString path = m_work.filePath(QStringLiteral("publisher.asc"));
        QVERIFY(WriteFile(path, armored));
        QCOMPARE(DearmorKey(armored), Gpg({QStringLiteral("--dearmor"), QStringLiteral("-o"),
                                           QStringLiteral("-"), path}));
        QByteArray broken = armored;
        broken[armored.indexOf("\n\n") + 10] ^= 1;
        QVERIFY(DearmorKey(broken).isEmpty());
    }

    // Lines as the extractor prints them (the texts of its releases; here, what it cannot be
    // made to print on this machine).
    void errorClassOfPrintedLines_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("cls");
        QTest::newRow("bot check") << QStringList{"[youtube] abc: Downloading webpage",
            "ERROR: [youtube] abc: Sign in to confirm you\u2019re not a bot. Use --cookies-from-browser or --cookies for the authentication."} << "SignIn";
        QTest::newRow("age check") << QStringList{"ERROR: [youtube] abc: Sign in to confirm your age. This video may be inappropriate for some users."} << "SignIn";
        QTest::newRow("private") << QStringList{"ERROR: [youtube] abc: Private video. Sign in if you've been granted access to this video"} << "Unavailable";
        QTest::newRow("removed") << QStringList{"ERROR: [youtube] abc: Video unavailable. This video has been removed by the uploader"} << "Unavailable";
        QTest::newRow("region") << QStringList{"ERROR: [youtube] abc: The uploader has not made this video available in your country"} << "Region";
        QTest::newRow("site changed") << QStringList{"ERROR: [youtube] abc: Unable to extract uploader id; please report this issue on  https://github.com/yt-dlp/yt-dlp/issues?q= , filling out the appropriate issue template."} << "SiteChanged";
        QTest::newRow("format") << QStringList{"ERROR: [youtube] abc: Requested format is not available. Use --list-formats for a list of available formats"} << "FormatUnavailable";
        QTest::newRow("no runtime") << QStringList{"WARNING: [youtube] No supported JavaScript runtime could be found. Only deno is enabled by default; to use another runtime add  --js-runtimes RUNTIME[:PATH]  to your command/config. YouTube extraction without a JS runtime has been deprecated, and some formats may be missing.",
            "ERROR: [youtube] abc: Requested format is not available. Use --list-formats for a list of available formats"} << "JsRuntime";
        QTest::newRow("unresolved host") << QStringList{"ERROR: [generic] Unable to download webpage: <urlopen error [Errno -2] Name or service not known> (caused by URLError(gaierror(-2, 'Name or service not known')))"} << "Network";
        QTest::newRow("disk full") << QStringList{"ERROR: unable to write data: [Errno 28] No space left on device"} << "OutputFolder";
        QTest::newRow("keyword only at the start") << QStringList{"[download] Destination: Sign in to confirm-x.mp4", "ERROR: something new"} << "Unknown";
        QTest::newRow("warning alone is no failure") << QStringList{"WARNING: [youtube] No supported JavaScript runtime could be found."} << "";
    }
    void errorClassOfPrintedLines()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, cls);
        const ExtractorError error = ClassifyExtractorErrors(lines);
        QCOMPARE(error.QstrClass, cls);
        if (cls == QLatin1String("Unknown"))
            QCOMPARE(error.QstrLine, QStringLiteral("something new"));
    }

    // What the real extractor prints here for failures the test can cause.
    void errorClassOfRealRuns_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("cls");
        QTest::newRow("403") << "status/403" << QStringList{"-F"} << "SiteChanged";
        QTest::newRow("404") << "status/404" << QStringList{"-F"} << "Unavailable";
        QTest::newRow("429") << "status/429" << QStringList{"-F"} << "TooManyRequests";
        QTest::newRow("nothing listens") << "" << QStringList{"-F"} << "Network";
        QTest::newRow("output folder not writable") << "release.mp4"
            << QStringList{"-o", "OUT/file.txt/sub/%(id)s.%(ext)s"} << "OutputFolder";
        QTest::newRow("converter missing") << "page"
            << QStringList{"--ffmpeg-location", "OUT/none", "--add-metadata", "-f", "160+140"} << "Converter";
    }
    void errorClassOfRealRuns()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, options);
        QFETCH(QString, cls);
        QTemporaryDir feed;
        QVERIFY(WriteFile(feed.filePath(QStringLiteral("file.txt")), "x"));
        const QString media = fixture::MakeMedia();
        QVERIFY(!media.isEmpty());
        QVERIFY(QFile::copy(media + QStringLiteral("/v144.mp4"), feed.filePath(QStringLiteral("release.mp4"))));
        const QString base = Serve(feed.path(), QString());
        fixture::CMediaServer site;
        QVERIFY(path != QLatin1String("page") || site.Start(media));
        const QString url = path.isEmpty()                    ? QStringLiteral("http://127.0.0.1:1/")
                            : path == QLatin1String("page") ? site.PageUrl()
                                                            : base + path;
        options.replaceInStrings(QStringLiteral("OUT"), feed.path());
        QProcess run;
        run.setWorkingDirectory(feed.path());
        run.start(QStringLiteral(QUILLANE_APP_DIR "/Pelmora"),
                  options + QStringList{QStringLiteral("--"), url});
        QVERIFY(run.waitForFinished(120000));
        QVERIFY(run.exitCode() != 0);
        const QStringList lines = QString::fromUtf8(run.readAllStandardError()).split(QLatin1Char('\n'));
        QCOMPARE(ClassifyExtractorErrors(lines).QstrClass, cls);
    }

    // Every class has its cause and what to do in every shipped language.
    void errorTextsInEveryLanguage()
    {
        CLanguagesConfig config(QStringLiteral(QUILLANE_APP_DIR));
        QVERIFY(ExtractorErrorClasses().size() >= 11);
        for (const QString& language : config.GetAllLanguageKey()) {
            QCOMPARE(config.InitLanguageType(language), 0);
            QVERIFY2(!config.ReadLanguageInfo("Errors/Failed").isEmpty(), qPrintable(language));
            for (const QString& cls : ExtractorErrorClasses()) {
                ExtractorError error;
                error.QstrClass = cls;
                QVERIFY2(!config.ReadLanguageInfo(error.CauseKey().constData()).isEmpty(),
                         qPrintable(language + QLatin1Char(' ') + cls));
                QVERIFY2(!config.ReadLanguageInfo(error.ActionKey().constData()).isEmpty(),
                         qPrintable(language + QLatin1Char(' ') + cls));
            }
        }
    }

    void update_data()
    {
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<int>("result");
        QTest::newRow("verified") << "" << int(CExtractorUpdater::Result::Installed);
        QTest::newRow("while a run is in progress") << "busy" << int(CExtractorUpdater::Result::Installed);
        QTest::newRow("wrong checksum") << "checksum" << int(CExtractorUpdater::Result::BadChecksum);
        QTest::newRow("signed by another key") << "signer" << int(CExtractorUpdater::Result::BadSignature);
        QTest::newRow("signature missing") << "nosig" << int(CExtractorUpdater::Result::NoSignature);
        QTest::newRow("download cut short") << "cut" << int(CExtractorUpdater::Result::FetchFailed);
    }
    void update()
    {
        QFETCH(QString, tamper);
        QFETCH(int, result);
        QTemporaryDir feed, data;
        const QString name = ExtractorReleaseFile();
        QVERIFY(MakeFeed(feed.path(), tamper));

        // An extractor installed earlier: it stays unless the release is verified.
        const QString installed = CExtractorUpdater::InstalledPath(data.path());
        QVERIFY(QDir().mkpath(ToolsFolder(data.path())));
        QVERIFY(WriteFile(installed, "#!/bin/sh\necho 2024.01.01\n"));
        QFile::setPermissions(installed, QFile::permissions(installed) | QFileDevice::ExeOwner);

        CExtractorUpdater updater({Serve(feed.path(), tamper == QLatin1String("cut") ? name : QString()),
                                   data.path(), m_trusted});
        bool running = tamper == QLatin1String("busy");
        updater.SetRunsInProgress([&running] { return running; });
        QSignalSpy finished(&updater, &CExtractorUpdater::Finished);
        updater.Start(QStringLiteral("2024.01.01"));
        if (running) {
            QTRY_VERIFY_WITH_TIMEOUT(updater.HasWaiting(), 120000);
            QCOMPARE(ReadFile(installed), QByteArray("#!/bin/sh\necho 2024.01.01\n"));
            running = false;
            updater.InstallWaiting();
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 120000);
        QCOMPARE(finished[0][0].value<CExtractorUpdater::Result>(),
                 CExtractorUpdater::Result(result));
        // Nothing of the fetch is left behind.
        QCOMPARE(QDir(ToolsFolder(data.path())).entryList(QDir::AllEntries | QDir::Hidden |
                                                          QDir::NoDotAndDotDot).filter(".update").size(),
                 0);

        CExtractorLocator locator;
        QSignalSpy located(&locator, &CExtractorLocator::Located);
        const QString bundled = QStringLiteral(QUILLANE_APP_DIR "/Pelmora");
        locator.Locate({installed, bundled});
        QTRY_COMPARE_WITH_TIMEOUT(located.size(), 1, 60000);
        if (result != int(CExtractorUpdater::Result::Installed)) {
            QCOMPARE(ReadFile(installed), QByteArray("#!/bin/sh\necho 2024.01.01\n"));
            QCOMPARE(located[0][1].toString(), QStringLiteral("2024.01.01"));
            return;
        }
        QCOMPARE(finished[0][1].toString(), kNewVersion);
        QCOMPARE(located[0][0].toString(), installed);
        QCOMPARE(located[0][1].toString(), kNewVersion);
        QCOMPARE(ReadFile(CExtractorUpdater::PreviousPath(data.path())),
                 QByteArray("#!/bin/sh\necho 2024.01.01\n"));

        // Back to the bundled one.
        QVERIFY(CExtractorUpdater::UseBundled(data.path()));
        locator.Locate({installed, bundled});
        QTRY_COMPARE_WITH_TIMEOUT(located.size(), 2, 60000);
        QCOMPARE(located[1][0].toString(), bundled);
    }
    // The program's own path: a feed named in Settings.ini, the update installed, and the
    // next analysis run by the new build; the application folder's key is the trusted one.
    void updatedExtractorRunsTheNextAnalysis_data()
    {
        QTest::addColumn<bool>("downloading");
        QTest::newRow("at once") << false;
        // Found while a real download runs: it waits for the run's end.
        QTest::newRow("after the download in progress") << true;
    }
    void updatedExtractorRunsTheNextAnalysis()
    {
        QFETCH(bool, downloading);
        QTemporaryDir feed, data, app;
        QVERIFY(MakeFeed(feed.path(), QString()));
        for (const char* tool : {"Pelmora", "virarurov", "ffprobe"})
            QVERIFY(QFile::link(QFileInfo(QStringLiteral(QUILLANE_APP_DIR "/") + QLatin1String(tool)).symLinkTarget(),
                                app.filePath(QLatin1String(tool))));
        QVERIFY(QFile::copy(m_trusted, app.filePath(QStringLiteral("extractor-release-key.asc"))));
        QuillaneSettings settings;
        settings.QstrFeed = Serve(feed.path(), QString());
        QVERIFY(SaveSettings(data.path(), settings));
        const QString media = fixture::MakeMedia();
        fixture::CMediaServer site;
        QVERIFY(site.Start(media, downloading ? 40000 : 0)); // bytes per second

        // The window's wiring: the runs in progress hold the update back, their end lets it in.
        CDownloadEngine engine;
        QVERIFY(QDir().mkpath(data.filePath(QStringLiteral("downloading"))));
        engine.SetFolders(app.path(), data.filePath(QStringLiteral("downloading/")));
        CExtractorManager manager({app.path(), data.path()});
        manager.SetRunsInProgress([&engine] { return engine.HasRunsInProgress(); });
        connect(&engine, &CDownloadEngine::RunEnded, &manager, &CExtractorManager::RunsEnded,
                Qt::QueuedConnection);
        QSignalSpy changed(&manager, &CExtractorManager::Changed);
        QSignalSpy finished(&manager, &CExtractorManager::UpdateFinished);
        QSignalSpy ended(&engine, &CDownloadEngine::RunEnded);
        QSignalSpy failed(&engine, &CDownloadEngine::RunFailed);
        manager.Start(false);
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, 60000);
        QVERIFY(manager.IsBundled());
        if (downloading) {
            _VIDEO_FILE_INFO_ task;
            task.QstrTaskKey = QStringLiteral("2026-12-09-16-00-00");
            task.QstrFormatId = QStringLiteral("160");
            task.QstrExt = QStringLiteral("mp4");
            task.QstrTitle = QStringLiteral("Running");
            task.QstrOutputDir = data.path() + QLatin1Char('/');
            task.QstrUrl = site.PageUrl(QStringLiteral("Running"));
            engine.Add(task, true);
            QVERIFY(engine.Resume(task.QstrTaskKey));
        }
        manager.UpdateNow();
        if (downloading) {
            QTRY_VERIFY_WITH_TIMEOUT(manager.HasWaitingUpdate(), 120000);
            QVERIFY(engine.HasRunsInProgress());
            QVERIFY(!QFile::exists(CExtractorUpdater::InstalledPath(data.path())));
            QCOMPARE(finished.size(), 0);
            QCOMPARE(changed.size(), 1);
            QVERIFY(site.SetRate(0));
            QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 120000);
            QCOMPARE(failed.size(), 0); // the run was not disturbed
        }
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, 120000);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(manager.ExtractorVersion(), kNewVersion);
        QVERIFY(!manager.IsBundled());
        QCOMPARE(ExtractorPath(app.path()), CExtractorUpdater::InstalledPath(data.path()));

        CAnalysis analysis;
        QSignalSpy analysed(&analysis, &CAnalysis::Finished);
        QVERIFY(analysis.Start({app.path(), site.PageUrl(), data.filePath(QStringLiteral("thumb.jpg")),
                                data.path() + QLatin1Char('/')}));
        QTRY_COMPARE_WITH_TIMEOUT(analysed.size(), 1, 300000);
        const ListingResult listing = analysed.first().first().value<ListingResult>();
        QVERIFY(!listing.bError);
        QCOMPARE(listing.title, QStringLiteral("Fixture Clip"));

        QVERIFY(manager.UseBundled());
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 3, 60000);
        QVERIFY(manager.IsBundled());
        QCOMPARE(ExtractorPath(app.path()), app.filePath(QStringLiteral("Pelmora")));
    }
    // The settings dialog: every control named, a folder the info files cannot hold refused,
    // and OK stores the settings and gives the next runs their options.
    void settingsDialog()
    {
        QTemporaryDir data;
        CExtractorManager manager({QStringLiteral(QUILLANE_APP_DIR), data.path()});
        QSignalSpy changed(&manager, &CExtractorManager::Changed);
        manager.Start(false);
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, 60000);
        CSettingsDialog dialog(&manager, data.path() + QLatin1Char('/'));
        for (QWidget* w : dialog.findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                qobject_cast<QComboBox*>(w) || qobject_cast<QProgressBar*>(w)) {
                QVERIFY2(!w->accessibleName().isEmpty(),
                         qPrintable(QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') +
                                    QString::fromLatin1(w->parent()->metaObject()->className())));
                QVERIFY2(!w->toolTip().isEmpty(), qPrintable(w->accessibleName()));
            }
        }
        QVERIFY(dialog.pExtractorLabel->text().contains(QStringLiteral("2023.03.04")));

        const QString before = dialog.pOutputEdit->text();
        QStringList answers{data.filePath(QStringLiteral("a##@##b")), data.filePath(QStringLiteral("out"))};
        dialog.choosePath = [&answers](QWidget*, bool) { return answers.takeFirst(); };
        const auto choose = dialog.findChildren<QAbstractButton*>().first();
        QCOMPARE(choose->accessibleName(), CLanguagesConfig::GetInstance()->ReadLanguageInfo("Settings/Choose"));
        choose->click();
        QCOMPARE(dialog.pOutputEdit->text(), before);
        QVERIFY(!dialog.pStatusLabel->text().isEmpty());
        choose->click();
        QCOMPARE(dialog.pOutputEdit->text(), data.filePath(QStringLiteral("out")) + QLatin1Char('/'));

        dialog.pCookiesBox->setCurrentIndex(dialog.pCookiesBox->findData(QStringLiteral("firefox")));
        QVERIFY(dialog.pProfileEdit->isEnabled());
        QVERIFY(!dialog.pCookiesFileEdit->isEnabled());
        dialog.pProfileEdit->setText(QStringLiteral("work"));
        dialog.pNeverCheck->setChecked(true);
        dialog.pAtOnceBox->setCurrentIndex(dialog.pAtOnceBox->findData(3));
        dialog.pNotifyCheck->setChecked(false);
        dialog.pOkButton->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QuillaneSettings stored = LoadSettings(data.path());
        QCOMPARE(stored.QstrCookiesBrowser, QStringLiteral("firefox"));
        QCOMPARE(stored.QstrCookiesProfile, QStringLiteral("work"));
        QVERIFY(stored.bNeverUpdate);
        QCOMPARE(stored.nDownloadsAtOnce, 3);
        QVERIFY(!stored.bNotifications);
        QCOMPARE(ReadOutputPath(data.path() + QLatin1Char('/')), data.filePath(QStringLiteral("out")) + QLatin1Char('/'));
        QCOMPARE(ExtractorRunOptions(QStringLiteral(QUILLANE_APP_DIR)),
                 (QStringList{"--cookies-from-browser", "firefox:work"}));
    }
    // A download that fails by itself says why on its row and waits paused; Resume tries
    // again. Its info file keeps its format. Where the program may fetch updates, a notice that
    // leaves the window free offers the update: Yes starts it in the settings (here against a
    // feed without a release), and once declined it is not offered again.
    void failedDownloadSaysWhy_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("cls");
        QTest::addColumn<bool>("updates");
        QTest::newRow("403") << "status/403" << "SiteChanged" << false;
        QTest::newRow("nothing listens") << "" << "Network" << false;
        QTest::newRow("403, the update offered") << "status/403" << "SiteChanged" << true;
    }
    void failedDownloadSaysWhy()
    {
        QFETCH(QString, path);
        QFETCH(QString, cls);
        QFETCH(bool, updates);
        QTemporaryDir feed, out;
        const QString base = Serve(feed.path(), QString());
        QDir(DataFolder() + QStringLiteral("downloading")).removeRecursively(); // earlier rows' tasks
        const auto restore = AllowFetches(base, updates);
        DRUI w;
        w.Init();
        _VIDEO_FILE_INFO_ info;
        info.QstrTaskKey = QStringLiteral("2026-12-09-15-00-00");
        info.QstrFormatId = QStringLiteral("160");
        info.QstrExt = QStringLiteral("mp4");
        info.QstrSize = QStringLiteral("1.00MB");
        info.QstrTitle = QStringLiteral("Broken");
        info.QstrOutputDir = out.path() + QLatin1Char('/');
        info.QstrUrl = path.isEmpty() ? QStringLiteral("http://127.0.0.1:1/") : base + path;
        QSignalSpy ended(&w.engine, &CDownloadEngine::RunEnded);
        std::vector<_VIDEO_FILE_INFO_> list{info};
        w.RefreshDownloadTable(list, false);
        QVERIFY(w.engine.Start(info.QstrTaskKey));
        auto task = [&w] { return w.DownloadInfoAt(0); };
        ExtractorError error;
        error.QstrClass = cls;
        CLanguagesConfig* texts = CLanguagesConfig::GetInstance();
        const QString failed = texts->ReadLanguageInfo("Errors/Failed") +
                               texts->ReadLanguageInfo(error.CauseKey().constData());
        QString status; // the settings' update status once the offered update has ended
        QTimer watch;
        CloseSettingsAfterUpdate(watch, status);
        const int attempts = updates ? 3 : 2;
        for (int attempt = 1; attempt <= attempts; ++attempt) {
            QTRY_COMPARE_WITH_TIMEOUT(ended.size(), attempt, 120000);
            QTRY_COMPARE(task().pStatusLabel->text(), failed);
            QVERIFY(task().bPaused);
            const auto stored = LoadDownloadInfos(w.QstrDownloadingDir);
            QCOMPARE(stored.size(), size_t(1));
            QCOMPARE(stored[0].QstrUrl, info.QstrUrl);
            QCOMPARE(bool(w.pFixNotice), updates && attempt < 3);
            if (w.pFixNotice) {
                QVERIFY(w.pFixNotice->isVisible() && !QApplication::activeModalWidget());
                const QString notice = w.pFixNotice->pMessageLabel->text();
                QVERIFY(notice.contains(info.QstrTitle));
                QVERIFY(notice.contains(texts->ReadLanguageInfo(error.CauseKey().constData())));
                QVERIFY(notice.contains(texts->ReadLanguageInfo("Errors/OfferUpdate")));
                if (attempt == 1) {
                    w.pFixNotice->btnSlotOK();
                    QTRY_COMPARE_WITH_TIMEOUT(status, texts->ReadLanguageInfo("Settings/FetchFailed"), 60000);
                } else {
                    w.pFixNotice->btnSlotNO();
                }
                QTRY_VERIFY(!w.pFixNotice);
            }
            if (attempt < attempts)
                task().pBtnPause->click(); // Resume: a new run
            QVERIFY(attempt == attempts || !task().bPaused);
        }
    }
    // An analysis the site refused says why and offers the update, which the settings show
    // (here against a feed that has no release).
    void failedAnalysisOffersUpdate()
    {
        QTemporaryDir feed;
        const QString base = Serve(feed.path(), QString());
        const auto restore = AllowFetches(base, true);
        DRUI w;
        w.Init();
        QString status;
        QTimer watch;
        CloseSettingsAfterUpdate(watch, status);
        const AddedVideo added = AddVideoThroughDialog(w, base + QStringLiteral("status/403"));
        CLanguagesConfig* texts = CLanguagesConfig::GetInstance();
        QCOMPARE(added.notices.size(), 1);
        QVERIFY(added.notices[0].contains(texts->ReadLanguageInfo("Errors/SiteChanged")));
        QVERIFY(added.notices[0].contains(texts->ReadLanguageInfo("Errors/OfferUpdate")));
        QCOMPARE(status, texts->ReadLanguageInfo("Settings/FetchFailed"));
    }
};

QTEST_MAIN(TestExtractor)
#include "tst_extractor.moc"
