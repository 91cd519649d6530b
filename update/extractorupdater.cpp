#include "extractorupdater.h"

#include "command.h"
#include "extractorrelease.h"
#include "toolfetch.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace {

const char kSums[] = "SHA2-256SUMS";
const char kSignature[] = "SHA2-256SUMS.sig";
const char kInstalledName[] = "Pelmora";
const char kPreviousName[] = "Pelmora.previous";

} // namespace

CExtractorUpdater::CExtractorUpdater(const Config& config, QObject* parent)
    : QObject(parent), m_config(config)
{
    if (!m_config.feed.endsWith(QLatin1Char('/')))
        m_config.feed += QLatin1Char('/');
}

CExtractorUpdater::~CExtractorUpdater()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(2000);
    }
}

QString CExtractorUpdater::InstalledPath(const QString& dataFolder)
{
    return ToolsFolder(dataFolder) + QLatin1String(kInstalledName);
}

QString CExtractorUpdater::PreviousPath(const QString& dataFolder)
{
    return ToolsFolder(dataFolder) + QLatin1String(kPreviousName);
}

QString CExtractorUpdater::TempPath(const QString& name) const
{
    return m_temp->path() + QLatin1Char('/') + name;
}

void CExtractorUpdater::Start(const QString& currentVersion)
{
    if (IsBusy())
        return;
    m_currentVersion = currentVersion;
    m_newVersion.clear();
    const QString tools = ToolsFolder(m_config.dataFolder);
    QDir().mkpath(tools);
    // A hidden name of the program's own, so that a crash leaves nothing that looks used.
    m_temp = std::make_unique<QTemporaryDir>(tools + QStringLiteral(".update-XXXXXX"));
    if (!m_temp->isValid()) {
        Finish(Result::Failed);
        return;
    }
    m_step = Step::Sums;
    Fetch(QLatin1String(kSums), false);
}

void CExtractorUpdater::Fetch(const QString& name, bool showProgress)
{
    std::function<void(int)> progress;
    if (showProgress)
        progress = [this](int percent) { Q_EMIT Progress(percent); };
    m_process = StartFetch(this, m_config.curl, m_config.feed + name, TempPath(name), progress,
                           [this](int exitCode) { OnFetched(exitCode); });
}

void CExtractorUpdater::OnFetched(int exitCode)
{
    const bool ok = exitCode == 0;
    switch (m_step) {
    case Step::Sums:
        if (!ok)
            return Finish(Result::FetchFailed);
        m_step = Step::Signature;
        return Fetch(QLatin1String(kSignature), false);
    case Step::Signature:
        if (!ok)
            return Finish(exitCode == kCurlHttpError ? Result::NoSignature : Result::FetchFailed);
        m_step = Step::File;
        return Fetch(ExtractorReleaseFile(), true);
    case Step::File:
        if (!ok)
            return Finish(Result::FetchFailed);
        Q_EMIT Progress(100);
        return Verify();
    default:
        return;
    }
}

void CExtractorUpdater::Verify()
{
    m_step = Step::Verify;
    QFile keyFile(m_config.keyFile);
    const QByteArray key =
        keyFile.open(QIODevice::ReadOnly) ? DearmorKey(keyFile.readAll()) : QByteArray();
    QFile keyring(TempPath(QStringLiteral("release-key.gpg")));
    if (key.isEmpty() || !keyring.open(QIODevice::WriteOnly) || keyring.write(key) != key.size())
        return Finish(Result::BadSignature);
    keyring.close();

    // Without gpgv nothing is taken unverified.
    const QStringList args{QStringLiteral("--homedir"),         m_temp->path(),
                           QStringLiteral("--keyring"),         keyring.fileName(),
                           TempPath(QLatin1String(kSignature)), TempPath(QLatin1String(kSums))};
    m_process = StartTool(this, m_config.gpgv, args, [this](QProcess&, int code) {
        if (code != 0)
            return Finish(Result::BadSignature);
        QFile sums(TempPath(QLatin1String(kSums)));
        const QByteArray want = sums.open(QIODevice::ReadOnly)
                                    ? ParseSha256Sums(sums.readAll()).value(ExtractorReleaseFile())
                                    : QByteArray();
        if (want.isEmpty() || FileSha256(TempPath(ExtractorReleaseFile())) != want)
            return Finish(Result::BadChecksum);
        Probe();
    });
}

