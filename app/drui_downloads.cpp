#include "drui.h"

// Placeholder until this part of the window is written.
QTableWidget* DRUI::CreateDownloadTable(QWidget*) { return nullptr; }
void DRUI::RefreshDownloadTable(std::vector<_VIDEO_FILE_INFO_>&, bool) {}
_VIDEO_DOWNLOAD_INFO_* DRUI::GetTableItemDownloadInfo(QTableWidgetItem*) { return nullptr; }
void DRUI::PDFTableItemPress(int, int) {}
void DRUI::btnOpenDownloadFile() {}
void DRUI::PauseDownload() {}
void DRUI::DelDownload() {}
void DRUI::DelAllDownload() {}
void DRUI::RemoveDownloadTableItem(_VIDEO_FILE_INFO_*) {}
void DRUI::StopAllRuns() {}
void DRUI::_DoStartDownload(void*, QString) {}
void DRUI::DoStartDownload(_VIDEO_DOWNLOAD_INFO_*) {}
