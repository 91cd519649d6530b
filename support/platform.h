#pragma once
// Operating-system services behind one interface: the start-up relaunch and the shut-down
// command. Everything macOS-only lives behind Q_OS_MACOS in platform.cpp.

#include <QString>
#include <QStringList>
#include <functional>

// How main() proceeds: exactly one argument (argc == 2) shows the window; anything else
// relaunches the program with the single argument "start" and exits 0.
enum class StartMode { ShowWindow, Relaunch };
StartMode DecideStartMode(int argc);

// Starts `program` again with the single argument "start" (with administrator rights on macOS,
// as the user on Linux, where the data folder is the user's own) and does not wait for it.
// Returns true if the start was handed to the system.
using Launcher = std::function<bool(const QString& program, const QStringList& args)>;
bool RelaunchForStart(const QString& program);
// Tests replace the launcher (nullptr restores the real one).
void SetRelaunchLauncher(Launcher launcher);

// The platform's own power-off command: macOS "shutdown -h now", Linux "systemctl poweroff".
QString ShutdownProgram();
QStringList ShutdownArguments();

// Issues the shut-down command through the current runner. Tests install a runner of their
// own so that no test ever powers a machine off.
using CommandRunner = std::function<void(const QString& program, const QStringList& args)>;
void RunShutdownCommand();
void SetShutdownRunner(CommandRunner runner);
