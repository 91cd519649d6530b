#include "tasktables.h"

#include "cmessagebox.h"
#include "fonts.h"
#include "helpers.h"
#include "languagesconfig.h"
#include "paths.h"
#include "styles.h"
#include "taskaccess.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kTableHeight = 430;
constexpr int kLabelHeight = 20;
constexpr int kTextPointSize = 10;

// An icon-only button shows its picture at the picture's own size and names itself
// (tooltip and accessible name) from the language files.
void SetButtonPicture(QPushButton* button, const char* picture, const char* tipKey)
{
    // Every row has the same few pictures: each is read once.
    struct Picture
    {
        QIcon icon;
        QSize size; // a @2x picture counts once
    };
    static QHash<QString, Picture> s_pictures;
    const QString path = QString::fromLatin1(picture);
    auto known = s_pictures.constFind(path);
    if (known == s_pictures.cend()) {
        const QPixmap pixmap{path};
        known = s_pictures.insert(path, {QIcon(pixmap), pixmap.isNull()
                                                            ? QSize()
                                                            : pixmap.deviceIndependentSize().toSize()});
    }
    button->setIcon(known->icon);
    if (known->size.isValid()) {
        button->setIconSize(known->size);
        button->setFixedSize(known->size);
    }
    const QString tip = LanguageText(tipKey);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
}

QPushButton* MakeRowButton(QWidget* parent, const char* picture, const char* tipKey)
{
    auto* button = new QPushButton(parent);
    button->setFlat(true);
    button->setStyleSheet(MainStyle::backGroud_style);
    button->setCursor(Qt::PointingHandCursor);
    SetButtonPicture(button, picture, tipKey);
    return button;
}

// A text of a row: the title, the status line (which changes several times a second while
// its task runs) or the finished task's details. Its size never depends on its text: the row's
// text column gives it its width and a long text is cut there, so a text neither measures
// itself for the row's layout nor, when it changes, lays the row out again.
class CRowTextLabel : public QLabel
{
public:
    CRowTextLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}
    QSize sizeHint() const override { return QSize(kHintWidth, kLabelHeight); }
    QSize minimumSizeHint() const override { return QSize(0, kLabelHeight); }

private:
    static constexpr int kHintWidth = 200;
};

QLabel* MakeTextLabel(QWidget* parent, const QString& text)
{
    auto* label = new CRowTextLabel(text, parent);
    label->setFont(CalibriFont(kTextPointSize));
    SetWhiteText(label);
    return label;
}

// The place of a text that changes while its row is shown (the status line). The row's
// layout sizes the place; the text inside has the place's size fixed on it, so that a new
// text repaints the text alone and does not ask the row to lay itself out again.
class CTextPlace : public QWidget
{
public:
    CTextPlace(QLabel* text, QWidget* parent) : QWidget(parent), m_text(text)
    {
        text->setParent(this);
        text->move(0, 0);
        setFixedHeight(kLabelHeight);
    }
    QSize sizeHint() const override { return m_text->sizeHint(); }
    QSize minimumSizeHint() const override { return m_text->minimumSizeHint(); }

protected:
    void resizeEvent(QResizeEvent*) override { m_text->setFixedSize(size()); }

private:
    QLabel* m_text;
};

const char* const kPendingThumbProperty = "quillanePendingThumb";
const char* const kThumbFallbackProperty = "quillaneThumbFallback";
const QString kThumbName = QStringLiteral("thumbnail");

// A task row. Its style's background covers it whole, so it paints that itself and counts as
// opaque: a change inside the row (the bar, the status line) repaints the row alone, not the
// table, the page and the window beneath it.
class CRowWidget : public QWidget
{
public:
    explicit CRowWidget(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        QStyleOption option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    }
};

// What a row shows when its thumbnail cannot be read: nothing, or the default video picture.
QPixmap ThumbnailOrFallback(const QString& path, bool bFallback)
{
    QPixmap picture = LoadThumbnail(path);
    if (picture.isNull() && bFallback)
        picture = LoadThumbnail(QString::fromLatin1(kDefaultVideoPicture));
    return picture;
}

// The row widget with its thumbnail box in place; the caller adds the text column and
// the button box. Built inside `parent` (the table's viewport) when given, so that the table
// need not restyle it when it takes it in. With Thumbnail::Later the picture is only noted.
QWidget* MakeRowWidget(QWidget* parent, QHBoxLayout*& layout, QLabel*& thumb,
                       const QString& thumbPath, bool bFallback, Thumbnail when)
{
    auto* row = new CRowWidget(parent);
    MarkTaskRow(row);
    row->setStyleSheet(kRowStyle);
    layout = new QHBoxLayout(row);
    layout->setSpacing(10);

    auto* thumbBox = new QHBoxLayout;
    thumbBox->setSpacing(0);
    thumbBox->setContentsMargins(0, 0, 0, 0);
    thumb = new QLabel(row);
    thumb->setObjectName(kThumbName);
    thumb->setFixedSize(kThumbSize);
    thumb->setAlignment(Qt::AlignLeft);
    thumb->setScaledContents(true);
    if (when == Thumbnail::Later) {
        row->setProperty(kPendingThumbProperty, thumbPath);
        row->setProperty(kThumbFallbackProperty, bFallback);
    } else if (const QPixmap picture = ThumbnailOrFallback(thumbPath, bFallback);
               !picture.isNull()) {
        thumb->setPixmap(picture);
    }
    thumbBox->addWidget(thumb);
    layout->addLayout(thumbBox);
    return row;
}

