#include "finishedcache.h"

#include "finishedrecords.h"
#include "infofiles.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The format's mark; a cache of another layout is not read.
const QByteArray kMagic("QLFHC03\n");

// A 64-bit checksum of a byte stream fed in pieces of any size: 32 bytes at a time go to four
// lanes (so the multiplications do not wait for each other), what is left waits for the next.
class CChecksum
{
public:
    void Add(const char* data, size_t size)
    {
        while (size > 0 && m_carry > 0) {
            m_block[m_carry++] = *data++;
            --size;
            if (m_carry == kBlock) {
                Mix(m_block);
                m_carry = 0;
            }
        }
        if (m_carry > 0)
            return; // all of it went to the waiting block
        for (; size >= kBlock; data += kBlock, size -= kBlock)
            Mix(data);
        std::memcpy(m_block, data, size);
        m_carry = size;
    }
    quint64 Value() const
    {
        quint64 value = 0xCBF29CE484222325ULL ^ m_carry;
        for (quint64 lane : m_lanes)
            value = (value ^ lane ^ (lane >> 31)) * 0x9E3779B97F4A7C15ULL;
        for (size_t i = 0; i < m_carry; ++i)
            value = (value ^ quint8(m_block[i])) * 0x100000001B3ULL;
        return value;
    }

private:
    static constexpr size_t kBlock = 32;
    void Mix(const char* block)
    {
        quint64 words[4];
        std::memcpy(words, block, kBlock);
        for (int lane = 0; lane < 4; ++lane)
            m_lanes[lane] = (m_lanes[lane] ^ words[lane]) * 0x100000001B3ULL;
    }

    quint64 m_lanes[4] = {1, 2, 3, 4};
    char m_block[kBlock] = {};
    size_t m_carry = 0;
};

bool ReadExactly(int fd, char* out, size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(fd, out, size);
        if (got <= 0)
            return false;
        out += got;
        size -= size_t(got);
    }
    return true;
}

template <typename T> bool Take(const QByteArray& from, qsizetype& pos, T& value)
{
    if (from.size() - pos < qsizetype(sizeof value))
        return false;
    std::memcpy(&value, from.constData() + pos, sizeof value);
    pos += sizeof value;
    return true;
}

// The files of the cache's name section.
bool ParseFiles(const QByteArray& meta, std::vector<_FINISHED_FILE_>& files)
{
    qsizetype pos = 0;
    while (pos < meta.size()) {
        _FINISHED_FILE_ file;
        quint32 nameSize = 0;
        quint32 count = 0;
        if (!Take(meta, pos, nameSize) || meta.size() - pos < qsizetype(nameSize))
            return false;
        file.nNameAt = pos;
        file.nNameSize = nameSize;
        pos += nameSize;
        if (!Take(meta, pos, file.nInode) || !Take(meta, pos, count))
            return false;
        file.nCount = count;
        files.push_back(file);
    }
    return true;
}

struct CSummedWriter
{
    QIODevice& device;
    CChecksum sum;
    bool Write(const char* data, size_t size)
    {
        sum.Add(data, size);
        return device.write(data, qint64(size)) == qint64(size);
    }
    template <typename T> bool Write(const T& value)
    {
        return Write(reinterpret_cast<const char*>(&value), sizeof value);
    }
};

bool IsAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return quint8(c) < 0x80; });
}

} // namespace

