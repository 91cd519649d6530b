#include "finishedrecords.h"

#include "finishedcache.h"
#include "infofiles.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <malloc.h>

namespace {

using Field = QString _VIDEO_FILE_INFO_::*;

// Every field of the record, in the order a compact record holds them: the finish time first
// (looked up by), then those of a finished info file in their order there, then the rest.
constexpr int kFileFieldCount = 8;
const Field kFields[] = {
    &_VIDEO_FILE_INFO_::QstrFinishTime,  &_VIDEO_FILE_INFO_::QstrSize,
    &_VIDEO_FILE_INFO_::QstrDuration,    &_VIDEO_FILE_INFO_::QstrExt,
    &_VIDEO_FILE_INFO_::QstrTitle,       &_VIDEO_FILE_INFO_::QstrThumbPath,
    &_VIDEO_FILE_INFO_::QstrOutputDir,   &_VIDEO_FILE_INFO_::QstrFilePath,
    &_VIDEO_FILE_INFO_::QstrFormatId,    &_VIDEO_FILE_INFO_::QstrStreamNote,
    &_VIDEO_FILE_INFO_::QstrResolution,  &_VIDEO_FILE_INFO_::QstrQuality,
    &_VIDEO_FILE_INFO_::QstrFormatExtra, &_VIDEO_FILE_INFO_::QstrTaskKey,
    &_VIDEO_FILE_INFO_::QstrUrl,         &_VIDEO_FILE_INFO_::QstrPercent,
};
constexpr int kFieldCount = int(std::size(kFields));
constexpr qsizetype kBlockSize = 1 << 20;

// Walks the fields of one record: each is its length in 7-bit groups (lowest first, the high
// bit set on all but the last), then its bytes.
class CFieldReader
{
public:
    CFieldReader(const char* at, const char* end) : m_at(at), m_end(end) {}

    // The next field; false once the bytes end before it does.
    bool Next(QByteArrayView& field)
    {
        quint64 length = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_at == m_end)
                return false;
            const auto byte = quint8(*m_at++);
            length |= quint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                break;
        }
        if (length > quint64(m_end - m_at))
            return false;
        field = QByteArrayView(m_at, qsizetype(length));
        m_at += length;
        return true;
    }
    const char* At() const { return m_at; }

private:
    const char* m_at;
    const char* m_end;
};

void AppendLength(QByteArray& out, qsizetype length)
{
    auto value = quint64(length);
    while (value >= 0x80) {
        out.append(char((value & 0x7f) | 0x80));
        value >>= 7;
    }
    out.append(char(value));
}

} // namespace

const char* CFinishedRecords::Begin(quint64 where) const
{
    return m_blocks[size_t(where >> 32)].constData() + (where & 0xffffffffU);
}

QByteArrayView CFinishedRecords::Bytes(int index) const
{
    const quint64 where = m_index.at(size_t(index));
    const QByteArray& block = m_blocks[size_t(where >> 32)];
    const char* begin = Begin(where);
    CFieldReader reader(begin, block.constData() + block.size());
    QByteArrayView field;
    for (int i = 0; i < kFieldCount && reader.Next(field); ++i) {
    }
    return QByteArrayView(begin, reader.At() - begin);
}

_VIDEO_FILE_INFO_ CFinishedRecords::At(int index) const
{
    _VIDEO_FILE_INFO_ info;
    const QByteArrayView bytes = Bytes(index);
    CFieldReader reader(bytes.data(), bytes.data() + bytes.size());
    QByteArrayView field;
    for (Field member : kFields) {
        if (reader.Next(field) && !field.isEmpty())
            info.*member = QString::fromUtf8(field);
    }
    return info;
}

static QByteArrayView FirstField(const CFinishedRecords& records, int index)
{
    const QByteArrayView bytes = records.Bytes(index);
    CFieldReader reader(bytes.data(), bytes.data() + bytes.size());
    QByteArrayView field;
    reader.Next(field);
    return field;
}

QString CFinishedRecords::FinishTime(int index) const
{
    return QString::fromUtf8(FirstField(*this, index));
}

int CFinishedRecords::IndexOf(const QString& finishTime) const
{
    const QByteArray wanted = finishTime.toUtf8();
    for (int i = 0; i < Size(); ++i) {
        if (FirstField(*this, i) == wanted)
            return i;
    }
    return -1;
}