QHBoxLayout* MakeButtonBox(int spacing)
{
    auto* box = new QHBoxLayout;
    box->setSpacing(spacing);
    box->setContentsMargins(0, 0, 0, 0);
    return box;
}

} // namespace

QTableWidget* CreateTaskTable(QWidget* container, int width)
{
    auto* table = new QTableWidget(container);
    MarkTaskTable(table);
    table->setGeometry(0, 0, width, kTableHeight);
    table->setAttribute(Qt::WA_MouseTracking, true);
    table->setColumnCount(1);
    table->setFocusPolicy(Qt::NoFocus);
    table->horizontalHeader()->setVisible(false);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setHighlightSections(false);
    table->verticalHeader()->setDefaultSectionSize(kRowHeight); // every row, built or not
    table->setIconSize(QSize(55, 55));
    table->setStyleSheet(MainStyle::Table_style);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalScrollBar()->setStyleSheet(MainStyle::ScrollBar_style);
    return table;
}

DownloadRowWidgets BuildDownloadRow(const _VIDEO_FILE_INFO_& info, bool bRestored, QWidget* parent,
                                    Thumbnail thumbnail)
{
    DownloadRowWidgets w;
    QHBoxLayout* layout = nullptr;
    w.pRow = MakeRowWidget(parent, layout, w.pThumb, info.QstrThumbPath, false, thumbnail);
    w.pRow->setAccessibleName(info.QstrTitle);

    auto* textColumn = new QVBoxLayout;
    textColumn->setSpacing(5);
    w.pTitle = MakeTextLabel(w.pRow, info.QstrTitle);
    w.pTitle->setFixedHeight(kLabelHeight);
    w.pProgressBar = new QProgressBar(w.pRow);
    w.pProgressBar->setFixedHeight(10);
    w.pProgressBar->setStyleSheet(MainStyle::ProgressBar_style);
    w.pProgressBar->setRange(0, 100);
    w.pProgressBar->setAlignment(Qt::AlignCenter);
    w.pProgressBar->setValue(0);
    if (bRestored)
        w.pProgressBar->setValue(PercentBarValue(info.QstrPercent));
    w.pStatusLabel = MakeTextLabel(w.pRow, QString());
    w.pStatusLabel->setFixedHeight(kLabelHeight);
    textColumn->addWidget(w.pTitle);
    textColumn->addWidget(w.pProgressBar);
    textColumn->addWidget(new CTextPlace(w.pStatusLabel, w.pRow));
    layout->addLayout(textColumn);

    QHBoxLayout* buttons = MakeButtonBox(5);
    w.pBtnPause = MakeRowButton(w.pRow, kPausePicture, "MainWnd/TipPause");
    SetPauseButtonState(w.pBtnPause, bRestored);
    w.pBtnOpen = MakeRowButton(w.pRow, ":/image/folder.png", "MainWnd/TipOpenFolder");
    w.pBtnDelete = MakeRowButton(w.pRow, ":/image/del.png", "MainWnd/TipDelete");
    buttons->addWidget(w.pBtnPause);
    buttons->addWidget(w.pBtnOpen);
    buttons->addWidget(w.pBtnDelete);
    layout->addLayout(buttons);
    w.pProgressBar->setObjectName(QStringLiteral("progress"));
    w.pStatusLabel->setObjectName(QStringLiteral("status"));
    w.pBtnPause->setObjectName(QStringLiteral("pause"));
    w.pBtnOpen->setObjectName(QStringLiteral("open"));
    w.pBtnDelete->setObjectName(QStringLiteral("delete"));
    return w;
}

DownloadRowWidgets DownloadRowOf(QWidget* row)
{
    DownloadRowWidgets w;
    if (!row)
        return w;
    w.pRow = row;
    w.pProgressBar = row->findChild<QProgressBar*>(QStringLiteral("progress"));
    w.pStatusLabel = row->findChild<QLabel*>(QStringLiteral("status"));
    w.pBtnPause = row->findChild<QPushButton*>(QStringLiteral("pause"));
    w.pBtnOpen = row->findChild<QPushButton*>(QStringLiteral("open"));
    w.pBtnDelete = row->findChild<QPushButton*>(QStringLiteral("delete"));
    return w;
}

