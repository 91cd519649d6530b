// Language configuration: config.ini and the language files on a folder of the test's own,
// and every shipped language against every key the program reads.

#include "languagesconfig.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kConfig = "[DefaultLanguage]\n"
                           "Default=English\n"
                           "Version=2.5.1\n"
                           "\n"
                           "[Languages]\n"
                           "English=1\n"
                           "German=1\n"
                           "\n"
                           "[Other]\n"
                           "Keep=this\n";

const QByteArray kEnglish = "[MainWnd]\n"
                            "OK=\"OK\"\n"
                            "Cancel=\"Cancel\"\n"
                            "Unquoted=one, two, three\n"
                            "Quoted=\"one, two; three\"\n"
                            "Comment=kept ; dropped\n"
                            "[Messages]\n"
                            "MSG0404=\"Confirm\"\n";

const QByteArray kGerman = "[MainWnd]\n"
                           "OK=\"OK\"\n"
                           "Cancel=\"Abbrechen\"\n"
                           "[Messages]\n"
                           "MSG0404=\"Bestätigen\"\n";

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An application folder with config.ini (if given) and the English and German files.
bool MakeAppFolder(const QString& folder, const QByteArray& config)
{
    if (!QDir(folder).mkpath(QStringLiteral("Languages")))
        return false;
    if (!config.isNull() && !WriteFile(folder + "/config.ini", config))
        return false;
    return WriteFile(folder + "/Languages/English.ini", kEnglish) &&
           WriteFile(folder + "/Languages/German.ini", kGerman);
}

} // namespace

