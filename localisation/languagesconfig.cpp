#include "languagesconfig.h"

#include "paths.h"

#include <QDir>
#include <QMutexLocker>
#include <QSettings>
#include <QStringList>
#include <QVariant>

CLanguagesConfig* CLanguagesConfig::GetInstance()
{
    static CLanguagesConfig s_languageConfig(AppFolder(), DataFolder());
    return &s_languageConfig;
}

namespace {
const QString kDefaultKey = QStringLiteral("DefaultLanguage/Default");
} // namespace

CLanguagesConfig::CLanguagesConfig(const QString& appFolder, const QString& userFolder)
    : m_appFolder(appFolder), m_userFolder(userFolder)
{
    QstrConfigPath = appFolder + QStringLiteral("/config.ini");
    QstrConfigPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString name;
    {
        const QSettings config(QstrConfigPath, QSettings::IniFormat);
        QstrVersion = config.value(QStringLiteral("DefaultLanguage/Version")).toString();
        name = config.value(kDefaultKey).toString();
    }
    if (!m_userFolder.isEmpty()) {
        const QSettings user(UserChoicePath(), QSettings::IniFormat);
        const QString chosen = user.value(kDefaultKey).toString();
        if (!chosen.isEmpty() && GetAllLanguageKey().contains(chosen))
            name = chosen;
    }
    InitLanguageType(name);
}

CLanguagesConfig::~CLanguagesConfig()
{
    delete pLanguageSettings;
}

QString CLanguagesConfig::ReadLanguageInfo(const char* key) const
{
    if (!pLanguageSettings || !key)
        return QString();
    // A text is looked up once per language: rows ask for theirs several times a second.
    const QMutexLocker locker(&m_textsMutex);
    const auto known = m_texts.constFind(QByteArray::fromRawData(key, qsizetype(qstrlen(key))));
    if (known != m_texts.cend())
        return *known;
    const QVariant value = pLanguageSettings->value(QString::fromLatin1(key));
    // An unquoted value with "," comes back as a list: give the text back whole.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QStringLiteral(", "))
                             : value.toString();
    m_texts.insert(QByteArray(key), text);
    return text;
}

QList<QString> CLanguagesConfig::GetAllLanguageKey() const
{
    QSettings config(QstrConfigPath, QSettings::IniFormat);
    config.beginGroup(QStringLiteral("Languages"));
    return config.childKeys();
}

QString CLanguagesConfig::GetLang() const
{
    return QstrLanguage;
}

QString CLanguagesConfig::GetVersion() const
{
    return QstrVersion;
}

void CLanguagesConfig::SetLanguage(const QString& name)
{
    {
        // The value reaches the file when the settings object goes; other keys stay.
        QSettings config(QstrConfigPath, QSettings::IniFormat);
        config.setValue(kDefaultKey, name);
    }
    // config.ini may be another user's (an installation for the whole system), and then the
    // write above fails unseen; the user's own folder keeps the choice all the same.
    if (!m_userFolder.isEmpty() && QDir().mkpath(m_userFolder)) {
        QSettings user(UserChoicePath(), QSettings::IniFormat);
        user.setValue(kDefaultKey, name);
    }
    InitLanguageType(name);
}

QString CLanguagesConfig::UserChoicePath() const
{
    return m_userFolder + QStringLiteral("/Language.ini");
}

int CLanguagesConfig::InitLanguageType(const QString& name)
{
    delete pLanguageSettings;
    {
        const QMutexLocker locker(&m_textsMutex);
        m_texts.clear();
    }
    QstrLanguage = name;
    const QString path =
        m_appFolder + QStringLiteral("/Languages/") + name + QStringLiteral(".ini");
    pLanguageSettings = new QSettings(path, QSettings::IniFormat);
    return 0;
}

