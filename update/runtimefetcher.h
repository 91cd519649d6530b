#pragma once
// Fetches the JavaScript runtime Deno from its publisher's releases into the data folder's
// tools/, for extractors that need one for some sites.
//
// The platform's zip is taken only when its SHA-256 equals the one in the ".sha256sum" file
// beside it, it holds a program "deno" that runs and says it is 2.0 or later. The program is
// unpacked into a temporary folder inside tools/ and moved to tools/deno in one step;
// anything else leaves tools/ as it was. Every external program runs with an argument list,
// driven through its signals on the thread of the object (the GUI thread).

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class QProcess;

class CRuntimeFetcher : public QObject
{
    Q_OBJECT
public:
    enum class Result {
        Installed,   // tools/deno is the fetched runtime
        FetchFailed, // a file could not be fetched whole
        BadChecksum, // the zip is not the one its checksum file names
        Broken,      // the zip holds no runtime that runs
        TooOld,      // the runtime is older than the extractor takes
        Failed,      // no build for this platform, or tools/ is not writable
    };
    Q_ENUM(Result)

    struct Config
    {
        QString feed;       // address of the release's files, ending in "/"
        QString dataFolder; // tools/ is made below it
        QString curl = QStringLiteral("curl");
        QString unzip = QStringLiteral("unzip");
    };

    explicit CRuntimeFetcher(const Config& config, QObject* parent = nullptr);
    ~CRuntimeFetcher() override;

    // Fetches, verifies and installs the runtime. Does nothing while a fetch is under way.
    void Start();
    bool IsBusy() const { return m_step != Step::Idle; }

    // Where the fetched runtime goes: tools/deno.
    static QString InstalledPath(const QString& dataFolder);

Q_SIGNALS:
    void Progress(int percent);
    // `version` is the installed runtime's ("2.1.4"), else empty.
    void Finished(CRuntimeFetcher::Result result, const QString& version);

private:
    enum class Step { Idle, Sum, Archive, Unpack, Probe };

    void Fetched(int exitCode);
    void Unpack();
    void Probe(const QString& program);
    void Finish(Result result, const QString& version = QString());
    QString TempPath(const QString& name) const;

    Config m_config;
    QString m_file; // the platform's zip
    Step m_step = Step::Idle;
    std::unique_ptr<QTemporaryDir> m_temp;
    QPointer<QProcess> m_process;
};
