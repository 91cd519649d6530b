#pragma once
// What the fetches of the program's tools (extractor updates, a JavaScript runtime) have in
// common: each helper program (curl, gpgv, unzip, the fetched tool itself) runs with an
// argument list as a child of the object that fetches, driven through its signals on that
// object's thread; curl takes plain http only from this machine.

#include <QString>
#include <QStringList>
#include <functional>

class QObject;
class QProcess;

// curl's exit code for an HTTP answer of 400 or above (with -f).
inline constexpr int kCurlHttpError = 22;

// Runs `program` with `args` as a child of `owner`. `done` gets the process (its output can
// still be read) and its exit code, or -1 when it did not start or crashed; it is always
// called from the event loop, never from inside this call. The process is freed after `done`.
// Returns the process, so that the owner can stop it when it goes.
QProcess* StartTool(QObject* owner, const QString& program, const QStringList& args,
                    std::function<void(QProcess& process, int exitCode)> done);

// Fetches `url` whole into `target` with curl: an HTTP error fails the fetch, redirects are
// followed over https only, and the address itself may be plain http only on this machine.
// With `progress`, curl's percentages are passed on as they come.
QProcess* StartFetch(QObject* owner, const QString& curl, const QString& url, const QString& target,
                     std::function<void(int percent)> progress,
                     std::function<void(int exitCode)> done);

// Lets a fetched program run: rwxr-xr-x.
bool MakeExecutable(const QString& path);
