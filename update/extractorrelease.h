#pragma once
// What the program needs to know of the extractor's releases: version texts, the release's
// checksum list, the publisher's key, and where the extractor it uses lies. And of the
// JavaScript runtime's releases: the platform's file and its checksum file.

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

// The runtime's build for this platform ("deno-x86_64-unknown-linux-gnu.zip" and the like);
// empty where its publisher has none.
QString RuntimeReleaseFile();

// The SHA-256 of a ".sha256sum" file: its first word of 64 hex digits (either case, whatever
// follows it), in lower case; empty if it has none.
QByteArray ParseSha256File(const QByteArray& text);

// The extractor updates of this user go here: data folder + "tools/".
QString ToolsFolder(const QString& dataFolder);
