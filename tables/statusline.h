#pragma once
// The status line under a downloading row's bar, made of the engine's typed reports.

#include "extractorerrors.h"
#include "outputparser.h"

#include <QString>

// The words of the status line, in the window's language (English unless told otherwise).
struct StatusWords
{
    QString QstrAnalyzing = QStringLiteral("Analyzing...");
    QString QstrCompleted = QStringLiteral("Completed: ");
    QString QstrMetadata = QStringLiteral("Adding metadata");
    QString QstrConverting = QStringLiteral("Converting...");
};

// The words as the active language file gives them.
StatusWords LanguageStatusWords();

// The status line a report shows: "done/total      Completed: 45.3%      ETA      speed" for
// progress (six blanks between the parts), the word of the other kinds, and "" for a report
// that only moves the bar (the line then stays as it is).
QString StatusLineText(const ProgressReport& report, const StatusWords& words = StatusWords());

// The done/total part of a status line: the text before its first gap of six blanks.
QString StatusSizePart(const QString& statusLine);

// Why a run failed, in the window's language: the line the extractor printed where the cause
// is unknown, else the cause's text.
QString FailureCause(const ExtractorError& error);
// The status line of a failed run: "Failed: " and its cause.
QString FailedStatusText(const ExtractorError& error);
