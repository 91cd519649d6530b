#pragma once
// The user's settings: Settings.ini in the data folder. Missing values read as the defaults;
// writes go through QSettings, which replaces the file in one step.

#include <QDate>
#include <QString>

struct QuillaneSettings
{
    // The extractor.
    QString QstrChannel = QStringLiteral("stable"); // "stable" or "nightly"
    QString QstrFeed;                 // overrides the channel's address (mirrors, tests)
    bool bNeverUpdate = false;        // no background check and no offer after failures
    QDate lastUpdateCheck;            // the day of the last background check

    // The JavaScript runtime: a path the user named (empty: look for one).
    QString QstrRuntimePath;

    // Browser cookies: none (empty), a browser name with an optional profile, or a file.
    QString QstrCookiesBrowser;
    QString QstrCookiesProfile;
    QString QstrCookiesFile;

    // Downloads: how many run at once (0: no limit, else 1 to kMaxDownloadsAtOnce), whether a
    // video link copied to the clipboard is offered, and whether the desktop is told when
    // downloads end.
    static constexpr int kMaxDownloadsAtOnce = 10;
    int nDownloadsAtOnce = 0;
    bool bWatchClipboard = false;
    bool bNotifications = true;

    bool operator==(const QuillaneSettings&) const = default;
};

QString SettingsPath(const QString& dataFolder);
QuillaneSettings LoadSettings(const QString& dataFolder);
// Returns false if the file could not be written.
bool SaveSettings(const QString& dataFolder, const QuillaneSettings& settings);

// The browsers whose cookies the extractor can read on this platform, by the names it takes.
QStringList CookieBrowsers();