const QList<const char*>& CLanguagesConfig::AllTextKeys()
{
    static const QList<const char*> keys = {
        "MainWnd/ProTitle",
        "MainWnd/Downloading",
        "MainWnd/Finished",
        "MainWnd/Tracks",
        "MainWnd/Clean",
        "MainWnd/Shutdown",
        "MainWnd/Help",
        "MainWnd/Support",
        "MainWnd/Language",
        "MainWnd/Duration",
        "MainWnd/Format",
        "MainWnd/Resolution",
        "MainWnd/Size",
        "MainWnd/RegisterTitle",
        "MainWnd/Parsing",
        "MainWnd/OutPut",
        "MainWnd/Open",
        "MainWnd/OK",
        "MainWnd/Cancel",
        "Messages/MSG0101",
        "Messages/MSG0103",
        "Messages/MSG0104",
        "Messages/MSG0105",
        "Messages/MSG0106",
        "Messages/MSG0107",
        "Messages/MSG0108",
        "Messages/MSG0403",
        "Messages/MSG0404",
        "MainWnd/TipClose",
        "MainWnd/TipMinimise",
        "MainWnd/TipMenu",
        "MainWnd/TipPause",
        "MainWnd/TipResume",
        "MainWnd/TipOpenFolder",
        "MainWnd/TipDelete",
        "MainWnd/StatusAnalyzing",
        "MainWnd/StatusCompleted",
        "MainWnd/StatusMetadata",
        "MainWnd/StatusConverting",
        "MainWnd/TipChooseFolder",
        "MainWnd/Title",
        "MainWnd/RuleName",
        "MainWnd/RuleBest",
        "MainWnd/RuleUpTo",
        "MainWnd/BatchProgress",
        "MainWnd/BatchTick",
        "MainWnd/BatchTable",
        "MainWnd/LinkField",
        "MainWnd/FormatTable",
        "MainWnd/DownloadingTable",
        "MainWnd/FinishedTable",
        "Messages/MSG0109",
        "MainWnd/HelpPage",
        // What went wrong in a run of the extractor: each class's cause and what to do.
        "Errors/Failed",
        "Errors/OfferUpdate",
        "Errors/OfferRuntime",
        "Errors/OfferCookies",
        "Errors/DownloadFailed",
        "Errors/Unavailable",
        "Errors/UnavailableAction",
        "Errors/SignIn",
        "Errors/SignInAction",
        "Errors/Region",
        "Errors/RegionAction",
        "Errors/JsRuntime",
        "Errors/JsRuntimeAction",
        "Errors/TooManyRequests",
        "Errors/TooManyRequestsAction",
        "Errors/SiteChanged",
        "Errors/SiteChangedAction",
        "Errors/FormatUnavailable",
        "Errors/FormatUnavailableAction",
        "Errors/Network",
        "Errors/NetworkAction",
        "Errors/OutputFolder",
        "Errors/OutputFolderAction",
        "Errors/Converter",
        "Errors/ConverterAction",
        "Errors/Unknown",
        "Errors/UnknownAction",
        // The settings dialog and its menu entry.
        "MainWnd/Settings",
        "Settings/Title",
        "Settings/OutputFolder",
        "Settings/TipOutputFolder",
        "Settings/Choose",
        "Settings/TipChoose",
        "Settings/Extractor",
        "Settings/TipExtractor",
        "Settings/Bundled",
        "Settings/Updated",
        "Settings/Channel",
        "Settings/TipChannel",
        "Settings/Stable",
        "Settings/Nightly",
        "Settings/NeverUpdate",
        "Settings/TipNeverUpdate",
        "Settings/UpdateNow",
        "Settings/TipUpdateNow",
        "Settings/TipUpdateBar",
        "Settings/UseBundled",
        "Settings/TipUseBundled",
        "Settings/Status",
        "Settings/TipStatus",
        "Settings/Checking",
        "Settings/Installed",
        "Settings/UpToDate",
        "Settings/FetchFailed",
        "Settings/NoSignature",
        "Settings/BadSignature",
        "Settings/BadChecksum",
        "Settings/Broken",
        "Settings/Failed",
        "Settings/Runtime",
        "Settings/TipRuntime",
        "Settings/RuntimeNone",
        "Settings/RuntimePath",
        "Settings/TipRuntimePath",
        "Settings/Browse",
        "Settings/TipBrowseRuntime",
        "Settings/FetchRuntime",
        "Settings/TipFetchRuntime",
        "Settings/TipRuntimeBar",
        "Settings/RuntimeStatus",
        "Settings/TipRuntimeStatus",
        "Settings/RuntimeFetching",
        "Settings/RuntimeInstalled",
        "Settings/RuntimeFetchFailed",
        "Settings/RuntimeBadChecksum",
        "Settings/RuntimeBroken",
        "Settings/RuntimeTooOld",
        "Settings/RuntimeFailed",
        "Settings/Cookies",
        "Settings/TipCookies",
        "Settings/CookiesNone",
        "Settings/CookiesFile",
        "Settings/Profile",
        "Settings/TipProfile",
        "Settings/TipCookiesFile",
        "Settings/TipBrowseCookies",
        "Settings/AtOnce",
        "Settings/TipAtOnce",
        "Settings/Unlimited",
        "Settings/WatchClipboard",
        "Settings/TipWatchClipboard",
        "Settings/Notify",
        "Settings/TipNotify",
        "Tasks/Waiting",
        "Tasks/PauseAll",
        "Tasks/ResumeAll",
        "Tasks/Completed",
        "Tasks/Failed",
        "Tasks/AllEnded",
        "Tasks/AllEndedBody",
        "Playlist/TickAll",
        "Playlist/TickNone",
        "Playlist/TipTickAll",
        "Playlist/TipTickNone",
        "Playlist/RuleAudioM4a",
        "Playlist/RuleAudioMp3",
        "Playlist/Entries",
        "Playlist/Count",
        "Playlist/EntryTick",
        "Choices/AudioRow",
        "Choices/Compatible",
        "Choices/TipCompatible",
        "Choices/CompatibleNone",
        "Choices/Convert",
        "Choices/TipConvert",
        "Choices/Subtitles",
        "Choices/TipSubtitles",
        "Choices/SubtitlesButton",
        "Choices/SubtitlesButtonNone",
        "Choices/Automatic",
        "Choices/From",
        "Choices/TipFrom",
        "Choices/To",
        "Choices/TipTo",
        "Choices/PartInvalid",
    };
    return keys;
}

QString LanguageText(const char* key)
{
    return CLanguagesConfig::GetInstance()->ReadLanguageInfo(key);
}
