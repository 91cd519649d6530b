#include "choicesrow.h"

#include "fonts.h"
#include "languagesconfig.h"
#include "styles.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace {

constexpr int kTimeEditWidth = 64;
constexpr int kGap = 12;     // between the choices
constexpr int kLabelGap = 4; // between a label and its field

template <typename Control>
Control* Named(Control* control, const char* textKey, const char* tipKey)
{
    control->setToolTip(LanguageText(tipKey));
    control->setAccessibleName(LanguageText(textKey).remove(QLatin1Char(':')).trimmed());
    return control;
}

QLabel* MakeLabel(QWidget* parent, const char* key)
{
    auto* label = new QLabel(LanguageText(key), parent);
    label->setFont(CalibriFont(11));
    SetWhiteText(label);
    return label;
}

QLineEdit* MakeTimeEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setFont(CalibriFont(11));
    edit->setStyleSheet(QStringLiteral("color:white"));
    edit->setPlaceholderText(QStringLiteral("h:mm:ss"));
    return edit;
}

int Width(const QWidget* widget)
{
    return widget->sizeHint().width();
}

} // namespace

void CTickMenu::mouseReleaseEvent(QMouseEvent* event)
{
    QAction* action = activeAction();
    if (action && action->isCheckable() && action->isEnabled() &&
        actionGeometry(action).contains(event->position().toPoint())) {
        action->trigger();
        return;
    }
    QMenu::mouseReleaseEvent(event);
}

void CTickMenu::keyPressEvent(QKeyEvent* event)
{
    QAction* action = activeAction();
    const int key = event->key();
    if (action && action->isCheckable() && action->isEnabled() &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        action->trigger();
        return;
    }
    QMenu::keyPressEvent(event);
}

CChoicesRow::CChoicesRow(QWidget* parent) : QWidget(parent)
{
    pCompatibleBox = Named(new QCheckBox(LanguageText("Choices/Compatible"), this),
                           "Choices/Compatible", "Choices/TipCompatible");
    pConvertBox = Named(new QCheckBox(LanguageText("Choices/Convert"), this), "Choices/Convert",
                        "Choices/TipConvert");
    for (QCheckBox* box : {pCompatibleBox, pConvertBox}) {
        box->setFont(CalibriFont(11));
        box->setStyleSheet(DialogStyle::Check_style);
        box->setCursor(Qt::PointingHandCursor);
    }
    connect(pCompatibleBox, &QCheckBox::toggled, this, [this] {
        UpdateConvertBox();
        Q_EMIT RowsChanged();
    });
    connect(pConvertBox, &QCheckBox::toggled, this, &CChoicesRow::RowsChanged);

    pSubtitleButton = Named(new QPushButton(this), "Choices/Subtitles", "Choices/TipSubtitles");
    pSubtitleButton->setFont(CalibriFont(11));
    pSubtitleButton->setStyleSheet(DialogStyle::Drop_style);
    pSubtitleButton->setCursor(Qt::PointingHandCursor);
    pSubtitleMenu = new CTickMenu(pSubtitleButton);
    pSubtitleMenu->setStyleSheet(DialogStyle::TickMenu_style);
    pSubtitleMenu->setFont(CalibriFont(11));
    pSubtitleMenu->setAccessibleName(pSubtitleButton->accessibleName());
    pSubtitleButton->setMenu(pSubtitleMenu);

    m_fromLabel = MakeLabel(this, "Choices/From");
    pFromEdit = Named(MakeTimeEdit(this), "Choices/From", "Choices/TipFrom");
    m_toLabel = MakeLabel(this, "Choices/To");
    pToEdit = Named(MakeTimeEdit(this), "Choices/To", "Choices/TipTo");
    Clear();
}