FinishedRowWidgets BuildFinishedRow(const _VIDEO_FILE_INFO_& info, int labelWidth, QWidget* parent,
                                    Thumbnail thumbnail)
{
    FinishedRowWidgets w;
    QHBoxLayout* layout = nullptr;
    w.pRow = MakeRowWidget(parent, layout, w.pThumb, info.QstrThumbPath, true, thumbnail);
    w.pRow->setAccessibleName(info.QstrTitle);

    auto* textColumn = new QVBoxLayout;
    textColumn->setSpacing(5);
    w.pTitle = MakeTextLabel(w.pRow, info.QstrTitle);
    w.pTitle->setFixedSize(labelWidth, kLabelHeight);
    w.pInfo = MakeTextLabel(w.pRow, FinishedInfoText(info));
    w.pInfo->setFixedSize(labelWidth, kLabelHeight);
    textColumn->addWidget(w.pTitle);
    textColumn->addWidget(w.pInfo);
    layout->addLayout(textColumn);

    QHBoxLayout* buttons = MakeButtonBox(1);
    w.pBtnOpen = MakeRowButton(w.pRow, ":/image/folder.png", "MainWnd/TipOpenFolder");
    w.pBtnDelete = MakeRowButton(w.pRow, ":/image/del.png", "MainWnd/TipDelete");
    buttons->addWidget(w.pBtnOpen);
    buttons->addWidget(w.pBtnDelete);
    layout->addLayout(buttons);
    return w;
}

QString FinishedInfoText(const _VIDEO_FILE_INFO_& info)
{
    const QString gap = QStringLiteral("    ");
    return info.QstrFinishTime + gap + info.QstrSize + gap + info.QstrDuration + gap + info.QstrExt;
}

int PercentBarValue(const QString& percent)
{
    bool ok = false;
    const double value = percent.trimmed().toDouble(&ok);
    if (!ok || !(value > -1.0 && value < 2147483647.0))
        return 0;
    return static_cast<int>(value); // the fraction is cut off
}

void SetPauseButtonState(QPushButton* button, bool bPaused)
{
    if (!button)
        return;
    if (bPaused)
        SetButtonPicture(button, kPlayPicture, "MainWnd/TipResume");
    else
        SetButtonPicture(button, kPausePicture, "MainWnd/TipPause");
}

void FillThumbnail(QWidget* row)
{
    const QVariant path = row ? row->property(kPendingThumbProperty) : QVariant();
    if (!path.isValid())
        return;
    row->setProperty(kPendingThumbProperty, QVariant());
    const QPixmap picture =
        ThumbnailOrFallback(path.toString(), row->property(kThumbFallbackProperty).toBool());
    auto* thumb = row->findChild<QLabel*>(kThumbName, Qt::FindDirectChildrenOnly);
    if (thumb && !picture.isNull())
        thumb->setPixmap(picture);
}

QPixmap LoadThumbnail(const QString& path, const QSize& size)
{
    if (path.isEmpty())
        return QPixmap();
    // A task's picture is read for its downloading row and again for its finished row (and
    // for each rebuilt row): decoded once while the file stays as it was.
    const QFileInfo file(path);
    // One pass of arg: a path may hold "%2" itself.
    const QString key =
        QStringLiteral("thumb:%1:%2x%3:%4:%5")
            .arg(path, QString::number(size.width()), QString::number(size.height()),
                 QString::number(file.lastModified().toMSecsSinceEpoch()),
                 QString::number(file.size()));
    QPixmap picture;
    if (QPixmapCache::find(key, &picture))
        return picture;
    QImageReader reader(path);
    if (!reader.canRead())
        return QPixmap();
    reader.setScaledSize(size);
    const QImage image = reader.read();
    if (image.isNull())
        return QPixmap();
    picture = QPixmap::fromImage(image);
    QPixmapCache::insert(key, picture);
    return picture;
}

void PlaceRowWidget(QTableWidget* table, int row, QWidget* widget, const std::vector<int>& selected)
{
    if (std::find(selected.begin(), selected.end(), row) != selected.end())
        widget->setStyleSheet(kRowSelectedStyle);
    table->setCellWidget(row, 0, widget);
}

void PaintRowSelection(QTableWidget* table, std::vector<int>& selected, int row, int col)
{
    // By the selection model: the rows of a long history carry no items.
    if (!table || !table->model()->index(row, col).isValid())
        return;
    for (int r : selected) {
        if (QWidget* widget = table->cellWidget(r, col))
            widget->setStyleSheet(kRowStyle);
    }
    selected.clear();
    const QModelIndexList indexes = table->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : indexes) {
        if (index.column() != 0)
            continue;
        selected.push_back(index.row());
        if (QWidget* widget = table->cellWidget(index.row(), col))
            widget->setStyleSheet(kRowSelectedStyle);
    }
}

void ShiftSelectionForRemoval(std::vector<int>& selected, int row)
{
    selected.erase(std::remove(selected.begin(), selected.end(), row), selected.end());
    for (int& r : selected) {
        if (r > row)
            --r;
    }
}

void ShiftSelectionForInsertion(std::vector<int>& selected, int row)
{
    for (int& r : selected) {
        if (r >= row)
            ++r;
    }
}

void OpenFolder(const QString& folder)
{
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool ConfirmTaskDeletion(QWidget* owner, bool& bDeleteFiles)
{
    CMessageBox box;
    box.setFixedSize(500, 180);
    box.PlaceOver(owner);
    box.InitDelDialog(LanguageText("Messages/MSG0106"));
    box.exec();
    bDeleteFiles = box.nCheckBox == 1;
    return box.GetMessageBoxRet() == 0;
}
