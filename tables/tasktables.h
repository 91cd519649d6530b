#pragma once
// Widget builders of the two task tables (downloading and finished): the table itself,
// the composed row widgets, the selection colours, the thumbnails, and the small pieces
// of file handling that both tables share. The main window keeps the lists and the
// slots; everything that only shapes widgets lives here.

#include "styles.h"
#include "taskfiles.h"
#include "taskrows.h"

#include <QSize>
#include <QString>
#include <vector>

class QLabel;
class QPixmap;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QWidget;

// The looks of a row widget, normal and selected.
inline const QString& kRowStyle = MainStyle::Row_style;
inline const QString& kRowSelectedStyle = MainStyle::Row_selected_style;

inline constexpr int kRowHeight = 70;
inline const QSize kThumbSize(80, 60);

inline const char* const kPausePicture = ":/image/pause.png";
inline const char* const kPlayPicture = ":/image/play.png";
inline const char* const kDefaultVideoPicture = ":/image/default-video.png";

// A one-column task table inside `container`, `width` wide and 430 high: no headers,
// whole-row selection, no editing, no focus, the dark row style and the light scroll bar.
QTableWidget* CreateTaskTable(QWidget* container, int width);

// The widgets of one downloading row. The row widget goes into the table as a cell widget;
// the table then owns it and everything below it.
struct DownloadRowWidgets
{
    QWidget* pRow = nullptr;
    QLabel* pThumb = nullptr;
    QLabel* pTitle = nullptr;
    QProgressBar* pProgressBar = nullptr;
    QLabel* pStatusLabel = nullptr;
    QPushButton* pBtnPause = nullptr;
    QPushButton* pBtnOpen = nullptr;
    QPushButton* pBtnDelete = nullptr;
};

// When a row decodes its thumbnail: at once, or when FillThumbnail is called for it (so that
// a window on its way to the screen is not kept waiting by pictures).
enum class Thumbnail { Now, Later };

// A downloading row for the record. A restored task shows its stored percentage and the
// play picture (it is paused); a new one shows 0 and the pause picture. Given `parent` (the
// table's viewport), the row is built there, which spares restyling it when the table takes it.
DownloadRowWidgets BuildDownloadRow(const _VIDEO_FILE_INFO_& info, bool bRestored,
                                    QWidget* parent = nullptr,
                                    Thumbnail thumbnail = Thumbnail::Now);

// The named parts of a row widget made by BuildDownloadRow (none for any other widget).
DownloadRowWidgets DownloadRowOf(QWidget* row);

// The widgets of one finished row.
struct FinishedRowWidgets
{
    QWidget* pRow = nullptr;
    QLabel* pThumb = nullptr;
    QLabel* pTitle = nullptr;
    QLabel* pInfo = nullptr;
    QPushButton* pBtnOpen = nullptr;
    QPushButton* pBtnDelete = nullptr;
};

// A finished row for the record; the title and info labels are `labelWidth` wide.
// A missing or unreadable thumbnail shows the default video picture.
FinishedRowWidgets BuildFinishedRow(const _VIDEO_FILE_INFO_& info, int labelWidth,
                                    QWidget* parent = nullptr,
                                    Thumbnail thumbnail = Thumbnail::Now);

// Decodes and shows the thumbnail of a row built with Thumbnail::Later; does nothing for any
// other row or the second time.
void FillThumbnail(QWidget* row);

// The info line of a finished row: finish time, size, duration and type, four blanks apart.
QString FinishedInfoText(const _VIDEO_FILE_INFO_& info);

// The bar value of a stored percentage: the whole part of the number ("45.7" gives 45);
// text that is no number gives 0.
int PercentBarValue(const QString& percent);

// Shows the play picture (paused) or the pause picture (may run) on a row's first button,
// with the matching tooltip and accessible name.
void SetPauseButtonState(QPushButton* button, bool bPaused);

// The picture decoded straight at `size` (cheap for large images); null if the file is
// missing or cannot be decoded.
QPixmap LoadThumbnail(const QString& path, const QSize& size = kThumbSize);

// Puts a row widget into its row, in the selected look if `selected` holds the row (a row
// selected before its widget was built).
void PlaceRowWidget(QTableWidget* table, int row, QWidget* widget,
                    const std::vector<int>& selected);

// Selection colours on the row widgets after a click on (row, col): every row in `selected`
// goes back to the normal look, then every selected row of column 0 gets the selected look
// and is recorded in `selected`. A click on an empty cell changes nothing.
void PaintRowSelection(QTableWidget* table, std::vector<int>& selected, int row, int col);

// Keeps recorded row numbers in step with a row removed at `row` (dropped, later ones move up)
// or inserted at `row` (that row and later ones move down).
void ShiftSelectionForRemoval(std::vector<int>& selected, int row);
void ShiftSelectionForInsertion(std::vector<int>& selected, int row);

// Shows a folder in the system's file browser, making it first if it is missing.
void OpenFolder(const QString& folder);

// The delete confirmation (500 x 180 over `owner`, with its check box for the downloaded
// files), run modally. True for OK; `bDeleteFiles` tells whether the check box was ticked.
bool ConfirmTaskDeletion(QWidget* owner, bool& bDeleteFiles);
