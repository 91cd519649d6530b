#include "settings.h"

#include <QDir>
#include <QSettings>

QString SettingsPath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("Settings.ini"));
}

QuillaneSettings LoadSettings(const QString& dataFolder)
{
    const QSettings ini(SettingsPath(dataFolder), QSettings::IniFormat);
    QuillaneSettings s;
    const QString channel = ini.value(QStringLiteral("Extractor/Channel")).toString();
    if (channel == QLatin1String("nightly"))
        s.QstrChannel = channel;
    s.QstrFeed = ini.value(QStringLiteral("Extractor/Feed")).toString();
    s.bNeverUpdate = ini.value(QStringLiteral("Extractor/Never"), false).toBool();
    s.lastUpdateCheck = QDate::fromString(ini.value(QStringLiteral("Extractor/LastCheck")).toString(),
                                          Qt::ISODate);
    s.QstrRuntimePath = ini.value(QStringLiteral("Runtime/Path")).toString();
    const QString browser = ini.value(QStringLiteral("Cookies/Browser")).toString();
    if (CookieBrowsers().contains(browser))
        s.QstrCookiesBrowser = browser;
    s.QstrCookiesProfile = ini.value(QStringLiteral("Cookies/Profile")).toString();
    s.QstrCookiesFile = ini.value(QStringLiteral("Cookies/File")).toString();
    const int atOnce = ini.value(QStringLiteral("Downloads/AtOnce"), 0).toInt();
    s.nDownloadsAtOnce = atOnce >= 1 && atOnce <= QuillaneSettings::kMaxDownloadsAtOnce ? atOnce : 0;
    s.bWatchClipboard = ini.value(QStringLiteral("Downloads/WatchClipboard"), false).toBool();
    s.bNotifications = ini.value(QStringLiteral("Downloads/Notify"), true).toBool();
    return s;
}

bool SaveSettings(const QString& dataFolder, const QuillaneSettings& s)
{
    QDir().mkpath(dataFolder);
    QSettings ini(SettingsPath(dataFolder), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Extractor/Channel"), s.QstrChannel);
    ini.setValue(QStringLiteral("Extractor/Feed"), s.QstrFeed);
    ini.setValue(QStringLiteral("Extractor/Never"), s.bNeverUpdate);
    ini.setValue(QStringLiteral("Extractor/LastCheck"), s.lastUpdateCheck.toString(Qt::ISODate));
    ini.setValue(QStringLiteral("Runtime/Path"), s.QstrRuntimePath);
    ini.setValue(QStringLiteral("Cookies/Browser"), s.QstrCookiesBrowser);
    ini.setValue(QStringLiteral("Cookies/Profile"), s.QstrCookiesProfile);
    ini.setValue(QStringLiteral("Cookies/File"), s.QstrCookiesFile);
    ini.setValue(QStringLiteral("Downloads/AtOnce"), s.nDownloadsAtOnce);
    ini.setValue(QStringLiteral("Downloads/WatchClipboard"), s.bWatchClipboard);
    ini.setValue(QStringLiteral("Downloads/Notify"), s.bNotifications);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

QStringList CookieBrowsers()
{
    QStringList browsers{QStringLiteral("firefox"), QStringLiteral("chrome"),
                         QStringLiteral("chromium"), QStringLiteral("brave"),
                         QStringLiteral("edge"), QStringLiteral("opera"),
                         QStringLiteral("vivaldi")};
#ifdef Q_OS_MACOS
    browsers << QStringLiteral("safari");
#endif
    return browsers;
}
