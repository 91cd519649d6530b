#include "subtitles.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kOwn = QStringLiteral("[info] Available subtitles for ");
const QString kAutomatic = QStringLiteral("[info] Available automatic captions for ");

} // namespace

QStringList SubtitleListArgs(const QString& link, const QStringList& options)
{
    return QStringList{QStringLiteral("--skip-download"), QStringLiteral("--list-subs")} + options +
           QStringList{QStringLiteral("--"), link};
}

std::vector<SubtitleLanguage> ParseSubtitleList(const QString& out)
{
    // Codes as the extractor writes them: letters, digits, "-" and "_" (no option, no pattern).
    static const QRegularExpression code(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_-]{0,34}$"));
    std::vector<SubtitleLanguage> found;
    enum class Table { None, Heading, Rows } table = Table::None;
    bool automatic = false;
    qsizetype nameAt = -1, formatsAt = -1;
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            table = Table::None;
            if (line.startsWith(kOwn) || line.startsWith(kAutomatic)) {
                table = Table::Heading;
                automatic = line.startsWith(kAutomatic);
            }
            continue;
        }
        if (table == Table::Heading) {
            if (!line.startsWith(QLatin1String("Language"))) {
                table = Table::None;
                continue;
            }
            nameAt = line.indexOf(QLatin1String(" Name"));
            formatsAt = line.indexOf(QLatin1String(" Formats"));
            table = Table::Rows;
            continue;
        }
        if (table != Table::Rows || line.trimmed().isEmpty())
            continue;
        SubtitleLanguage language;
        language.code = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
        language.bAutomatic = automatic;
        if (nameAt > 0 && formatsAt > nameAt)
            language.name = line.mid(nameAt + 1, formatsAt - nameAt).trimmed();
        const bool known = std::any_of(found.begin(), found.end(), [&](const SubtitleLanguage& l) {
            return l.code == language.code && l.bAutomatic == automatic;
        });
        if (!known && code.match(language.code).hasMatch())
            found.push_back(language);
    }
    std::stable_partition(found.begin(), found.end(),
                          [](const SubtitleLanguage& l) { return !l.bAutomatic; });
    return found;
}
