#include "dodivezparseui.h"

#include "choices.h"
#include "fonts.h"
#include "languagesconfig.h"
#include "links.h"
#include "outputpath.h"
#include "paths.h"
#include "styles.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The format table's place in the middle area, and the room below it for the other choices
// (down to the output folder row).
constexpr int kTableTop = 110;
constexpr int kTableHeight = 300;
constexpr int kChoicesRoom = 40;

using DialogStyle::backGroud_style;
using DialogStyle::Header_style;
using DialogStyle::Layout2_main_button_style;
using DialogStyle::Main_BackGroud_style;
using DialogStyle::main_button_style_no_file;
using DialogStyle::Parse_button_style;
using DialogStyle::Radio_style;
using DialogStyle::ScrollBar_style;
using DialogStyle::Table_style;

QPushButton* MakeButton(QWidget* parent, const QString& text, const QRect& geometry,
                        const QFont& font, const QString& style)
{
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setFont(font);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(style);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry, const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(font);
    SetWhiteText(label);
    return label;
}

QTableWidgetItem* MakeItem(const QString& text, const _VIDEO_FILE_INFO_& info)
{
    auto* item = new QTableWidgetItem(text);
    item->setFont(CalibriFont(12));
    item->setTextAlignment(Qt::AlignCenter);
    item->setForeground(Qt::white);
    item->setData(Qt::UserRole, QVariant::fromValue<VIDEO_FILE_INFO>(info));
    return item;
}

} // namespace

CDodivezParseUI::CDodivezParseUI(QDialog*, Qt::WindowFlags) : QDialog(nullptr)
{
    QstrDataDir = DataFolder();
    // Tool-tips take their own look: the dialog's sheet would give them its dark ground.
    setStyleSheet(MainStyle::WithToolTip(Main_BackGroud_style));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(800, 600);
    setWindowTitle(QStringLiteral("Add YouTube Video"));
    setWindowIcon(QIcon(QStringLiteral(":/image/logo.ico")));
    chooseFolder = [](QWidget* parent) {
        return QFileDialog::getExistingDirectory(parent, QString(), QString(),
                                                 QFileDialog::ShowDirsOnly);
    };
    connect(this, &CDodivezParseUI::CloseSignal, this, &CDodivezParseUI::CloseSignalSlot);
    pAnalysis = new CAnalysis(this);
    // Told from the event loop, so that the notice is open when even a quick end arrives.
    connect(pAnalysis, &CAnalysis::Finished, this, &CDodivezParseUI::AnalysisFinished,
            Qt::QueuedConnection);
    pSubtitleRun = new CSubtitleRun(this);
    connect(pSubtitleRun, &CSubtitleRun::Finished, this, [this] {
        if (pChoices)
            pChoices->ShowSubtitles(pSubtitleRun->Languages());
    });
}

CDodivezParseUI::~CDodivezParseUI()
{
    pAnalysis->Cancel();
    pSubtitleRun->Cancel();
    if (pBatch)
        pBatch->Cancel();
}

