#pragma once
// Fonts and text colours shared by every window.

#include <QFont>

class QWidget;

// The program's font: Calibri, or the metric-compatible Carlito where Calibri is missing.
QFont CalibriFont(int pointSize, bool bold = false);

// White text through the palette (window-text role, all colour groups).
void SetWhiteText(QWidget* widget);
