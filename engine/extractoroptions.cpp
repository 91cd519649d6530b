#include "extractoroptions.h"

#include "command.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

QList<int> ParseExtractorVersion(const QString& text)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})\\.(\\d{1,2})\\.(\\d{1,2})(?:\\.(\\d{1,9}))?$"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch())
        return {};
    QList<int> parts;
    for (int i = 1; i <= 4; ++i)
        parts.append(m.captured(i).isEmpty() ? 0 : m.captured(i).toInt());
    return parts;
}

int CompareExtractorVersions(const QString& a, const QString& b)
{
    const QList<int> va = ParseExtractorVersion(a);
    const QList<int> vb = ParseExtractorVersion(b);
    if (va.isEmpty() || vb.isEmpty())
        return int(!va.isEmpty()) - int(!vb.isEmpty());
    for (int i = 0; i < va.size(); ++i) {
        if (va[i] != vb[i])
            return va[i] < vb[i] ? -1 : 1;
    }
    return 0;
}

QString RuntimeNameOf(const QString& fileName)
{
    const QString base = QFileInfo(fileName).fileName().toLower();
    if (base == QLatin1String("deno"))
        return QStringLiteral("deno");
    if (base == QLatin1String("node") || base == QLatin1String("nodejs"))
        return QStringLiteral("node");
    if (base == QLatin1String("qjs"))
        return QStringLiteral("quickjs");
    if (base == QLatin1String("bun"))
        return QStringLiteral("bun");
    return {};
}

QList<int> ParseRuntimeVersion(const QString& name, const QString& output)
{
    static const QRegularExpression dotted(QStringLiteral("(?:^|[\\sv])(\\d+)\\.(\\d+)\\.(\\d+)"));
    static const QRegularExpression dated(QStringLiteral("version (\\d{4})-(\\d{2})-(\\d{2})"));
    const QString first = output.trimmed();
    const QRegularExpressionMatch m =
        name == QLatin1String("quickjs") ? dated.match(first) : dotted.match(first);
    if (!m.hasMatch())
        return {};
    return {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()};
}

bool RuntimeIsRecentEnough(const QString& name, const QList<int>& version)
{
    QList<int> minimum;
    if (name == QLatin1String("deno"))
        minimum = {2, 0, 0};
    else if (name == QLatin1String("node"))
        minimum = {20, 0, 0};
    else if (name == QLatin1String("quickjs"))
        minimum = {2023, 12, 9};
    else if (name == QLatin1String("bun"))
        minimum = {1, 0, 0};
    return !minimum.isEmpty() && version.size() == 3 && version >= minimum;
}

QStringList RuntimeVersionArguments(const QString& name)
{
    // QuickJS names its version only in its help text.
    return {name == QLatin1String("quickjs") ? QStringLiteral("-h") : QStringLiteral("--version")};
}

QStringList ExtractorOptions(const QuillaneSettings& settings, const QString& extractorVersion,
                             const JsRuntime& runtime)
{
    QStringList args;
    if (!settings.QstrCookiesFile.isEmpty()) {
        args << QStringLiteral("--cookies") << settings.QstrCookiesFile;
    } else if (!settings.QstrCookiesBrowser.isEmpty()) {
        QString browser = settings.QstrCookiesBrowser;
        if (!settings.QstrCookiesProfile.isEmpty())
            browser += QLatin1Char(':') + settings.QstrCookiesProfile;
        args << QStringLiteral("--cookies-from-browser") << browser;
    }
    // Older extractors stop at an option they do not know.
    if (runtime.IsFound() &&
        CompareExtractorVersions(extractorVersion, QLatin1String(kFirstRuntimeRelease)) >= 0)
        args << QStringLiteral("--js-runtimes") << runtime.QstrName + QLatin1Char(':') + runtime.QstrPath;
    return args;
}

CJsRuntimeLocator::CJsRuntimeLocator(QObject* parent) : QObject(parent) {}

QStringList CJsRuntimeLocator::Candidates(const QString& toolsFolder, const QString& pathVariable,
                                          const QString& configuredPath)
{
    static const QStringList names{QStringLiteral("deno"), QStringLiteral("node"),
                                   QStringLiteral("nodejs"), QStringLiteral("bun"),
                                   QStringLiteral("qjs")};
    QStringList folders{toolsFolder};
    folders += pathVariable.split(QDir::listSeparator(), Qt::SkipEmptyParts);
    QStringList found;
    for (const QString& folder : folders) {
        for (const QString& name : names) {
            const QFileInfo file(QDir(folder).filePath(name));
            if (file.isFile() && file.isExecutable() && !found.contains(file.absoluteFilePath()))
                found << file.absoluteFilePath();
        }
    }
    const QFileInfo configured(configuredPath);
    if (!configuredPath.isEmpty() && configured.isFile() && configured.isExecutable())
        found << configured.absoluteFilePath();
    return found;
}

void CJsRuntimeLocator::Locate(const QStringList& candidates)
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->deleteLater();
    }
    m_pending = candidates;
    Next();
}

void CJsRuntimeLocator::Next()
{
    while (!m_pending.isEmpty() && RuntimeNameOf(m_pending.first()).isEmpty())
        m_pending.removeFirst();
    if (m_pending.isEmpty()) {
        Q_EMIT Located(JsRuntime());
        return;
    }
    const QString path = m_pending.takeFirst();
    const QString name = RuntimeNameOf(path);
    auto* process = new QProcess(this);
    m_process = process;
    process->setProcessChannelMode(QProcess::MergedChannels);
    connect(process, &QProcess::finished, this, [this, process, path, name] {
        process->deleteLater();
        const QString output = QString::fromUtf8(process->readAll());
        const QList<int> version = ParseRuntimeVersion(name, output);
        if (RuntimeIsRecentEnough(name, version)) {
            QStringList parts;
            for (int n : version)
                parts << QString::number(n);
            Q_EMIT Located({name, path, parts.join(QLatin1Char('.'))});
            return;
        }
        Next();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            process->deleteLater();
            Next();
        }
    });
    BindToProgram(*process, false);
    process->start(path, RuntimeVersionArguments(name));
}