void CDodivezParseUI::InitDialog()
{
    const int W = width();
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Header.
    auto* header = new QLabel(this);
    header->setMinimumSize(W, 40);
    header->setStyleSheet(backGroud_style);
    auto* headerLayout = new QHBoxLayout;
    headerLayout->setSpacing(0);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->addWidget(header);
    QLabel* title = MakeLabel(header, LanguageText("MainWnd/RegisterTitle"),
                              QRect(W / 2 - 150, 10, 300, 30), CalibriFont(12, true));
    title->setAlignment(Qt::AlignCenter);
    outer->addLayout(headerLayout);

    // Middle: instruction, link field, analyse button and the format table.
    auto* middle = new QLabel(this);
    middle->setMinimumSize(W - 40, 500);
    auto* middleLayout = new QVBoxLayout;
    middleLayout->setContentsMargins(20, 0, 20, 0);
    middleLayout->addWidget(middle);
    MakeLabel(middle, LanguageText("Messages/MSG0104"), QRect(0, 10, 800, 35), CalibriFont(13, true));
    pUrlEdit = new QLineEdit(middle);
    pUrlEdit->setGeometry(0, 50, 650, 30);
    pUrlEdit->setFont(CalibriFont(12));
    pUrlEdit->setStyleSheet(QStringLiteral("color:white"));
    pUrlEdit->setAccessibleName(LanguageText("MainWnd/LinkField"));
    connect(pUrlEdit, &QLineEdit::textChanged, this, &CDodivezParseUI::editChangedSlot);
    pParseButton = MakeButton(middle, LanguageText("MainWnd/Parsing"), QRect(660, 50, 100, 30),
                              CalibriFont(13, true), main_button_style_no_file);
    pParseButton->setEnabled(false);
    connect(pParseButton, &QPushButton::clicked, this, &CDodivezParseUI::btnParseSlot);
    CreateDodivezFileTable(middle);
    pChoices = new CChoicesRow(middle);
    PlaceChoices();
    pChoices->hide();
    connect(pChoices, &CChoicesRow::RowsChanged, this, &CDodivezParseUI::ApplyRowFilter);
    CreateBatchView(middle);
    outer->addLayout(middleLayout);

    // Bottom: the output folder row, OK and Cancel.
    auto* bottom = new QLabel(this);
    bottom->setMinimumSize(W, 100);
    auto* bottomLayout = new QVBoxLayout;
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(bottom);
    MakeLabel(bottom, LanguageText("MainWnd/OutPut") + QStringLiteral(": "), QRect(20, 0, 150, 25),
              CalibriFont(11));
    QstrOutputPath = ReadOutputPath(QstrDataDir);
    pOutputEdit = new QLineEdit(QstrOutputPath, bottom);
    pOutputEdit->setGeometry(120, 0, 350, 20);
    pOutputEdit->setStyleSheet(QStringLiteral("color:white"));
    pOutputEdit->setAccessibleName(LanguageText("MainWnd/OutPut"));
    pChooseButton = MakeButton(bottom, QStringLiteral("..."), QRect(472, 0, 40, 20),
                               CalibriFont(11, true), Layout2_main_button_style);
    pChooseButton->setToolTip(LanguageText("MainWnd/TipChooseFolder"));
    pChooseButton->setAccessibleName(LanguageText("MainWnd/TipChooseFolder"));
    connect(pChooseButton, &QPushButton::clicked, this, &CDodivezParseUI::btnChoosePath);
    pOpenButton = MakeButton(bottom, LanguageText("MainWnd/Open"), QRect(520, 0, 70, 20),
                             CalibriFont(11, true), Layout2_main_button_style);
    connect(pOpenButton, &QPushButton::clicked, this, &CDodivezParseUI::btnOpenFile);
    pOkButton = MakeButton(bottom, LanguageText("MainWnd/OK"), QRect(W - 230, 50, 100, 35),
                           CalibriFont(13, true), main_button_style_no_file);
    pOkButton->setEnabled(false);
    connect(pOkButton, &QPushButton::clicked, this, &CDodivezParseUI::btnOKSlot);
    pCancelButton = MakeButton(bottom, LanguageText("MainWnd/Cancel"), QRect(W - 120, 50, 100, 35),
                               CalibriFont(13, true), Layout2_main_button_style);
    connect(pCancelButton, &QPushButton::clicked, this, &CDodivezParseUI::btnCancelSlot);
    outer->addLayout(bottomLayout);

    auto* blank = new QLabel(this);
    blank->setMinimumSize(W, 10);
    outer->addWidget(blank);
}

