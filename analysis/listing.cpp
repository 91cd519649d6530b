#include "listing.h"

#include "command.h"
#include "infofiles.h"

#include <QRegularExpression>

namespace {

const QString kDashSeparator = QString(17, QLatin1Char('-'));
const QString kBoxSeparator = QString(17, QChar(0x2500)); // "─", the UTF-8 form of the table

bool IsNumber(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(text).hasMatch();
}

// What a duration line may hold: digits and ":" (nothing at all counts as an empty duration).
bool IsDurationLine(const QString& line)
{
    static const QRegularExpression duration(QStringLiteral("^[0-9:]*$"));
    return duration.match(line).hasMatch();
}

QString TwoDigits(const QString& piece)
{
    return piece.size() == 1 ? QLatin1Char('0') + piece : piece;
}

// Start of the text after the last separator line, or -1 if there is none.
qsizetype BodyStart(const QString& out)
{
    const QString newline(QLatin1Char('\n'));
    const qsizetype dash = out.lastIndexOf(kDashSeparator + newline);
    const qsizetype box = out.lastIndexOf(kBoxSeparator + newline);
    const qsizetype at = std::max(dash, box);
    return at < 0 ? -1 : at + kDashSeparator.size() + 1;
}

bool IsColumnMark(QChar c)
{
    return c == QLatin1Char('|') || c == QChar(0x2502); // "│" in the UTF-8 form
}

// Where the table's first column mark stands in its heading (the line above the separator
// that ends at `bodyStart`), or -1 if it has none.
qsizetype ColumnMark(const QString& out, qsizetype bodyStart)
{
    const qsizetype headingEnd = out.lastIndexOf(QLatin1Char('\n'), bodyStart - 2);
    if (headingEnd <= 0)
        return -1;
    const qsizetype heading = out.lastIndexOf(QLatin1Char('\n'), headingEnd - 1) + 1;
    for (qsizetype i = heading; i < headingEnd; ++i) {
        if (IsColumnMark(out.at(i)))
            return i - heading;
    }
    return -1;
}

// The table pads its columns, so each of its rows has the mark where the heading has it.
bool IsTableRow(const QString& line, qsizetype column)
{
    return line.size() > column && IsColumnMark(line.at(column));
}

// The word after the second column mark of a row's tokens (the codec column), or "".
QString CodecToken(const QStringList& tokens, int skip = 0)
{
    int marks = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (tokens.at(i).size() == 1 && IsColumnMark(tokens.at(i).at(0)) && ++marks == 2)
            return tokens.value(i + 1 + skip);
    }
    return QString();
}

QString SizeToken(const QStringList& tokens);

// "140 m4a audio only | 126.47KiB 128k http | audio only mp4a.40.2 128k 44k DASH audio, ..."
bool IsAudioRow(const QStringList& tokens)
{
    return tokens.size() >= 8 && tokens.at(2) == QLatin1String("audio") &&
           tokens.at(3) == QLatin1String("only");
}

_VIDEO_FILE_INFO_ AudioFromTokens(const QStringList& tokens)
{
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = tokens.at(0);
    info.QstrExt = tokens.at(1);
    info.QstrSize = SizeToken(tokens);
    // The video codec column says "audio only"; the audio codec follows it.
    info.QstrCodec = CodecToken(tokens, 2);
    return info;
}

_VIDEO_FILE_INFO_ RecordFromTokens(const QStringList& tokens)
{
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = tokens.at(0);
    info.QstrExt = tokens.at(1);
    info.QstrResolution = tokens.at(2);
    info.QstrSize = SizeToken(tokens);
    info.QstrCodec = CodecToken(tokens);
    info.QstrStreamNote = tokens.at(11);
    QString quality = tokens.at(13);
    const qsizetype comma = quality.lastIndexOf(QLatin1Char(','));
    if (comma >= 0)
        quality = quality.left(comma);
    // Sites without a quality note ("DASH video") still show what the format is.
    static const QRegularExpression digit(QStringLiteral("[0-9]"));
    if (!quality.contains(digit))
        quality = info.QstrResolution;
    info.QstrQuality = quality;
    info.QstrFormatExtra = tokens.at(14);
    return info;
}

QString SizeToken(const QStringList& tokens)
{
    // The size is token 6; where a row has no frame-rate column or an approximate size
    // ("~ 2.38MiB") the tokens shift, and the first size-like token after it is the size.
    static const QRegularExpression sizeLike(QStringLiteral("^[~\\x{2248}]?[0-9.]+[KMGT]?i?B$"));
    QString size = tokens.at(5);
    for (qsizetype i = 4; !sizeLike.match(size).hasMatch() && i < tokens.size(); ++i) {
        if (sizeLike.match(tokens.at(i)).hasMatch())
            size = tokens.at(i);
    }
    if (size.startsWith(QLatin1Char('~')) || size.startsWith(QChar(0x2248)))
        size.remove(0, 1);
    const qsizetype iB = size.lastIndexOf(QStringLiteral("iB"));
    if (iB >= 0)
        size = size.left(iB) + QLatin1Char('B');
    return size;
}

} // namespace

QString CodecName(const QString& codec)
{
    static const std::pair<const char*, const char*> names[] = {
        {"avc1", "H.264"}, {"avc3", "H.264"}, {"h264", "H.264"}, {"hev1", "H.265"},
        {"hvc1", "H.265"}, {"vp09", "VP9"},   {"vp9", "VP9"},    {"vp8", "VP8"},
        {"av01", "AV1"},   {"mp4a", "AAC"},   {"aac", "AAC"},    {"opus", "Opus"},
        {"mp3", "MP3"}};
    const QString head = codec.section(QLatin1Char('.'), 0, 0).toLower();
    for (const auto& [prefix, name] : names) {
        if (head == QLatin1String(prefix))
            return QLatin1String(name);
    }
    return head;
}

