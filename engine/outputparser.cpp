#include "outputparser.h"

#include "helpers.h"

#include <QRegularExpression>
#include <array>
#include <map>
#include <tuple>

namespace {

const QString kGap = QStringLiteral("      ");
const QLatin1String kDownload("[download]");
const QLatin1String kMetadata("Adding metadata to ");
const QLatin1String kAlready("has already been downloaded");

// The parts of a progress line, read by their keywords so that "of ~ 5.41MiB",
// "at  Unknown B/s" and "(frag 4/9)" keep every part where it belongs:
//   [download]  45.3% of 123.45MiB at 2.50MiB/s ETA 00:30
struct ProgressLine
{
    QString percent; // "45.3%"
    QString total;   // "123.45MiB", without an estimate's "~"
    QString speed;   // "2.50MiB/s" or "Unknown B/s"
    QString eta;     // "00:30" or "Unknown"
};

QStringList Tokens(const QString& text)
{
    static const QRegularExpression ws(QStringLiteral("\\s+"));
    return text.split(ws, Qt::SkipEmptyParts);
}

ProgressLine ReadProgressLine(const QString& line)
{
    const QStringList t = Tokens(line.mid(line.indexOf(kDownload)));
    ProgressLine p;
    p.percent = t.value(1);
    const int of = t.indexOf(QStringLiteral("of"), 2);
    if (of >= 0) {
        QString total = t.value(of + 1);
        if (total == QLatin1String("~"))
            total = t.value(of + 2);
        if (total.startsWith(QLatin1Char('~')))
            total.remove(0, 1);
        p.total = total;
    }
    const int eta = t.indexOf(QStringLiteral("ETA"), 2);
    const int at = t.indexOf(QStringLiteral("at"), 2);
    if (at >= 0) {
        QStringList speed;
        for (int i = at + 1; i < t.size() && i != eta && !t[i].startsWith(QLatin1Char('(')); ++i)
            speed << t[i];
        p.speed = speed.join(QLatin1Char(' '));
    }
    if (eta >= 0)
        p.eta = t.value(eta + 1);
    return p;
}

// A size text reduced to number and unit letter: "~123.45MiB" and "123.45MB" both give
// "123.45M", so the listing's size and a progress line's total can be compared.
QString SizeKey(QString size)
{
    if (size.startsWith(QLatin1Char('~')))
        size.remove(0, 1);
    if (size.endsWith(QLatin1Char('B')))
        size.chop(1);
    if (size.endsWith(QLatin1Char('i')))
        size.chop(1);
    return size;
}

// A progress line belongs to the task's own stream when its total is the size the listing
// gave for the chosen format. A task without a known size takes every progress line.
bool IsOwnProgress(const QString& line, const TaskOutputState& s)
{
    if (!line.contains(kDownload))
        return false;
    if (!s.QstrSize.contains(QLatin1Char('B')))
        return true;
    const QString total = ReadProgressLine(line).total;
    return !total.isEmpty() && SizeKey(total) == SizeKey(s.QstrSize);
}

// "PATH has already been downloaded" about the task's file: the finished file or the part
// of the chosen format; the part of the other stream ("NAME.f140.m4a") does not count.
bool IsOwnAlreadyDownloaded(const QString& line, const TaskOutputState& s)
{
    if (!line.contains(s.QstrExt))
        return false;
    static const QRegularExpression part(
        QStringLiteral(R"(\.f([^./\s-][^./\s]*)\.[^./\s]+ has already been downloaded)"));
    const QRegularExpressionMatch m = part.match(line);
    if (m.hasMatch() && !s.QstrFormatId.isEmpty())
        return m.captured(1) == s.QstrFormatId;
    return true;
}

struct Judge
{
    TaskOutputState& s;
    ChunkOutcome& out;

    void Report(int value, const QString& label)
    {
        ProgressReport r;
        r.nProValue = value;
        r.nType = 1;
        r.QstrLabel = label;
        r.QstrPercent = s.QstrPercent;
        r.QstrFilePath = s.QstrFilePath;
        r.bHasProgress = s.bHasProgress;
        out.reports << r;
    }

    void AlreadyDownloaded()
    {
        s.QstrPercent = QStringLiteral("100");
        Report(100, QString());
    }

