// The add-video dialog with several links: one row per video, the format rule, the count of
// the links done, and the rows of links that failed; a playlist's entries after the links' rows,
// each a check-state item (no widget per row: a playlist may hold thousands).

#include "cmessagebox.h"
#include "dodivezparseui.h"
#include "fonts.h"
#include "formatrule.h"
#include "languagesconfig.h"
#include "paths.h"
#include "playlist.h"
#include "styles.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>

namespace {

enum Column { kTick, kTitle, kSize, kDuration, kColumns };

const QColor kGrey(150, 150, 150);

QTableWidgetItem* Cell(const QString& text, bool bGrey = false)
{
    auto* item = new QTableWidgetItem(text);
    item->setFont(CalibriFont(12));
    item->setTextAlignment(Qt::AlignCenter);
    item->setForeground(bGrey ? kGrey : QColor(Qt::white));
    if (bGrey)
        item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    return item;
}

// A video's tick: a checkable cell, ticked, that names its video to screen readers; greyed (a
// video that cannot be added), it cannot be ticked.
QTableWidgetItem* TickCell(const QString& name, bool bGrey = false)
{
    QTableWidgetItem* tick = Cell(QString(), bGrey);
    if (!bGrey) {
        tick->setFlags(tick->flags() | Qt::ItemIsUserCheckable);
        tick->setCheckState(Qt::Checked);
    }
    tick->setData(Qt::AccessibleTextRole, name);
    return tick;
}

bool IsTickable(const QTableWidget* table, int row)
{
    const QTableWidgetItem* tick = table->item(row, kTick);
    return tick && (tick->flags() & Qt::ItemIsUserCheckable);
}

bool IsTicked(const QTableWidget* table, int row)
{
    const QTableWidgetItem* tick = table->item(row, kTick);
    return tick && tick->checkState() == Qt::Checked;
}

bool Listed(const ListingResult& result)
{
    return !result.bError && !result.records.empty();
}

bool IsAudioRule(EntryRule rule)
{
    return rule == EntryRule::AudioM4a || rule == EntryRule::AudioMp3;
}

QPushButton* TickButton(QWidget* parent, const char* text, const char* tip, const QRect& geometry)
{
    auto* button = new QPushButton(LanguageText(text), parent);
    button->setGeometry(geometry);
    button->setFont(CalibriFont(11, true));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(DialogStyle::Layout2_main_button_style);
    button->setToolTip(LanguageText(tip));
    button->setAccessibleName(LanguageText(text));
    return button;
}

} // namespace

