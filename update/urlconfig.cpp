#include "urlconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kFetchLimitMs = 15000;
constexpr int kKilledWaitMs = 1000;

} // namespace

bool IsNewerVersion(const QString& local, const QString& remote)
{
    return remote.size() <= 15 && !local.isEmpty() && local < remote;
}

bool IsReservedSite(const QString& url)
{
    const QString host = QUrl(url).host().toLower();
    if (host.isEmpty())
        return true;
    const QString topLevel = host.section(QLatin1Char('.'), -1);
    static const QStringList reservedTops{QStringLiteral("invalid"), QStringLiteral("test"),
                                          QStringLiteral("example")};
    static const QStringList reservedDomains{QStringLiteral("example.com"),
                                             QStringLiteral("example.net"),
                                             QStringLiteral("example.org")};
    if (reservedTops.contains(topLevel))
        return true;
    for (const QString& domain : reservedDomains) {
        if (host == domain || host.endsWith(QLatin1Char('.') + domain))
            return true;
    }
    return false;
}

QString LocalHelpPage(const QString& appFolder, const QString& page)
{
    const QDir help(appFolder + QStringLiteral("/Help"));
    // Only a file of the help folder itself, never a path out of it.
    const bool bPlainName = !page.isEmpty() && QFileInfo(page).fileName() == page &&
                            page != QLatin1String("..") && page != QLatin1String(".");
    for (const QString& name : {bPlainName ? page : QString(), QStringLiteral("English.html")}) {
        if (!name.isEmpty() && QFileInfo(help.filePath(name)).isFile())
            return help.filePath(name);
    }
    return QString();
}

CURLConfig* CURLConfig::GetInstance()
{
    static CURLConfig s_URLConfig;
    return &s_URLConfig;
}

CURLConfig::CURLConfig()
{
    bChineseSystem = IsChineseSystem();
    BuildLinks(QStringLiteral(QUILLANE_SITE1), QStringLiteral(QUILLANE_SITE2));
    m_issuePage = QStringLiteral(QUILLANE_ISSUE_PAGE);
    Init();
}

void CURLConfig::BuildLinks(const QString& site1, const QString& site2)
{
    m_site1 = site1;
    m_site2 = site2;
    m_productUrl = (site1 + QStringLiteral("/quillane.html")).toLatin1();
    m_guideUrl = (site1 + QStringLiteral("/guide/quillane.html")).toLatin1();
    m_supportUrl = (site1 + QStringLiteral("/support.html")).toLatin1();
    m_supportUrl2 = (site2 + QStringLiteral("/support.html")).toLatin1();
}

void CURLConfig::SetOverrides(const Overrides& overrides)
{
    BuildLinks(overrides.site1.isEmpty() ? m_site1 : overrides.site1,
               overrides.site2.isEmpty() ? m_site2 : overrides.site2);
    m_nChineseOverride = overrides.nChineseSystem;
    bChineseSystem = IsChineseSystem();
    if (!overrides.curlProgram.isEmpty())
        m_curl = overrides.curlProgram;
    if (!overrides.dataFolder.isEmpty())
        m_dataFolder = overrides.dataFolder;
    m_issuePage = overrides.issuePage;
    m_bStop = false;
    bShowUrl = false;
    Init();
}

void CURLConfig::SetDataFolder(const QString& folder)
{
    m_dataFolder = folder;
    m_bStop = false;
}

void CURLConfig::Init()
{
    pProductUrl.store(m_productUrl.constData());
    pGuideUrl.store(m_guideUrl.constData());
    pSupportUrl.store(m_supportUrl.constData());
}

QUrl CURLConfig::HelpTarget(const QString& localPage) const
{
    const QString guide = GuideUrl();
    if (!IsReservedSite(guide))
        return QUrl(guide);
    return localPage.isEmpty() ? QUrl() : QUrl::fromLocalFile(localPage);
}

