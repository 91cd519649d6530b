#pragma once
// What went wrong in a run of the extractor, read from its error output and told in the
// user's terms. The classes and the texts that give them away are data
// (extractor-errors.txt); the language files say each class's cause and what to do.

#include <QString>
#include <QStringList>

// What the program can offer to mend a failure of a class.
enum class ErrorFix { None, Cookies, Update, Runtime, Wait };

struct ExtractorError
{
    QString QstrClass; // empty: no failure was reported
    ErrorFix fix = ErrorFix::None;
    QString QstrLine; // the extractor's last error line, without "ERROR: "

    bool IsFailure() const { return !QstrClass.isEmpty(); }
    // "Errors/CLASS" (the cause) and "Errors/CLASSAction" (what to do).
    QByteArray CauseKey() const { return "Errors/" + QstrClass.toLatin1(); }
    QByteArray ActionKey() const { return CauseKey() + "Action"; }
};

// Judges the whole lines a run printed on its error channel (decoded). A keyword counts only
// at a line's start ("ERROR:", "WARNING:"). Lines of a failed run that no known text explains
// give the class "Unknown" with the extractor's own line.
ExtractorError ClassifyExtractorErrors(const QStringList& lines);

// What the notice of a failure offers to do about it: its class's fix, where the program can
// give it here (an update, or a runtime when none was found, only where the program may fetch
// them; the cookies always); None for the rest.
ErrorFix OfferedFix(const ExtractorError& error, bool bFetchAllowed, bool bRuntimeFound);
// The question of a notice that offers `fix` ("Errors/OfferUpdate" and the like); empty for
// None and Wait.
QByteArray OfferKey(ErrorFix fix);

// Every class the table knows, in its order; each has its two texts in every language.
QStringList ExtractorErrorClasses();
