#include "drui.h"

// Placeholder until this part of the window is written.
DRUI::DRUI(QWidget* parent, Qt::WindowFlags flags) : QMainWindow(parent, flags) {}
DRUI::~DRUI() {}
void DRUI::Init() {}
void DRUI::InitWidget() {}
void Ui_DRUIClass::setupUi(QMainWindow*) {}
void Ui_DRUIClass::retranslateUi(QMainWindow*) {}
bool DRUI::GetDirFiles(QString, std::vector<QString>&, QString) { return false; }
int DRUI::WriteDownloadInfo2File(QString, QString) { return -1; }
int DRUI::WriteDownloadVideoInfo(_VIDEO_FILE_INFO_*) { return -1; }
int DRUI::WriteFinishedVideoInfo(QString, QString) { return -1; }
void DRUI::InitDownloadVideoInfo() {}
void DRUI::InitFinishedVideoInfo() {}
