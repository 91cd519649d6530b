#pragma once
// Shared by the window and dialog tests: what they open goes to a recorder instead of a
// browser or file manager, the update check stays on 127.0.0.1 and fails at once, and the
// shut-down command is never run. A test that includes this header also includes
// "moc_framefixture.cpp" once.

#include "platform.h"
#include "urlconfig.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMouseEvent>
#include <QObject>
#include <QToolTip>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <functional>

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void handle(const QUrl& url) { urls.append(url); }
};

inline const char* const kRecordedSchemes[] = {"http", "https", "file"};

inline void KeepOnThisMachine(UrlRecorder* recorder, const QString& dataFolder,
                              std::function<void()> onShutdown = {})
{
    CURLConfig::Overrides overrides;
    overrides.site1 = QStringLiteral("http://127.0.0.1:9");
    overrides.site2 = QStringLiteral("http://127.0.0.1:9");
    overrides.nChineseSystem = 0;
    overrides.curlProgram = QStringLiteral("false");
    overrides.dataFolder = dataFolder;
    CURLConfig::GetInstance()->SetOverrides(overrides);
    for (const char* scheme : kRecordedSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), recorder, "handle");
    SetShutdownRunner([onShutdown](const QString&, const QStringList&) {
        if (onShutdown)
            onShutdown();
    });
}

inline void ReleaseThisMachine()
{
    for (const char* scheme : kRecordedSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    SetShutdownRunner(nullptr);
}

// A mouse event at a global position, sent to `target` as the window system would.
inline void SendMouse(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// How far the drawn pixels of `area` stand out from its background (its most frequent grey):
// the largest difference in grey, 0 (nothing shows) to 255.
inline int MostContrast(const QImage& image, const QRect& area)
{
    QHash<int, int> counts;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[qGray(image.pixel(x, y))];
    const auto background = std::max_element(counts.cbegin(), counts.cend());
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        most = std::max(most, std::abs(it.key() - background.key()));
    return most;
}

// Shows the tool-tip of `widget` and measures it as drawn (MostContrast inside its border);
// -1 if no tool-tip came up.
inline int ToolTipContrast(QWidget* widget)
{
    QToolTip::showText(widget->mapToGlobal(QPoint(4, 4)), widget->toolTip(), widget);
    QWidget* tip = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowType() == Qt::ToolTip)
            tip = top;
    }
    const int contrast =
        tip ? MostContrast(tip->grab().toImage(), tip->rect().adjusted(3, 3, -3, -3)) : -1;
    QToolTip::hideText();
    return contrast;
}
