#include "links.h"

#include <QRegularExpression>
#include <QUrl>

QStringList SplitLinks(const QString& text)
{
    static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
    QStringList links;
    for (const QString& word : text.split(kBlanks, Qt::SkipEmptyParts)) {
        const QUrl url(word, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || url.host().isEmpty() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            continue;
        if (!links.contains(word))
            links << word;
    }
    return links;
}

QStringList CSeenLinks::TakeNew(const QString& text)
{
    QStringList fresh;
    for (const QString& link : SplitLinks(text)) {
        if (m_seen.contains(link))
            continue;
        m_seen.insert(link);
        fresh << link;
    }
    return fresh;
}
