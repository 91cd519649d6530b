#pragma once
// What every run of the extractor gets besides its own arguments: the user's browser cookies
// and the JavaScript runtime that newer extractors need for some sites. Also the version
// texts of the extractor and of the runtimes.

#include "settings.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

// The parts of a version text as the extractor prints it for --version: "2025.11.12" or
// "2025.11.12.1" (a nightly build adds its number). Anything else gives an empty list.
QList<int> ParseExtractorVersion(const QString& text);
// Orders two version texts: < 0, 0, > 0. A text that is no version is older than any version.
int CompareExtractorVersions(const QString& a, const QString& b);

// The first extractor release that takes --js-runtimes.
inline constexpr char kFirstRuntimeRelease[] = "2025.11.12";

// A JavaScript runtime the extractor can use: its name as the extractor knows it ("deno",
// "node", "quickjs", "bun"), its path and the version it gave.
struct JsRuntime
{
    QString QstrName;
    QString QstrPath;
    QString QstrVersion;
    bool IsFound() const { return !QstrPath.isEmpty(); }
};

// The runtime a file name stands for ("deno", "node" for node and nodejs, "quickjs" for qjs,
// "bun"), or empty.
QString RuntimeNameOf(const QString& fileName);
// The version in what the runtime printed ("deno 2.1.4 (…)", "v20.19.2", "1.1.34",
// "QuickJS version 2024-01-13"), as numbers; empty if none.
QList<int> ParseRuntimeVersion(const QString& name, const QString& output);
// Whether that version is one the extractor works with: Deno 2.0, Node 20,
// QuickJS 2023-12-09, Bun 1.0 or later.
bool RuntimeIsRecentEnough(const QString& name, const QList<int>& version);
// The arguments that make a runtime print its version.
QStringList RuntimeVersionArguments(const QString& name);

// The options of a run, to stand before "--": --cookies-from-browser NAME[:PROFILE] or
// --cookies FILE, and --js-runtimes NAME:PATH for an extractor that knows the option.
QStringList ExtractorOptions(const QuillaneSettings& settings, const QString& extractorVersion,
                             const JsRuntime& runtime);

// Finds a runtime: in the tools folder first, then on PATH, then the path the settings name;
// the first one whose version is recent enough.
class CJsRuntimeLocator : public QObject
{
    Q_OBJECT
public:
    explicit CJsRuntimeLocator(QObject* parent = nullptr);
    // The candidates in that order (existing executables only).
    static QStringList Candidates(const QString& toolsFolder, const QString& pathVariable,
                                  const QString& configuredPath);
    void Locate(const QStringList& candidates);

Q_SIGNALS:
    void Located(const JsRuntime& runtime); // not found: an empty path

private:
    void Next();
    QStringList m_pending;
    QPointer<QProcess> m_process;
};