void CDodivezParseUI::CreateBatchView(QWidget* parent)
{
    const int W = width();
    pBatchTable = new QTableWidget(parent);
    pBatchTable->setGeometry(0, 110, W - 40, 250);
    pBatchTable->setFocusPolicy(Qt::NoFocus);
    pBatchTable->setColumnCount(kColumns);
    pBatchTable->setHorizontalHeaderLabels({QString(), LanguageText("MainWnd/Title"),
                                            LanguageText("MainWnd/Size"),
                                            LanguageText("MainWnd/Duration")});
    const int widths[] = {40, 420, 150, 150};
    for (int col = 0; col < kColumns; ++col)
        pBatchTable->setColumnWidth(col, widths[col]);
    pBatchTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView* header = pBatchTable->horizontalHeader();
    header->setStyleSheet(DialogStyle::Header_style);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setFixedHeight(30);
    header->setFont(CalibriFont(11));
    header->setStretchLastSection(true);
    header->setHighlightSections(false);
    pBatchTable->setStyleSheet(DialogStyle::Table_style);
    pBatchTable->setSelectionMode(QAbstractItemView::NoSelection);
    pBatchTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pBatchTable->verticalHeader()->setVisible(false);
    pBatchTable->verticalHeader()->setDefaultSectionSize(30);
    pBatchTable->verticalScrollBar()->setStyleSheet(DialogStyle::ScrollBar_style);
    pBatchTable->setAccessibleName(LanguageText("MainWnd/BatchTable"));
    connect(pBatchTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == kTick)
            UpdateBatchOk();
    });
    pTickAllButton =
        TickButton(parent, "Playlist/TickAll", "Playlist/TipTickAll", QRect(0, 366, 110, 26));
    connect(pTickAllButton, &QPushButton::clicked, this, [this] { TickAll(true); });
    pTickNoneButton =
        TickButton(parent, "Playlist/TickNone", "Playlist/TipTickNone", QRect(120, 366, 110, 26));
    connect(pTickNoneButton, &QPushButton::clicked, this, [this] { TickAll(false); });

    pRuleLabel = new QLabel(LanguageText("MainWnd/RuleName") + QStringLiteral(":"), parent);
    pRuleLabel->setGeometry(0, 398, 150, 28);
    pRuleLabel->setFont(CalibriFont(12));
    SetWhiteText(pRuleLabel);
    pRuleCombo = new QComboBox(parent);
    pRuleCombo->setGeometry(150, 398, 220, 28);
    pRuleCombo->setFont(CalibriFont(12));
    pRuleCombo->setStyleSheet(DialogStyle::Combo_style);
    pRuleCombo->setAccessibleName(LanguageText("MainWnd/RuleName"));
    pRuleCombo->setToolTip(LanguageText("MainWnd/RuleName"));
    // The rules in the order of EntryRule: the heights, then audio alone.
    int rule = 0;
    for (int height : FormatRuleHeights()) {
        pRuleCombo->addItem(
            height == 0
                ? LanguageText("MainWnd/RuleBest")
                : LanguageText("MainWnd/RuleUpTo").arg(QString::number(height) + QLatin1Char('p')),
            rule++);
    }
    pRuleCombo->addItem(LanguageText("Playlist/RuleAudioM4a"), int(EntryRule::AudioM4a));
    pRuleCombo->addItem(LanguageText("Playlist/RuleAudioMp3"), int(EntryRule::AudioMp3));
    connect(pRuleCombo, &QComboBox::currentIndexChanged, this, [this] { ShowRuleSizes(); });
    pProgressLabel = new QLabel(parent);
    pProgressLabel->setGeometry(400, 398, W - 440, 28);
    pProgressLabel->setFont(CalibriFont(12));
    pProgressLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetWhiteText(pProgressLabel);

    pBatch = new CBatchAnalysis(this);
    connect(pBatch, &CBatchAnalysis::LinkAnalysed, this,
            [this](int index) { BatchLinkAnalysed(index); });
    // The analyse button is back once every link is done (or as soon as the field changes).
    connect(pBatch, &CBatchAnalysis::Finished, this, [this] {
        pParseButton->setEnabled(true);
        pParseButton->setStyleSheet(DialogStyle::Layout2_main_button_style);
    });
    ShowBatchView(false);
}

bool CDodivezParseUI::IsBatch() const
{
    return pBatchTable && !pBatchTable->isHidden();
}

void CDodivezParseUI::ShowBatchView(bool bBatch)
{
    if (!bBatch)
        pBatch->Cancel();
    pBatchTable->setVisible(bBatch);
    pRuleLabel->setVisible(bBatch);
    pRuleCombo->setVisible(bBatch);
    pTickAllButton->setVisible(bBatch);
    pTickNoneButton->setVisible(bBatch);
    pProgressLabel->setVisible(bBatch);
    pFormatTable->setVisible(!bBatch);
}

void CDodivezParseUI::StartBatch(const QStringList& links)
{
    pAnalysis->Cancel();
    vecVideoInfo.clear();
    pFormatTable->setRowCount(0);
    ShowBatchView(true);
    pBatchTable->clearSpans();
    pBatchTable->setRowCount(0);
    m_entries.clear();
    m_nEntryRow = static_cast<int>(links.size());
    pBatchTable->setRowCount(static_cast<int>(links.size()));
    for (int row = 0; row < links.size(); ++row)
        pBatchTable->setItem(row, kTitle, Cell(links.at(row)));
    pBatch->Start({AppFolder(), QString(), NewThumbFile(), QstrOutputPath}, links);
    pProgressLabel->setText(
        LanguageText("MainWnd/BatchProgress").arg(0).arg(static_cast<int>(links.size())));
    UpdateBatchOk();
}

