#pragma once
// Keeps the extractor current: fetches the newest release of the chosen channel, verifies
// it, and installs it into the data folder's tools/ folder; finds the newest extractor the
// program has.
//
// A release is taken only when the signature of its checksum list verifies against the
// publisher's key (the application folder's extractor-release-key.asc) with gpgv, and the
// file's SHA-256 equals its line in the list. Anything else leaves the current extractor in
// place. Every external program runs with an argument list and is driven through its
// signals on the thread of the object (the GUI thread).

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class CExtractorUpdater : public QObject
{
    Q_OBJECT
public:
    enum class Result {
        Installed,    // a newer extractor is in tools/
        UpToDate,     // the release is not newer than the extractor in use
        FetchFailed,  // a file could not be fetched whole
        NoSignature,  // the release has no signature of its checksum list
        BadSignature, // the signature does not verify against the publisher's key
        BadChecksum,  // the file is not the one the checksum list names
        Broken,       // the file does not run as an extractor
        Failed,       // it could not be installed (folder not writable)
    };
    Q_ENUM(Result)

    struct Config
    {
        QString feed;       // address of the release's files, ending in "/"
        QString dataFolder; // tools/ is made below it
        QString keyFile;    // the publisher's armoured key
        QString curl = QStringLiteral("curl");
        QString gpgv = QStringLiteral("gpgv");
    };

    explicit CExtractorUpdater(const Config& config, QObject* parent = nullptr);
    ~CExtractorUpdater() override;

    // Fetches and verifies the release; `currentVersion` is the version in use. Does nothing
    // while an update is under way.
    void Start(const QString& currentVersion);
    bool IsBusy() const { return m_step != Step::Idle; }

    // While this returns true (extractor runs in progress), a verified release waits;
    // call InstallWaiting() when the runs have ended.
    void SetRunsInProgress(std::function<bool()> check) { m_runsInProgress = std::move(check); }
    bool HasWaiting() const { return m_step == Step::Waiting; }
    void InstallWaiting();

    // Removes the installed extractor, so that the application folder's is used again; the
    // removed one is kept as the previous. Returns false if it could not be removed.
    static bool UseBundled(const QString& dataFolder);
    // The installed extractor of this data folder, and the one it replaced.
    static QString InstalledPath(const QString& dataFolder);
    static QString PreviousPath(const QString& dataFolder);

Q_SIGNALS:
    void Progress(int percent);
    void Finished(CExtractorUpdater::Result result, const QString& version);

private:
    enum class Step { Idle, Sums, Signature, File, Verify, Probe, Waiting };

    void Fetch(const QString& name, bool showProgress);
    void OnFetched(int exitCode);
    void Verify();
    void Probe();
    void Install();
    void Finish(Result result, const QString& version = QString());
    QString TempPath(const QString& name) const;

    Config m_config;
    Step m_step = Step::Idle;
    QString m_currentVersion;
    QString m_newVersion;
    std::unique_ptr<QTemporaryDir> m_temp;
    QPointer<QProcess> m_process;
    std::function<bool()> m_runsInProgress;
};

// Asks each candidate extractor for its version and reports the newest one that runs.
class CExtractorLocator : public QObject
{
    Q_OBJECT
public:
    explicit CExtractorLocator(QObject* parent = nullptr);
    // Candidates in order of preference when their versions are equal.
    void Locate(const QStringList& candidates);

Q_SIGNALS:
    // `path` is empty when none of the candidates runs.
    void Located(const QString& path, const QString& version);

private:
    void Next();
    QStringList m_pending;
    QString m_bestPath;
    QString m_bestVersion;
    QPointer<QProcess> m_process;
};
