#include "cmessagebox.h"
// Placeholder until the dialog is written.
CMessageBox::CMessageBox(QDialog*, Qt::WindowFlags) : QDialog(nullptr) {}
CMessageBox::~CMessageBox() {}
void CMessageBox::InitDelDialog(QString) {}
void CMessageBox::InitQuestionDialog(QString) {}
void CMessageBox::InitInfoDialog(QString, bool) {}
void CMessageBox::InitUpgradeDialog(QString) {}
int CMessageBox::GetMessageBoxRet() const { return nRet; }
void CMessageBox::PlaceOver(const QWidget*, int) {}
void CMessageBox::btnSlotOK() {}
void CMessageBox::btnSlotNO() {}
void CMessageBox::btnSlotUpgrade() {}
void CMessageBox::mousePressEvent(QMouseEvent*) {}
void CMessageBox::mouseMoveEvent(QMouseEvent*) {}
void CMessageBox::paintEvent(QPaintEvent*) {}
