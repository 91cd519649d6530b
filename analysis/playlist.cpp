#include "playlist.h"

#include "infofiles.h"
#include "taskchoice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

// What the extractor puts in place of an entry that cannot be watched.
bool IsUnavailable(const QJsonObject& entry)
{
    static const QStringList titles = {QStringLiteral("[Private video]"),
                                       QStringLiteral("[Deleted video]"),
                                       QStringLiteral("[Unavailable video]")};
    static const QStringList kinds = {QStringLiteral("private"), QStringLiteral("needs_auth"),
                                      QStringLiteral("subscriber_only"),
                                      QStringLiteral("premium_only")};
    return titles.contains(entry.value(QStringLiteral("title")).toString()) ||
           kinds.contains(entry.value(QStringLiteral("availability")).toString());
}

QString DurationText(const QJsonValue& value)
{
    const double seconds = value.toDouble(-1);
    if (seconds < 0 || seconds > 1e9)
        return QString();
    const qint64 whole = qint64(seconds + 0.5);
    return QString::asprintf("%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
}

// An entry's own link: only a web link, so that no other kind of address reaches a run.
QString EntryLink(const QJsonObject& entry)
{
    const QString type = entry.value(QStringLiteral("_type")).toString();
    if (type != QLatin1String("url") && type != QLatin1String("url_transparent"))
        return QString();
    const QString text = entry.value(QStringLiteral("url")).toString();
    const QUrl url(text, QUrl::StrictMode);
    const bool web = url.isValid() && !url.host().isEmpty() &&
                     (url.scheme() == QLatin1String("http") ||
                      url.scheme() == QLatin1String("https"));
    return web ? text : QString();
}

} // namespace

QStringList PlaylistArgs(const QString& link, const QStringList& options)
{
    return QStringList{QStringLiteral("--flat-playlist"), QStringLiteral("-J")} + options +
           QStringList{QStringLiteral("--"), link};
}

PlaylistResult ParsePlaylist(const QByteArray& out)
{
    PlaylistResult result;
    QJsonObject root;
    for (const QByteArray& line : out.split('\n')) {
        const QByteArray text = line.trimmed();
        if (!text.startsWith('{'))
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(text);
        if (doc.isObject())
            root = doc.object();
    }
    if (root.value(QStringLiteral("_type")).toString() != QLatin1String("playlist"))
        return result;
    result.bIsPlaylist = true;
    result.title = SanitiseField(root.value(QStringLiteral("title")).toString());
    const QJsonArray entries = root.value(QStringLiteral("entries")).toArray();
    int index = 0;
    for (const QJsonValue& value : entries) {
        ++index;
        const QJsonObject object = value.toObject();
        PlaylistEntry entry;
        entry.nIndex = index;
        entry.url = EntryLink(object);
        entry.title = SanitiseField(object.value(QStringLiteral("title")).toString());
        entry.duration = DurationText(object.value(QStringLiteral("duration")));
        entry.bAvailable = value.isObject() && !IsUnavailable(object);
        if (entry.title.isEmpty())
            entry.title = result.title + QStringLiteral(" (%1)").arg(index);
        result.entries.push_back(entry);
    }
    return result;
}

_VIDEO_FILE_INFO_ EntryTask(const QString& playlistLink, const PlaylistEntry& entry,
                            EntryRule rule)
{
    static const int heights[] = {0, 2160, 1440, 1080, 720, 480};
    TaskChoice choice;
    _VIDEO_FILE_INFO_ info;
    if (rule == EntryRule::AudioM4a || rule == EntryRule::AudioMp3) {
        choice.formatId = kAudioOnly;
        info.QstrExt = rule == EntryRule::AudioMp3 ? QStringLiteral("mp3") : QStringLiteral("m4a");
    } else {
        choice.formatId = kBestVideo;
        choice.nUpTo = heights[int(rule)];
        info.QstrExt = QStringLiteral("mp4");
    }
    info.QstrUrl = entry.url;
    if (entry.url.isEmpty()) {
        info.QstrUrl = playlistLink;
        choice.nItem = entry.nIndex;
    }
    info.QstrFormatId = TaskChoiceField(choice);
    info.QstrTitle = entry.title;
    info.QstrDuration = entry.duration;
    return info;
}
