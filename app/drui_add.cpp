#include "drui.h"

// Placeholder until this part of the window is written.
void DRUI::AddFiles() {}
