#pragma once
// The web pages the program opens (product, guide, support) and the fetches of the
// start-up update check. Every fetch is a run of the command-line program curl with an
// argument list (no shell) and with certificate checks on, driven through its signals on the
// thread that asks (the GUI thread): nothing waits for it.

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <atomic>
#include <functional>
#include <vector>

class QObject;
class QProcess;

// True when the fetched version text names a newer version than the local one: a remote text
// of at most 15 characters that is greater in plain character order (a prefix is smaller).
bool IsNewerVersion(const QString& local, const QString& remote);

// True for an address on a name reserved never to resolve: under the top-level names
// "invalid", "test" and "example", or example.com, example.net and example.org. A build that
// keeps such a site has none, and nothing is fetched from it or opened on it.
bool IsReservedSite(const QString& url);

// The help page shipped in the application folder: Help/`page` (a plain file name that the
// language file gives) where it exists, else Help/English.html; empty if neither exists.
QString LocalHelpPage(const QString& appFolder, const QString& page);

class CURLConfig
{
public:
    static CURLConfig* GetInstance();

    // The three links back to their defaults on the first vendor site.
    void Init();

    // The link check: reads "yt=yes;N" from the parameter file of the second site; N == 1001
    // sets the show-url flag, and N is the threshold (in thousandths) for switching the
    // support link to the second site. Skipped on Chinese systems. `done` is called once the
    // check is over, from the event loop (never inside this call), unless `context` has gone.
    void CheckUrl(QObject* context, std::function<void()> done);

    // Fetches the version file: `done` gets at most `size` bytes of it (empty if there is
    // none), from the event loop, unless `context` has gone.
    void GetVersionInfo(QObject* context, int size, std::function<void(QByteArray)> done);

    bool IsChineseSystem() const;
    bool IsShowUrl() const { return bShowUrl.load(); }

    QString ProductUrl() const { return QString::fromLatin1(pProductUrl.load()); }
    QString GuideUrl() const { return QString::fromLatin1(pGuideUrl.load()); }
    QString SupportUrl() const { return QString::fromLatin1(pSupportUrl.load()); }

    // What Help and Support open: the guide and support links, or, where the link lies on a
    // reserved site, the local help page (`localPage`, a path); Support prefers the project's
    // issue page when the build names one.
    QUrl HelpTarget(const QString& localPage) const;
    QUrl SupportTarget(const QString& localPage) const;

    // Ends the fetches in progress at once, without telling their callers, and makes later
    // fetches fail (the program is closing).
    void RequestStop();

    // Where the temporary files of the fetches go (the data folder).
    void SetDataFolder(const QString& folder);

    // Tests point the program at sites of their own, a fixed system language and another
    // curl; call before anything else uses the instance.
    struct Overrides
    {
        QString site1;
        QString site2;
        int nChineseSystem = -1; // -1: ask the system locale; 0 or 1: fixed
        QString curlProgram;     // empty: "curl"
        QString dataFolder;
        QString issuePage; // replaces the build's issue page, also when empty
    };
    void SetOverrides(const Overrides& overrides);

    // Each slot points at one of the fixed link texts; a switch is one atomic store.
    std::atomic<const char*> pProductUrl{nullptr};
    std::atomic<const char*> pGuideUrl{nullptr};
    std::atomic<const char*> pSupportUrl{nullptr};

private:
    CURLConfig();
    void BuildLinks(const QString& site1, const QString& site2);
    // Runs curl for url into dataFolder + tmpName; once it has ended, reads at most limit bytes
    // of the file, deletes it and hands the bytes to `done` (empty if nothing could be read).
    // Takes "yt=yes;N" from the parameter file's text (see CheckUrl).
    void ApplyLinkParameters(const QByteArray& param);
    void Fetch(const QString& url, const QString& tmpName, int limit, QObject* context,
               std::function<void(QByteArray)> done);

    std::atomic<bool> bShowUrl{false};
    std::atomic<bool> m_bStop{false};
    bool bChineseSystem = false;
    int m_nChineseOverride = -1;
    QString m_dataFolder;
    QString m_curl = QStringLiteral("curl");
    QString m_site1;
    QString m_site2;
    QString m_issuePage;
    // The fixed texts the slots point at (built once, before any slot is read).
    QByteArray m_productUrl, m_guideUrl, m_supportUrl, m_supportUrl2;
    std::vector<QPointer<QProcess>> m_fetches; // the curl runs not yet ended
};