int CFinishedRecords::IndexOfFile(const _VIDEO_FILE_INFO_& info) const
{
    // The compared fields by their place in kFields: size, duration and file path.
    const QByteArray size = info.QstrSize.toUtf8();
    const QByteArray duration = info.QstrDuration.toUtf8();
    const QByteArray filePath = info.QstrFilePath.toUtf8();
    for (int i = 0; i < Size(); ++i) {
        const QByteArrayView bytes = Bytes(i);
        CFieldReader reader(bytes.data(), bytes.data() + bytes.size());
        QByteArrayView fields[kFileFieldCount];
        for (QByteArrayView& field : fields)
            reader.Next(field);
        if (fields[1] == size && fields[2] == duration && fields[7] == filePath)
            return i;
    }
    return -1;
}

quint64 CFinishedRecords::AppendBytes(const QByteArrayView* fields, int count)
{
    qsizetype size = 0;
    for (int i = 0; i < kFieldCount; ++i)
        size += (i < count ? fields[i].size() : 0) + 10;
    // A block never moves what it holds to grow: a new one starts when the last is full.
    if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < size) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(std::max(kBlockSize, size));
    }
    QByteArray& block = m_blocks.back();
    const quint64 where = quint64(m_blocks.size() - 1) << 32 | quint64(block.size());
    for (int i = 0; i < kFieldCount; ++i) {
        const QByteArrayView field = i < count ? fields[i] : QByteArrayView();
        AppendLength(block, field.size());
        block.append(field);
    }
    return where;
}

void CFinishedRecords::Insert(int index, const _VIDEO_FILE_INFO_& info)
{
    QByteArray utf8[kFieldCount];
    QByteArrayView fields[kFieldCount];
    for (int i = 0; i < kFieldCount; ++i) {
        utf8[i] = (info.*kFields[i]).toUtf8();
        fields[i] = utf8[i];
    }
    index = std::clamp(index, 0, Size());
    m_index.insert(m_index.begin() + index, AppendBytes(fields, kFieldCount));
}

void CFinishedRecords::Append(CFinishedRecords&& more)
{
    const auto shift = quint64(m_blocks.size()) << 32;
    for (QByteArray& block : more.m_blocks)
        m_blocks.push_back(std::move(block));
    m_index.reserve(m_index.size() + more.m_index.size());
    for (quint64 where : more.m_index)
        m_index.push_back(where + shift);
    more.Clear();
}

void CFinishedRecords::Remove(int index)
{
    // Its bytes stay in their block until the list goes.
    if (index >= 0 && index < Size())
        m_index.erase(m_index.begin() + index);
}

void CFinishedRecords::Clear()
{
    m_blocks.clear();
    m_index.clear();
}

bool CFinishedRecords::AdoptBlock(QByteArray block)
{
    Clear();
    const char* begin = block.constData();
    const char* end = begin + block.size();
    CFieldReader reader(begin, end);
    while (reader.At() != end) {
        const quint64 where = quint64(reader.At() - begin);
        QByteArrayView field;
        for (int i = 0; i < kFieldCount; ++i) {
            if (!reader.Next(field)) {
                m_index.clear();
                return false;
            }
        }
        m_index.push_back(where);
    }
    m_blocks.push_back(std::move(block));
    return true;
}

// The records of a finished info file's bytes (ReadInfoFileBytes), as ParseFinishedInfo reads
// its text: each line with exactly eight fields is one record.
void CFinishedRecords::AppendFromFile(QByteArray& bytes)
{
    QByteArrayView rest(bytes);
    const QByteArrayView separator("##@##");
    while (true) {
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = end < 0 ? rest : rest.first(end);
        QByteArrayView fields[kFileFieldCount];
        int count = 0;
        qsizetype from = 0;
        while (count <= kFileFieldCount) {
            const qsizetype at = line.indexOf(separator, from);
            if (count < kFileFieldCount)
                fields[count] = line.sliced(from, (at < 0 ? line.size() : at) - from);
            ++count;
            if (at < 0)
                break;
            from = at + separator.size();
        }
        if (count == kFileFieldCount)
            m_index.push_back(AppendBytes(fields, kFileFieldCount));
        if (end < 0)
            break;
        rest = rest.sliced(end + 1);
    }
}

