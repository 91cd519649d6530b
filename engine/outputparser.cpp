#include "outputparser.h"

#include "helpers.h"

#include <QRegularExpression>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>

// The judgement works on the bytes the extractor printed. Lines are UTF-8, and everything
// it looks for (keywords, the blanks between words, "%", unit names) is ASCII, which never
// occurs inside the encoding of another character: cutting at such bytes cuts between
// characters, so a piece decodes exactly as it would inside its decoded line.

namespace {

using Text = std::string_view;

const QString kGap = QStringLiteral("      ");
constexpr Text kDownload = "[download]";
constexpr Text kMetadata = "Adding metadata to ";
constexpr Text kAlready = "has already been downloaded";
constexpr Text kDestination = "[download] Destination: ";

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// The blanks that separate the words of a line: ASCII white space only.
bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

QString Decode(Text text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A plain decimal number ("45.3", "100", "1021.89"): digits with at most one point. Anything
// else ("nan", "inf", "1e999", "-5", "0x10") is no number, whatever a library would make of it.
bool ReadDecimal(Text text, double& value)
{
    bool digit = false;
    bool point = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    if (!digit)
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool StartsWith(Text text, Text prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(Text text, Text suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

Text TrimEnd(Text text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Where a line's text begins after its "[tag] " ("[Metadata] ", "[ffmpeg] "); 0 if it has none.
size_t TagEnd(Text line)
{
    if (!StartsWith(line, "["))
        return 0;
    const size_t close = line.find(']');
    if (close == Text::npos || close < 2 || line.substr(close + 1, 1) != " ")
        return 0;
    for (size_t i = 1; i < close; ++i) {
        if (IsBlank(line[i]) || line[i] == '[')
            return 0;
    }
    return close + 2;
}

// The words of a line, as views into it.
using Words = QVarLengthArray<Text, 16>;

Words SplitWords(Text text)
{
    Words words;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && IsBlank(text[i]))
            ++i;
        const size_t start = i;
        while (i < n && !IsBlank(text[i]))
            ++i;
        if (i > start)
            words.append(text.substr(start, i - start));
    }
    return words;
}

// The parts of a progress line, read by their keywords so that "of ~ 5.41MiB",
// "at  Unknown B/s" and "(frag 4/9)" keep every part where it belongs:
//   [download]  45.3% of 123.45MiB at 2.50MiB/s ETA 00:30
// The views point into the line, which must outlive them.
struct ProgressLine
{
    Words words;
    Text percent;                           // "45.3%"
    Text total;                             // "123.45MiB", without an estimate's "~"
    Text eta;                               // "00:30" or "Unknown"
    qsizetype speedFrom = -1, speedTo = -1; // the words of the speed: "2.50MiB/s", "Unknown B/s"
};

// Reads `line` as a progress line: it starts with the word "[download]" and its second word
// is a percentage ("45.3%", "N/A%"). Returns false for every other line.
bool ReadProgressLine(Text line, ProgressLine& p)
{
    if (!StartsWith(line, kDownload))
        return false;
    p = ProgressLine();
    p.words = SplitWords(line);
    const Words& t = p.words;
    if (t.size() < 2 || t[0] != kDownload || t[1].back() != '%')
        return false;
    auto word = [&t](qsizetype i) { return i >= 0 && i < t.size() ? t[i] : Text(); };
    p.percent = word(1);
    // The first "of", "ETA" and "at" after the percentage.
    qsizetype of = -1, eta = -1, at = -1;
    for (qsizetype i = 2; i < t.size(); ++i) {
        if (of < 0 && t[i] == "of")
            of = i;
        else if (eta < 0 && t[i] == "ETA")
            eta = i;
        else if (at < 0 && t[i] == "at")
            at = i;
    }
    if (of >= 0) {
        Text total = word(of + 1);
        if (total == "~")
            total = word(of + 2);
        if (!total.empty() && total.front() == '~')
            total.remove_prefix(1);
        p.total = total;
    }
    if (at >= 0) {
        p.speedFrom = at + 1;
        p.speedTo = p.speedFrom;
        while (p.speedTo < t.size() && p.speedTo != eta && t[p.speedTo].front() != '(')
            ++p.speedTo;
    }
    if (eta >= 0)
        p.eta = word(eta + 1);
    return true;
}

// A time as the extractor prints it: "00:30", "01:02:03", "--:--:--" or "Unknown".
bool IsTimeWord(Text word)
{
    if (word == "Unknown")
        return true;
    return word.size() >= 5 && word[word.size() - 3] == ':' &&
           word.find_first_not_of("0123456789:-") == Text::npos;
}

// A progress line with all its parts: its time left after "ETA" (at 100%: the speed after "at"
// or the time after "in"), and the closing bracket of its fragment count if it has one.
bool IsWholeProgressLine(Text line)
{
    ProgressLine p;
    if (!ReadProgressLine(line, p))
        return false;
    const Words& t = p.words;
    qsizetype end = t.size();
    for (qsizetype i = 2; i < t.size(); ++i) {
        if (t[i].front() == '(') {
            if (t.back().back() != ')')
                return false;
            end = i;
            break;
        }
    }
    if (end < 4)
        return false;
    const Text key = t[end - 2];
    const Text last = t[end - 1];
    if (key == "ETA")
        return IsTimeWord(last);
    if (p.percent != "100%")
        return false;
    return (key == "in" && IsTimeWord(last)) || EndsWith(last, "/s");
}

// A size text reduced to number and unit letter: "~123.45MiB" and "123.45MB" both give
// "123.45M", so the listing's size and a progress line's total can be compared.
Text SizeKey(Text size)
{
    if (!size.empty() && size.front() == '~')
        size.remove_prefix(1);
    if (!size.empty() && size.back() == 'B')
        size.remove_suffix(1);
    if (!size.empty() && size.back() == 'i')
        size.remove_suffix(1);
    return size;
}

// The task's size as UTF-8, and whether it names a unit at all.
struct OwnSize
{
    QByteArray bytes;
    bool bKnown = false;
};

OwnSize ReadOwnSize(const TaskOutputState& s)
{
    return {s.QstrSize.toUtf8(), s.QstrSize.contains(QLatin1Char('B'))};
}

// Whether a progress line belongs to the task's own stream: as `stream` (the stream the last
// "Destination:" line named) says, and while that is not known, when its total is the size the
// listing gave for the chosen format. A task without a known size takes every progress line.
// `parsed` receives the line's parts.
bool IsOwnProgress(Text line, const OwnSize& size, RunStream stream, ProgressLine& parsed)
{
    if (!ReadProgressLine(line, parsed))
        return false;
    if (stream != RunStream::Unknown)
        return stream == RunStream::Own;
    if (!size.bKnown)
        return true;
    return !parsed.total.empty() &&
           SizeKey(parsed.total) ==
               SizeKey(Text(size.bytes.constData(), size_t(size.bytes.size())));
}

// The stream a "[download] Destination: PATH" line names: the parts of a run are named
// "TITLE-KEY.fFORMAT.EXT", so the end of the path tells the task's format from the other.
// A path without such a part (one file for the whole run) names no stream.
RunStream DestinationStream(Text line, const TaskOutputState& s)
{
    const QString path = Decode(TrimEnd(line.substr(kDestination.size())));
    QString part; // "FORMAT.EXT"
    if (!s.QstrTaskKey.isEmpty()) {
        const QString stem = QLatin1Char('-') + s.QstrTaskKey + QStringLiteral(".f");
        const qsizetype at = path.lastIndexOf(stem);
        if (at >= 0)
            part = path.mid(at + stem.size());
    } else {
        static const QRegularExpression named(QStringLiteral(R"(\.f([^./\s]+\.[^./\s]+)$)"));
        part = named.match(path).captured(1);
    }
    const qsizetype dot = part.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || s.QstrFormatId.isEmpty())
        return RunStream::Unknown;
    return part.left(dot) == s.QstrFormatId ? RunStream::Own : RunStream::Other;
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

    void Progress(const ProgressLine& p)
    {
        s.bHasProgress = true;
        if (p.percent == "100%") {
            s.QstrPercent = QStringLiteral("100");
            Report(100, QString());
            return;
        }
        Text percent = p.percent;
        const size_t sign = percent.rfind('%');
        if (sign != Text::npos)
            percent = percent.substr(0, sign);
        double value = 0;
        if (!ReadDecimal(percent, value))
            value = 0;

        static const std::array<std::tuple<Text, Text, double>, 3> units = {{
            {"MiB", "MB", 1024.0 * 1024.0},
            {"GiB", "GB", 1024.0 * 1024.0 * 1024.0},
            {"KiB", "KB", 1024.0},
        }};
        Text number = p.total;
        Text unit;
        double done = 0;
        for (const auto& [binary, shown, factor] : units) {
            const size_t at = p.total.rfind(binary);
            if (at == Text::npos)
                continue;
            number = p.total.substr(0, at);
            unit = shown;
            double total = 0;
            if (ReadDecimal(number, total))
                done = total * value / 100.0 * factor;
            break;
        }

        // "done/total      Completed: 45.3%      ETA      speed", put together as UTF-8.
        QVarLengthArray<char, 256> status;
        auto add = [&status](Text piece) { status.append(piece.data(), qsizetype(piece.size())); };
        // Plain numbers can still be absurdly large; the conversions stay in range.
        constexpr double kMostBytes = double(qint64(1) << 62);
        const std::string doneText = ProgressSizeText(done < kMostBytes ? qint64(done) : 0);
        const Text gap = "      ";
        add(doneText);
        add("/");
        add(number);
        add(unit);
        add(gap);
        add("Completed: ");
        add(percent);
        add("%");
        add(gap);
        add(p.eta);
        add(gap);
        for (qsizetype i = p.speedFrom; i >= 0 && i < p.speedTo; ++i) {
            if (i > p.speedFrom)
                add(" ");
            add(p.words[i]);
        }
        s.QstrPercent = Decode(percent);
        const int whole = int(qBound(0.0, value, 100.0));
        if (whole % 2 == 0)
            out.bRewriteInfo = true;
        Report(whole, QString::fromUtf8(status.constData(), status.size()));
    }

    void Metadata(Text line)
    {
        if (s.QstrPercent == QLatin1String("100"))
            Report(100, QStringLiteral("Adding metadata"));
        QString path = Decode(line.substr(TagEnd(line) + kMetadata.size())).trimmed();
        if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) &&
            path.endsWith(QLatin1Char('"')))
            path = path.mid(1, path.size() - 2);
        s.QstrFilePath = path;
        // The run's end check has passed already: this line completes the task.
        if (!s.bRunning)
            Report(100, QString());
    }
};

// A word to look for, with the index of a letter of it that progress lines never contain:
// the search looks for that letter first, which skips a burst of progress lines quickly.
struct Keyword
{
    Text text;
    size_t anchor;
};
constexpr Keyword kAlreadyKeyword{kAlready, kAlready.find('y')};
constexpr Keyword kMetadataKeyword{kMetadata, kMetadata.find('g')};
constexpr Keyword kDestinationKeyword{kDestination, kDestination.find('D')};

size_t Find(Text text, const Keyword& word, size_t from)
{
    const char letter = word.text[word.anchor];
    size_t at = from + word.anchor;
    while (at < text.size()) {
        const void* hit = std::memchr(text.data() + at, letter, text.size() - at);
        if (!hit)
            return Text::npos;
        at = size_t(static_cast<const char*>(hit) - text.data());
        const size_t start = at - word.anchor;
        if (text.compare(start, word.text.size(), word.text) == 0)
            return start;
        ++at;
    }
    return Text::npos;
}

// One line of a chunk: [start, end) without its line end.
struct Span
{
    size_t start = Text::npos;
    size_t end = Text::npos;
    bool Valid() const { return start != Text::npos; }
    Text In(Text text) const { return text.substr(start, end - start); }
};

// The line around byte `at`.
Span LineAt(Text text, size_t at)
{
    Span line{at, at};
    while (line.start > 0 && !IsLineEnd(text[line.start - 1]))
        --line.start;
    while (line.end < text.size() && !IsLineEnd(text[line.end]))
        ++line.end;
    return line;
}

// The lines that hold `word` where the extractor puts it (`placed`), in order, each once.
template <typename Placed>
QVarLengthArray<Span, 4> LinesWith(Text text, const Keyword& word, Placed placed)
{
    QVarLengthArray<Span, 4> lines;
    for (size_t at = Find(text, word, 0); at != Text::npos; at = Find(text, word, at)) {
        const Span line = LineAt(text, at);
        if (placed(line.In(text)))
            lines.append(line);
        at = line.end;
    }
    return lines;
}

bool IsAlreadyLine(Text line)
{
    return StartsWith(line, "[download] ") && EndsWith(TrimEnd(line), kAlready);
}

bool IsMetadataLine(Text line)
{
    return StartsWith(line.substr(TagEnd(line)), kMetadata);
}

bool IsDestinationLine(Text line)
{
    return StartsWith(line, kDestination);
}

bool Holds(const QVarLengthArray<Span, 4>& lines, const Span& line)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&line](const Span& l) { return l.start == line.start; });
}

} // namespace

