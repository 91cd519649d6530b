#include "outputparser.h"

#include "helpers.h"
#include "outputlines.h"

#include <QRegularExpression>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
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

using namespace outputlines;

constexpr Text kMetadata = "Adding metadata to ";
constexpr Text kAlready = "has already been downloaded";
constexpr Text kDestination = "[download] Destination: ";
// The converter at work on the downloaded file: a video made MP4, audio made M4A or MP3.
constexpr Text kVideoConverting = "[VideoConvertor] Converting ";
constexpr Text kAudioConverting = "[ExtractAudio] Destination: ";

QString Decode(Text text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
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

    ProgressReport& Report(ReportKind kind, int value)
    {
        ProgressReport r;
        r.eKind = kind;
        r.nProValue = value;
        r.QstrPercent = s.QstrPercent;
        r.QstrFilePath = s.QstrFilePath;
        r.bHasProgress = s.bHasProgress;
        out.reports << r;
        return out.reports.last();
    }

    void AlreadyDownloaded()
    {
        s.QstrPercent = QStringLiteral("100");
        Report(ReportKind::Bar, 100);
    }

    void Progress(const ProgressLine& p)
    {
        s.bHasProgress = true;
        if (p.percent == "100%") {
            s.QstrPercent = QStringLiteral("100");
            Report(ReportKind::Bar, 100);
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

        // The parts of "done/total      Completed: 45.3%      ETA      speed".
        // Plain numbers can still be absurdly large; the conversions stay in range.
        constexpr double kMostBytes = double(qint64(1) << 62);
        QVarLengthArray<char, 64> speed;
        for (qsizetype i = p.speedFrom; i >= 0 && i < p.speedTo; ++i) {
            if (i > p.speedFrom)
                speed.append(' ');
            speed.append(p.words[i].data(), qsizetype(p.words[i].size()));
        }
        s.QstrPercent = Decode(percent);
        const int whole = int(qBound(0.0, value, 100.0));
        if (whole % 2 == 0)
            out.bRewriteInfo = true;
        ProgressReport& r = Report(ReportKind::Progress, whole);
        r.nDoneBytes = done < kMostBytes ? qint64(done) : 0;
        r.QstrTotal = Decode(number) + Decode(unit);
        r.QstrEta = Decode(p.eta);
        r.QstrSpeed = QString::fromUtf8(speed.constData(), speed.size());
    }

    void Metadata(Text line)
    {
        if (s.QstrPercent == QLatin1String("100"))
            Report(ReportKind::AddingMetadata, 100);
        QString path = Decode(line.substr(TagEnd(line) + kMetadata.size())).trimmed();
        if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) &&
            path.endsWith(QLatin1Char('"')))
            path = path.mid(1, path.size() - 2);
        s.QstrFilePath = path;
        // The run's end check has passed already: this line completes the task.
        if (!s.bRunning)
            Report(ReportKind::Bar, 100);
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
constexpr Keyword kVideoConvertingKeyword{kVideoConverting, kVideoConverting.find('V')};
constexpr Keyword kAudioConvertingKeyword{kAudioConverting, kAudioConverting.find('x')};

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

bool IsConvertingLine(Text line)
{
    return StartsWith(line, kVideoConverting) || StartsWith(line, kAudioConverting);
}

bool Holds(const QVarLengthArray<Span, 4>& lines, const Span& line)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&line](const Span& l) { return l.start == line.start; });
}

} // namespace

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
    const auto videoConverting = LinesWith(text, kVideoConvertingKeyword, IsConvertingLine);
    const auto audioConverting = LinesWith(text, kAudioConvertingKeyword, IsConvertingLine);
    Span already, metadata, progress, converting;
    if (!videoConverting.isEmpty())
        converting = videoConverting.front();
    if (!audioConverting.isEmpty() &&
        (!converting.Valid() || audioConverting.front().start < converting.start))
        converting = audioConverting.front();
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

    enum Kind { Already, Progress, Converting, Metadata };
    std::pair<size_t, Kind> events[4];
    int count = 0;
    if (converting.Valid())
        events[count++] = {converting.start, Converting};
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
        case Converting:
            judge.Report(ReportKind::Converting, 100);
            break;
        case Metadata:
            judge.Metadata(metadata.In(text));
            break;
        }
    }
    if (!progress.Valid() && alreadyLines.isEmpty() && !state.bHasProgress)
        judge.Report(ReportKind::Analyzing, 0);
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
