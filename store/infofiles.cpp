#include "infofiles.h"

#include "finishedrecords.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kDownloadFieldCount = 10;
constexpr int kFinishedFieldCount = 8;
const QString kStampFormat = QStringLiteral("yyyy-MM-dd-hh-mm-ss");

// The members of a record in the order of each file format.
using Field = QString _VIDEO_FILE_INFO_::*;

const Field kDownloadFields[kDownloadFieldCount] = {
    &_VIDEO_FILE_INFO_::QstrTaskKey,   &_VIDEO_FILE_INFO_::QstrFormatId,
    &_VIDEO_FILE_INFO_::QstrUrl,       &_VIDEO_FILE_INFO_::QstrPercent,
    &_VIDEO_FILE_INFO_::QstrSize,      &_VIDEO_FILE_INFO_::QstrDuration,
    &_VIDEO_FILE_INFO_::QstrExt,       &_VIDEO_FILE_INFO_::QstrTitle,
    &_VIDEO_FILE_INFO_::QstrThumbPath, &_VIDEO_FILE_INFO_::QstrOutputDir,
};

const Field kFinishedFields[kFinishedFieldCount] = {
    &_VIDEO_FILE_INFO_::QstrFinishTime, &_VIDEO_FILE_INFO_::QstrSize,
    &_VIDEO_FILE_INFO_::QstrDuration,   &_VIDEO_FILE_INFO_::QstrExt,
    &_VIDEO_FILE_INFO_::QstrTitle,      &_VIDEO_FILE_INFO_::QstrThumbPath,
    &_VIDEO_FILE_INFO_::QstrOutputDir,  &_VIDEO_FILE_INFO_::QstrFilePath,
};

template <int N> QString BuildLine(const _VIDEO_FILE_INFO_& info, const Field (&fields)[N])
{
    QStringList values;
    values.reserve(N);
    // Only the title comes from outside and is mended; paths and links are the user's and
    // are stored as they are (an output folder that cannot be stored is refused when chosen).
    for (Field field : fields)
        values << (field == &_VIDEO_FILE_INFO_::QstrTitle ? SanitiseField(info.*field)
                                                          : info.*field);
    return values.join(kInfoSeparator);
}

template <int N>
std::vector<_VIDEO_FILE_INFO_> ParseLines(const QString& content, const Field (&fields)[N])
{
    std::vector<_VIDEO_FILE_INFO_> records;
    const QStringList pieces = content.split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    for (const QString& piece : pieces) {
        const QStringList values = piece.split(kInfoSeparator, Qt::KeepEmptyParts);
        if (values.size() != N)
            continue;
        _VIDEO_FILE_INFO_ info;
        for (int i = 0; i < N; ++i)
            info.*fields[i] = values.at(i);
        records.push_back(info);
    }
    return records;
}

// The whole content of a file as UTF-8 text; a file that cannot be opened reads as empty.
// The file is only read, never changed.
QString ReadWholeFile(const QString& path)
{
    QByteArray bytes;
    ReadInfoFileBytes(path, bytes);
    return QString::fromUtf8(bytes);
}

template <int N>
std::vector<_VIDEO_FILE_INFO_> LoadFolder(const QString& folder, const Field (&fields)[N])
{
    std::vector<_VIDEO_FILE_INFO_> records;
    std::vector<QString> files;
    if (!GetDirFiles(folder, files, QString()))
        return records;
    for (const QString& path : files) {
        std::vector<_VIDEO_FILE_INFO_> fromFile = ParseLines(ReadWholeFile(path), fields);
        records.insert(records.end(), fromFile.begin(), fromFile.end());
    }
    return records;
}

// An info file is named after a time stamp: never a path, never "." or "..".
bool IsPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

QString PathIn(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// The hidden name a write of `name` goes through.
QString TemporaryName(const QString& name)
{
    return QLatin1Char('.') + name + QStringLiteral(".tmp");
}

} // namespace

bool ReadInfoFileBytes(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, got);
    ::close(fd);
    if (got != 0) {
        bytes.clear();
        return false;
    }
    bytes.removeIf([](char c) { return c == '\r'; });
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    return true;
}

QString SanitiseField(const QString& value)
{
    QString result = value;
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // Each replacement shortens the text, so the loop ends; "###@" needs two rounds.
    const QString mark = QStringLiteral("##@");
    while (result.contains(mark))
        result.replace(mark, QStringLiteral("#@"));
    return result;
}