void CDodivezParseUI::BatchLinkAnalysed(int index)
{
    FillBatchRow(index);
    pProgressLabel->setText(LanguageText("MainWnd/BatchProgress")
                                .arg(pBatch->DoneCount())
                                .arg(pBatch->Count()));
    UpdateBatchOk();
}

void CDodivezParseUI::FillBatchRow(int row)
{
    const ListingResult& result = pBatch->Results().at(row);
    const QString link = pBatch->Links().at(row);
    if (result.playlist.bIsPlaylist) {
        // The playlist's own row tells its size; its entries follow the links' rows.
        pBatchTable->setItem(row, kTitle, Cell(result.playlist.title));
        pBatchTable->item(row, kTitle)->setToolTip(link);
        pBatchTable->setItem(
            row, kSize, Cell(LanguageText("Playlist/Entries").arg(result.playlist.entries.size())));
        pBatchTable->setSpan(row, kSize, 1, kColumns - kSize);
        AddEntryRows(link, result.playlist);
        return;
    }
    if (!Listed(result)) {
        // Listed with its cause, greyed, and never added.
        const ExtractorError& error = result.error;
        const QString cause = error.IsFailure() ? LanguageText(error.CauseKey().constData())
                                                : LanguageText("Messages/MSG0108");
        pBatchTable->setItem(row, kTitle, Cell(link, true));
        QTableWidgetItem* causeItem = Cell(cause, true);
        causeItem->setToolTip(error.IsFailure() ? FailureAdvice(error) : cause);
        pBatchTable->setItem(row, kSize, causeItem);
        pBatchTable->setSpan(row, kSize, 1, kColumns - kSize);
        return;
    }
    {
        const QSignalBlocker blocker(pBatchTable); // the caller weighs OK once the row is in
        pBatchTable->setItem(row, kTick, TickCell(LanguageText("MainWnd/BatchTick") +
                                                  QStringLiteral(": ") + result.title));
        QTableWidgetItem* title = Cell(result.title);
        title->setToolTip(link);
        pBatchTable->setItem(row, kTitle, title);
        pBatchTable->setItem(row, kSize, Cell(QString()));
        pBatchTable->setItem(row, kDuration, Cell(result.duration));
    }
    ShowRuleSizes();
}

EntryRule CDodivezParseUI::Rule() const
{
    return EntryRule(pRuleCombo->currentData().toInt());
}

int CDodivezParseUI::RuleHeight() const
{
    return IsAudioRule(Rule()) ? 0 : FormatRuleHeights().value(int(Rule()));
}

void CDodivezParseUI::ShowRuleSizes()
{
    const std::vector<ListingResult>& results = pBatch->Results();
    for (int row = 0; row < pBatchTable->rowCount() && row < int(results.size()); ++row) {
        QTableWidgetItem* size = pBatchTable->item(row, kSize);
        if (!size || !IsTickable(pBatchTable, row))
            continue;
        const std::vector<_VIDEO_FILE_INFO_>& records =
            IsAudioRule(Rule()) && !results[row].audio.empty() ? results[row].audio
                                                               : results[row].records;
        const _VIDEO_FILE_INFO_& picked =
            IsAudioRule(Rule()) ? records.back() : records[PickFormat(records, RuleHeight())];
        size->setText(picked.QstrSize);
        size->setToolTip(picked.QstrQuality);
    }
}