bool IsCompatibleVideo(const _VIDEO_FILE_INFO_& info)
{
    return info.QstrExt == QLatin1String("mp4") && CodecName(info.QstrCodec) == QLatin1String("H.264");
}

QString ThumbnailFile(const QString& dataDir, const SYSTEMTIME& t)
{
    return dataDir +
           QString::asprintf("%04d/%02d/%02d/%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                             t.minute, t.second, t.milliseconds) +
           QStringLiteral(".jpg");
}

QString ThumbnailBase(const QString& thumbFile)
{
    const qsizetype dot = thumbFile.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? thumbFile : thumbFile.left(dot);
}

QString VideoDurationTransfer(const QString& duration)
{
    // No duration is no time at all, not "00:00:".
    if (duration.isEmpty())
        return QString();
    QStringList pieces = duration.split(QLatin1Char(':'));
    QString text = duration;
    if (pieces.size() == 2) {
        text = QStringLiteral("00:") + duration;
    } else if (pieces.size() == 1) {
        text = QStringLiteral("00:00:") + duration;
    } else if (pieces.size() == 4) {
        for (const QString& piece : pieces) {
            if (!IsNumber(piece))
                return duration;
        }
        const qint64 hours = pieces.at(0).toLongLong() * 24 + pieces.at(1).toLongLong();
        text = QString::number(hours) + QLatin1Char(':') + pieces.at(2) + QLatin1Char(':') +
               pieces.at(3);
    } else if (pieces.size() > 4) {
        return duration;
    }
    pieces = text.split(QLatin1Char(':'));
    return TwoDigits(pieces.at(0)) + QLatin1Char(':') + TwoDigits(pieces.at(1)) + QLatin1Char(':') +
           TwoDigits(pieces.at(2));
}

QStringList ThumbnailArgs(const QString& converter, const QString& thumbBase, const QString& link,
                          const QStringList& options)
{
    // The output is a template of the extractor, in which "%" starts a field.
    QString base = thumbBase;
    base.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // Flat: a playlist's entries are not looked into (nor their thumbnails written).
    return QStringList{QStringLiteral("--ffmpeg-location"),
                       converter,
                       QStringLiteral("--flat-playlist"),
                       QStringLiteral("--write-thumbnail"),
                       QStringLiteral("--convert-thumbnails"),
                       QStringLiteral("jpg"),
                       QStringLiteral("--skip-download"),
                       QStringLiteral("--output"),
                       base} +
           options + QStringList{QStringLiteral("--"), link};
}

QStringList ListingArgs(const QString& converter, const QString& link, const QStringList& options)
{
    // Flat: a single video lists as ever, while a playlist names its entries without looking
    // into each, so that it comes back quickly, with no formats and no error.
    return QStringList{QStringLiteral("--ffmpeg-location"), converter,
                       QStringLiteral("--flat-playlist"), QStringLiteral("-F"),
                       QStringLiteral("--get-duration"), QStringLiteral("--get-title")} +
           options + QStringList{QStringLiteral("--"), link};
}

ListingResult ParseListing(const QString& out, const QString& err, const QString& thumbFile,
                           const QString& outputDir)
{
    ListingResult result;
    if (err.contains(QStringLiteral("ERROR:"))) {
        result.bError = true;
        result.error = ClassifyExtractorErrors(err.split(QLatin1Char('\n')));
        return result;
    }
    const qsizetype start = BodyStart(out);
    if (start < 0)
        return result;

    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList lines = out.mid(start).split(QLatin1Char('\n'));
    qsizetype lastRecord = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.contains(QStringLiteral("audio only"))) {
            const QStringList tokens = line.split(blanks);
            if (IsAudioRow(tokens)) {
                result.audio.push_back(AudioFromTokens(tokens));
                lastRecord = i;
            }
        }
        if (!line.contains(QStringLiteral("video")) || !line.contains(QLatin1Char(',')))
            continue;
        const QStringList tokens = line.split(blanks);
        if (tokens.size() >= 15) {
            result.records.push_back(RecordFromTokens(tokens));
            lastRecord = i;
        }
    }

    QString title;
    QString duration;
    const qsizetype n = lines.size();
    if (n >= 4) {
        // The extractor prints no duration line when it knows no duration.
        const bool hasDuration = IsDurationLine(lines.at(n - 2));
        const qsizetype titleEnd = hasDuration ? n - 2 : n - 1;
        if (hasDuration)
            duration = lines.at(n - 2);
        // A title with line breaks is printed as several lines: they reach back to the
        // table's last row.
        const qsizetype column = ColumnMark(out, start);
        qsizetype titleStart = titleEnd - 1;
        while (column >= 0 && titleStart - 1 > lastRecord &&
               !IsTableRow(lines.at(titleStart - 1), column))
            --titleStart;
        title = lines.mid(titleStart, titleEnd - titleStart).join(QLatin1Char(' '));
    }
    result.title = SanitiseField(title);
    result.duration = VideoDurationTransfer(duration);
    for (std::vector<_VIDEO_FILE_INFO_>* list : {&result.audio, &result.records}) {
        for (_VIDEO_FILE_INFO_& info : *list) {
            info.QstrDuration = result.duration;
            info.QstrThumbPath = thumbFile;
            info.QstrTitle = result.title;
            info.QstrOutputDir = outputDir;
        }
    }
    return result;
}
