#include "platform.h"

#include <QProcess>

#ifdef Q_OS_MACOS
#include <QFile>
#include <Security/Authorization.h>
#include <vector>
#endif

namespace {

constexpr int kShutdownWaitMs = 30000;

#ifdef Q_OS_MACOS
// Starts the program with administrator rights through Authorization Services; the user is
// asked for an administrator password. The child is not waited for.
bool StartPrivileged(const QString& program, const QStringList& args)
{
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> argBytes;
    for (const QString& arg : args)
        argBytes.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : argBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    AuthorizationRef auth = nullptr;
    if (AuthorizationCreate(nullptr, kAuthorizationEmptyEnvironment, kAuthorizationFlagDefaults,
                            &auth) != errAuthorizationSuccess)
        return false;

    AuthorizationItem right = {"system.privilege.admin", 0, nullptr, 0};
    AuthorizationRights rights = {1, &right};
    const AuthorizationFlags flags = kAuthorizationFlagInteractionAllowed |
                                     kAuthorizationFlagExtendRights |
                                     kAuthorizationFlagPreAuthorize;
    if (AuthorizationCopyRights(auth, &rights, nullptr, flags, nullptr) !=
        errAuthorizationSuccess) {
        AuthorizationFree(auth, kAuthorizationFlagDestroyRights);
        return false;
    }
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdeprecated-declarations"
    const OSStatus status = AuthorizationExecuteWithPrivileges(
        auth, path.constData(), kAuthorizationFlagDefaults, argv.data(), nullptr);
#pragma clang diagnostic pop
    AuthorizationFree(auth, kAuthorizationFlagDestroyRights);
    return status == errAuthorizationSuccess;
}
#endif

bool DefaultLauncher(const QString& program, const QStringList& args)
{
#ifdef Q_OS_MACOS
    return StartPrivileged(program, args);
#else
    // The data folder is the user's own here: no extra rights are needed.
    return QProcess::startDetached(program, args);
#endif
}

void DefaultShutdownRunner(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (process.waitForStarted(kShutdownWaitMs))
        process.waitForFinished(kShutdownWaitMs);
}

Launcher& CurrentLauncher()
{
    static Launcher launcher = DefaultLauncher;
    return launcher;
}

CommandRunner& CurrentShutdownRunner()
{
    static CommandRunner runner = DefaultShutdownRunner;
    return runner;
}

} // namespace

StartMode DecideStartMode(int argc)
{
    return argc == 2 ? StartMode::ShowWindow : StartMode::Relaunch;
}

bool RelaunchForStart(const QString& program)
{
    return CurrentLauncher()(program, {QStringLiteral("start")});
}

void SetRelaunchLauncher(Launcher launcher)
{
    CurrentLauncher() = launcher ? std::move(launcher) : Launcher(DefaultLauncher);
}

QString ShutdownProgram()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("shutdown");
#else
    return QStringLiteral("systemctl");
#endif
}

QStringList ShutdownArguments()
{
#ifdef Q_OS_MACOS
    return {QStringLiteral("-h"), QStringLiteral("now")};
#else
    return {QStringLiteral("poweroff")};
#endif
}

void RunShutdownCommand()
{
    CurrentShutdownRunner()(ShutdownProgram(), ShutdownArguments());
}

void SetShutdownRunner(CommandRunner runner)
{
    CurrentShutdownRunner() = runner ? std::move(runner) : CommandRunner(DefaultShutdownRunner);
}