std::vector<_VIDEO_FILE_INFO_> CDodivezParseUI::BatchSelection() const
{
    std::vector<_VIDEO_FILE_INFO_> selected;
    const std::vector<ListingResult>& results = pBatch->Results();
    for (int row = 0; row < pBatchTable->rowCount() && row < int(results.size()); ++row) {
        if (!IsTicked(pBatchTable, row))
            continue;
        const std::vector<_VIDEO_FILE_INFO_>& records = results[row].records;
        _VIDEO_FILE_INFO_ info = records[PickFormat(records, RuleHeight())];
        if (IsAudioRule(Rule())) {
            // The audio is picked when the run starts, as for an entry of a playlist.
            PlaylistEntry entry;
            entry.url = pBatch->Links().at(row);
            entry.title = info.QstrTitle;
            entry.duration = info.QstrDuration;
            const _VIDEO_FILE_INFO_ audio = EntryTask(entry.url, entry, Rule());
            info.QstrFormatId = audio.QstrFormatId;
            info.QstrExt = audio.QstrExt;
            info.QstrSize.clear();
            info.QstrQuality.clear();
        }
        info.QstrUrl = pBatch->Links().at(row);
        selected.push_back(info);
    }
    for (int k = 0; k < int(m_entries.size()); ++k) {
        if (!IsTicked(pBatchTable, m_nEntryRow + k))
            continue;
        _VIDEO_FILE_INFO_ info = EntryTask(m_entries[k].playlistLink, m_entries[k].entry, Rule());
        info.QstrOutputDir = QstrOutputPath;
        selected.push_back(info);
    }
    return selected;
}

bool CDodivezParseUI::AnyTicked() const
{
    for (int row = 0; row < pBatchTable->rowCount(); ++row) {
        if (IsTicked(pBatchTable, row))
            return true;
    }
    return false;
}

void CDodivezParseUI::ShowPlaylist(const QString& link, const PlaylistResult& playlist)
{
    ShowBatchView(true); // also stops what several links had under way
    pBatch->Cancel();
    pBatchTable->clearSpans();
    pBatchTable->setRowCount(0);
    m_entries.clear();
    m_nEntryRow = 0;
    pProgressLabel->setText(
        LanguageText("Playlist/Count").arg(playlist.title).arg(playlist.entries.size()));
    AddEntryRows(link, playlist);
}

void CDodivezParseUI::AddEntryRows(const QString& link, const PlaylistResult& playlist)
{
    // One signal-free pass: the rows are items only, and OK is weighed once at the end.
    const QSignalBlocker blocker(pBatchTable);
    const int first = m_nEntryRow + int(m_entries.size());
    pBatchTable->setRowCount(first + int(playlist.entries.size()));
    int row = first;
    for (const PlaylistEntry& entry : playlist.entries) {
        m_entries.push_back({link, entry});
        const bool bGrey = !entry.bAvailable;
        pBatchTable->setItem(row, kTick,
                             TickCell(LanguageText("Playlist/EntryTick") + QStringLiteral(": ") +
                                          entry.title,
                                      bGrey));
        QTableWidgetItem* title = Cell(entry.title, bGrey);
        title->setToolTip(entry.url.isEmpty() ? link : entry.url);
        pBatchTable->setItem(row, kTitle, title);
        pBatchTable->setItem(row, kSize, Cell(QString(), bGrey));
        pBatchTable->setItem(row, kDuration, Cell(entry.duration, bGrey));
        ++row;
    }
    UpdateBatchOk();
}

void CDodivezParseUI::TickAll(bool bTicked)
{
    {
        const QSignalBlocker blocker(pBatchTable);
        for (int row = 0; row < pBatchTable->rowCount(); ++row) {
            if (IsTickable(pBatchTable, row))
                pBatchTable->item(row, kTick)->setCheckState(bTicked ? Qt::Checked : Qt::Unchecked);
        }
    }
    pBatchTable->viewport()->update();
    UpdateBatchOk();
}

void CDodivezParseUI::UpdateBatchOk()
{
    const bool bAny = AnyTicked();
    pOkButton->setEnabled(bAny);
    pOkButton->setStyleSheet(bAny ? DialogStyle::Layout2_main_button_style
                                  : DialogStyle::main_button_style_no_file);
}
