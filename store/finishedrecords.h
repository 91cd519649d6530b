#pragma once
// The finished history, held compactly: a user's years of finished tasks stay a few hundred
// bytes each, and are turned into full records only when one is looked at (its row is built,
// opened or deleted).
//
// A record is one run of bytes: every field of _VIDEO_FILE_INFO_ as its UTF-8 bytes behind
// their length, the finish time first. A record read from a finished info file keeps the
// file's bytes as they are, so loading makes no text conversions. The runs lie one after the
// other in large blocks; the list holds where each one begins, in the order of the list.

#include "videoinfo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

class CFinishedRecords
{
public:
    int Size() const { return int(m_index.size()); }
    bool Empty() const { return m_index.empty(); }

    // The record at `index` (0 <= index < Size()) in full.
    _VIDEO_FILE_INFO_ At(int index) const;

    // The finish time of the record at `index`, which names its info file.
    QString FinishTime(int index) const;

    // The index of the first record with this finish time, or -1.
    int IndexOf(const QString& finishTime) const;

    // The index of the first record of the same file as `info` (same size, duration and file
    // path), or -1.
    int IndexOfFile(const _VIDEO_FILE_INFO_& info) const;

    void Insert(int index, const _VIDEO_FILE_INFO_& info);
    void Append(const _VIDEO_FILE_INFO_& info) { Insert(Size(), info); }
    void Append(CFinishedRecords&& more); // moves the records of `more` below these
    void Remove(int index);
    void Clear();

    // Reads every finished info file of `folder` (as LoadFinishedInfos does), newest first.
    // Given a cache file (see finishedcache.h), the records of the files it knows come from it,
    // and it is written anew if the folder has changed since.
    static CFinishedRecords Load(const QString& folder, const QString& cacheFile = QString());

    // For the cache: the bytes of the record at `index`, and a record list over one block of
    // such bytes laid one after the other (false if they are not whole records).
    QByteArrayView Bytes(int index) const;
    bool AdoptBlock(QByteArray block);

private:
    // Appends a record made of these fields to the last block; returns where it begins.
    quint64 AppendBytes(const QByteArrayView* fields, int count);
    const char* Begin(quint64 where) const;
    void AppendFromFile(QByteArray& bytes);
    void SortNewestFirst();

    std::vector<QByteArray> m_blocks; // the bytes of the records
    std::vector<quint64> m_index;     // the records in order: block << 32 | position in it
};
