#pragma once
// What the program needs to know of the extractor's releases: version texts, the release's
// checksum list, the publisher's key, and where the extractor it uses lies.

#include "extractoroptions.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// The list of a release's SHA-256 sums ("HEX  NAME", or "HEX *NAME"): lower-case hex by name.
QHash<QString, QByteArray> ParseSha256Sums(const QByteArray& text);

// The binary packets of an ASCII-armoured OpenPGP key block, as a keyring file holds them;
// empty when the block is not well formed or its checksum does not match.
QByteArray DearmorKey(const QByteArray& armored);

// Lower-case hex SHA-256 of a file's bytes; empty if it cannot be read.
QByteArray FileSha256(const QString& path);

// The release file of this platform: the single-file build "yt-dlp" (it runs with the
// system's python3) on Linux, "yt-dlp_macos" on macOS.
QString ExtractorReleaseFile();

// The extractor updates of this user go here: data folder + "tools/".
QString ToolsFolder(const QString& dataFolder);