QByteArray CLineBuffer::AppendRaw(const QByteArray& bytes)
{
    qsizetype end = bytes.size();
    while (end > 0 && !IsLineEnd(bytes.at(end - 1)))
        --end;
    if (end == 0) {
        m_pending += bytes;
        return QByteArray();
    }
    QByteArray whole = m_pending.isEmpty() ? bytes.left(end) : m_pending + bytes.left(end);
    m_pending = bytes.mid(end);
    return whole;
}

QByteArray CLineBuffer::FlushRaw()
{
    QByteArray rest;
    rest.swap(m_pending);
    return rest;
}

QStringList CLineBuffer::Append(const QByteArray& bytes)
{
    const QByteArray whole = AppendRaw(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (!IsLineEnd(whole.at(i)))
            continue;
        if (i > start)
            lines << QString::fromUtf8(whole.constData() + start, i - start);
        start = i + 1;
    }
    return lines;
}

QString CLineBuffer::Flush()
{
    return QString::fromUtf8(FlushRaw());
}

QByteArray COutputReader::Read(const QByteArray& bytes)
{
    QByteArray whole = m_lines.AppendRaw(bytes);
    if (!whole.isEmpty()) {
        m_lastEnd = whole.back();
        if (m_bRestHanded) {
            // The line handed out before its end has ended now: it is not judged twice.
            qsizetype end = 0;
            while (end < whole.size() && !IsLineEnd(whole.at(end)))
                ++end;
            whole.remove(0, end + 1);
            m_bRestHanded = false;
        }
    }
    const QByteArrayView rest = m_lines.Pending();
    if (m_bRestHanded || m_lastEnd != '\r' ||
        !IsWholeProgressLine(Text(rest.data(), size_t(rest.size()))))
        return whole;
    m_bRestHanded = true;
    return whole + rest.toByteArray();
}