class TestLocalisation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The process-wide instance keeps choices in the data folder: a folder of the test's own.
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (m_home.path() + "/data").toUtf8());
    }

    void readsTexts_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QByteArray("MainWnd/Cancel") << "Cancel";
        QTest::newRow("other group") << QByteArray("Messages/MSG0404") << "Confirm";
        QTest::newRow("unquoted comma joined")
            << QByteArray("MainWnd/Unquoted") << "one, two, three";
        QTest::newRow("quoted comma and semicolon")
            << QByteArray("MainWnd/Quoted") << "one, two; three";
        QTest::newRow("unquoted semicolon starts a comment")
            << QByteArray("MainWnd/Comment") << "kept";
        QTest::newRow("missing key is empty, not the key") << QByteArray("MainWnd/Nothing") << "";
        QTest::newRow("missing group") << QByteArray("Nowhere/OK") << "";
    }

    void readsTexts()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(MakeAppFolder(dir.path(), kConfig));
        const CLanguagesConfig config(dir.path());
        QCOMPARE(config.GetLang(), QStringLiteral("English"));
        QCOMPARE(config.GetVersion(), QStringLiteral("2.5.1"));
        QCOMPARE(config.ReadLanguageInfo(key.constData()), expected);
    }

    void missingConfig()
    {
        QTemporaryDir dir;
        QVERIFY(MakeAppFolder(dir.path(), QByteArray()));
        const CLanguagesConfig config(dir.path());
        QVERIFY(config.GetVersion().isEmpty());
        QVERIFY(config.GetLang().isEmpty());
        QVERIFY(config.GetAllLanguageKey().isEmpty());
        QVERIFY(config.ReadLanguageInfo("MainWnd/OK").isEmpty());
    }

    void missingLanguageFile()
    {
        QTemporaryDir dir;
        QVERIFY(MakeAppFolder(dir.path(),
                              QByteArray(kConfig).replace("Default=English", "Default=Klingon")));
        CLanguagesConfig config(dir.path());
        QCOMPARE(config.GetLang(), QStringLiteral("Klingon"));
        QVERIFY(config.ReadLanguageInfo("MainWnd/OK").isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Languages/Klingon.ini"))));
        config.InitLanguageType(QStringLiteral("German"));
        QCOMPARE(config.ReadLanguageInfo("MainWnd/Cancel"), QStringLiteral("Abbrechen"));
    }

    void languageList()
    {
        QTemporaryDir dir;
        QVERIFY(MakeAppFolder(dir.path(), kConfig));
        const CLanguagesConfig config(dir.path());
        const QList<QString> names = config.GetAllLanguageKey();
        QCOMPARE(QSet<QString>(names.begin(), names.end()), (QSet<QString>{"English", "German"}));
        // Read afresh on every call.
        QVERIFY(WriteFile(dir.filePath("config.ini"),
                          QByteArray(kConfig).replace("German=1\n", "German=1\nFrench=1\n")));
        QVERIFY(config.GetAllLanguageKey().contains(QStringLiteral("French")));
    }

    void setLanguageKeepsOtherKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("cancelText");
        QTest::newRow("another language") << "German"
                                          << "Abbrechen";
        QTest::newRow("the same language again") << "English"
                                                 << "Cancel";
    }

    void setLanguageKeepsOtherKeys()
    {
        QFETCH(QString, name);
        QFETCH(QString, cancelText);
        QTemporaryDir dir;
        QVERIFY(MakeAppFolder(dir.path(), kConfig));
        {
            CLanguagesConfig config(dir.path());
            config.SetLanguage(name);
            QCOMPARE(config.GetLang(), name);
            QCOMPARE(config.ReadLanguageInfo("MainWnd/Cancel"), cancelText);
            QCOMPARE(config.GetVersion(), QStringLiteral("2.5.1"));
        }
        const QSettings written(dir.filePath("config.ini"), QSettings::IniFormat);
        QCOMPARE(written.value("DefaultLanguage/Default").toString(), name);
        QCOMPARE(written.value("DefaultLanguage/Version").toString(), QStringLiteral("2.5.1"));
        QCOMPARE(written.value("Other/Keep").toString(), QStringLiteral("this"));
        QVERIFY(written.contains("Languages/English") && written.contains("Languages/German"));

        // The next start comes up in the chosen language.
        const CLanguagesConfig restarted(dir.path());
        QCOMPARE(restarted.GetLang(), name);
        QCOMPARE(restarted.ReadLanguageInfo("MainWnd/Cancel"), cancelText);
    }

    // The user's own choice, kept beside the data, against config.ini's.
    void userChoice_data()
    {
        QTest::addColumn<QByteArray>("userFile"); // null: none
        QTest::addColumn<bool>("withUserFolder");
        QTest::addColumn<QString>("expected");
        const QByteArray german = "[DefaultLanguage]\nDefault=German\n";
        QTest::newRow("kept choice wins") << german << true << "German";
        QTest::newRow("no kept choice") << QByteArray() << true << "English";
        QTest::newRow("kept choice not installed")
            << QByteArray("[DefaultLanguage]\nDefault=Klingon\n") << true << "English";
        QTest::newRow("kept choice empty")
            << QByteArray("[DefaultLanguage]\nDefault=\n") << true << "English";
        QTest::newRow("no user folder given") << german << false << "English";
    }

    void userChoice()
    {
        QFETCH(QByteArray, userFile);
        QFETCH(bool, withUserFolder);
        QFETCH(QString, expected);
        QTemporaryDir app, user;
        QVERIFY(MakeAppFolder(app.path(), kConfig));
        if (!userFile.isNull())
            QVERIFY(WriteFile(user.filePath("Language.ini"), userFile));
        const CLanguagesConfig config(app.path(), withUserFolder ? user.path() : QString());
        QCOMPARE(config.GetLang(), expected);
        QCOMPARE(config.ReadLanguageInfo("MainWnd/Cancel"),
                 expected == "German" ? QStringLiteral("Abbrechen") : QStringLiteral("Cancel"));
    }

    // An installation for the whole system: config.ini keeps its contents whatever the user
    // chooses, and the choice still holds at the next start.
    void choiceSurvivesUnwrittenConfig()
    {
        QTemporaryDir app, home;
        QVERIFY(MakeAppFolder(app.path(), kConfig));
        const QString user = home.filePath("not/yet/made");
        CLanguagesConfig(app.path(), user).SetLanguage(QStringLiteral("German"));
        QVERIFY(WriteFile(app.filePath("config.ini"), kConfig)); // as if the write had failed
        const CLanguagesConfig restarted(app.path(), user);
        QCOMPARE(restarted.GetLang(), QStringLiteral("German"));
        QCOMPARE(restarted.ReadLanguageInfo("Messages/MSG0404"), QStringLiteral("Bestätigen"));
        QCOMPARE(restarted.GetVersion(), QStringLiteral("2.5.1"));

        // Choosing again replaces the kept choice.
        CLanguagesConfig(app.path(), user).SetLanguage(QStringLiteral("English"));
        QCOMPARE(CLanguagesConfig(app.path(), user).GetLang(), QStringLiteral("English"));
    }

    void instanceUsesAppFolder()
    {
        QTemporaryDir dir;
        QVERIFY(MakeAppFolder(dir.path(), kConfig));
        SetAppFolder(dir.path());
        CLanguagesConfig* instance = CLanguagesConfig::GetInstance();
        QCOMPARE(instance, CLanguagesConfig::GetInstance());
        QCOMPARE(instance->GetVersion(), QStringLiteral("2.5.1"));
        QCOMPARE(instance->ReadLanguageInfo("Messages/MSG0404"), QStringLiteral("Confirm"));
        // The instance keeps choices in the data folder.
        instance->SetLanguage(QStringLiteral("German"));
        const QSettings kept(DataFolder() + "/Language.ini", QSettings::IniFormat);
        QCOMPARE(kept.value("DefaultLanguage/Default").toString(), QStringLiteral("German"));
        QVERIFY(DataFolder().startsWith(m_home.path()));
        SetAppFolder(QString());
    }

    void textKeysAreDistinct()
    {
        const QList<const char*>& keys = CLanguagesConfig::AllTextKeys();
        QSet<QByteArray> distinct;
        for (const char* key : keys) {
            const QByteArray k(key);
            QVERIFY2(k.startsWith("MainWnd/") || k.startsWith("Messages/") || k.startsWith("Errors/") ||
                         k.startsWith("Settings/") || k.startsWith("Tasks/") ||
                         k.startsWith("Playlist/") || k.startsWith("Choices/"),
                     key);
            distinct.insert(k);
        }
        QCOMPARE(distinct.size(), keys.size());
        QCOMPARE(keys.size(), 178);
        QVERIFY(distinct.contains("MainWnd/TipChooseFolder"));
        QVERIFY(distinct.contains("Messages/MSG0108"));
    }

    // Every shipped language, as the assembled application folder lists them.
    void shippedLanguages_data()
    {
        QTest::addColumn<QString>("language");
        const CLanguagesConfig shipped(QStringLiteral(QUILLANE_APP_DIR));
        const QList<QString> names = shipped.GetAllLanguageKey();
        QVERIFY(names.size() >= 6);
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name;
    }

    void shippedLanguages()
    {
        QFETCH(QString, language);
        CLanguagesConfig config(QStringLiteral(QUILLANE_APP_DIR));
        QVERIFY(!config.GetVersion().isEmpty());
        QCOMPARE(config.GetLang(), QStringLiteral("English"));
        config.InitLanguageType(language);
        for (const char* key : CLanguagesConfig::AllTextKeys()) {
            const QString text = config.ReadLanguageInfo(key);
            QVERIFY2(!text.trimmed().isEmpty(), key);
            QVERIFY2(!text.contains(QChar::ReplacementCharacter), key);
        }
        QVERIFY(config.ReadLanguageInfo("MainWnd/ProTitle").contains(QStringLiteral("Quillane")));

        // Every value is quoted text (no list, no cut at ";"), and no key is unknown.
        const QSettings file(QStringLiteral(QUILLANE_APP_DIR "/Languages/") + language + ".ini",
                             QSettings::IniFormat);
        QSet<QString> known;
        for (const char* key : CLanguagesConfig::AllTextKeys())
            known.insert(QString::fromLatin1(key));
        for (const QString& key : file.allKeys())
            QVERIFY2(known.contains(key), qPrintable(key));
        QFile raw(file.fileName());
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QRegularExpression quoted(QStringLiteral("^\\w+=\"[^\"\\\\]*\"$"));
        for (const QByteArray& line : raw.readAll().split('\n')) {
            const QString text = QString::fromUtf8(line);
            if (text.isEmpty() || text.startsWith(QLatin1Char('[')))
                continue;
            QVERIFY2(quoted.match(text).hasMatch(), line.constData());
        }
    }

    void shippedNamesArePlainAscii()
    {
        const CLanguagesConfig shipped(QStringLiteral(QUILLANE_APP_DIR));
        for (const QString& name : shipped.GetAllLanguageKey()) {
            for (QChar c : name)
                QVERIFY2(c.unicode() < 0x80 && c.isLetter(), qPrintable(name));
            QVERIFY2(
                QFileInfo::exists(QStringLiteral(QUILLANE_APP_DIR "/Languages/") + name + ".ini"),
                qPrintable(name));
        }
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(TestLocalisation)
#include "tst_localisation.moc"
