#pragma once
// Reading the extractor's output during a download run: whole lines only, and the
// judgement of what they say about the task.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <string>

// Collects output bytes and hands out whole lines. A line ends at "\n" or "\r"
// (piped progress lines end with "\r" only); the bytes after the last line end wait for
// the next read. Lines are decoded as UTF-8 only once whole.
class CLineBuffer
{
public:
    // Empty lines are dropped ("\r\n" and "\n\r" give no empty line between).
    QStringList Append(const QByteArray& bytes);
    // The unfinished last line, if any (at the end of a run), and an empty buffer.
    QString Flush();

    // The same, undecoded: the bytes of all whole lines now available, each with its line
    // end (empty if none is whole yet); and the unfinished rest. For JudgeOutput, which
    // decodes only the lines it reads.
    QByteArray AppendRaw(const QByteArray& bytes);
    QByteArray FlushRaw();

private:
    QByteArray m_pending;
};

// What the judgement needs of a task, and what it changes.
struct TaskOutputState
{
    QString QstrExt;
    QString QstrSize;
    QString QstrFormatId;      // tells the task's own parts from the other stream's
    QString QstrPercent;       // written
    QString QstrFilePath;      // written
    bool bHasProgress = false; // written
    bool bRunning = true;
};

// One report for the window: progress (kind 1) with a bar value and an optional status text.
struct ProgressReport
{
    int nProValue = 0;
    int nType = 1;
    QString QstrLabel;
    // The task's state as it stood when the report was made: the receiver of a report may
    // read the task record, so it is written back before the report is sent.
    QString QstrPercent;
    QString QstrFilePath;
    bool bHasProgress = false;
    // Compares the report itself, not the state it was made in.
    bool operator==(const ProgressReport& o) const
    {
        return nProValue == o.nProValue && nType == o.nType && QstrLabel == o.QstrLabel;
    }
};

struct ChunkOutcome
{
    QList<ProgressReport> reports;
    bool bRewriteInfo = false; // an even whole percentage: rewrite the task's info file
};

// Judges the whole lines available now (joined by "\n") as one chunk: only the last
// progress line of the task's own stream counts, so a burst of lines costs one update.
// The events of a chunk (a part already downloaded, progress, the metadata line) are
// judged in the order in which they were printed.
ChunkOutcome JudgeChunk(const QString& chunk, TaskOutputState& state);

// The same judgement of whole lines as the extractor printed them (UTF-8, each ending in
// "\n" or "\r"; the last may lack its end), e.g. from CLineBuffer::AppendRaw. Only the lines
// that count are decoded, so a read costs about the same whatever the size of its burst.
ChunkOutcome JudgeOutput(QByteArrayView lines, TaskOutputState& state);

// The text GetFileSizeString gives for `bytes` ("55.92 MB"), made without the C library's
// floating-point formatting, which would be the dearest part of judging a progress line.
std::string ProgressSizeText(qint64 bytes);

// The done/total part of a status line: the text before its first gap of six blanks.
QString StatusSizePart(const QString& statusLine);
