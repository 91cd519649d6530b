#pragma once
// The cache of the finished history: one file beside the finished folder that holds the
// records of every finished info file it has seen, by the file's name and inode, so that a
// start with a long history reads one file instead of a hundred thousand.
//
// The info files stay the truth. A folder whose modification time is still the one the cache
// was written for has the same names as then; else the folder is listed (names and inodes come
// with the listing, at no cost per file): a file the cache does not know under the same name
// and inode is read, one it knows that has gone is dropped. An info file is written once,
// under a name no other has had, through a rename (which gives it a new inode), so name and
// inode tell whether the cached records are still the file's. A cache that cannot be read, is
// cut short or too long, fails its checksum or is of another format counts as empty.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

class CFinishedRecords;

// One finished info file; its name lies in a pool of names shared by a whole list.
struct _FINISHED_FILE_
{
    qsizetype nNameAt = 0;
    qsizetype nNameSize = 0;
    quint64 nInode = 0;  // 0: never cached (a symbolic link)
    size_t nFirst = 0;   // its records: [nFirst, nFirst + nCount) of the record list
    size_t nCount = 0;

    QByteArrayView Name(const QByteArray& pool) const
    {
        return QByteArrayView(pool.constData() + nNameAt, nNameSize);
    }
};

// The order of file names in a listing (as GetDirFiles: by name ignoring case).
bool FinishedNameLess(QByteArrayView a, QByteArrayView b);

// The visible files of `folder` (regular files and links to them) in name order, their
// names in `names`; `temporaries` tells whether a hidden name of a write's temporary file
// (".*.tmp") is there too. False if the folder cannot be listed.
bool ListFinishedFiles(const QString& folder, QByteArray& names,
                       std::vector<_FINISHED_FILE_>& files, bool& temporaries);

// The modification time of the folder in nanoseconds (0 if it has none). Every name that is
// added, removed or renamed in it moves the time on, so a cache that was written for this
// time holds the files of the folder as they are, without listing them.
qint64 FinishedFolderTime(const QString& folder);

// True if the cache file was written for the folder's present modification time: then no
// name in the folder has changed since, and no hidden temporary file of a write is in it
// (a cache is never written for a time while one is). Reads only the cache's head.
bool FinishedCacheCurrent(const QString& folder, const QString& cacheFile);

// What the cache file holds: its files in name order (names in `names`), their records' bytes
// one after the other in `records`, and the folder time it was written for (0: none, list the
// folder). False, and nothing, if it is missing or unusable.
bool ReadFinishedCache(const QString& cacheFile, QByteArray& names,
                       std::vector<_FINISHED_FILE_>& files, QByteArray& records,
                       qint64& folderTime);

// Writes the cache file atomically: the files (but those with no inode) and their records,
// which `records` holds in file order, and the folder time. 0, or -1 on failure.
int WriteFinishedCache(const QString& cacheFile, const QByteArray& names,
                       const std::vector<_FINISHED_FILE_>& files, const CFinishedRecords& records,
                       qint64 folderTime);
