#include "taskchoice.h"

#include "command.h"

namespace {

const QString kConvert = QStringLiteral("convert");
const QString kSubs = QStringLiteral("subs=");
const QString kAutoSubs = QStringLiteral("autosubs=");
const QString kPart = QStringLiteral("part=");
const QString kUpTo = QStringLiteral("upto=");
const QString kItem = QStringLiteral("item=");

// A positive count of at most six digits, else 0.
int ReadCount(const QString& text)
{
    bool ok = false;
    const int value = text.size() <= 6 ? text.toInt(&ok) : 0;
    return ok && value > 0 && !text.startsWith(QLatin1Char('+')) ? value : 0;
}

QStringList ReadLanguages(const QString& list)
{
    return SubtitleLanguages(list.split(QLatin1Char(','), Qt::SkipEmptyParts));
}

} // namespace

// Language codes as the extractor names them: letters, digits, "-" and "_" only, so that a
// damaged field can never add a pattern or an option to --sub-langs, nor split a word of it.
QStringList SubtitleLanguages(const QStringList& codes)
{
    QStringList languages;
    for (const QString& code : codes) {
        bool ok = !code.isEmpty() && code.size() <= 35;
        for (QChar c : code)
            ok = ok && ((c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') ||
                        c == QLatin1Char('_'));
        if (ok && !code.startsWith(QLatin1Char('-')) && !languages.contains(code))
            languages << code;
    }
    return languages;
}

bool TaskChoice::IsAudioOnly() const
{
    return formatId == kAudioOnly;
}

bool TaskChoice::IsByRule() const
{
    return formatId == kBestVideo;
}

QString TaskChoice::StreamFormat() const
{
    return IsByRule() || IsAudioOnly() ? QString() : formatId;
}

TaskChoice ReadTaskChoice(const QString& formatField)
{
    TaskChoice choice;
    const QStringList words = formatField.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return choice;
    choice.formatId = words.first();
    for (const QString& word : words.mid(1)) {
        if (word == kConvert) {
            choice.bConvert = true;
        } else if (word.startsWith(kSubs)) {
            choice.subtitles = ReadLanguages(word.mid(kSubs.size()));
        } else if (word.startsWith(kAutoSubs)) {
            choice.autoSubtitles = ReadLanguages(word.mid(kAutoSubs.size()));
        } else if (word.startsWith(kUpTo)) {
            choice.nUpTo = ReadCount(word.mid(kUpTo.size()));
        } else if (word.startsWith(kItem)) {
            choice.nItem = ReadCount(word.mid(kItem.size()));
        } else if (word.startsWith(kPart)) {
            const QStringList ends = word.mid(kPart.size()).split(QLatin1Char('-'));
            bool okFrom = false, okTo = false;
            const int from = ends.size() == 2 ? ends[0].toInt(&okFrom) : -1;
            const int to = ends.size() == 2 ? ends[1].toInt(&okTo) : -1;
            if (okFrom && okTo && from >= 0 && to > from) {
                choice.nFrom = from;
                choice.nTo = to;
            }
        }
    }
    return choice;
}

QString TaskChoiceField(const TaskChoice& choice)
{
    QStringList words{choice.formatId};
    if (choice.bConvert && !choice.IsAudioOnly())
        words << kConvert;
    // Only codes that read back as they are: the field keeps what the task will fetch.
    const QStringList own = SubtitleLanguages(choice.subtitles);
    const QStringList automatic = SubtitleLanguages(choice.autoSubtitles);
    if (!own.isEmpty())
        words << kSubs + own.join(QLatin1Char(','));
    if (!automatic.isEmpty())
        words << kAutoSubs + automatic.join(QLatin1Char(','));
    if (choice.HasPart())
        words << kPart + QString::number(choice.nFrom) + QLatin1Char('-') +
                     QString::number(choice.nTo);
    if (choice.IsByRule() && choice.nUpTo > 0)
        words << kUpTo + QString::number(choice.nUpTo);
    if (choice.nItem > 0)
        words << kItem + QString::number(choice.nItem);
    return words.join(QLatin1Char(' '));
}

QString MergeFormat(const TaskChoice& choice, const QString& ext)
{
    if (choice.IsAudioOnly())
        return QString();
    // A file to convert is merged into MKV first: the converter leaves a file alone that
    // already has the container asked for, whatever its streams.
    return choice.bConvert ? QStringLiteral("mkv") : ext;
}

QStringList TaskChoiceArgs(const TaskChoice& choice, const QString& ext)
{
    QStringList args;
    if (choice.IsAudioOnly()) {
        // The best audio alone; where a site offers only streams with picture, the audio of
        // the best of them. Cover and tags go into the file.
        args << QStringLiteral("-f") << QStringLiteral("ba[ext=m4a]/ba/b") << QStringLiteral("-x")
             << QStringLiteral("--audio-format");
        if (ext == QLatin1String("mp3"))
            args << QStringLiteral("mp3") << QStringLiteral("--audio-quality") << QStringLiteral("0");
        else
            args << QStringLiteral("m4a");
        args << QStringLiteral("--embed-thumbnail");
    } else if (choice.IsByRule()) {
        // The best video no taller than the rule allows, with the best audio that suits the
        // container; a site with only combined streams gives the best of those; a video
        // without any stream low enough gives its smallest.
        const QString audio = QStringLiteral("+ba[ext=") + AudioExtFor(ext) + QStringLiteral("]/");
        const QString limit =
            choice.nUpTo > 0 ? QStringLiteral("[height<=%1]").arg(choice.nUpTo) : QString();
        args << QStringLiteral("-f")
             << QStringLiteral("bv*") + limit + audio + QStringLiteral("bv*") + limit +
                    QStringLiteral("+ba/b") + limit +
                    (limit.isEmpty() ? QString() : QStringLiteral("/wv*+ba/w"));
    } else {
        args << QStringLiteral("-f")
             << QStringLiteral("ba[ext=") + AudioExtFor(ext) + QStringLiteral("]+") +
                    choice.formatId;
        if (choice.bConvert)
            args << QStringLiteral("--recode-video") << QStringLiteral("mp4")
                 << QStringLiteral("--postprocessor-args")
                 << QStringLiteral("VideoConvertor:-c:v libx264 -c:a aac");
    }
    // A language chosen both as the site's own and as automatic is asked for once.
    const QStringList languages = SubtitleLanguages(choice.subtitles + choice.autoSubtitles);
    if (!languages.isEmpty() && !choice.IsAudioOnly()) {
        // Embedding fetches the site's own subtitles and removes their files once embedded;
        // asking to write them as well would keep the files beside the video.
        if (!SubtitleLanguages(choice.autoSubtitles).isEmpty())
            args << QStringLiteral("--write-auto-subs");
        args << QStringLiteral("--sub-langs") << languages.join(QLatin1Char(','))
             << QStringLiteral("--embed-subs");
        // MP4 holds text subtitles only as its own kind, which the converter makes from SRT.
        if (ext == QLatin1String("mp4"))
            args << QStringLiteral("--convert-subs") << QStringLiteral("srt");
    }
    if (choice.nItem > 0)
        args << QStringLiteral("--playlist-items") << QString::number(choice.nItem);
    if (choice.HasPart())
        args << QStringLiteral("--download-sections")
             << QStringLiteral("*%1-%2").arg(choice.nFrom).arg(choice.nTo)
             << QStringLiteral("--force-keyframes-at-cuts");
    return args;
}

int ReadClockTime(const QString& text)
{
    const QStringList pieces = text.trimmed().split(QLatin1Char(':'));
    if (pieces.size() > 3)
        return -1;
    int seconds = 0;
    for (int i = 0; i < pieces.size(); ++i) {
        bool ok = false;
        const int value = pieces[i].toInt(&ok);
        // Every piece after the first is a two-digit count below 60.
        if (!ok || value < 0 || pieces[i].isEmpty() ||
            (i > 0 && (pieces[i].size() != 2 || value >= 60)))
            return -1;
        if (seconds > 24 * 3600 * 366)
            return -1;
        seconds = seconds * 60 + value;
    }
    return seconds;
}

QString ClockTimeText(int seconds)
{
    const int h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString PartTitleSuffix(int from, int to)
{
    return QStringLiteral(" (") + ClockTimeText(from) + QChar(0x2013) + ClockTimeText(to) +
           QLatin1Char(')');
}
