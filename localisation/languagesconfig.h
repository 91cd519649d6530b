#pragma once
// The active language, the texts by key and the program's version text.
// config.ini beside the program names the active language ([DefaultLanguage] Default),
// the version ([DefaultLanguage] Version) and the installed languages ([Languages]);
// the texts lie in Languages/NAME.ini (UTF-8), groups MainWnd and Messages.
// A language chosen in the program is also kept in the user's own folder (Language.ini), and
// that choice wins at the next start: an installation shared by several users, or one whose
// config.ini only its owner may write, still remembers each user's choice.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

class QSettings;

class CLanguagesConfig
{
public:
    // The process-wide instance, on the application folder.
    static CLanguagesConfig* GetInstance();

    // An instance on any folder holding config.ini and Languages/ (tests use a temporary one);
    // with a user folder, the choice kept there (if it names an installed language) wins.
    explicit CLanguagesConfig(const QString& appFolder, const QString& userFolder = QString());
    ~CLanguagesConfig();
    CLanguagesConfig(const CLanguagesConfig&) = delete;
    CLanguagesConfig& operator=(const CLanguagesConfig&) = delete;

    // The text of "Group/Key" in the active language; empty if the key, the file or the
    // language is missing. A value that the settings reader split at "," is joined again.
    QString ReadLanguageInfo(const char* key) const;

    QList<QString> GetAllLanguageKey() const;
    QString GetLang() const;
    QString GetVersion() const;

    // Makes `name` the active language and stores it in config.ini and the user's folder.
    void SetLanguage(const QString& name);

    // Loads the language file of `name` without storing the choice.
    int InitLanguageType(const QString& name);

    // Every text key the program reads; each shipped language gives all of them.
    static const QList<const char*>& AllTextKeys();

private:
    QString UserChoicePath() const;

    QString m_appFolder;
    QString m_userFolder;
    QSettings* pLanguageSettings = nullptr;
    QString QstrConfigPath;
    QString QstrLanguage;
    QString QstrVersion;
    mutable QMutex m_textsMutex;
    mutable QHash<QByteArray, QString> m_texts; // the active language's texts read so far
};

// The text of "Group/Key" in the program's active language (CLanguagesConfig::GetInstance()):
// the one lookup the windows use for their texts.
QString LanguageText(const char* key);
