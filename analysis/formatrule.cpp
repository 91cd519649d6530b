#include "formatrule.h"

#include <QRegularExpression>

const QList<int>& FormatRuleHeights()
{
    static const QList<int> heights = {0, 2160, 1440, 1080, 720, 480};
    return heights;
}

int RecordHeight(const _VIDEO_FILE_INFO_& record)
{
    static const QRegularExpression named(QStringLiteral("^([0-9]+)p"));
    static const QRegularExpression size(QStringLiteral("^[0-9]+x([0-9]+)$"));
    QRegularExpressionMatch match = named.match(record.QstrQuality);
    if (match.hasMatch())
        return match.captured(1).toInt();
    for (const QString& text : {record.QstrQuality, record.QstrResolution}) {
        match = size.match(text);
        if (match.hasMatch())
            return match.captured(1).toInt();
    }
    return 0;
}

int PickFormat(const std::vector<_VIDEO_FILE_INFO_>& records, int maxHeight)
{
    const int n = static_cast<int>(records.size());
    if (n == 0)
        return -1;
    if (maxHeight <= 0)
        return n - 1;
    int lowest = -1;
    int lowestHeight = 0;
    for (int k = n - 1; k >= 0; --k) {
        const int height = RecordHeight(records[k]);
        if (height <= 0)
            continue; // an unknown height fits no limit
        if (height <= maxHeight)
            return k;
        if (lowest < 0 || height <= lowestHeight) {
            lowest = k;
            lowestHeight = height;
        }
    }
    return lowest < 0 ? 0 : lowest;
}
