#pragma once
// Fonts and text colours shared by every window.

#include <QFont>
#include <QStringList>

class QWidget;

// The program's font families, in the order glyphs are looked for: Calibri, or the
// metric-compatible Carlito where Calibri is missing; then Noto Sans CJK (the active
// language's variant first) and Noto Color Emoji for what Carlito cannot draw.
QStringList ProgramFontFamilies();

// The program's font at a point size, with the families above.
QFont CalibriFont(int pointSize, bool bold = false);

// White text through the palette (window-text role, all colour groups).
void SetWhiteText(QWidget* widget);
