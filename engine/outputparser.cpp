#include "outputparser.h"

#include "helpers.h"

#include <QRegularExpression>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <cctype>
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

// A number as QByteArray::toDouble reads it. Plain decimal numbers (the usual case) take the
// quicker std::from_chars, which rounds the same way; anything else goes to Qt.
double ToDouble(Text text, bool* ok = nullptr)
{
    const bool plain = !text.empty() && (std::isdigit(static_cast<unsigned char>(text.front())) ||
                                         text.front() == '.' || text.front() == '-');
    if (plain && text.find_first_of("iInN") == Text::npos) {
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size()) {
            if (ok)
                *ok = true;
            return value;
        }
    }
    return QByteArrayView(text.data(), qsizetype(text.size())).toDouble(ok);
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

// `line` starts at its "[download]".
ProgressLine ReadProgressLine(Text line)
{
    ProgressLine p;
    p.words = SplitWords(line);
    const Words& t = p.words;
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
    return p;
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

// A progress line belongs to the task's own stream when its total is the size the listing
// gave for the chosen format. A task without a known size takes every progress line.
// `parsed` receives the line's parts.
bool IsOwnProgress(Text line, const OwnSize& size, ProgressLine& parsed)
{
    const size_t start = line.find(kDownload);
    if (start == Text::npos)
        return false;
    parsed = ReadProgressLine(line.substr(start));
    if (!size.bKnown)
        return true;
    return !parsed.total.empty() &&
           SizeKey(parsed.total) ==
               SizeKey(Text(size.bytes.constData(), size_t(size.bytes.size())));
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
        bool ok = false;
        double value = ToDouble(percent, &ok);
        if (!ok || value < 0)
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
            done = ToDouble(number) * value / 100.0 * factor;
            break;
        }

        // "done/total      Completed: 45.3%      ETA      speed", put together as UTF-8.
        QVarLengthArray<char, 256> status;
        auto add = [&status](Text piece) { status.append(piece.data(), qsizetype(piece.size())); };
        const std::string doneText = ProgressSizeText(qint64(done));
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
        const int whole = qBound(0, int(value), 100);
        if (whole % 2 == 0)
            out.bRewriteInfo = true;
        Report(whole, QString::fromUtf8(status.constData(), status.size()));
    }

    void Metadata(Text line)
    {
        if (s.QstrPercent == QLatin1String("100"))
            Report(100, QStringLiteral("Adding metadata"));
        QString path = Decode(line.substr(line.find(kMetadata) + kMetadata.size())).trimmed();
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

// The lines that hold `word`, in order, each once.
QVarLengthArray<Span, 4> LinesWith(Text text, const Keyword& word)
{
    QVarLengthArray<Span, 4> lines;
    for (size_t at = Find(text, word, 0); at != Text::npos; at = Find(text, word, at)) {
        const Span line = LineAt(text, at);
        lines.append(line);
        at = line.end;
    }
    return lines;
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
    const auto alreadyLines = LinesWith(text, kAlreadyKeyword);
    const auto metadataLines = LinesWith(text, kMetadataKeyword);
    Span already, metadata, progress;
    for (const Span& line : alreadyLines) {
        if (IsOwnAlreadyDownloaded(Decode(line.In(text)), state))
            already = line;
    }
    for (const Span& line : metadataLines) {
        if (!Holds(alreadyLines, line)) {
            metadata = line;
            break;
        }
    }
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
        if (Holds(alreadyLines, line) || Holds(metadataLines, line))
            continue;
        if (IsOwnProgress(line.In(text), size, progressParts)) {
            progress = line;
            break;
        }
    }

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
