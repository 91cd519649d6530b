#include "drui.h"

// Placeholder until this part of the window is written.
void DRUI::InitLayout1Widget() {}
void DRUI::InitLayout2Widget() {}
QPushButton* DRUI::CreateButton(int, int, QWidget*) { return nullptr; }
void DRUI::InitMenu(QWidget*) {}
void DRUI::SetMenuStatus(QAction*) {}
void DRUI::btnMinSlot() {}
void DRUI::btnCloseSlot() {}
void DRUI::btnHelpSlot() {}
void DRUI::btnSupportSlot() {}
void DRUI::Downloading() {}
void DRUI::Finished() {}
void DRUI::mousePressEvent(QMouseEvent*) {}
void DRUI::mouseMoveEvent(QMouseEvent*) {}
void DRUI::paintEvent(QPaintEvent*) {}
void DRUI::keyPressEvent(QKeyEvent*) {}
void DRUI::closeEvent(QCloseEvent*) {}