QByteArray COutputReader::Finish()
{
    QByteArray rest = m_lines.FlushRaw();
    if (m_bRestHanded)
        rest.clear();
    m_bRestHanded = false;
    return rest;
}

ChunkOutcome JudgeChunk(const QString& chunk, TaskOutputState& state)
{
    return JudgeOutput(chunk.toUtf8(), state);
}

ChunkOutcome JudgeOutput(QByteArrayView bytes, TaskOutputState& state)
{
    ChunkOutcome out;
    const Text text(bytes.data(), size_t(bytes.size()));

    // Each kind of event is judged once, at its place in the chunk: the last line about the
    // task's own file already being there, the first metadata line, and the last progress
    // line of the task's own stream. A line that says "already downloaded" is nothing else,
    // and a metadata line is no progress line.
    const auto alreadyLines = LinesWith(text, kAlreadyKeyword, IsAlreadyLine);
    const auto metadataLines = LinesWith(text, kMetadataKeyword, IsMetadataLine);
    const auto destinationLines = LinesWith(text, kDestinationKeyword, IsDestinationLine);
    Span already, metadata, progress;
    for (const Span& line : alreadyLines) {
        if (IsOwnAlreadyDownloaded(Decode(line.In(text)), state))
            already = line;
    }
    if (!metadataLines.isEmpty())
        metadata = metadataLines.front();
    // The stream being downloaded after each "Destination:" line of the chunk.
    QVarLengthArray<RunStream, 4> streams;
    for (const Span& line : destinationLines)
        streams.append(DestinationStream(line.In(text), state));
    auto streamAt = [&](size_t start) {
        RunStream stream = state.eStream;
        for (qsizetype i = 0; i < destinationLines.size() && destinationLines[i].start < start; ++i)
            stream = streams[i];
        return stream;
    };
    // Progress from the end backwards: usually the last line is the one.
    const OwnSize size = ReadOwnSize(state);
    ProgressLine progressParts;
    for (size_t end = text.size(); end > 0;) {
        while (end > 0 && IsLineEnd(text[end - 1]))
            --end;
        if (end == 0)
            break;
        const Span line = LineAt(text, end - 1);
        end = line.start;
        if (Holds(alreadyLines, line))
            continue;
        if (IsOwnProgress(line.In(text), size, streamAt(line.start), progressParts)) {
            progress = line;
            break;
        }
    }
    if (!streams.isEmpty())
        state.eStream = streams.back();

    enum Kind { Already, Progress, Metadata };
    std::pair<size_t, Kind> events[3];
    int count = 0;
    if (already.Valid())
        events[count++] = {already.start, Already};
    if (progress.Valid())
        events[count++] = {progress.start, Progress};
    if (metadata.Valid())
        events[count++] = {metadata.start, Metadata};
    std::sort(events, events + count);

    Judge judge{state, out};
    for (int i = 0; i < count; ++i) {
        switch (events[i].second) {
        case Already:
            judge.AlreadyDownloaded();
            break;
        case Progress:
            judge.Progress(progressParts);
            break;
        case Metadata:
            judge.Metadata(metadata.In(text));
            break;
        }
    }
    if (!progress.Valid() && alreadyLines.isEmpty() && !state.bHasProgress)
        judge.Report(0, QStringLiteral("Analyzing..."));
    return out;
}