void CFinishedRecords::SortNewestFirst()
{
    // Stamps have a fixed width, so byte order is time order. Files named after their stamps
    // come oldest first, and then turning the list round is all the sorting there is.
    std::vector<std::pair<QByteArrayView, quint64>> keyed;
    keyed.reserve(m_index.size());
    for (int i = 0; i < Size(); ++i)
        keyed.emplace_back(FirstField(*this, i), m_index[size_t(i)]);
    const bool oldestFirst = std::adjacent_find(keyed.begin(), keyed.end(), [](auto& a, auto& b) {
                                 return !(a.first < b.first);
                             }) == keyed.end();
    if (oldestFirst) {
        std::reverse(m_index.begin(), m_index.end());
        return;
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return b.first < a.first; });
    for (size_t i = 0; i < keyed.size(); ++i)
        m_index[i] = keyed[i].second;
}

CFinishedRecords CFinishedRecords::Load(const QString& folder, const QString& cacheFile)
{
    CFinishedRecords loaded;
    const qint64 folderTime = FinishedFolderTime(folder);
    // What the cache knows comes first, as block 0, in file order.
    QByteArray cachedNames;
    std::vector<_FINISHED_FILE_> cached;
    qint64 cachedTime = 0;
    {
        QByteArray cachedBytes;
        bool usable = !cacheFile.isEmpty() &&
                      ReadFinishedCache(cacheFile, cachedNames, cached, cachedBytes, cachedTime) &&
                      loaded.AdoptBlock(std::move(cachedBytes));
        size_t first = 0;
        for (_FINISHED_FILE_& file : cached) {
            file.nFirst = first;
            first += file.nCount;
        }
        usable = usable && first == loaded.m_index.size(); // each file's records, no more
        if (!usable) {
            loaded.Clear();
            cached.clear();
            cachedTime = 0;
        }
        if (usable && cachedTime != 0 && cachedTime == folderTime) {
            // No name of the folder has changed since the cache was written.
            loaded.SortNewestFirst();
            return loaded;
        }
    }

    QByteArray names;
    std::vector<_FINISHED_FILE_> files;
    bool temporaries = false;
    if (!ListFinishedFiles(folder, names, files, temporaries))
        return {};
    std::vector<quint64> order;
    order.reserve(loaded.m_index.size());
    bool changed = cached.size() != files.size();
    bool links = false;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    QByteArray bytes;
    auto known = cached.cbegin();
    for (_FINISHED_FILE_& file : files) {
        const QByteArrayView name = file.Name(names);
        while (known != cached.cend() && FinishedNameLess(known->Name(cachedNames), name))
            ++known; // a file that has gone
        file.nFirst = order.size();
        links = links || file.nInode == 0;
        if (file.nInode != 0 && known != cached.cend() && known->Name(cachedNames) == name &&
            known->nInode == file.nInode) {
            order.insert(order.end(), loaded.m_index.begin() + qsizetype(known->nFirst),
                         loaded.m_index.begin() + qsizetype(known->nFirst + known->nCount));
        } else {
            changed = true;
            const size_t before = loaded.m_index.size();
            if (ReadInfoFileBytes(prefix + QFile::decodeName(name.toByteArray()), bytes))
                loaded.AppendFromFile(bytes);
            order.insert(order.end(), loaded.m_index.begin() + qsizetype(before),
                         loaded.m_index.end());
        }
        file.nCount = order.size() - file.nFirst;
    }
    loaded.m_index = std::move(order);
    // The folder time is kept only where it tells: not for a folder changed within the last
    // seconds (a change in the same clock tick could leave the time as it is), nor one with
    // links (which the cache leaves out) or temporary files (which a start removes).
    const qint64 recent = (QDateTime::currentMSecsSinceEpoch() - 2000) * 1000000;
    const qint64 keptTime = !links && !temporaries && folderTime < recent ? folderTime : 0;
    if (!cacheFile.isEmpty() && (changed || keptTime != cachedTime))
        WriteFinishedCache(cacheFile, names, files, loaded, keptTime);
    loaded.SortNewestFirst();
    // What the reading left free goes back to the system: a long history leaves much of it.
    names = {};
    files = {};
    cached = {};
    ::malloc_trim(0);
    return loaded;
}
