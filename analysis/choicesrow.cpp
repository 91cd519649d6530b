#include "choicesrow.h"

#include "fonts.h"
#include "languagesconfig.h"
#include "styles.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>

namespace {

template <typename Control>
Control* Named(Control* control, const char* textKey, const char* tipKey)
{
    control->setToolTip(LanguageText(tipKey));
    control->setAccessibleName(LanguageText(textKey).remove(QLatin1Char(':')));
    return control;
}

QLabel* MakeLabel(QWidget* parent, const char* key, const QRect& geometry)
{
    auto* label = new QLabel(LanguageText(key), parent);
    label->setGeometry(geometry);
    label->setFont(CalibriFont(11));
    SetWhiteText(label);
    return label;
}

QLineEdit* MakeTimeEdit(QWidget* parent, const QRect& geometry)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    edit->setFont(CalibriFont(11));
    edit->setStyleSheet(QStringLiteral("color:white"));
    edit->setPlaceholderText(QStringLiteral("h:mm:ss"));
    return edit;
}

QTableWidgetItem* MakeItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFont(CalibriFont(12));
    item->setTextAlignment(Qt::AlignCenter);
    item->setForeground(Qt::white);
    return item;
}

} // namespace

CChoicesRow::CChoicesRow(QWidget* parent) : QWidget(parent)
{
    using DialogStyle::Check_style;
    using DialogStyle::Combo_style;

    // The audio rows continue the format table: same columns, no heading.
    pAudioTable = new QTableWidget(this);
    pAudioTable->setGeometry(0, 0, 760, 62);
    pAudioTable->setColumnCount(4);
    const int widths[] = {250, 170, 170, 170};
    for (int col = 0; col < 4; ++col)
        pAudioTable->setColumnWidth(col, widths[col]);
    pAudioTable->horizontalHeader()->setVisible(false);
    pAudioTable->horizontalHeader()->setStretchLastSection(true);
    pAudioTable->verticalHeader()->setVisible(false);
    pAudioTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pAudioTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pAudioTable->setFocusPolicy(Qt::NoFocus);
    pAudioTable->setStyleSheet(DialogStyle::Table_style);
    pAudioTable->setSelectionMode(QAbstractItemView::NoSelection);
    pAudioTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pAudioTable->setAccessibleName(LanguageText("Choices/AudioTable"));
    connect(pAudioTable, &QTableWidget::cellClicked, this, [this](int row, int) {
        QAbstractButton* radio = m_group ? m_group->button(kFirstAudioId + row) : nullptr;
        if (radio)
            radio->click();
    });

    pCompatibleBox = Named(new QCheckBox(LanguageText("Choices/Compatible"), this),
                           "Choices/Compatible", "Choices/TipCompatible");
    pCompatibleBox->setGeometry(0, 70, 400, 26);
    pConvertBox = Named(new QCheckBox(LanguageText("Choices/Convert"), this), "Choices/Convert",
                        "Choices/TipConvert");
    pConvertBox->setGeometry(410, 70, 260, 26);
    for (QCheckBox* box : {pCompatibleBox, pConvertBox}) {
        box->setFont(CalibriFont(11));
        box->setStyleSheet(Check_style);
        box->setCursor(Qt::PointingHandCursor);
    }
    connect(pCompatibleBox, &QCheckBox::toggled, this, [this] {
        UpdateConvertBox();
        Q_EMIT RowsChanged();
    });
    connect(pConvertBox, &QCheckBox::toggled, this, &CChoicesRow::RowsChanged);

    MakeLabel(this, "Choices/Subtitles", QRect(0, 104, 90, 26));
    pSubtitleCombo = Named(new QComboBox(this), "Choices/Subtitles", "Choices/TipSubtitles");
    pSubtitleCombo->setGeometry(90, 104, 220, 26);
    pSubtitleCombo->setFont(CalibriFont(11));
    pSubtitleCombo->setStyleSheet(Combo_style);
    MakeLabel(this, "Choices/From", QRect(340, 104, 60, 26));
    pFromEdit = Named(MakeTimeEdit(this, QRect(400, 104, 90, 26)), "Choices/From", "Choices/TipFrom");
    MakeLabel(this, "Choices/To", QRect(510, 104, 40, 26));
    pToEdit = Named(MakeTimeEdit(this, QRect(550, 104, 90, 26)), "Choices/To", "Choices/TipTo");
    Clear();
}