QUrl CURLConfig::SupportTarget(const QString& localPage) const
{
    for (const QString& link : {SupportUrl(), m_issuePage}) {
        if (!link.isEmpty() && !IsReservedSite(link))
            return QUrl(link);
    }
    return localPage.isEmpty() ? QUrl() : QUrl::fromLocalFile(localPage);
}

bool CURLConfig::IsChineseSystem() const
{
    if (m_nChineseOverride >= 0)
        return m_nChineseOverride == 1;
    return QLocale::system().language() == QLocale::Chinese;
}

void CURLConfig::Fetch(const QString& url, const QString& tmpName, int limit, QObject* context,
                       std::function<void(QByteArray)> done)
{
    const QString tmpFile = m_dataFolder + tmpName;
    // What an earlier run left there is no answer of this server.
    QFile::remove(tmpFile);
    if (m_bStop) {
        QTimer::singleShot(0, context, [done] { done(QByteArray()); });
        return;
    }
    m_fetches.erase(std::remove(m_fetches.begin(), m_fetches.end(), nullptr), m_fetches.end());
    // Not a child of the caller: a run ends and frees itself, or RequestStop ends it; a
    // caller that has gone is told nothing.
    auto* curl = new QProcess;
    m_fetches.emplace_back(curl);
    const QPointer<QObject> caller(context);
    const auto ended = [curl, tmpFile, limit, caller, done] {
        curl->disconnect();
        curl->deleteLater();
        QFile file(tmpFile);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly)) {
            bytes = file.read(limit);
            file.close();
            file.remove();
        }
        if (caller)
            done(bytes);
    };
    QObject::connect(curl, &QProcess::finished, curl, ended);
    // A start that fails may say so inside start(): the caller hears of it from the event loop.
    QObject::connect(
        curl, &QProcess::errorOccurred, curl,
        [ended](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                ended();
        },
        Qt::QueuedConnection);
    // curl gives up by itself after 10 s; one that does not is ended after 15.
    QTimer::singleShot(kFetchLimitMs, curl, [curl] { curl->kill(); });
    // -f: a server error page is no version file; certificate checks stay on.
    curl->start(m_curl, {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-m"),
                         QStringLiteral("10"), QStringLiteral("-o"), tmpFile, url});
}

void CURLConfig::RequestStop()
{
    m_bStop = true;
    std::vector<QPointer<QProcess>> fetches;
    fetches.swap(m_fetches);
    for (const QPointer<QProcess>& curl : fetches) {
        if (!curl)
            continue;
        curl->disconnect();
        if (curl->state() != QProcess::NotRunning) {
            curl->kill();
            curl->waitForFinished(kKilledWaitMs); // SIGKILL: ends at once
        }
        delete curl;
    }
}

void CURLConfig::CheckUrl(QObject* context, std::function<void()> done)
{
    // A reserved site is no site: no process is started for it.
    if (bChineseSystem || IsReservedSite(m_site2)) {
        QTimer::singleShot(0, context, [done] { done(); });
        return;
    }
    Fetch(m_site2 + QStringLiteral("/version.txt"), QStringLiteral("param.html"), 1024, context,
          [this, done](const QByteArray& text) {
              ApplyLinkParameters(text);
              done();
          });
}

void CURLConfig::ApplyLinkParameters(const QByteArray& param)
{
    // The text as far as its first NUL, as a C string.
    const char* found = std::strstr(param.constData(), "yt=yes;");
    if (!found)
        return;
    const int value = std::atoi(found + 7);
    if (value == 1001)
        bShowUrl = true;

    const int r = int(QRandomGenerator::global()->bounded(1000));
    if (r <= value)
        pSupportUrl.store(m_supportUrl2.constData());
}

void CURLConfig::GetVersionInfo(QObject* context, int size, std::function<void(QByteArray)> done)
{
    const QString url = bChineseSystem ? m_site1 + QStringLiteral("/version.txt")
                                       : m_site2 + QStringLiteral("/youtube-version.txt");
    if (IsReservedSite(url)) {
        QTimer::singleShot(0, context, [done] { done(QByteArray()); });
        return;
    }
    Fetch(url, QStringLiteral("tmp.html"), size, context, std::move(done));
}
