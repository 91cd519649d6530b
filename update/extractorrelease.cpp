#include "extractorrelease.h"

#include <QCryptographicHash>
#include <QFile>
#include <QList>
#include <QRegularExpression>

QHash<QString, QByteArray> ParseSha256Sums(const QByteArray& text)
{
    static const QRegularExpression re(QStringLiteral("^([0-9a-fA-F]{64}) [ *](.+)$"));
    QHash<QString, QByteArray> sums;
    for (const QByteArray& raw : text.split('\n')) {
        const QRegularExpressionMatch m = re.match(QString::fromUtf8(raw).trimmed());
        if (m.hasMatch())
            sums.insert(m.captured(2), m.captured(1).toLower().toLatin1());
    }
    return sums;
}

namespace {

// The armour checksum: CRC-24 with the OpenPGP polynomial.
quint32 Crc24(const QByteArray& data)
{
    quint32 crc = 0xB704CEu;
    for (const char c : data) {
        crc ^= quint32(quint8(c)) << 16;
        for (int i = 0; i < 8; ++i) {
            crc <<= 1;
            if (crc & 0x1000000u)
                crc ^= 0x1864CFBu;
        }
    }
    return crc & 0xFFFFFFu;
}

} // namespace

QByteArray DearmorKey(const QByteArray& armored)
{
    const QList<QByteArray> lines = armored.split('\n');
    int i = 0;
    while (i < lines.size() && !lines[i].trimmed().startsWith("-----BEGIN PGP PUBLIC KEY BLOCK"))
        ++i;
    if (i == lines.size())
        return {};
    ++i;
    // Armour headers ("Key: value") end at the first empty line.
    while (i < lines.size() && !lines[i].trimmed().isEmpty())
        ++i;
    QByteArray body;
    QByteArray checksum;
    for (++i; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith("-----END PGP PUBLIC KEY BLOCK")) {
            const QByteArray packets = QByteArray::fromBase64(body);
            if (packets.isEmpty())
                return {};
            if (!checksum.isEmpty()) {
                const QByteArray crc = QByteArray::fromBase64(checksum);
                if (crc.size() != 3)
                    return {};
                const quint32 want = (quint32(quint8(crc[0])) << 16) |
                                     (quint32(quint8(crc[1])) << 8) | quint8(crc[2]);
                if (want != Crc24(packets))
                    return {};
            }
            return packets;
        }
        if (line.startsWith('='))
            checksum = line.mid(1);
        else
            body += line;
    }
    return {};
}

QByteArray FileSha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex();
}

QString ExtractorReleaseFile()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("yt-dlp_macos");
#else
    return QStringLiteral("yt-dlp");
#endif
}

QString RuntimeReleaseFile()
{
#if defined(Q_PROCESSOR_X86_64)
    const QString arch = QStringLiteral("x86_64");
#elif defined(Q_PROCESSOR_ARM_64)
    const QString arch = QStringLiteral("aarch64");
#else
    const QString arch;
#endif
    if (arch.isEmpty())
        return {};
#ifdef Q_OS_MACOS
    return QStringLiteral("deno-%1-apple-darwin.zip").arg(arch);
#else
    return QStringLiteral("deno-%1-unknown-linux-gnu.zip").arg(arch);
#endif
}

QByteArray ParseSha256File(const QByteArray& text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{64}$"));
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QStringList words = QString::fromLatin1(text).split(space, Qt::SkipEmptyParts);
    for (const QString& word : words) {
        if (hex.match(word).hasMatch())
            return word.toLower().toLatin1();
    }
    return {};
}

QString ToolsFolder(const QString& dataFolder)
{
    QString folder = dataFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("tools/");
}
