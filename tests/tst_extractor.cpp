// The extractor stays current: releases fetched from a feed on 127.0.0.1, verified with gpgv
// against a key the test makes, installed into tools/, and the newest extractor chosen.
// The release is a real extractor build: Debian's extractor packed as a single file with a
// newer version text.

#include "extractorrelease.h"
#include "extractorupdater.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kNewVersion = QStringLiteral("2099.01.02");

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
    QProcess m_server;

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
    QString Serve(const QString& folder, const QString& cut)
    {
        m_server.kill();
        m_server.waitForFinished();
        QStringList args{QStringLiteral(QUILLANE_FIXTURES_DIR "/release_server.py"), folder};
        if (!cut.isEmpty())
            args << QStringLiteral("--cut") << cut;
        m_server.start(QStringLiteral("python3"), args);
        if (!m_server.waitForStarted() || !m_server.waitForReadyRead(30000))
            return {};
        const QByteArray line = m_server.readLine().trimmed();
        return QStringLiteral("http://127.0.0.1:%1/").arg(QString::fromLatin1(line.mid(5)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        fixture::IsolateHome(m_work.filePath(QStringLiteral("home")));
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
        version.replace(QByteArray("__version__ = '"), QByteArray("__version__ = '2099.01.02'\n_old = '"));
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
        m_server.kill();
        m_server.waitForFinished();
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
        QVERIFY(QFile::copy(m_build, feed.filePath(name)));
        QByteArray sum = FileSha256(m_build);
        if (tamper == QLatin1String("checksum"))
            sum[0] = sum[0] == '0' ? '1' : '0';
        QVERIFY(WriteFile(feed.filePath(QStringLiteral("SHA2-256SUMS")),
                          "0000000000000000000000000000000000000000000000000000000000000000  "
                          "yt-dlp.exe\n" + sum + "  " + name.toUtf8() + "\n"));
        if (tamper != QLatin1String("nosig"))
            QVERIFY(Gpg({QStringLiteral("--local-user"),
                         tamper == QLatin1String("signer") ? QStringLiteral("other@test.invalid")
                                                           : QStringLiteral("release@test.invalid"),
                         QStringLiteral("--detach-sign"), QStringLiteral("-o"),
                         feed.filePath(QStringLiteral("SHA2-256SUMS.sig")),
                         feed.filePath(QStringLiteral("SHA2-256SUMS"))}) != "FAILED");

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
};

QTEST_GUILESS_MAIN(TestExtractor)
#include "tst_extractor.moc"
