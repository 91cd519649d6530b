#include "drui.h"

// Placeholder until this part of the window is written.
void DRUI::_VersionSlot(void*, QString) {}
void DRUI::VersionSlot() {}
void DRUI::VersionSignalSlot() {}
