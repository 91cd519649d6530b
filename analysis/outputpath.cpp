#include "outputpath.h"

#include "infofiles.h"

#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

QString OutputPathFile(const QString& dataDir)
{
    return dataDir + QStringLiteral("OutputPath.txt");
}

QString DefaultOutputPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Quillane/");
}

QString ReadOutputPath(const QString& dataDir)
{
    QFile file(OutputPathFile(dataDir));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    const QString path = QString::fromUtf8(bytes);
    return path.isEmpty() ? DefaultOutputPath() : path;
}

QString OutputPathFor(const QString& chosenFolder)
{
    return chosenFolder + QLatin1Char('/');
}

bool IsStorableOutputFolder(const QString& chosenFolder)
{
    const QString path = OutputPathFor(chosenFolder);
    return !path.contains(kInfoSeparator) && !path.contains(QLatin1Char('\n')) &&
           !path.contains(QLatin1Char('\r'));
}

bool WriteOutputPath(const QString& dataDir, const QString& chosenFolder)
{
    QSaveFile file(OutputPathFile(dataDir));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = OutputPathFor(chosenFolder).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