void CChoicesRow::Clear()
{
    m_audio.clear();
    m_group = nullptr;
    pAudioTable->setRowCount(0);
    pCompatibleBox->setChecked(false);
    pConvertBox->setChecked(false);
    pFromEdit->clear();
    pToEdit->clear();
    ShowSubtitles({});
    UpdateConvertBox();
}

void CChoicesRow::ShowListing(const ListingResult& result, QButtonGroup* group)
{
    Clear();
    m_group = group;
    m_audio = AudioChoices(result);
    pAudioTable->setRowCount(static_cast<int>(m_audio.size()));
    for (int row = 0; row < static_cast<int>(m_audio.size()); ++row) {
        const _VIDEO_FILE_INFO_& info = m_audio[row];
        const QString text = LanguageText("Choices/AudioRow").arg(info.QstrExt.toUpper());
        auto* radio = new QRadioButton(text);
        radio->setAccessibleName(text);
        radio->setCursor(Qt::PointingHandCursor);
        radio->setFont(CalibriFont(12));
        radio->setStyleSheet(DialogStyle::Radio_style);
        group->addButton(radio, kFirstAudioId + row);
        pAudioTable->setCellWidget(row, 0, radio);
        pAudioTable->setItem(row, 1, MakeItem(QString()));
        pAudioTable->setItem(row, 2, MakeItem(info.QstrSize));
        pAudioTable->setItem(row, 3, MakeItem(info.QstrDuration));
        pAudioTable->setRowHeight(row, 30);
    }
    // Where no format plays everywhere, the box says so and cannot be ticked.
    const bool bCompatible = AnyCompatible(result.records);
    pCompatibleBox->setEnabled(bCompatible);
    pCompatibleBox->setText(LanguageText(bCompatible ? "Choices/Compatible" : "Choices/CompatibleNone"));
    pCompatibleBox->setToolTip(
        LanguageText(bCompatible ? "Choices/TipCompatible" : "Choices/CompatibleNone"));
    UpdateConvertBox();
}

void CChoicesRow::ShowSubtitles(const std::vector<SubtitleLanguage>& languages)
{
    pSubtitleCombo->clear();
    pSubtitleCombo->addItem(LanguageText("Choices/SubtitlesNone"));
    for (const SubtitleLanguage& language : languages) {
        const QString text = language.bAutomatic
                                 ? LanguageText("Choices/Automatic").arg(language.code)
                                 : language.code;
        pSubtitleCombo->addItem(text, QStringList{language.code, language.bAutomatic
                                                                     ? QStringLiteral("auto")
                                                                     : QString()});
    }
}

void CChoicesRow::UpdateConvertBox()
{
    const bool bEnabled = pCompatibleBox->isEnabled() && pCompatibleBox->isChecked();
    if (!bEnabled)
        pConvertBox->setChecked(false);
    pConvertBox->setEnabled(bEnabled);
}

DialogChoices CChoicesRow::Choices() const
{
    DialogChoices choices;
    choices.bCompatible = pCompatibleBox->isChecked();
    choices.bConvert = pConvertBox->isChecked();
    const QStringList subtitle = pSubtitleCombo->currentData().toStringList();
    if (subtitle.size() == 2) {
        choices.subtitle = subtitle[0];
        choices.bAutoSubtitle = !subtitle[1].isEmpty();
    }
    choices.from = pFromEdit->text();
    choices.to = pToEdit->text();
    return choices;
}

std::optional<_VIDEO_FILE_INFO_> CChoicesRow::AudioRecord(int id) const
{
    const int row = id - kFirstAudioId;
    if (row < 0 || row >= static_cast<int>(m_audio.size()))
        return std::nullopt;
    return m_audio[row];
}
