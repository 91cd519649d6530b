// The add-video dialog with several links: one row per video, the format rule, the count of
// the links done, and the rows of links that failed.

#include "cmessagebox.h"
#include "dodivezparseui.h"
#include "fonts.h"
#include "formatrule.h"
#include "languagesconfig.h"
#include "paths.h"
#include "styles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
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

bool Listed(const ListingResult& result)
{
    return !result.bError && !result.records.empty();
}

} // namespace

void CDodivezParseUI::CreateBatchView(QWidget* parent)
{
    const int W = width();
    pBatchTable = new QTableWidget(parent);
    pBatchTable->setGeometry(0, 110, W - 40, 280);
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
    pBatchTable->verticalScrollBar()->setStyleSheet(DialogStyle::ScrollBar_style);
    pBatchTable->setAccessibleName(LanguageText("MainWnd/BatchTable"));

    pRuleLabel = new QLabel(LanguageText("MainWnd/RuleName") + QStringLiteral(":"), parent);
    pRuleLabel->setGeometry(0, 398, 150, 28);
    pRuleLabel->setFont(CalibriFont(12));
    SetWhiteText(pRuleLabel);
    pRuleCombo = new QComboBox(parent);
    pRuleCombo->setGeometry(150, 398, 220, 28);
    pRuleCombo->setFont(CalibriFont(12));
    pRuleCombo->setStyleSheet(DialogStyle::Combo_style);
    pRuleCombo->setAccessibleName(LanguageText("MainWnd/RuleName"));
    for (int height : FormatRuleHeights()) {
        pRuleCombo->addItem(height == 0 ? LanguageText("MainWnd/RuleBest")
                                        : LanguageText("MainWnd/RuleUpTo")
                                              .arg(QString::number(height) + QLatin1Char('p')),
                            height);
    }
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
    pBatchTable->setRowCount(static_cast<int>(links.size()));
    for (int row = 0; row < links.size(); ++row) {
        pBatchTable->setItem(row, kTitle, Cell(links.at(row)));
        pBatchTable->setRowHeight(row, 30);
    }
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
    auto* tick = new QCheckBox;
    tick->setChecked(true);
    tick->setCursor(Qt::PointingHandCursor);
    tick->setStyleSheet(DialogStyle::Check_style);
    tick->setAccessibleName(LanguageText("MainWnd/BatchTick") + QStringLiteral(": ") +
                            result.title);
    connect(tick, &QCheckBox::toggled, this, [this] { UpdateBatchOk(); });
    pBatchTable->setCellWidget(row, kTick, tick);
    QTableWidgetItem* title = Cell(result.title);
    title->setToolTip(link);
    pBatchTable->setItem(row, kTitle, title);
    pBatchTable->setItem(row, kSize, Cell(QString()));
    pBatchTable->setItem(row, kDuration, Cell(result.duration));
    ShowRuleSizes();
}

int CDodivezParseUI::RuleHeight() const
{
    return pRuleCombo->currentData().toInt();
}

void CDodivezParseUI::ShowRuleSizes()
{
    const std::vector<ListingResult>& results = pBatch->Results();
    for (int row = 0; row < pBatchTable->rowCount() && row < int(results.size()); ++row) {
        QTableWidgetItem* size = pBatchTable->item(row, kSize);
        if (!size || !pBatchTable->cellWidget(row, kTick))
            continue;
        const std::vector<_VIDEO_FILE_INFO_>& records = results[row].records;
        const _VIDEO_FILE_INFO_& picked = records[PickFormat(records, RuleHeight())];
        size->setText(picked.QstrSize);
        size->setToolTip(picked.QstrQuality);
    }
}

std::vector<_VIDEO_FILE_INFO_> CDodivezParseUI::BatchSelection() const
{
    std::vector<_VIDEO_FILE_INFO_> selected;
    const std::vector<ListingResult>& results = pBatch->Results();
    for (int row = 0; row < pBatchTable->rowCount() && row < int(results.size()); ++row) {
        const auto* tick = qobject_cast<const QCheckBox*>(pBatchTable->cellWidget(row, kTick));
        if (!tick || !tick->isChecked())
            continue;
        const std::vector<_VIDEO_FILE_INFO_>& records = results[row].records;
        _VIDEO_FILE_INFO_ info = records[PickFormat(records, RuleHeight())];
        info.QstrUrl = pBatch->Links().at(row);
        selected.push_back(info);
    }
    return selected;
}

void CDodivezParseUI::UpdateBatchOk()
{
    const bool bAny = !BatchSelection().empty();
    pOkButton->setEnabled(bAny);
    pOkButton->setStyleSheet(bAny ? DialogStyle::Layout2_main_button_style
                                  : DialogStyle::main_button_style_no_file);
}
