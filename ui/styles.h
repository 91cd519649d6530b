#pragma once
// Every style sheet of the program, each from this one source: the main window and its
// tables, and the dialogs (which reuse the main window's looks where they are the same).

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

// A row of a task table, normal and selected.
inline const QString Row_style = QStringLiteral("background-color:rgb(64,67,80);color:#FFFFFF");
inline const QString Row_selected_style =
    QStringLiteral("background-color:#282a30;color:#FFFFFF");

// The task tables (the main window's two and the add-video dialog's).
inline const QString Table_style = QStringLiteral(
    "background-color:rgb(64,67,80);selection-background-color:#282a30;selection-color:#FFFFFF");
inline const QString ScrollBar_style = QStringLiteral(
    "QScrollBar:vertical{background:#FFFFFF;padding-top:20px;padding-bottom:20px;"
    "padding-left:3px;padding-right:3px;border-left:1px solid #d7d7d7;}"
    "QScrollBar::handle:vertical{background:#dbdbdb;border-radius:6px;min-height:80px;}"
    "QScrollBar::handle:vertical:hover{background:#d0d0d0;}");
inline const QString ProgressBar_style = QStringLiteral(
    "QProgressBar{ font:12px; background: #404350; border-radius:5px;border: 1px solid #979797; "
    "color: #ffffff; text-align:center; }"
    "QProgressBar:chunk{ background: QLinearGradient( x1: 0, y1: 0, x2: 0, y2: 1,"
    "stop: 0 #00ff58,stop: 1 #034f1f);border-radius:4px; }");

} // namespace MainStyle

// The dialogs: the message dialog and the add-video dialog. Their names are the dialogs' own;
// where a look is the main window's, the name stands for the main window's sheet.
namespace DialogStyle {

// Header bar.
inline const QString& backGroud_style = MainStyle::Layout1TopBackGroud_style;
inline const QString& Main_BackGroud_style = MainStyle::Main_BackGroud_style;
// Buttons: usable, not usable (nothing to confirm yet), and the analyse button while it works.
inline const QString& main_button_style = MainStyle::Layout2_main_button_style;
inline const QString& Layout2_main_button_style = MainStyle::Layout2_main_button_style;
inline const QString& main_button_style_no_file = MainStyle::main_button_style_no_file;
inline const QString& Parse_button_style = MainStyle::backGroud_hover_style;
// The format choice and the format table of the add-video dialog.
inline const QString Radio_style =
    QStringLiteral("QRadioButton{padding:0px 25px 0px;spacing:40px;background-color:rgb(64,67,80);"
                   "color:#FFFFFF;}"
                   "QRadioButton::checked {background-color:#282a30;}"
                   "QRadioButton::unchecked {background-color: rgb(64,67,80);}");
// The tick of a video and the format rule when several links are listed.
inline const QString Check_style =
    QStringLiteral("QCheckBox{padding:0px 10px;background-color:rgb(64,67,80);color:#FFFFFF;}");
inline const QString Combo_style =
    QStringLiteral("QComboBox{color:#FFFFFF;background-color:rgb(64,67,80);padding:0px 6px;}"
                   "QComboBox QAbstractItemView{color:#FFFFFF;background-color:rgb(64,67,80);"
                   "selection-background-color:#282a30;}");
// A button that drops a menu down (the subtitle languages), and that menu with ticks.
inline const QString Drop_style =
    QStringLiteral("QPushButton{color:#FFFFFF;background-color:rgb(64,67,80);border:none;"
                   "padding:0px 22px 0px 8px;text-align:left;}"
                   "QPushButton:disabled{color:#9a9a9a;}"
                   "QPushButton::menu-indicator{subcontrol-origin:padding;"
                   "subcontrol-position:center right;right:6px;}");
inline const QString TickMenu_style =
    QStringLiteral("QMenu{background-color:rgb(64,67,80);color:#FFFFFF;border:1px solid #828282;}"
                   "QMenu::item{padding:4px 16px 4px 26px;}"
                   "QMenu::item:selected{background-color:#282a30;}");
inline const QString& Table_style = MainStyle::Table_style;
inline const QString Header_style =
    QStringLiteral("QHeaderView::section{background:#282a30;color: white;}");
inline const QString& ScrollBar_style = MainStyle::ScrollBar_style;

} // namespace DialogStyle