std::string ProgressSizeText(qint64 bytes)
{
    // A size of at least 1 KB is "%.2f UNIT" of bytes / 1024^k: an exact binary fraction below
    // 2^53 bytes, which the C library rounds to the nearest hundredth, an exact half to even.
    static const std::array<std::pair<int, const char*>, 4> units = {
        {{40, " TB"}, {30, " GB"}, {20, " MB"}, {10, " KB"}}};
    if (bytes < 1024 || bytes >= (qint64(1) << 53))
        return GetFileSizeString(bytes);
    for (const auto& [shift, unit] : units) {
        if (bytes < (qint64(1) << shift))
            continue;
        const qint64 scaled = bytes * 100;
        qint64 hundredths = scaled >> shift;
        const qint64 rest = scaled - (hundredths << shift);
        const qint64 half = qint64(1) << (shift - 1);
        if (rest > half || (rest == half && (hundredths & 1)))
            ++hundredths;
        char text[32];
        const int length = std::snprintf(text, sizeof text, "%lld.%02lld%s",
                                         static_cast<long long>(hundredths / 100),
                                         static_cast<long long>(hundredths % 100), unit);
        return std::string(text, size_t(length));
    }
    return GetFileSizeString(bytes);
}

QString StatusSizePart(const QString& statusLine)
{
    const int gap = statusLine.indexOf(kGap);
    return gap < 0 ? statusLine : statusLine.left(gap);
}