int CChoicesRow::LayOut(int width)
{
    // The button is as wide as its text for no language and a little more, so that it keeps
    // its place whatever is ticked; longer texts are cut short.
    const QFontMetrics metrics(pSubtitleButton->font());
    const int buttonWidth =
        qMax(150, metrics.horizontalAdvance(LanguageText("Choices/SubtitlesButtonNone")) + 44);
    const int boxes = Width(pCompatibleBox) + kGap + Width(pConvertBox);
    const int rest = buttonWidth + kGap + Width(m_fromLabel) + kLabelGap + kTimeEditWidth + kGap +
                     Width(m_toLabel) + kLabelGap + kTimeEditWidth;
    const bool bOneRow = boxes + kGap + rest <= width;
    // Two rows share the room of one and a half: each a little lower.
    const int rowHeight = bOneRow ? kRowHeight : kRowHeight - 2;

    int x = 0, y = 0;
    const auto place = [&](QWidget* widget, int w, int gapAfter) {
        widget->setGeometry(x, y, w, rowHeight);
        x += w + gapAfter;
    };
    place(pCompatibleBox, Width(pCompatibleBox), kGap);
    place(pConvertBox, Width(pConvertBox), kGap);
    if (!bOneRow) {
        x = 0;
        y = rowHeight;
    }
    place(pSubtitleButton, buttonWidth, kGap);
    place(m_fromLabel, Width(m_fromLabel), kLabelGap);
    place(pFromEdit, kTimeEditWidth, kGap);
    place(m_toLabel, Width(m_toLabel), kLabelGap);
    place(pToEdit, kTimeEditWidth, 0);
    UpdateSubtitleButton();
    return y + rowHeight;
}

void CChoicesRow::Clear()
{
    pCompatibleBox->setChecked(false);
    pConvertBox->setChecked(false);
    pFromEdit->clear();
    pToEdit->clear();
    ShowSubtitles({});
    UpdateConvertBox();
}

void CChoicesRow::ShowListing(const ListingResult& result)
{
    Clear();
    // Where no format plays everywhere, the box says so and cannot be ticked.
    const bool bCompatible = AnyCompatible(result.records);
    pCompatibleBox->setEnabled(bCompatible);
    pCompatibleBox->setText(
        LanguageText(bCompatible ? "Choices/Compatible" : "Choices/CompatibleNone"));
    UpdateConvertBox();
}

void CChoicesRow::ShowSubtitles(const std::vector<SubtitleLanguage>& languages)
{
    pSubtitleMenu->clear();
    m_languages = languages;
    for (size_t i = 0; i < languages.size(); ++i) {
        const SubtitleLanguage& language = languages[i];
        QString text = language.bAutomatic ? LanguageText("Choices/Automatic").arg(language.code)
                                           : language.code;
        if (!language.name.isEmpty())
            text += QStringLiteral(" \u2013 ") + language.name;
        QAction* action = pSubtitleMenu->addAction(text);
        action->setCheckable(true);
        action->setData(int(i));
        connect(action, &QAction::toggled, this, &CChoicesRow::UpdateSubtitleButton);
    }
    pSubtitleButton->setEnabled(!languages.empty());
    UpdateSubtitleButton();
}

void CChoicesRow::UpdateSubtitleButton()
{
    QStringList chosen;
    for (const QAction* action : pSubtitleMenu->actions()) {
        if (!action->isChecked())
            continue;
        const SubtitleLanguage& language = m_languages[size_t(action->data().toInt())];
        chosen << (language.bAutomatic ? LanguageText("Choices/Automatic").arg(language.code)
                                       : language.code);
    }
    const QString text =
        chosen.isEmpty()
            ? LanguageText("Choices/SubtitlesButtonNone")
            : LanguageText("Choices/SubtitlesButton").arg(chosen.join(QStringLiteral(", ")));
    // Room for the padding and the menu's arrow.
    const int room = pSubtitleButton->width() - 36;
    pSubtitleButton->setText(
        room > 0 ? pSubtitleButton->fontMetrics().elidedText(text, Qt::ElideRight, room) : text);
    pSubtitleButton->setToolTip(chosen.isEmpty() ? LanguageText("Choices/TipSubtitles") : text);
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
    for (const QAction* action : pSubtitleMenu->actions()) {
        if (!action->isChecked())
            continue;
        const SubtitleLanguage& language = m_languages[size_t(action->data().toInt())];
        (language.bAutomatic ? choices.autoSubtitles : choices.subtitles) << language.code;
    }
    choices.from = pFromEdit->text();
    choices.to = pToEdit->text();
    return choices;
}