    void Progress(const QString& line)
    {
        s.bHasProgress = true;
        const ProgressLine p = ReadProgressLine(line);
        if (p.percent == QLatin1String("100%")) {
            s.QstrPercent = QStringLiteral("100");
            Report(100, QString());
            return;
        }
        QString percent = p.percent;
        const int sign = percent.lastIndexOf(QLatin1Char('%'));
        if (sign >= 0)
            percent.truncate(sign);
        bool ok = false;
        double value = percent.toDouble(&ok);
        if (!ok || value < 0)
            value = 0;

        static const std::array<std::tuple<QLatin1String, QLatin1String, double>, 3> units = {{
            {QLatin1String("MiB"), QLatin1String("MB"), 1024.0 * 1024.0},
            {QLatin1String("GiB"), QLatin1String("GB"), 1024.0 * 1024.0 * 1024.0},
            {QLatin1String("KiB"), QLatin1String("KB"), 1024.0},
        }};
        QString total = p.total;
        double done = 0;
        for (const auto& [binary, shown, factor] : units) {
            const int at = total.lastIndexOf(binary);
            if (at < 0)
                continue;
            const QString number = total.left(at);
            done = number.toDouble() * value / 100.0 * factor;
            total = number + shown;
            break;
        }
        const QString status = QString::fromStdString(GetFileSizeString(qint64(done))) +
                               QLatin1Char('/') + total + kGap + QStringLiteral("Completed: ") +
                               percent + QLatin1Char('%') + kGap + p.eta + kGap + p.speed;
        s.QstrPercent = percent;
        const int whole = qBound(0, int(value), 100);
        if (whole % 2 == 0)
            out.bRewriteInfo = true;
        Report(whole, status);
    }

    void Metadata(const QString& line)
    {
        const int k = line.indexOf(kMetadata);
        if (s.QstrPercent == QLatin1String("100"))
            Report(100, QStringLiteral("Adding metadata"));
        QString path = line.mid(k + kMetadata.size()).trimmed();
        if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) &&
            path.endsWith(QLatin1Char('"')))
            path = path.mid(1, path.size() - 2);
        s.QstrFilePath = path;
        // The run's end check has passed already: this line completes the task.
        if (!s.bRunning)
            Report(100, QString());
    }
};

} // namespace

QStringList CLineBuffer::Append(const QByteArray& bytes)
{
    m_pending += bytes;
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const char c = m_pending.at(i);
        if (c != '\n' && c != '\r')
            continue;
        if (i > start)
            lines << QString::fromUtf8(m_pending.constData() + start, i - start);
        start = i + 1;
    }
    m_pending.remove(0, start);
    return lines;
}

QString CLineBuffer::Flush()
{
    const QString rest = QString::fromUtf8(m_pending);
    m_pending.clear();
    return rest;
}

ChunkOutcome JudgeChunk(const QString& chunk, TaskOutputState& state)
{
    ChunkOutcome out;
    const QStringList lines = chunk.split(QLatin1Char('\n'));

    // Find the events of the chunk; each kind is judged once, at its place in the chunk.
    enum Kind { Already, Progress, Metadata };
    std::map<int, Kind> events;
    int already = -1, progress = -1, metadata = -1;
    bool anyAlready = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.contains(kAlready)) {
            anyAlready = true;
            if (IsOwnAlreadyDownloaded(line, state))
                already = i;
        } else if (line.contains(kMetadata)) {
            if (metadata < 0)
                metadata = i;
        } else if (IsOwnProgress(line, state)) {
            progress = i;
        }
    }
    if (already >= 0)
        events[already] = Already;
    if (progress >= 0)
        events[progress] = Progress;
    if (metadata >= 0)
        events[metadata] = Metadata;

    Judge judge{state, out};
    for (const auto& [index, kind] : events) {
        switch (kind) {
        case Already:
            judge.AlreadyDownloaded();
            break;
        case Progress:
            judge.Progress(lines[index]);
            break;
        case Metadata:
            judge.Metadata(lines[index]);
            break;
        }
    }
    if (progress < 0 && !anyAlready && !state.bHasProgress)
        judge.Report(0, QStringLiteral("Analyzing..."));
    return out;
}

QString StatusSizePart(const QString& statusLine)
{
    const int gap = statusLine.indexOf(kGap);
    return gap < 0 ? statusLine : statusLine.left(gap);
}