bool FinishedNameLess(QByteArrayView a, QByteArrayView b)
{
    int order = 0;
    if (IsAscii(a) && IsAscii(b))
        order = qstrnicmp(a.data(), a.size(), b.data(), b.size());
    else
        order = QFile::decodeName(a.toByteArray())
                    .compare(QFile::decodeName(b.toByteArray()), Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

qint64 FinishedFolderTime(const QString& folder)
{
    struct stat info{};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return 0;
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

bool ListFinishedFiles(const QString& folder, QByteArray& names,
                       std::vector<_FINISHED_FILE_>& files, bool& temporaries)
{
    temporaries = false;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        // Names that begin with a dot are hidden ("." and ".." among them).
        if (entry->d_name[0] == '.') {
            const size_t length = std::strlen(entry->d_name);
            temporaries = temporaries ||
                          (length > 5 && std::strcmp(entry->d_name + length - 4, ".tmp") == 0);
            continue;
        }
        unsigned char type = entry->d_type;
        bool link = type == DT_LNK;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat target{};
            struct stat own{};
            if (::fstatat(::dirfd(dir), entry->d_name, &target, 0) != 0)
                continue; // a broken link
            type = S_ISREG(target.st_mode) ? DT_REG : DT_UNKNOWN;
            link = link || ::fstatat(::dirfd(dir), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0 ||
                   S_ISLNK(own.st_mode);
        }
        if (type != DT_REG)
            continue;
        _FINISHED_FILE_ file;
        file.nNameAt = names.size();
        file.nNameSize = qsizetype(std::strlen(entry->d_name));
        file.nInode = link ? 0 : quint64(entry->d_ino);
        names.append(entry->d_name, file.nNameSize);
        files.push_back(file);
    }
    ::closedir(dir);
    // Names without capitals and beyond ASCII (time stamps) sort by their bytes alike.
    const bool plain = std::none_of(names.begin(), names.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || quint8(c) >= 0x80;
    });
    std::sort(files.begin(), files.end(), [&names, plain](const auto& a, const auto& b) {
        return plain ? a.Name(names) < b.Name(names)
                     : FinishedNameLess(a.Name(names), b.Name(names));
    });
    return true;
}

bool FinishedCacheCurrent(const QString& folder, const QString& cacheFile)
{
    const int fd = ::open(QFile::encodeName(cacheFile).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray head(kMagic.size() + 24, Qt::Uninitialized);
    qint64 folderTime = 0;
    const bool read = ReadExactly(fd, head.data(), size_t(head.size())) && head.startsWith(kMagic);
    ::close(fd);
    if (read)
        std::memcpy(&folderTime, head.constData() + kMagic.size() + 16, 8);
    return read && folderTime != 0 && folderTime == FinishedFolderTime(folder);
}

bool ReadFinishedCache(const QString& cacheFile, QByteArray& names,
                       std::vector<_FINISHED_FILE_>& files, QByteArray& records,
                       qint64& folderTime)
{
    folderTime = 0;
    const int fd = ::open(QFile::encodeName(cacheFile).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info{};
    QByteArray head(kMagic.size() + 24, Qt::Uninitialized);
    quint64 metaSize = 0;
    quint64 recordsSize = 0;
    quint64 stored = 0;
    char beyond = 0;
    bool read = ::fstat(fd, &info) == 0 && ReadExactly(fd, head.data(), size_t(head.size())) &&
                head.startsWith(kMagic);
    if (read) {
        std::memcpy(&metaSize, head.constData() + kMagic.size(), 8);
        std::memcpy(&recordsSize, head.constData() + kMagic.size() + 8, 8);
        std::memcpy(&folderTime, head.constData() + kMagic.size() + 16, 8);
        // The sizes must add up to the file's, before anything is made that large.
        read = metaSize < quint64(info.st_size) && recordsSize < quint64(info.st_size) &&
               quint64(head.size()) + metaSize + recordsSize + 8 == quint64(info.st_size);
    }
    if (read) {
        names.resize(qsizetype(metaSize));
        records.resize(qsizetype(recordsSize));
        read = ReadExactly(fd, names.data(), metaSize) &&
               ReadExactly(fd, records.data(), recordsSize) &&
               ReadExactly(fd, reinterpret_cast<char*>(&stored), 8) && ::read(fd, &beyond, 1) == 0;
    }
    ::close(fd);
    if (read) {
        CChecksum sum;
        sum.Add(head.constData(), size_t(head.size()));
        sum.Add(names.constData(), size_t(names.size()));
        sum.Add(records.constData(), size_t(records.size()));
        read = sum.Value() == stored && ParseFiles(names, files);
    }
    if (!read) {
        names.clear();
        files.clear();
        records.clear();
        folderTime = 0;
    }
    return read;
}

int WriteFinishedCache(const QString& cacheFile, const QByteArray& names,
                       const std::vector<_FINISHED_FILE_>& files, const CFinishedRecords& records,
                       qint64 folderTime)
{
    quint64 metaSize = 0;
    quint64 recordsSize = 0;
    for (const _FINISHED_FILE_& file : files) {
        if (file.nInode == 0)
            continue;
        metaSize += 4 + quint64(file.nNameSize) + 8 + 4;
        for (size_t r = file.nFirst; r < file.nFirst + file.nCount; ++r)
            recordsSize += quint64(records.Bytes(int(r)).size());
    }
    const QFileInfo where(cacheFile);
    return WriteFileAtomically(where.path(), where.fileName(), [&](QIODevice& device) {
        CSummedWriter out{device, {}};
        bool ok = out.Write(kMagic.constData(), size_t(kMagic.size())) && out.Write(metaSize) &&
                  out.Write(recordsSize) && out.Write(folderTime);
        for (const _FINISHED_FILE_& file : files) {
            if (ok && file.nInode != 0) {
                const QByteArrayView name = file.Name(names);
                ok = out.Write(quint32(name.size())) && out.Write(name.data(), size_t(name.size())) &&
                     out.Write(file.nInode) && out.Write(quint32(file.nCount));
            }
        }
        for (const _FINISHED_FILE_& file : files) {
            for (size_t r = file.nFirst; ok && file.nInode != 0 && r < file.nFirst + file.nCount; ++r) {
                const QByteArrayView bytes = records.Bytes(int(r));
                ok = out.Write(bytes.data(), size_t(bytes.size()));
            }
        }
        const quint64 sum = out.sum.Value();
        return ok && device.write(reinterpret_cast<const char*>(&sum), 8) == 8;
    });
}
