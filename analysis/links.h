#pragma once
// Video links in text that the user pasted, dropped or copied.

#include <QSet>
#include <QString>
#include <QStringList>

// The web links in `text`, separated by blanks or line breaks, each once, in their order.
// Anything that is not an http or https link with a host is left out.
QStringList SplitLinks(const QString& text);

// Remembers the links already offered from the clipboard, so none is offered twice.
class CSeenLinks
{
public:
    // The links of `text` not seen before; they count as seen from now on.
    QStringList TakeNew(const QString& text);

private:
    QSet<QString> m_seen;
};
