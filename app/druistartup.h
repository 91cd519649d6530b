#pragma once
// The finished list of a start. A worker reads the finished info files from the moment the
// window is made, and the list is filled right after the window's first frame, so a long
// history never holds the window back. Whatever needs the list before then fills it at once.
//
// For start-up measurements only: when the environment variable QUILLANE_BENCH_READY_FILE
// names a file, that file is created as soon as the first frame has been drawn.

#include <QString>

class DRUI;

// Starts reading `finishedFolder` for `window` (from its constructor).
void BeginStartupFinished(DRUI& window, const QString& finishedFolder);

// For the window's own loading of its finished list: true if the records read at start take
// its place (listed now if the first frame has been shown already, else right after it);
// false if the window is to read its files itself.
bool DeferStartupFinished(DRUI& window);

// Lists the records read at start in the finished table, unless that has happened already
// (or they were read from another folder than the window's finished folder, which is then
// read afresh).
void ListStartupFinished(DRUI& window);
