#include "extractorerrors.h"

#include <QFile>
#include <QList>

static void LoadErrorTableResource()
{
    Q_INIT_RESOURCE(engine);
}

namespace {

struct Match
{
    QString cls;
    bool warning = false;
    QString text;
};

struct Table
{
    QStringList classes;
    QList<ErrorFix> fixes;
    QList<Match> matches;
};

ErrorFix FixByName(const QString& name)
{
    if (name == QLatin1String("cookies"))
        return ErrorFix::Cookies;
    if (name == QLatin1String("update"))
        return ErrorFix::Update;
    if (name == QLatin1String("runtime"))
        return ErrorFix::Runtime;
    if (name == QLatin1String("wait"))
        return ErrorFix::Wait;
    return ErrorFix::None;
}

const Table& ErrorTable()
{
    static const Table table = [] {
        LoadErrorTableResource();
        Table t;
        QFile file(QStringLiteral(":/engine/extractor-errors.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return t;
        const QStringList rows = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString& row : rows) {
            const QStringList cells = row.split(QLatin1Char('\t'));
            if (cells.size() == 3 && cells[0] == QLatin1String("class")) {
                t.classes << cells[1];
                t.fixes << FixByName(cells[2].trimmed());
            } else if (cells.size() == 4 && cells[0] == QLatin1String("match")) {
                t.matches.append({cells[1], cells[2] == QLatin1String("warning"), cells[3].trimmed()});
            }
        }
        return t;
    }();
    return table;
}

} // namespace

QStringList ExtractorErrorClasses()
{
    return ErrorTable().classes;
}

ExtractorError ClassifyExtractorErrors(const QStringList& lines)
{
    static const QString kError = QStringLiteral("ERROR:");
    static const QString kWarning = QStringLiteral("WARNING:");
    QStringList errors;
    QStringList warnings;
    for (const QString& line : lines) {
        if (line.startsWith(kError))
            errors << line.mid(kError.size()).trimmed();
        else if (line.startsWith(kWarning))
            warnings << line.mid(kWarning.size()).trimmed();
    }
    ExtractorError result;
    if (errors.isEmpty())
        return result;
    result.QstrLine = errors.last();
    const Table& table = ErrorTable();
    QString cls = QStringLiteral("Unknown");
    for (const Match& m : table.matches) {
        const QStringList& scope = m.warning ? warnings : errors;
        const bool found = std::any_of(scope.begin(), scope.end(), [&m](const QString& line) {
            return line.contains(m.text, Qt::CaseInsensitive);
        });
        if (found) {
            cls = m.cls;
            break;
        }
    }
    result.QstrClass = cls;
    const qsizetype i = table.classes.indexOf(cls);
    result.fix = i >= 0 ? table.fixes[i] : ErrorFix::None;
    return result;
}

ErrorFix OfferedFix(const ExtractorError& error, bool bFetchAllowed, bool bRuntimeFound)
{
    switch (error.fix) {
    case ErrorFix::Update:
        return bFetchAllowed ? ErrorFix::Update : ErrorFix::None;
    case ErrorFix::Runtime:
        return bFetchAllowed && !bRuntimeFound ? ErrorFix::Runtime : ErrorFix::None;
    case ErrorFix::Cookies:
        return ErrorFix::Cookies;
    case ErrorFix::None:
    case ErrorFix::Wait:
        break;
    }
    return ErrorFix::None;
}

QByteArray OfferKey(ErrorFix fix)
{
    switch (fix) {
    case ErrorFix::Update:
        return "Errors/OfferUpdate";
    case ErrorFix::Runtime:
        return "Errors/OfferRuntime";
    case ErrorFix::Cookies:
        return "Errors/OfferCookies";
    case ErrorFix::None:
    case ErrorFix::Wait:
        break;
    }
    return {};
}
