#pragma once
// Style sheets of the main window and its tables. The dialogs keep their own.

#include <QString>

namespace MainStyle {

// Toolbar button of a page that has no task.
inline const QString main_button_style_no_file = QStringLiteral(
    "QPushButton{background-color:rgb(209, 223, 236);color:#A9A9A9;border-radius:10px;"
    "border-style:outset;}"
    "QPushButton:hover{background-color:rgb(44, 54, 76);}"
    "QPushButton:pressed{background-color:rgb(44, 54, 76);border-style:inset;}");

// Toolbar and tab buttons; also the look of an unmarked tab.
inline const QString Layout2_main_button_style = QStringLiteral(
    "QPushButton{background-color:rgb(237, 248, 237);color:#4F4F4F;border-radius:10px;"
    "border-style:outset;}"
    "QPushButton:hover{background-color:rgb(156, 156, 156);}"
    "QPushButton:pressed{background-color:rgb(156, 156, 156);border-style:inset;}");

inline const QString Layout2_start_button_style_no_file = QStringLiteral(
    "QPushButton{background-color:rgb(123, 223, 198);color:#A9A9A9;border-radius:10px;"
    "border-style:outset;}"
    "QPushButton:hover{background-color:rgb(44, 54, 76);}"
    "QPushButton:pressed{background-color:rgb(44, 54, 76);border-style:inset;}");

inline const QString Layout2_start_button_style = QStringLiteral(
    "QPushButton{background-color:rgb(123, 223, 198);color:#363636;border-radius:10px;"
    "border-style:outset;}"
    "QPushButton:hover{background-color:rgb(156, 156, 156);}"
    "QPushButton:pressed{background-color:rgb(156, 156, 156);border-style:inset;}");

// The marked tab.
inline const QString backGroud_hover_style = QStringLiteral(
    "QPushButton{background-color:rgb(156, 156, 156);color:#4F4F4F;border-radius:10px;"
    "border-style:outset;}"
    "QPushButton:hover{background-color:rgb(156, 156, 156);}"
    "QPushButton:pressed{background-color:rgb(156, 156, 156);border-style:inset;}");

inline const QString backGroud_style = QStringLiteral("background-color: rgb(112, 128, 144);");

// Title bar and version bar.
inline const QString Layout1TopBackGroud_style = QStringLiteral("background-color: rgb(0, 0 ,0);");

inline const QString LayoutLine_style = QStringLiteral("background-color: rgb(37, 101, 137);");

// Page background.
inline const QString Main_BackGroud_style = QStringLiteral("background-color:rgb(40, 41, 49);");

// Tool-tips of widgets whose own sheet has no selector: without a rule of their own they take
// over that background and keep the palette's dark text.
inline const QString ToolTip_style = QStringLiteral(
    "QToolTip{background-color:rgb(255, 255, 225);color:#202020;border:1px solid #4F4F4F;}");

// A sheet of bare declarations (the constants above) that also gives tool-tips their look: the
// declarations go into a rule of their own, or the sheet would not parse as rules at all.
inline QString WithToolTip(const QString& declarations)
{
    return QStringLiteral("*{") + declarations + QStringLiteral("}") + ToolTip_style;
}

// The title-bar menus: light entries with dark text, whatever sheet their parents carry.
inline QString Menu_style(int itemWidth)
{
    return QStringLiteral("QMenu{background-color:rgb(240, 240, 240);color:#202020;"
                          "border:1px solid #828282;}"
                          "QMenu::item{padding:5px;width:%1px;background-color:transparent;"
                          "color:#202020;}"
                          "QMenu::item:selected{background-color:#828282;color:#FFFFFF;}")
               .arg(itemWidth) +
           ToolTip_style;
}

} // namespace MainStyle
