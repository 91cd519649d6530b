#include "toolfetch.h"

#include "command.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace {

// Plain http only for an address on this machine (tests, a local mirror); https elsewhere.
QString AllowedProtocols(const QString& url)
{
    const QString host = QUrl(url).host();
    const bool loopback = host == QLatin1String("127.0.0.1") ||
                          host == QLatin1String("localhost") || host == QLatin1String("::1");
    return loopback ? QStringLiteral("=http,https") : QStringLiteral("=https");
}

// The last whole percentage of what curl's progress bar printed, or -1.
int LastPercent(const QByteArray& text)
{
    static const QRegularExpression re(QStringLiteral("(\\d{1,3})(?:\\.\\d)?%"));
    QRegularExpressionMatchIterator it = re.globalMatch(QString::fromLatin1(text));
    int last = -1;
    while (it.hasNext())
        last = it.next().captured(1).toInt();
    return last <= 100 ? last : -1;
}

} // namespace

QProcess* StartTool(QObject* owner, const QString& program, const QStringList& args,
                    std::function<void(QProcess& process, int exitCode)> done)
{
    auto* process = new QProcess(owner);
    QObject::connect(process, &QProcess::finished, owner,
                     [process, done](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         done(*process, status == QProcess::NormalExit ? code : -1);
                     });
    // Queued: a program that cannot start says so from inside start().
    QObject::connect(
        process, &QProcess::errorOccurred, owner,
        [process, done](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            process->deleteLater();
            done(*process, -1);
        },
        Qt::QueuedConnection);
    BindToProgram(*process, false);
    process->start(program, args);
    return process;
}

QProcess* StartFetch(QObject* owner, const QString& curl, const QString& url, const QString& target,
                     std::function<void(int percent)> progress,
                     std::function<void(int exitCode)> done)
{
    const QStringList args{QStringLiteral("-f"),
                           QStringLiteral("-L"),
                           QStringLiteral("-S"),
                           QStringLiteral("--max-time"),
                           QStringLiteral("1800"),
                           QStringLiteral("--proto"),
                           AllowedProtocols(url),
                           QStringLiteral("--proto-redir"),
                           QStringLiteral("=https"),
                           QStringLiteral("-o"),
                           target,
                           progress ? QStringLiteral("--progress-bar") : QStringLiteral("-s"),
                           QStringLiteral("--url"),
                           url};
    QProcess* process = StartTool(owner, curl, args, [done](QProcess&, int code) { done(code); });
    if (progress) {
        QObject::connect(process, &QProcess::readyReadStandardError, owner, [process, progress] {
            const int percent = LastPercent(process->readAllStandardError());
            if (percent >= 0)
                progress(percent);
        });
    }
    return process;
}

bool MakeExecutable(const QString& path)
{
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                           QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
}
