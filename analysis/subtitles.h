#pragma once
// The subtitles a video offers: one run of the extractor lists them (its own and the site's
// automatic ones), so that the add-video dialog can offer their languages.

#include <QString>
#include <QStringList>
#include <vector>

struct SubtitleLanguage
{
    QString code;            // as the extractor names it, e.g. "en" or "de-DE"
    QString name;            // as the site names it, e.g. "German (Germany)"; may be empty
    bool bAutomatic = false; // made by the site's speech recognition or translation
};

// --skip-download --list-subs [options] -- LINK
QStringList SubtitleListArgs(const QString& link, const QStringList& options = {});

// Reads the run's standard output: each table follows a line that begins with
// "[info] Available subtitles for " or "[info] Available automatic captions for " and its
// heading ("Language ..."); every row up to the next line that begins with "[" gives one
// language. The video's own ones first, then the automatic ones, each code once per kind.
std::vector<SubtitleLanguage> ParseSubtitleList(const QString& out);
