#include "drui.h"

// Placeholder until this part of the window is written.
QTableWidget* DRUI::CreateFinishedTable(QWidget*) { return nullptr; }
void DRUI::RefreshFinishedTable(std::vector<_VIDEO_FILE_INFO_>&, bool) {}
bool DRUI::FindFinishedTableItem(_VIDEO_FILE_INFO_*) { return false; }
void DRUI::FinishedTableItemPress(int, int) {}
void DRUI::btnOpenFinishedFile() {}
void DRUI::DelFinished() {}
void DRUI::DelAllFinished() {}
