// Links that reach the window from outside the add-video dialog: dropped onto the window, or
// copied to the clipboard while the user has asked for that. Either way the add-video dialog
// opens with them analysed; nothing downloads without OK.

#include "drui.h"
#include "extractormanager.h"
#include "links.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

namespace {

// The links a drag carries: its URL list, else its text.
QStringList DroppedLinks(const QMimeData* mime)
{
    if (!mime)
        return {};
    QStringList words;
    if (mime->hasUrls()) {
        for (const QUrl& url : mime->urls())
            words << url.toString(QUrl::FullyEncoded);
    } else if (mime->hasText()) {
        words << mime->text();
    }
    return SplitLinks(words.join(QLatin1Char('\n')));
}

} // namespace

void DRUI::InitLinkSources()
{
    setAcceptDrops(true);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &DRUI::ClipboardChanged, Qt::UniqueConnection);
}

void DRUI::ClipboardChanged()
{
    if (!pExtractorManager || !pExtractorManager->Settings().bWatchClipboard)
        return;
    const QStringList links = seenLinks.TakeNew(QGuiApplication::clipboard()->text());
    if (!links.isEmpty())
        OfferLinks(links);
}

void DRUI::OfferLinks(const QStringList& links)
{
    // Never on top of another dialog of the program; from the event loop, not from inside the
    // drop or the clipboard's signal.
    if (links.isEmpty() || QApplication::activeModalWidget())
        return;
    QTimer::singleShot(0, this, [this, links] {
        if (QApplication::activeModalWidget())
            return;
        pendingLinks = links;
        AddFiles();
    });
}

void DRUI::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedLinks(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void DRUI::dropEvent(QDropEvent* event)
{
    const QStringList links = DroppedLinks(event->mimeData());
    if (links.isEmpty())
        return;
    event->acceptProposedAction();
    OfferLinks(links);
}
