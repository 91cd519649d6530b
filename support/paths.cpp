#include "paths.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QStringList>

namespace {

// Room for "-KEY.EXT" and the extractor's ".fNNN.ext.part" below the 255-byte name limit.
constexpr int kMaxComponentBytes = 200;

QString& AppFolderOverride()
{
    static QString folder;
    return folder;
}

int Utf8Length(char32_t ucs4)
{
    if (ucs4 < 0x80)
        return 1;
    if (ucs4 < 0x800)
        return 2;
    if (ucs4 < 0x10000)
        return 3;
    return 4;
}

// One path component without control characters, cut to the byte limit at a character
// boundary (a surrogate pair is never split).
QString CleanComponent(const QString& component)
{
    QString result;
    int bytes = 0;
    for (int i = 0; i < component.size(); ++i) {
        char32_t ucs4 = component.at(i).unicode();
        int units = 1;
        if (QChar::isHighSurrogate(ucs4) && i + 1 < component.size() &&
            component.at(i + 1).isLowSurrogate()) {
            ucs4 = QChar::surrogateToUcs4(component.at(i), component.at(i + 1));
            units = 2;
        }
        if (QChar::category(ucs4) == QChar::Other_Control) {
            i += units - 1;
            continue;
        }
        const int length = Utf8Length(ucs4);
        if (bytes + length > kMaxComponentBytes)
            break;
        bytes += length;
        result += component.mid(i, units);
        i += units - 1;
    }
    if (result == QLatin1String("."))
        return QStringLiteral("_");
    if (result == QLatin1String(".."))
        return QStringLiteral("__");
    return result;
}

} // namespace

QString AppFolder()
{
    if (!AppFolderOverride().isEmpty())
        return AppFolderOverride();
    return QCoreApplication::applicationDirPath();
}

void SetAppFolder(const QString& folder)
{
    AppFolderOverride() = folder;
}

QString DataFolder()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("/Library/Application Support/Quillane/");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quillane/");
#endif
}

QString SafeTitlePath(const QString& title)
{
    QStringList parts;
    const QStringList components = title.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& component : components) {
        const QString cleaned = CleanComponent(component);
        if (!cleaned.isEmpty())
            parts << cleaned;
    }
    if (parts.isEmpty())
        return QStringLiteral("_");
    return parts.join(QLatin1Char('/'));
}
