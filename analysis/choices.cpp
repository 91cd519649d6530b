#include "choices.h"

#include "taskchoice.h"

namespace {

_VIDEO_FILE_INFO_ AudioRecord(const _VIDEO_FILE_INFO_& source, const QString& ext)
{
    _VIDEO_FILE_INFO_ record = source;
    record.QstrFormatId = kAudioOnly;
    record.QstrExt = ext;
    record.QstrQuality.clear();
    record.QstrResolution.clear();
    return record;
}

} // namespace

std::vector<_VIDEO_FILE_INFO_> AudioChoices(const ListingResult& result)
{
    if (result.audio.empty())
        return {};
    const _VIDEO_FILE_INFO_* m4a = &result.audio.back();
    for (const _VIDEO_FILE_INFO_& format : result.audio) {
        if (format.QstrExt == QLatin1String("m4a"))
            m4a = &format;
    }
    return {AudioRecord(*m4a, QStringLiteral("m4a")),
            AudioRecord(result.audio.back(), QStringLiteral("mp3"))};
}

QString QualityText(const _VIDEO_FILE_INFO_& info)
{
    const QString codec = CodecName(info.QstrCodec);
    if (codec.isEmpty())
        return info.QstrQuality;
    return info.QstrQuality + QStringLiteral(" \u00b7 ") + codec;
}

bool RowShown(const _VIDEO_FILE_INFO_& info, const DialogChoices& choices)
{
    return !choices.bCompatible || choices.bConvert || IsCompatibleVideo(info);
}

bool AnyCompatible(const std::vector<_VIDEO_FILE_INFO_>& records)
{
    for (const _VIDEO_FILE_INFO_& record : records) {
        if (IsCompatibleVideo(record))
            return true;
    }
    return false;
}

bool RecordFromChoices(const _VIDEO_FILE_INFO_& picked, const DialogChoices& choices,
                       _VIDEO_FILE_INFO_& out)
{
    _VIDEO_FILE_INFO_ record = picked;
    TaskChoice choice = ReadTaskChoice(picked.QstrFormatId);

    const QString from = choices.from.trimmed(), to = choices.to.trimmed();
    if (!from.isEmpty() || !to.isEmpty()) {
        const int nFrom = ReadClockTime(from), nTo = ReadClockTime(to);
        const int nDuration = picked.QstrDuration.isEmpty() ? -1 : ReadClockTime(picked.QstrDuration);
        if (nFrom < 0 || nTo <= nFrom || (nDuration > 0 && nTo > nDuration))
            return false;
        choice.nFrom = nFrom;
        choice.nTo = nTo;
        record.QstrTitle += PartTitleSuffix(nFrom, nTo);
    }
    if (!choice.IsAudioOnly()) {
        if (choices.bCompatible && choices.bConvert && !IsCompatibleVideo(picked)) {
            choice.bConvert = true;
            record.QstrExt = QStringLiteral("mp4");
        }
        choice.subtitles = choices.subtitles;
        choice.autoSubtitles = choices.autoSubtitles;
    }
    record.QstrFormatId = TaskChoiceField(choice);
    out = record;
    return true;
}
