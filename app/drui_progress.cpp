#include "drui.h"

// Placeholder until this part of the window is written.
void DRUI::DownloadReadOutput() {}
void DRUI::ProgressSignalSlot(void*, int, int, QString) {}
