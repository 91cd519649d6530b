#pragma once
// The finished list of a start is read on a worker thread from the window's first frame on
// and listed once read, so a long history never holds the window back. Whatever needs the list
// before then waits for it (or reads it at once, before the first frame).
//
// The unfinished tasks of a start (where the window asks for it) are read on a worker thread
// while the window is built and listed right after its first frame, before anything the user
// does reaches the window.
//
// For start-up measurements only: when the environment variable QUILLANE_BENCH_READY_FILE
// names a file, that file is created as soon as the first frame has been drawn.

#include <QString>

class DRUI;

// The cache of the finished records (see finishedcache.h), beside the finished folder.
QString FinishedCacheFile(const DRUI& window);

// Leaves the finished list of `window` for its first frame (from its constructor).
void BeginStartupFinished(DRUI& window);

// For the window's own loading of its finished list: true if the list of the start takes its
// place (listed now if the first frame has been shown already, else right after it); false if
// the window is to read its files itself.
bool DeferStartupFinished(DRUI& window);

// Reads the finished info files and lists them in the finished table, unless that has
// happened already.
void ListStartupFinished(DRUI& window);

// For the window's own loading of its unfinished tasks: true if the start reads them and lists
// them right after the first frame; false if the window is to list them itself now.
bool DeferStartupUnfinished(DRUI& window);

// Lists the unfinished tasks of the start now, unless that has happened already.
void ListStartupUnfinished(DRUI& window);