void CExtractorUpdater::Probe()
{
    m_step = Step::Probe;
    const QString file = TempPath(ExtractorReleaseFile());
    MakeExecutable(file);
    m_process =
        StartTool(this, file, {QStringLiteral("--version")}, [this](QProcess& process, int code) {
            const QString version = QString::fromUtf8(process.readAllStandardOutput())
                                        .split(QLatin1Char('\n'))
                                        .value(0);
            if (code != 0 || ParseExtractorVersion(version).isEmpty())
                return Finish(Result::Broken);
            m_newVersion = version.trimmed();
            if (CompareExtractorVersions(m_newVersion, m_currentVersion) <= 0)
                return Finish(Result::UpToDate, m_newVersion);
            if (m_runsInProgress && m_runsInProgress()) {
                m_step = Step::Waiting;
                return;
            }
            Install();
        });
}

void CExtractorUpdater::InstallWaiting()
{
    if (m_step == Step::Waiting && !(m_runsInProgress && m_runsInProgress()))
        Install();
}

void CExtractorUpdater::Install()
{
    const QString target = InstalledPath(m_config.dataFolder);
    const QString previous = PreviousPath(m_config.dataFolder);
    const QByteArray targetName = QFile::encodeName(target);
    // The one in use stays reachable as the previous; the new one replaces it in one step.
    if (QFile::exists(target)) {
        QFile::remove(previous);
        if (::link(targetName.constData(), QFile::encodeName(previous).constData()) != 0)
            QFile::copy(target, previous);
    }
    const QByteArray source = QFile::encodeName(TempPath(ExtractorReleaseFile()));
    if (std::rename(source.constData(), targetName.constData()) != 0)
        return Finish(Result::Failed);
    Finish(Result::Installed, m_newVersion);
}

void CExtractorUpdater::Finish(Result result, const QString& version)
{
    m_step = Step::Idle;
    m_temp.reset();
    Q_EMIT Finished(result, version);
}

bool CExtractorUpdater::UseBundled(const QString& dataFolder)
{
    const QString target = InstalledPath(dataFolder);
    if (!QFile::exists(target))
        return true;
    const QString previous = PreviousPath(dataFolder);
    QFile::remove(previous);
    return QFile::rename(target, previous);
}

CExtractorLocator::CExtractorLocator(QObject* parent) : QObject(parent) {}

void CExtractorLocator::Locate(const QStringList& candidates)
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->deleteLater();
    }
    m_pending = candidates;
    m_bestPath.clear();
    m_bestVersion.clear();
    Next();
}

void CExtractorLocator::Next()
{
    while (!m_pending.isEmpty() && !QFile::exists(m_pending.first()))
        m_pending.removeFirst();
    if (m_pending.isEmpty()) {
        Q_EMIT Located(m_bestPath, m_bestVersion);
        return;
    }
    const QString path = m_pending.takeFirst();
    auto* process = new QProcess(this);
    m_process = process;
    auto done = [this, process, path](bool ran) {
        process->deleteLater();
        const QString version =
            ran ? QString::fromUtf8(process->readAllStandardOutput()).split(QLatin1Char('\n'))[0]
                      .trimmed()
                : QString();
        if (!ParseExtractorVersion(version).isEmpty() &&
            (m_bestPath.isEmpty() || CompareExtractorVersions(version, m_bestVersion) > 0)) {
            m_bestPath = path;
            m_bestVersion = version;
        }
        Next();
    };
    connect(process, &QProcess::finished, this, [done](int code, QProcess::ExitStatus st) {
        done(st == QProcess::NormalExit && code == 0);
    });
    connect(process, &QProcess::errorOccurred, this, [done](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            done(false);
    });
    BindToProgram(*process, false);
    process->start(path, {QStringLiteral("--version")});
}
