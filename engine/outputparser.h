#pragma once
// Reading the extractor's output during a download run: whole lines only, and the
// judgement of what they say about the task.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMetaType>
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
    // The unfinished rest, left in the buffer.
    QByteArrayView Pending() const { return m_pending; }

private:
    QByteArray m_pending;
};

// Which stream of the run the extractor is downloading, as its last "[download] Destination:"
// line names it: the task's own format, the other one (the audio), or not known yet.
enum class RunStream { Unknown, Own, Other };

// Reads the output of one run and hands out the lines to judge after each read: the whole
// lines, and also a progress line that has arrived whole without its line end. Piped, the
// extractor writes "\r" before each progress line, so its newest line would otherwise wait for
// the next write. Such a line is handed out once; a line that is really cut off (its last
// words missing) waits for its end as any other.
class COutputReader
{
public:
    QByteArray Read(const QByteArray& bytes);
    // At the run's end: the unfinished rest, unless it has been handed out already.
    QByteArray Finish();

    // Carried from one judgement of the run to the next (TaskOutputState::eStream).
    RunStream eStream = RunStream::Unknown;

private:
    CLineBuffer m_lines;
    char m_lastEnd = '\n';      // the line end before the unfinished rest
    bool m_bRestHanded = false; // the unfinished rest has been handed out
};

// What the judgement needs of a task, and what it changes.
struct TaskOutputState
{
    QString QstrExt;
    QString QstrSize;
    QString QstrFormatId;                   // tells the task's own parts from the other stream's
    QString QstrTaskKey;                    // the same, where the parts' names end; may be empty
    RunStream eStream = RunStream::Unknown; // read and written: the stream being downloaded
    QString QstrPercent;                    // written
    QString QstrFilePath;                   // written
    bool bHasProgress = false;              // written
    bool bRunning = true;
};

// What a report says about the task. The engine composes no display text: the window makes
// its status line of the kind and the parts.
enum class ReportKind {
    Bar,            // only the bar moves (the stream is complete, or the run was judged after
                    // its end); the status line stays as it is
    Analyzing,      // no progress line of the task's own stream yet: bar 0
    Progress,       // a progress line of the task's own stream: the bar and the parts below
    AddingMetadata, // the finished file is being written: bar 100
    Converting,     // the converter makes the file the task asked for: bar 100
};

// One report for the window: the bar value and, for progress, the parts of the status line.
struct ProgressReport
{
    ReportKind eKind = ReportKind::Bar;
    int nProValue = 0;
    // Progress only: the bytes done (total times percentage), the total as the line shows it
    // with its unit shortened ("123.45MB"), the time left and the speed as printed. The
    // percentage as printed, without "%", is QstrPercent below.
    qint64 nDoneBytes = 0;
    QString QstrTotal;
    QString QstrEta;
    QString QstrSpeed;
    // The task's state as it stood when the report was made: the receiver of a report may
    // read the task record, so it is written back before the report is sent.
    QString QstrPercent;
    QString QstrFilePath;
    bool bHasProgress = false;
    bool operator==(const ProgressReport& o) const
    {
        return eKind == o.eKind && nProValue == o.nProValue && nDoneBytes == o.nDoneBytes &&
               QstrTotal == o.QstrTotal && QstrEta == o.QstrEta && QstrSpeed == o.QstrSpeed &&
               (eKind != ReportKind::Progress || QstrPercent == o.QstrPercent);
    }
};
Q_DECLARE_METATYPE(ProgressReport)

struct ChunkOutcome
{
    QList<ProgressReport> reports;
    bool bRewriteInfo = false; // an even whole percentage: rewrite the task's info file
};

// Judges the whole lines available now (joined by "\n") as one chunk: only the last
// progress line of the task's own stream counts, so a burst of lines costs one update.
// The events of a chunk (a part already downloaded, progress, the converter's first line, the
// metadata line) are judged in the order in which they were printed. A keyword counts only
// where the extractor puts it, never inside a file path it echoes (which holds the title):
// "[download]" and "[download] Destination: " at the line's start, "[VideoConvertor]
// Converting " and "[ExtractAudio] Destination: " at the line's start, "Adding metadata to "
// at the start after the line's "[tag] ", and "has already been downloaded" at the end of a
// "[download]" line. A progress line belongs to the task's own stream when the last
// "Destination:" line named the task's format; before any such line, when its total is the
// task's size.
ChunkOutcome JudgeChunk(const QString& chunk, TaskOutputState& state);

// The same judgement of whole lines as the extractor printed them (UTF-8, each ending in
// "\n" or "\r"; the last may lack its end), e.g. from CLineBuffer::AppendRaw. Only the lines
// that count are decoded, so a read costs about the same whatever the size of its burst.
ChunkOutcome JudgeOutput(QByteArrayView lines, TaskOutputState& state);

// The text GetFileSizeString gives for `bytes` ("55.92 MB"), made without the C library's
// floating-point formatting, which would be the dearest part of judging a progress line.
std::string ProgressSizeText(qint64 bytes);