QTableWidget* CDodivezParseUI::CreateDodivezFileTable(QWidget* parent)
{
    const int W = width();
    pFormatTable = new QTableWidget(parent);
    pFormatTable->setAccessibleName(LanguageText("MainWnd/FormatTable"));
    pFormatTable->setGeometry(0, kTableTop, W - 40, kTableHeight); // the choices follow below
    pFormatTable->setFocusPolicy(Qt::NoFocus);
    pFormatTable->setColumnCount(4);
    pFormatTable->setHorizontalHeaderLabels({LanguageText("MainWnd/Format"), LanguageText("MainWnd/Resolution"),
                                             LanguageText("MainWnd/Size"), LanguageText("MainWnd/Duration")});
    // The columns fit the table: the last one takes what is left, and nothing scrolls sideways.
    const int widths[] = {250, 170, 170, 170};
    for (int col = 0; col < 4; ++col)
        pFormatTable->setColumnWidth(col, widths[col]);
    pFormatTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    QHeaderView* header = pFormatTable->horizontalHeader();
    header->setStyleSheet(Header_style);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setFixedHeight(30);
    header->setFont(CalibriFont(11));
    header->setStretchLastSection(true);
    header->setHighlightSections(false);

    pFormatTable->setIconSize(QSize(35, 35));
    pFormatTable->setStyleSheet(Table_style);
    pFormatTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    pFormatTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pFormatTable->verticalHeader()->setVisible(false);
    pFormatTable->verticalScrollBar()->setStyleSheet(ScrollBar_style);
    connect(pFormatTable, &QTableWidget::cellClicked, this, &CDodivezParseUI::PDFTableItemPress);
    return pFormatTable;
}

void CDodivezParseUI::FillFormatRow(int row, const QString& format, const QString& quality,
                                    const _VIDEO_FILE_INFO_& info)
{
    auto* radio = new QRadioButton(format);
    radio->setAccessibleName(format);
    radio->setCursor(Qt::PointingHandCursor);
    radio->setFont(CalibriFont(12));
    radio->setStyleSheet(Radio_style);
    pButtonGroup->addButton(radio, row);
    pFormatTable->setCellWidget(row, 0, radio);
    pFormatTable->setItem(row, 1, MakeItem(quality, info));
    pFormatTable->setItem(row, 2, MakeItem(info.QstrSize, info));
    pFormatTable->setItem(row, 3, MakeItem(info.QstrDuration, info));
    pFormatTable->setRowHeight(row, 30);
}

void CDodivezParseUI::PlaceChoices()
{
    // Between the table's bottom and the output folder row, in the middle of that room.
    const int height = pChoices->LayOut(width() - 40);
    pChoices->setGeometry(0, kTableTop + kTableHeight + (kChoicesRoom - height) / 2, width() - 40,
                          height);
}

void CDodivezParseUI::RefreshVideoTable(std::vector<_VIDEO_FILE_INFO_>& vec)
{
    const int n = static_cast<int>(vec.size());
    // Below the video rows, the audio rows: the record of each row is the task OK makes.
    const std::vector<_VIDEO_FILE_INFO_> audio =
        n > 0 ? AudioChoices(m_result) : std::vector<_VIDEO_FILE_INFO_>();
    pFormatTable->setRowCount(n + static_cast<int>(audio.size()));
    delete pButtonGroup;
    pButtonGroup = new QButtonGroup(this);
    for (int k = 0; k < n; ++k) // the last format of the listing on top
        FillFormatRow(n - 1 - k, vec[k].QstrExt, QualityText(vec[k]), vec[k]);
    for (int k = 0; k < static_cast<int>(audio.size()); ++k)
        FillFormatRow(n + k, LanguageText("Choices/AudioRow").arg(audio[k].QstrExt.toUpper()),
                      QString(), audio[k]);
    if (n < 1)
        return;
    pChoices->ShowListing(m_result);
    if (!pSubtitleRun->IsRunning()) // it ended before the listing
        pChoices->ShowSubtitles(pSubtitleRun->Languages());
    PlaceChoices();
    pChoices->show();
    pButtonGroup->button(0)->setChecked(true);
    pFormatTable->setCurrentCell(0, 1);
    pOkButton->setEnabled(true);
    pOkButton->setStyleSheet(Layout2_main_button_style);
    connect(pButtonGroup, &QButtonGroup::idClicked, this,
            &CDodivezParseUI::formatModeButtonsClicked);
}

void CDodivezParseUI::PDFTableItemPress(int row, int col)
{
    if (!pFormatTable->item(row, col) || !pButtonGroup)
        return;
    if (QAbstractButton* button = pButtonGroup->button(row))
        button->setChecked(true);
}

