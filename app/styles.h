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

} // namespace MainStyle