QString DownloadInfoLine(const _VIDEO_FILE_INFO_& info)
{
    return BuildLine(info, kDownloadFields) + QLatin1Char('\n');
}

QString FinishedInfoLine(const _VIDEO_FILE_INFO_& info)
{
    return BuildLine(info, kFinishedFields);
}

std::vector<_VIDEO_FILE_INFO_> ParseDownloadInfo(const QString& content)
{
    return ParseLines(content, kDownloadFields);
}

std::vector<_VIDEO_FILE_INFO_> ParseFinishedInfo(const QString& content)
{
    return ParseLines(content, kFinishedFields);
}

bool GetDirFiles(const QString& folder, std::vector<QString>& files, const QString& filter)
{
    const QDir dir(folder);
    if (!dir.exists())
        return false;
    // Without QDir::Hidden, names that begin with a dot are not listed.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (filter.isEmpty() || path.contains(filter))
            files.push_back(path);
    }
    return true;
}

int WriteInfoFile(const QString& folder, const QString& name, const QString& content)
{
    if (!IsPlainFileName(name))
        return -1;
    // Written in full under a hidden name beside the file, then renamed over it: a crash leaves
    // the old file or the new one, and what it leaves of the hidden one is never loaded (the
    // loaders skip names that begin with a dot). The next write of the same name replaces it,
    // and the next start removes it (RemoveStaleTemporaries).
    const QByteArray bytes = content.toUtf8();
    return WriteFileAtomically(folder, name,
                               [&bytes](QIODevice& file) { return file.write(bytes) == bytes.size(); });
}

int WriteFileAtomically(const QString& folder, const QString& name,
                        const std::function<bool(QIODevice&)>& write)
{
    if (!IsPlainFileName(name))
        return -1;
    const QByteArray target = QFile::encodeName(PathIn(folder, name));
    const QString temporary = PathIn(folder, TemporaryName(name));
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    const bool written = write(file) && file.flush() && ::fsync(file.handle()) == 0;
    file.close();
    if (!written || ::rename(QFile::encodeName(temporary).constData(), target.constData()) != 0) {
        QFile::remove(temporary);
        return -1;
    }
    return 0;
}

int RemoveStaleTemporaries(const QString& folder)
{
    // TemporaryName of a time stamp, the name of every info file: nothing else is touched.
    static const QRegularExpression own(
        QStringLiteral(R"(^\.\d{4}-\d{2}-\d{2}-\d{2}-\d{2}-\d{2}\.tmp$)"));
    int removed = 0;
    // Read as the system lists it: a folder of a long history holds a hundred thousand
    // visible names, and only the hidden ones are looked at closer.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        const QString path = PathIn(folder, name);
        const QFileInfo info(path);
        if (own.match(name).hasMatch() && info.isFile() && !info.isSymLink() &&
            QFile::remove(path))
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

std::vector<_VIDEO_FILE_INFO_> LoadDownloadInfos(const QString& folder)
{
    return LoadFolder(folder, kDownloadFields);
}

std::vector<_VIDEO_FILE_INFO_> LoadFinishedInfos(const QString& folder)
{
    const CFinishedRecords loaded = CFinishedRecords::Load(folder);
    std::vector<_VIDEO_FILE_INFO_> records;
    records.reserve(size_t(loaded.Size()));
    for (int i = 0; i < loaded.Size(); ++i)
        records.push_back(loaded.At(i));
    return records;
}

QString FreeStamp(const QString& folder, const QString& stamp,
                  const std::function<bool(const QString&)>& taken)
{
    auto isTaken = [&](const QString& candidate) {
        return QFileInfo::exists(PathIn(folder, candidate)) || (taken && taken(candidate));
    };
    if (!isTaken(stamp))
        return stamp;
    // Calendar arithmetic in UTC: the stamp is a label, and local time could skip or repeat
    // an hour at a daylight-saving change.
    const QDate date = QDate::fromString(stamp.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime clock = QTime::fromString(stamp.mid(11), QStringLiteral("hh-mm-ss"));
    QDateTime time(date, clock, Qt::UTC);
    if (stamp.size() != 19 || stamp.at(10) != QLatin1Char('-') || !time.isValid())
        return stamp;
    QString candidate;
    do {
        time = time.addSecs(1);
        candidate = time.toString(kStampFormat);
    } while (isTaken(candidate));
    return candidate;
}

QString FreeFinishStamp(const QString& folder, const QString& stamp)
{
    return FreeStamp(folder, stamp);
}