void CDodivezParseUI::formatModeButtonsClicked(int id)
{
    pFormatTable->setCurrentCell(id, 1);
}

void CDodivezParseUI::ApplyRowFilter()
{
    const DialogChoices choices = pChoices->Choices();
    const int n = static_cast<int>(vecVideoInfo.size());
    int firstShown = -1;
    for (int k = 0; k < n; ++k) {
        const int row = n - 1 - k;
        const bool bShown = RowShown(vecVideoInfo[k], choices);
        pFormatTable->setRowHidden(row, !bShown);
        if (bShown && (firstShown < 0 || row < firstShown))
            firstShown = row;
    }
    const int checked = pButtonGroup ? pButtonGroup->checkedId() : -1;
    if (checked >= 0 && checked < n && pFormatTable->isRowHidden(checked) && firstShown >= 0) {
        pButtonGroup->button(firstShown)->setChecked(true);
        pFormatTable->setCurrentCell(firstShown, 1);
    }
}

void CDodivezParseUI::btnOKSlot()
{
    if (IsBatch()) {
        vecSelected = BatchSelection();
        if (vecSelected.empty())
            return;
        close();
        nCancelled = 0;
        return;
    }
    const QTableWidgetItem* item = pFormatTable->item(pFormatTable->currentRow(), 1);
    if (!item)
        return;
    const _VIDEO_FILE_INFO_ picked = item->data(Qt::UserRole).value<VIDEO_FILE_INFO>();
    _VIDEO_FILE_INFO_ chosen;
    if (!RecordFromChoices(picked, pChoices->Choices(), chosen)) {
        ShowNotice("Choices/PartInvalid"); // nothing is added; the dialog stays
        return;
    }
    SelectedInfo = chosen;
    SelectedInfo.QstrUrl = pUrlEdit->text();
    vecSelected = {SelectedInfo};
    close();
    nCancelled = 0;
}

void CDodivezParseUI::btnCancelSlot()
{
    close();
    nCancelled = 1;
}

// Escape and every other way of leaving the dialog without OK.
void CDodivezParseUI::reject()
{
    pSubtitleRun->Cancel();
    if (pBatch)
        pBatch->Cancel(); // the extractors of several links stop with the dialog
    nCancelled = 1;
    QDialog::reject();
}

void CDodivezParseUI::closeEvent(QCloseEvent* event)
{
    pSubtitleRun->Cancel();
    if (pBatch)
        pBatch->Cancel();
    nCancelled = 1;
    QDialog::closeEvent(event);
    event->accept();
}

void CDodivezParseUI::editChangedSlot(const QString& text)
{
    if (text.isEmpty())
        return;
    pParseButton->setEnabled(true);
    pParseButton->setStyleSheet(Layout2_main_button_style);
}

void CDodivezParseUI::btnParseSlot()
{
    pParseButton->setEnabled(false);
    pParseButton->setStyleSheet(Parse_button_style);

    // Several links are listed together, without a notice; a single one as ever.
    const QStringList links = SplitLinks(pUrlEdit->text());
    pSubtitleRun->Cancel();
    pChoices->Clear();
    pChoices->hide();
    if (links.size() > 1) {
        StartBatch(links);
        return;
    }
    ShowBatchView(false);
    QstrThumbFile = NewThumbFile();

    vecVideoInfo.clear();
    pFormatTable->setRowCount(0);
    WaitBox.nRet = 0;

    pAnalysis->Cancel();
    m_result = ListingResult();
    m_bAnalysed = false;
    pAnalysis->Start({AppFolder(), pUrlEdit->text(), QstrThumbFile, QstrOutputPath});
    pSubtitleRun->Start(AppFolder(), pUrlEdit->text());

    WaitBox.setFixedSize(500, 200);
    WaitBox.PlaceOver(this, 4);
    if (!m_bWaitBoxFilled) {
        WaitBox.InitInfoDialog(LanguageText("Messages/MSG0105"), true);
        m_bWaitBoxFilled = true;
    }
    WaitBox.exec();

    // The notice closes when the analysis is done, or earlier when the user dismisses it
    // (Escape): then the analysis is cancelled and whatever it found is dropped.
    const bool bDismissed = !m_bAnalysed;
    if (bDismissed) {
        pAnalysis->Cancel();
        pSubtitleRun->Cancel();
    }
    if (!bDismissed && !m_result.bCancelled) {
        vecVideoInfo = m_result.records;
        WaitBox.nRet = m_result.bError ? -1 : 0;
        if (WaitBox.nRet == -1)
            ShowAnalysisError(m_result.error);
    }

    if (!bDismissed && m_result.playlist.bIsPlaylist) {
        ShowPlaylist(pUrlEdit->text(), m_result.playlist);
    } else if (vecVideoInfo.empty()) {
        pOkButton->setEnabled(false);
        pOkButton->setStyleSheet(main_button_style_no_file);
    } else {
        RefreshVideoTable(vecVideoInfo);
    }
    pParseButton->setEnabled(true);
    pParseButton->setStyleSheet(Layout2_main_button_style);
}

