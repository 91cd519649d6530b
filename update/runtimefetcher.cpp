#include "runtimefetcher.h"

#include "extractoroptions.h"
#include "extractorrelease.h"
#include "toolfetch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace {

const char kRuntime[] = "deno";
const char kSumSuffix[] = ".sha256sum";
const char kUnpacked[] = "unpacked";

} // namespace

CRuntimeFetcher::CRuntimeFetcher(const Config& config, QObject* parent)
    : QObject(parent), m_config(config), m_file(RuntimeReleaseFile())
{
    if (!m_config.feed.endsWith(QLatin1Char('/')))
        m_config.feed += QLatin1Char('/');
}

CRuntimeFetcher::~CRuntimeFetcher()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(2000);
    }
}

QString CRuntimeFetcher::InstalledPath(const QString& dataFolder)
{
    return ToolsFolder(dataFolder) + QLatin1String(kRuntime);
}

QString CRuntimeFetcher::TempPath(const QString& name) const
{
    return m_temp->path() + QLatin1Char('/') + name;
}

void CRuntimeFetcher::Start()
{
    if (IsBusy())
        return;
    const QString tools = ToolsFolder(m_config.dataFolder);
    QDir().mkpath(tools);
    // Hidden, and on the same file system as tools/deno, so that the move is one step.
    m_temp = std::make_unique<QTemporaryDir>(tools + QStringLiteral(".runtime-XXXXXX"));
    if (m_file.isEmpty() || !m_temp->isValid())
        return Finish(Result::Failed);
    m_step = Step::Sum;
    const QString sum = m_file + QLatin1String(kSumSuffix);
    m_process = StartFetch(this, m_config.curl, m_config.feed + sum, TempPath(sum), {},
                           [this](int exitCode) { Fetched(exitCode); });
}

void CRuntimeFetcher::Fetched(int exitCode)
{
    if (exitCode != 0)
        return Finish(Result::FetchFailed);
    if (m_step == Step::Sum) {
        m_step = Step::Archive;
        m_process = StartFetch(
            this, m_config.curl, m_config.feed + m_file, TempPath(m_file),
            [this](int percent) { Q_EMIT Progress(percent); }, [this](int code) { Fetched(code); });
        return;
    }
    Q_EMIT Progress(100);
    QFile sum(TempPath(m_file + QLatin1String(kSumSuffix)));
    const QByteArray want =
        sum.open(QIODevice::ReadOnly) ? ParseSha256File(sum.read(4096)) : QByteArray();
    if (want.isEmpty() || FileSha256(TempPath(m_file)) != want)
        return Finish(Result::BadChecksum);
    Unpack();
}

void CRuntimeFetcher::Unpack()
{
    m_step = Step::Unpack;
    // Only the program itself, into a folder of its own.
    const QString folder = TempPath(QLatin1String(kUnpacked));
    const QStringList args{QStringLiteral("-q"),    QStringLiteral("-o"), TempPath(m_file),
                           QLatin1String(kRuntime), QStringLiteral("-d"), folder};
    m_process = StartTool(this, m_config.unzip, args, [this, folder](QProcess&, int code) {
        const QString program = folder + QLatin1Char('/') + QLatin1String(kRuntime);
        const QFileInfo info(program);
        // A link could point anywhere: only a plain file is taken.
        if (code != 0 || info.isSymLink() || !info.isFile() || !MakeExecutable(program))
            return Finish(Result::Broken);
        Probe(program);
    });
}

void CRuntimeFetcher::Probe(const QString& program)
{
    m_step = Step::Probe;
    const QString name = QLatin1String(kRuntime);
    m_process = StartTool(
        this, program, RuntimeVersionArguments(name),
        [this, program, name](QProcess& process, int code) {
            const QList<int> version =
                ParseRuntimeVersion(name, QString::fromUtf8(process.readAllStandardOutput()));
            if (code != 0 || version.isEmpty())
                return Finish(Result::Broken);
            if (!RuntimeIsRecentEnough(name, version))
                return Finish(Result::TooOld);
            const QByteArray target = QFile::encodeName(InstalledPath(m_config.dataFolder));
            if (std::rename(QFile::encodeName(program).constData(), target.constData()) != 0)
                return Finish(Result::Failed);
            Finish(Result::Installed,
                   QStringLiteral("%1.%2.%3").arg(version[0]).arg(version[1]).arg(version[2]));
        });
}

void CRuntimeFetcher::Finish(Result result, const QString& version)
{
    m_step = Step::Idle;
    m_temp.reset();
    Q_EMIT Finished(result, version);
}
