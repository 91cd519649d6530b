// Task records and their info files: exact formats, parsing edge cases, mended field values,
// folder listing, loaders that never harm a file, free finish stamps and meta-types.

#include "finishedcache.h"
#include "finishedrecords.h"
#include "infofiles.h"
#include "videoinfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVariant>
#include <QtTest>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

_VIDEO_FILE_INFO_ SampleRecord()
{
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = QStringLiteral("137");
    info.QstrStreamNote = QStringLiteral("note");
    info.QstrExt = QStringLiteral("mp4");
    info.QstrSize = QStringLiteral("12.34MB");
    info.QstrResolution = QStringLiteral("1920x1080");
    info.QstrQuality = QStringLiteral("1080p");
    info.QstrFormatExtra = QStringLiteral("extra");
    info.QstrDuration = QStringLiteral("00:03:25");
    info.QstrThumbPath = QStringLiteral("/data/2024/01/02/t.jpg");
    info.QstrTitle = QString::fromUtf8("Grüße 日本");
    info.QstrOutputDir = QStringLiteral("/home/u/Videos/");
    info.QstrTaskKey = QStringLiteral("2024-01-02-03-04-05");
    info.QstrFinishTime = QStringLiteral("2024-01-02-03-09-00");
    info.QstrUrl = QStringLiteral("http://127.0.0.1:8000/v.mp4");
    info.QstrPercent = QStringLiteral("45.3");
    info.QstrFilePath = QStringLiteral("/home/u/Videos/v.mp4");
    return info;
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Fields(int n)
{
    QByteArrayList fields;
    for (int i = 0; i < n; ++i)
        fields << QByteArray::number(i);
    return fields.join("##@##");
}

// Every finished record of the list as its stored line, in order.
QStringList Lines(const CFinishedRecords& records)
{
    QStringList lines;
    for (int i = 0; i < records.Size(); ++i)
        lines << FinishedInfoLine(records.At(i));
    return lines;
}

QStringList Lines(const std::vector<_VIDEO_FILE_INFO_>& records)
{
    QStringList lines;
    for (const _VIDEO_FILE_INFO_& info : records)
        lines << FinishedInfoLine(info);
    return lines;
}

void WriteFinished(const QString& folder, int n, const QString& title)
{
    _VIDEO_FILE_INFO_ info = SampleRecord();
    info.QstrFinishTime = QStringLiteral("2024-01-01-10-00-%1").arg(n, 2, 10, QLatin1Char('0'));
    info.QstrTitle = title;
    QCOMPARE(WriteInfoFile(folder, info.QstrFinishTime, FinishedInfoLine(info)), 0);
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A zone with a daylight-saving change, so that stamp arithmetic in local time shows.
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void downloadLineIsExact()
    {
        const QString expected = QString::fromUtf8(
            "2024-01-02-03-04-05##@##137##@##http://127.0.0.1:8000/v.mp4##@##45.3##@##12.34MB"
            "##@##00:03:25##@##mp4##@##Grüße "
            "日本##@##/data/2024/01/02/t.jpg##@##/home/u/Videos/\n");
        QCOMPARE(DownloadInfoLine(SampleRecord()), expected);
    }

    void finishedLineIsExact()
    {
        const QString expected = QString::fromUtf8(
            "2024-01-02-03-09-00##@##12.34MB##@##00:03:25##@##mp4##@##Grüße 日本"
            "##@##/data/2024/01/02/t.jpg##@##/home/u/Videos/##@##/home/u/Videos/v.mp4");
        QCOMPARE(FinishedInfoLine(SampleRecord()), expected);
    }

    void writtenFileIsUtf8WithoutBom()
    {
        QTemporaryDir dir;
        const QString line = DownloadInfoLine(SampleRecord());
        QCOMPARE(WriteInfoFile(dir.path(), QStringLiteral("2024-01-02-03-04-05"), line), 0);
        QCOMPARE(ReadBytes(dir.filePath(QStringLiteral("2024-01-02-03-04-05"))), line.toUtf8());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("2024-01-02-03-04-05")}); // no temporary left
    }

    // Fields in a file's table come back; every other field comes back empty.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("folder"); // the output folder; empty keeps the sample's
        const QStringList downloading{"TaskKey",  "FormatId", "Url",   "Percent",   "Size",
                                      "Duration", "Ext",      "Title", "ThumbPath", "OutputDir"};
        const QStringList finished{"FinishTime", "Size",      "Duration",  "Ext",
                                   "Title",      "ThumbPath", "OutputDir", "FilePath"};
        QTest::newRow("downloading") << false << downloading << QString();
        QTest::newRow("finished") << true << finished << QString();
        // Paths and links are stored as they are, "#" and "@" included.
        const QString hashAt = QStringLiteral("/home/u/a##@b/#@ c/##@/x@##/");
        QTest::newRow("downloading, folder with # and @") << false << downloading << hashAt;
        QTest::newRow("finished, folder with # and @") << true << finished << hashAt;
    }

    void roundTrip()
    {
        QFETCH(bool, finished);
        QFETCH(QStringList, stored);
        QFETCH(QString, folder);
        _VIDEO_FILE_INFO_ in = SampleRecord();
        if (!folder.isEmpty()) {
            in.QstrOutputDir = folder;
            in.QstrFilePath = folder + QStringLiteral("v##@1.mp4");
            in.QstrThumbPath = folder + QStringLiteral("t.jpg");
            in.QstrUrl = QStringLiteral("http://127.0.0.1:8000/v@x#a##@b");
        }
        const std::vector<_VIDEO_FILE_INFO_> out = finished
                                                       ? ParseFinishedInfo(FinishedInfoLine(in))
                                                       : ParseDownloadInfo(DownloadInfoLine(in));
        QCOMPARE(out.size(), size_t(1));
        using F = _VIDEO_FILE_INFO_;
        const QList<QPair<QString, QString F::*>> all{{"FormatId", &F::QstrFormatId},
                                                      {"StreamNote", &F::QstrStreamNote},
                                                      {"Ext", &F::QstrExt},
                                                      {"Size", &F::QstrSize},
                                                      {"Resolution", &F::QstrResolution},
                                                      {"Quality", &F::QstrQuality},
                                                      {"FormatExtra", &F::QstrFormatExtra},
                                                      {"Duration", &F::QstrDuration},
                                                      {"ThumbPath", &F::QstrThumbPath},
                                                      {"Title", &F::QstrTitle},
                                                      {"OutputDir", &F::QstrOutputDir},
                                                      {"TaskKey", &F::QstrTaskKey},
                                                      {"FinishTime", &F::QstrFinishTime},
                                                      {"Url", &F::QstrUrl},
                                                      {"Percent", &F::QstrPercent},
                                                      {"FilePath", &F::QstrFilePath}};
        for (const auto& [name, member] : all) {
            const QString expected = stored.contains(name) ? in.*member : QString();
            QVERIFY2(out.front().*member == expected, qPrintable(name));
        }
    }

    void fieldCounts_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("downloadRecords");
        QTest::addColumn<int>("finishedRecords");
        QTest::newRow("ten fields and a line end") << Fields(10) + "\n" << 1 << 0;
        QTest::newRow("ten fields, no line end") << Fields(10) << 1 << 0;
        QTest::newRow("nine fields") << Fields(9) + "\n" << 0 << 0;
        QTest::newRow("eleven fields") << Fields(11) + "\n" << 0 << 0;
        QTest::newRow("eight fields, no line end") << Fields(8) << 0 << 1;
        QTest::newRow("seven fields") << Fields(7) << 0 << 0;
        QTest::newRow("several records") << Fields(10) + "\n" + Fields(10) + "\n" << 2 << 0;
        QTest::newRow("good and bad lines")
            << Fields(8) + "\n" + Fields(9) + "\n" + Fields(8) << 0 << 2;
        QTest::newRow("empty fields count")
            << QByteArray("##@####@####@####@####@####@####@##") << 0 << 1;
        QTest::newRow("empty") << QByteArray() << 0 << 0;
        QTest::newRow("only line ends") << QByteArray("\n\n") << 0 << 0;
        QTest::newRow("carriage returns") << Fields(8) + "\r\n" + Fields(8) + "\r" << 0 << 2;
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + Fields(8) << 0 << 1;
    }

    void fieldCounts()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, downloadRecords);
        QFETCH(int, finishedRecords);
        const QString text = QString::fromUtf8(content);
        QCOMPARE(int(ParseDownloadInfo(text).size()), downloadRecords);
        QCOMPARE(int(ParseFinishedInfo(text).size()), finishedRecords);

        // The same through the loaders; a file that yields nothing stays byte-identical.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("2024-01-01-00-00-00"));
        QVERIFY(WriteBytes(path, content));
        QCOMPARE(int(LoadDownloadInfos(dir.path()).size()), downloadRecords);
        QCOMPARE(int(LoadFinishedInfos(dir.path()).size()), finishedRecords);
        QCOMPARE(ReadBytes(path), content);
    }

    void sanitiseField_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain unchanged") << "A title, with ## and @"
                                         << "A title, with ## and @";
        QTest::newRow("hashes unchanged") << "##x@##"
                                          << "##x@##";
        QTest::newRow("separator") << "a##@##b"
                                   << "a#@##b";
        QTest::newRow("ends in ##@") << "a##@"
                                     << "a#@";
        QTest::newRow("x##@#") << "x##@#"
                               << "x#@#";
        QTest::newRow("three hashes need two rounds") << "###@"
                                                      << "#@";
        QTest::newRow("line feed") << "one\ntwo"
                                   << "one two";
        QTest::newRow("carriage return and line feed") << "one\r\ntwo"
                                                       << "one  two";
        QTest::newRow("empty") << ""
                               << "";
    }

    void sanitiseField()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(SanitiseField(value), expected);
        QVERIFY(!SanitiseField(value).contains(QStringLiteral("##@")));
    }

    // A task whose title holds separators or line breaks survives a write and a reload.
    void awkwardValuesSurvive_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("separator") << "a##@##b";
        QTest::newRow("only separator") << "##@##";
        QTest::newRow("ends in ##@") << "a##@";
        QTest::newRow("x##@#") << "x##@#";
        QTest::newRow("trailing hash") << "title#";
        QTest::newRow("trailing two hashes") << "title##";
        QTest::newRow("leading @##") << "@##title";
        QTest::newRow("line feed") << "first\nsecond";
        QTest::newRow("carriage return") << "first\rsecond";
    }

    void awkwardValuesSurvive()
    {
        QFETCH(QString, value);
        QTemporaryDir dir;
        _VIDEO_FILE_INFO_ in = SampleRecord();
        in.QstrTitle = value;

        const QString downloading = dir.filePath(QStringLiteral("downloading"));
        const QString finished = dir.filePath(QStringLiteral("finished"));
        QVERIFY(QDir().mkpath(downloading) && QDir().mkpath(finished));
        QCOMPARE(WriteInfoFile(downloading, in.QstrTaskKey, DownloadInfoLine(in)), 0);
        QCOMPARE(WriteInfoFile(finished, in.QstrFinishTime, FinishedInfoLine(in)), 0);

        const QByteArray downloadBytes = ReadBytes(downloading + "/" + in.QstrTaskKey);
        QCOMPARE(downloadBytes.count('\n'), 1);
        QVERIFY(downloadBytes.endsWith('\n'));
        QCOMPARE(ReadBytes(finished + "/" + in.QstrFinishTime).count('\n'), 0);

        const QString mended = SanitiseField(value);
        const auto restored = LoadDownloadInfos(downloading);
        QCOMPARE(restored.size(), size_t(1));
        QCOMPARE(restored.front().QstrTitle, mended);
        QCOMPARE(restored.front().QstrThumbPath, in.QstrThumbPath);
        QCOMPARE(restored.front().QstrOutputDir, in.QstrOutputDir);
        const auto done = LoadFinishedInfos(finished);
        QCOMPARE(done.size(), size_t(1));
        QCOMPARE(done.front().QstrTitle, mended);
        QCOMPARE(done.front().QstrThumbPath, in.QstrThumbPath);
    }

    void rewriteReplacesContent()
    {
        QTemporaryDir dir;
        _VIDEO_FILE_INFO_ info = SampleRecord();
        QCOMPARE(WriteInfoFile(dir.path(), info.QstrTaskKey, DownloadInfoLine(info)), 0);
        info.QstrPercent = QStringLiteral("46");
        QCOMPARE(WriteInfoFile(dir.path(), info.QstrTaskKey, DownloadInfoLine(info)), 0);
        QCOMPARE(ReadBytes(dir.filePath(info.QstrTaskKey)), DownloadInfoLine(info).toUtf8());
        const auto loaded = LoadDownloadInfos(dir.path());
        QCOMPARE(loaded.size(), size_t(1));
        QCOMPARE(loaded.front().QstrPercent, QStringLiteral("46"));
    }

    void writeRefusals_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("missing folder") << "missing"
                                        << "2024-01-01-00-00-00";
        QTest::newRow("empty name") << ""
                                    << "";
        QTest::newRow("name with a slash") << ""
                                           << "../escape";
        QTest::newRow("parent name") << ""
                                     << "..";
    }

    void writeRefusals()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QTemporaryDir root;
        const QString inner = root.filePath(QStringLiteral("inner"));
        QVERIFY(QDir().mkpath(inner));
        const QString target = folder.isEmpty() ? inner : root.filePath(folder);
        QCOMPARE(WriteInfoFile(target, name, QStringLiteral("x")), -1);
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("escape"))));
        QVERIFY(QDir(inner).isEmpty());
    }

    void dirFilesListing()
    {
        QTemporaryDir dir;
        for (const char* name : {"b", "A", "c", ".hidden"})
            QVERIFY(WriteBytes(dir.filePath(QLatin1String(name)), "x"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("B-folder")));

        std::vector<QString> files{QStringLiteral("kept")};
        QVERIFY(GetDirFiles(dir.path(), files, QString()));
        const std::vector<QString> expected{QStringLiteral("kept"), dir.filePath("A"),
                                            dir.filePath("b"), dir.filePath("c")};
        QCOMPARE(files, expected);

        std::vector<QString> filtered;
        QVERIFY(GetDirFiles(dir.path(), filtered, QStringLiteral("/b")));
        QCOMPARE(filtered, std::vector<QString>{dir.filePath("b")});

        std::vector<QString> none{QStringLiteral("kept")};
        QVERIFY(!GetDirFiles(dir.filePath(QStringLiteral("missing")), none, QString()));
        QCOMPARE(none, std::vector<QString>{QStringLiteral("kept")});
    }

    void loadersIgnoreHiddenFilesAndFolders()
    {
        QTemporaryDir dir;
        const _VIDEO_FILE_INFO_ info = SampleRecord();
        QVERIFY(WriteBytes(dir.filePath(".2024-01-01-00-00-00"), DownloadInfoLine(info).toUtf8()));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("2024-01-01-00-00-01")));
        QVERIFY(WriteBytes(dir.filePath("2024-01-01-00-00-01/2024-01-01-00-00-02"),
                           DownloadInfoLine(info).toUtf8()));
        QVERIFY(LoadDownloadInfos(dir.path()).empty());
        QVERIFY(LoadDownloadInfos(dir.filePath(QStringLiteral("missing"))).empty());
    }

    void downloadingInFileNameOrder()
    {
        QTemporaryDir dir;
        const QStringList keys{"2024-03-01-00-00-00", "2023-12-31-23-59-59", "2024-01-15-12-00-00"};
        for (const QString& key : keys) {
            _VIDEO_FILE_INFO_ info = SampleRecord();
            info.QstrTaskKey = key;
            QCOMPARE(WriteInfoFile(dir.path(), key, DownloadInfoLine(info)), 0);
        }
        QStringList loaded;
        for (const _VIDEO_FILE_INFO_& info : LoadDownloadInfos(dir.path()))
            loaded << info.QstrTaskKey;
        QStringList sorted = keys;
        sorted.sort();
        QCOMPARE(loaded, sorted);
    }

    void finishedNewestFirst()
    {
        QTemporaryDir dir;
        // File names in the opposite order of the stamps inside them.
        const QList<QPair<QString, QString>> files{{"a", "2024-01-01-10-00-00"},
                                                   {"b", "2024-01-01-10-00-02"},
                                                   {"c", "2024-01-01-10-00-01"}};
        for (const auto& [name, stamp] : files) {
            _VIDEO_FILE_INFO_ info = SampleRecord();
            info.QstrFinishTime = stamp;
            QCOMPARE(WriteInfoFile(dir.path(), name, FinishedInfoLine(info)), 0);
        }
        QStringList loaded;
        for (const _VIDEO_FILE_INFO_& info : LoadFinishedInfos(dir.path()))
            loaded << info.QstrFinishTime;
        QCOMPARE(loaded, (QStringList{"2024-01-01-10-00-02", "2024-01-01-10-00-01",
                                      "2024-01-01-10-00-00"}));
    }

    // The cache beside the finished folder: whatever changed in the folder or the cache, a load
    // through it gives what the files themselves give, and it stays usable afterwards.
    void finishedCache_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("oldFolder"); // folder time in the past: kept in the cache
        for (const bool old : {false, true}) {
            const char* when = old ? ", folder unchanged for long" : "";
            for (const char* change : {"none", "file added", "file removed", "file replaced",
                                       "cache corrupt", "cache cut short", "cache longer",
                                       "cache of another kind", "cache removed",
                                       "temporary file left"})
                QTest::addRow("%s%s", change, when) << QString::fromLatin1(change) << old;
        }
    }

    void finishedCache()
    {
        QFETCH(QString, change);
        QFETCH(bool, oldFolder);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("finished"));
        const QString cache = dir.filePath(QStringLiteral("finished.cache"));
        QVERIFY(QDir().mkpath(folder));
        for (int n = 0; n < 3; ++n)
            WriteFinished(folder, n, QStringLiteral("Clip %1").arg(n));
        const auto age = [&](int hours) {
            const timespec times[2] = {{std::time(nullptr) - 3600 * hours, 0},
                                       {std::time(nullptr) - 3600 * hours, 0}};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0), 0);
        };
        if (oldFolder)
            age(2);
        QCOMPARE(Lines(CFinishedRecords::Load(folder, cache)), Lines(LoadFinishedInfos(folder)));
        QVERIFY(QFile::exists(cache));

        QByteArray bytes = ReadBytes(cache);
        if (change == QLatin1String("file added"))
            WriteFinished(folder, 7, QStringLiteral("Added"));
        else if (change == QLatin1String("file removed"))
            QVERIFY(QFile::remove(folder + QStringLiteral("/2024-01-01-10-00-01")));
        else if (change == QLatin1String("file replaced"))
            WriteFinished(folder, 1, QStringLiteral("Replaced"));
        else if (change == QLatin1String("cache corrupt"))
            bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x20);
        else if (change == QLatin1String("cache cut short"))
            bytes.chop(9);
        else if (change == QLatin1String("cache longer"))
            bytes.append('\0');
        else if (change == QLatin1String("cache of another kind"))
            bytes = QByteArray(bytes.size(), 'x');
        else if (change == QLatin1String("cache removed"))
            bytes.clear();
        else if (change == QLatin1String("temporary file left"))
            QVERIFY(WriteBytes(folder + QStringLiteral("/.2024-01-01-10-00-09.tmp"), "x"));
        QVERIFY(bytes.isEmpty() ? QFile::remove(cache) : WriteBytes(cache, bytes));
        if (oldFolder && !change.startsWith(QLatin1String("file")))
            age(1); // the names as the cache saw them (or a hidden one more)
        const QStringList truth = Lines(LoadFinishedInfos(folder));
        QCOMPARE(truth.size(), change == QLatin1String("file added")     ? 4
                               : change == QLatin1String("file removed") ? 2
                                                                          : 3);
        QCOMPARE(Lines(CFinishedRecords::Load(folder, cache)), truth);
        QCOMPARE(Lines(CFinishedRecords::Load(folder, cache)), truth); // the cache written anew
        // The folder time is trusted for a folder unchanged for long without temporary files.
        QCOMPARE(FinishedCacheCurrent(folder, cache),
                 oldFolder && !change.startsWith(QLatin1String("file")) &&
                     change != QLatin1String("temporary file left"));
    }

    // Records made at run time keep every field, and are found and removed by finish time.
    void finishedRecordsKeepEveryField()
    {
        CFinishedRecords records;
        _VIDEO_FILE_INFO_ older = SampleRecord();
        older.QstrFinishTime = QStringLiteral("2024-01-01-00-00-00");
        older.QstrTitle = QStringLiteral("line\nbreak ##@##");
        records.Append(older);
        records.Insert(0, SampleRecord());
        QCOMPARE(records.Size(), 2);
        for (int i = 0; i < 2; ++i) {
            const _VIDEO_FILE_INFO_ in = i == 0 ? SampleRecord() : older;
            const _VIDEO_FILE_INFO_ out = records.At(i);
            QCOMPARE(DownloadInfoLine(out), DownloadInfoLine(in));
            QCOMPARE(FinishedInfoLine(out), FinishedInfoLine(in));
            QCOMPARE(out.QstrTitle, in.QstrTitle);
            QCOMPARE(out.QstrStreamNote + out.QstrResolution + out.QstrQuality + out.QstrFormatExtra,
                     in.QstrStreamNote + in.QstrResolution + in.QstrQuality + in.QstrFormatExtra);
        }
        QCOMPARE(records.IndexOf(older.QstrFinishTime), 1);
        QCOMPARE(records.IndexOfFile(older), 0); // same size, duration and file as the first
        records.Remove(0);
        QCOMPARE(records.IndexOf(SampleRecord().QstrFinishTime), -1);
        QCOMPARE(records.FinishTime(0), older.QstrFinishTime);
    }

    void unreadableFileIsLeftAlone()
    {
        if (geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("2024-01-01-00-00-00"));
        const QByteArray content = Fields(8);
        QVERIFY(WriteBytes(path, content));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QVERIFY(LoadFinishedInfos(dir.path()).empty());
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(ReadBytes(path), content);
    }

    void freeFinishStamp_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList{"2024-05-05-10-00-00"} << "2024-05-05-10-00-01"
                              << "2024-05-05-10-00-01";
        QTest::newRow("taken") << QStringList{"2024-05-05-10-00-00"} << "2024-05-05-10-00-00"
                               << "2024-05-05-10-00-01";
        QTest::newRow("minute boundary")
            << QStringList{"2024-05-05-10-15-59"} << "2024-05-05-10-15-59"
            << "2024-05-05-10-16-00";
        QTest::newRow("two taken across an hour")
            << QStringList{"2024-05-05-10-59-59", "2024-05-05-11-00-00"} << "2024-05-05-10-59-59"
            << "2024-05-05-11-00-01";
        QTest::newRow("year boundary")
            << QStringList{"2023-12-31-23-59-59"} << "2023-12-31-23-59-59"
            << "2024-01-01-00-00-00";
        QTest::newRow("leap day") << QStringList{"2024-02-28-23-59-59"} << "2024-02-28-23-59-59"
                                  << "2024-02-29-00-00-00";
        QTest::newRow("no leap day") << QStringList{"2023-02-28-23-59-59"} << "2023-02-28-23-59-59"
                                     << "2023-03-01-00-00-00";
        QTest::newRow("daylight-saving night")
            << QStringList{"2024-03-31-02-29-59"} << "2024-03-31-02-29-59"
            << "2024-03-31-02-30-00";
        QTest::newRow("no stamp") << QStringList{"abc"} << "abc" << "abc";
    }

    // A task key steps past the files and past the keys in use alike.
    void freeTaskKey_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("inUse");
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList{} << QStringList{} << "2024-05-05-10-00-00"
                              << "2024-05-05-10-00-00";
        QTest::newRow("in use, no file")
            << QStringList{} << QStringList{"2024-05-05-10-00-00"} << "2024-05-05-10-00-00"
            << "2024-05-05-10-00-01";
        QTest::newRow("file, then in use")
            << QStringList{"2024-05-05-10-00-00"} << QStringList{"2024-05-05-10-00-01"}
            << "2024-05-05-10-00-00" << "2024-05-05-10-00-02";
        QTest::newRow("in use, then file, across a day")
            << QStringList{"2024-05-06-00-00-00"} << QStringList{"2024-05-05-23-59-59"}
            << "2024-05-05-23-59-59" << "2024-05-06-00-00-01";
    }
    void freeTaskKey()
    {
        QFETCH(QStringList, existing);
        QFETCH(QStringList, inUse);
        QFETCH(QString, stamp);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString& name : existing)
            QVERIFY(WriteBytes(dir.filePath(name), "x"));
        QCOMPARE(FreeStamp(dir.path(), stamp,
                           [&inUse](const QString& key) { return inUse.contains(key); }),
                 expected);
    }

    void freeFinishStamp()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, stamp);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString& name : existing)
            QVERIFY(WriteBytes(dir.filePath(name), "x"));
        QCOMPARE(FreeFinishStamp(dir.path(), stamp), expected);
        QCOMPARE(FreeFinishStamp(dir.path() + QLatin1Char('/'), stamp), expected);
    }

    void metaTypes()
    {
        RegisterVideoInfoTypes();
        RegisterVideoInfoTypes();
        const QMetaType type = QMetaType::fromName("VIDEO_FILE_INFO");
        QVERIFY(type.isValid());
        QVariant value(type); // default-constructed through the registered type
        QVERIFY(value.isValid());
        QCOMPARE(value.metaType(), type);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