QString CDodivezParseUI::NewThumbFile()
{
    SYSTEMTIME now;
    rsb_getLocalTime(&now);
    const QString file = ThumbnailFile(QstrDataDir, now);
    QDir().mkpath(QFileInfo(file).path());
    return file;
}

void CDodivezParseUI::ShowNotice(const char* key)
{
    CMessageBox box;
    box.setFixedSize(500, 180);
    box.PlaceOver(this);
    box.InitInfoDialog(LanguageText(key), false);
    box.exec();
}

void CDodivezParseUI::ShowAnalysisError(const ExtractorError& error)
{
    // The notice's own text, then the cause and what to do.
    QString text = LanguageText("Messages/MSG0108");
    if (error.IsFailure())
        text += QStringLiteral("\n\n") + FailureAdvice(error);
    const std::function<void()> offer = error.fix == ErrorFix::Update    ? offerExtractorUpdate
                                        : error.fix == ErrorFix::Runtime ? offerRuntimeFetch
                                                                         : nullptr;
    if (offer)
        text += QStringLiteral("\n\n") + LanguageText(OfferKey(error.fix).constData());
    CMessageBox box;
    box.setFixedSize(500, 260);
    box.PlaceOver(this);
    if (offer)
        box.InitQuestionDialog(text);
    else
        box.InitInfoDialog(text, false);
    box.exec();
    if (offer && box.GetMessageBoxRet() == 0)
        offer();
}

void CDodivezParseUI::AnalysisFinished(const ListingResult& result)
{
    // A dismissed analysis's findings are dropped, and so is the late news of an earlier
    // analysis once the next one runs.
    if (result.bCancelled || pAnalysis->IsRunning())
        return;
    m_result = result;
    m_bAnalysed = true;
    Q_EMIT CloseSignal();
}

QString CDodivezParseUI::VideoDurationTransfer(QString duration)
{
    return ::VideoDurationTransfer(duration);
}

void CDodivezParseUI::CloseSignalSlot()
{
    if (m_bAnalysed)
        WaitBox.close();
}

void CDodivezParseUI::btnChoosePath()
{
    const QString chosen = chooseFolder ? chooseFolder(this) : QString();
    if (chosen.isEmpty())
        return;
    if (!IsStorableOutputFolder(chosen)) {
        // The tasks could not keep such a folder: the one in force stays.
        ShowNotice("Messages/MSG0109");
        return;
    }
    QstrOutputPath = OutputPathFor(chosen);
    pOutputEdit->setText(QstrOutputPath);
    WriteOutputPath(QstrDataDir, chosen);
}

void CDodivezParseUI::btnOpenFile()
{
    if (!QDir(QstrOutputPath).exists())
        QDir().mkpath(QstrOutputPath);
    QDesktopServices::openUrl(QUrl::fromLocalFile(QstrOutputPath));
}

void CDodivezParseUI::mousePressEvent(QMouseEvent* event)
{
    BeginWindowDrag(this, event, dragState);
}

void CDodivezParseUI::mouseMoveEvent(QMouseEvent* event)
{
    ContinueWindowDrag(this, event, dragState);
}

void CDodivezParseUI::paintEvent(QPaintEvent*) {}
