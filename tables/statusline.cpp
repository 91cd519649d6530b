#include "statusline.h"

#include "languagesconfig.h"

namespace {

const QString kGap = QStringLiteral("      ");

} // namespace

StatusWords LanguageStatusWords()
{
    StatusWords words;
    words.QstrAnalyzing = LanguageText("MainWnd/StatusAnalyzing");
    words.QstrCompleted = LanguageText("MainWnd/StatusCompleted");
    words.QstrMetadata = LanguageText("MainWnd/StatusMetadata");
    words.QstrConverting = LanguageText("MainWnd/StatusConverting");
    return words;
}

QString StatusLineText(const ProgressReport& report, const StatusWords& words)
{
    switch (report.eKind) {
    case ReportKind::Analyzing:
        return words.QstrAnalyzing;
    case ReportKind::AddingMetadata:
        return words.QstrMetadata;
    case ReportKind::Converting:
        return words.QstrConverting;
    case ReportKind::Progress:
        return QString::fromStdString(ProgressSizeText(report.nDoneBytes)) + QLatin1Char('/') +
               report.QstrTotal + kGap + words.QstrCompleted + report.QstrPercent +
               QLatin1Char('%') + kGap + report.QstrEta + kGap + report.QstrSpeed;
    case ReportKind::Bar:
        break;
    }
    return QString();
}

QString StatusSizePart(const QString& statusLine)
{
    const int gap = statusLine.indexOf(kGap);
    return gap < 0 ? statusLine : statusLine.left(gap);
}

QString FailureCause(const ExtractorError& error)
{
    return error.QstrClass == QLatin1String("Unknown") && !error.QstrLine.isEmpty()
               ? error.QstrLine
               : LanguageText(error.CauseKey().constData());
}

QString FailedStatusText(const ExtractorError& error)
{
    return LanguageText("Errors/Failed") + FailureCause(error);
}
