#include "cmessagebox.h"

#include "fonts.h"
#include "styles.h"
#include "languagesconfig.h"
#include "urlconfig.h"
#include "windowdrag.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <vector>

namespace {

using DialogStyle::backGroud_style;
using DialogStyle::Main_BackGroud_style;
using DialogStyle::main_button_style;

struct ButtonSpec
{
    QString text;
    const char* objectName;
    void (CMessageBox::*slot)();
};

// Everything in which the four kinds of dialog differ.
struct DialogSpec
{
    bool bUpgrade = false;            // caption header of 40 and stretches instead of spacing
    const char* headingKey = nullptr; // heading of the header bar (not for the update prompt)
    QString iconPath;
    int messageHeight = 60;
    int messagePointSize = 12;
    bool bAlignTop = false;
    bool bSelectable = false;
    bool bCheckBox = false;
    int buttonPointSize = 12;
    std::vector<ButtonSpec> buttons;
};

QLabel* WhiteLabel(QWidget* parent, const QString& text, int pointSize)
{
    auto* label = new QLabel(parent);
    label->setFont(CalibriFont(pointSize));
    SetWhiteText(label);
    label->setText(text);
    return label;
}

QLayout* BuildHeader(CMessageBox* box, const DialogSpec& spec, int width)
{
    auto* header = new QLabel(box);
    header->setStyleSheet(backGroud_style);
    // Tall enough for its heading (20 high, 10 down) however the layout shares the height.
    header->setMinimumSize(width, spec.bUpgrade ? 40 : 30);
    if (spec.bUpgrade) {
        auto* logo = new QLabel(header);
        logo->setGeometry(10, 8, 24, 24);
        logo->setAlignment(Qt::AlignLeft);
        logo->setPixmap(QPixmap(QStringLiteral(":/image/logo.png")));
        auto* caption = WhiteLabel(header, LanguageText("MainWnd/ProTitle"), 12);
        caption->setGeometry(40, 10, 600, 40);
        caption->setAlignment(Qt::AlignLeft);
    } else {
        auto* heading = WhiteLabel(header, QStringLiteral(" ") + LanguageText(spec.headingKey), 12);
        heading->setGeometry(0, 10, 400, 20);
        heading->setAlignment(Qt::AlignLeft);
    }
    auto* layout = new QHBoxLayout;
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(header);
    return layout;
}

QLayout* BuildContent(CMessageBox* box, const DialogSpec& spec, const QString& text, int width)
{
    auto* icon = new QLabel(box);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(QPixmap(spec.iconPath));

    auto* message = WhiteLabel(box, text, spec.messagePointSize);
    message->setWordWrap(true);
    message->setMinimumSize(width - 80, spec.messageHeight);
    if (spec.bAlignTop)
        message->setAlignment(Qt::AlignTop);
    if (spec.bSelectable)
        message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->pMessageLabel = message;

    QWidget* column = message;
    if (spec.bCheckBox) {
        // The check box sits under the text, however many lines the text takes.
        column = new QWidget(box);
        column->setMinimumSize(width - 80, spec.messageHeight);
        auto* check = new QCheckBox(column);
        check->setObjectName(QStringLiteral("checkDeleteFiles"));
        check->setFont(CalibriFont(12));
        SetWhiteText(check);
        check->setText(LanguageText("Messages/MSG0107"));
        check->setChecked(true);
        box->pCheckBox = check;
        auto* rows = new QVBoxLayout(column);
        rows->setContentsMargins(0, 0, 0, 0);
        rows->setSpacing(4);
        rows->addWidget(message);
        rows->addWidget(check);
        rows->addStretch(1);
        message->setMinimumSize(width - 80, 0);
    }

    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(5, 0, 0, 0);
    layout->addWidget(icon);
    layout->addWidget(column);
    return layout;
}

QWidget* BuildButtonBar(CMessageBox* box, const DialogSpec& spec, int width)
{
    auto* bar = new QLabel(box);
    bar->setStyleSheet(backGroud_style);
    bar->setMinimumSize(width, 40);
    // Two buttons sit a quarter in; a single one is centred.
    std::vector<int> xs;
    if (spec.buttons.size() == 2)
        xs = {width / 4 + 20, width / 4 + 120};
    else if (spec.buttons.size() == 1)
        xs = {width / 2 - 40};
    for (size_t i = 0; i < xs.size(); ++i) {
        const ButtonSpec& b = spec.buttons[i];
        auto* button = new QPushButton(bar);
        button->setObjectName(QString::fromLatin1(b.objectName));
        button->setGeometry(xs[i], 10, 80, 25);
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setStyleSheet(main_button_style);
        button->setFont(CalibriFont(spec.buttonPointSize));
        button->setText(b.text);
        QObject::connect(button, &QPushButton::clicked, box, b.slot);
    }
    return bar;
}

void BuildDialog(CMessageBox* box, const DialogSpec& spec, const QString& text)
{
    // A dialog that is filled again (a notice shown once per job) starts from nothing.
    if (QLayout* old = box->layout()) {
        qDeleteAll(box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
        delete old;
        box->pMessageLabel = nullptr;
        box->pCheckBox = nullptr;
    }

    const int width = box->width();
    QLayout* header = BuildHeader(box, spec, width);
    QLayout* content = BuildContent(box, spec, text, width);
    QWidget* bar = BuildButtonBar(box, spec, width);

    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addLayout(content);
    if (spec.bUpgrade)
        inner->addStretch(2);
    inner->addWidget(bar);

    auto* outer = new QVBoxLayout(box);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(header);
    if (spec.bUpgrade)
        outer->addStretch(2);
    else
        outer->setSpacing(20);
    outer->addLayout(inner);
}

ButtonSpec OkButton()
{
    return {LanguageText("MainWnd/OK"), "btnOK", &CMessageBox::btnSlotOK};
}

ButtonSpec CancelButton()
{
    return {LanguageText("MainWnd/Cancel"), "btnCancel", &CMessageBox::btnSlotNO};
}

} // namespace

CMessageBox::CMessageBox(QDialog*, Qt::WindowFlags) : QDialog(nullptr)
{
    setObjectName(QStringLiteral("Dialog"));
    setStyleSheet(Main_BackGroud_style);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(LanguageText("MainWnd/ProTitle"));
    setWindowIcon(QIcon(QStringLiteral(":/image/logo.ico")));
    setFixedSize(400, 180);
}

CMessageBox::~CMessageBox() = default;

void CMessageBox::InitDelDialog(QString text)
{
    DialogSpec spec;
    spec.headingKey = "Messages/MSG0404";
    spec.iconPath = QStringLiteral(":/image/question.png");
    spec.bAlignTop = true;
    spec.bCheckBox = true;
    spec.buttons = {OkButton(), CancelButton()};
    BuildDialog(this, spec, text);
}

void CMessageBox::InitQuestionDialog(QString text)
{
    DialogSpec spec;
    spec.headingKey = "Messages/MSG0404";
    spec.iconPath = QStringLiteral(":/image/question.png");
    spec.buttons = {OkButton(), CancelButton()};
    BuildDialog(this, spec, text);
}

void CMessageBox::InitInfoDialog(QString text, bool bNoButton)
{
    DialogSpec spec;
    spec.headingKey = "Messages/MSG0403";
    spec.iconPath = QStringLiteral(":/image/information.png");
    spec.messageHeight = 70;
    spec.bSelectable = true;
    if (!bNoButton)
        spec.buttons = {OkButton()};
    BuildDialog(this, spec, text);
}

void CMessageBox::InitUpgradeDialog(QString text)
{
    DialogSpec spec;
    spec.bUpgrade = true;
    spec.iconPath = QStringLiteral(":/image/question.png");
    spec.messageHeight = 70;
    spec.messagePointSize = 11;
    spec.buttonPointSize = 11;
    // "Upgrade" is the same word in every language.
    spec.buttons = {{QStringLiteral("Upgrade"), "btnUpgrade", &CMessageBox::btnSlotUpgrade},
                    CancelButton()};
    BuildDialog(this, spec, text);
}

int CMessageBox::GetMessageBoxRet() const
{
    return nRet;
}

void CMessageBox::PlaceOver(const QWidget* owner, int divX)
{
    if (!owner || divX <= 0)
        return;
    move(owner->pos() + QPoint(owner->width() / divX, owner->height() / 3));
}

void CMessageBox::btnSlotOK()
{
    nRet = 0;
    nCheckBox = (pCheckBox && pCheckBox->isChecked()) ? 1 : 0;
    close();
}

void CMessageBox::btnSlotNO()
{
    nRet = 1;
    close();
}

void CMessageBox::btnSlotUpgrade()
{
    QDesktopServices::openUrl(QUrl(CURLConfig::GetInstance()->ProductUrl()));
    nRet = 0;
    close();
}

void CMessageBox::mousePressEvent(QMouseEvent* event)
{
    BeginWindowDrag(this, event, m_drag);
}

void CMessageBox::mouseMoveEvent(QMouseEvent* event)
{
    ContinueWindowDrag(this, event, m_drag);
}

void CMessageBox::paintEvent(QPaintEvent*) {}

QString FailureAdvice(const ExtractorError& error)
{
    if (!error.IsFailure())
        return {};
    QString text =
        LanguageText(error.CauseKey().constData()) + QLatin1Char(' ') +
        LanguageText(error.ActionKey().constData());
    if (error.QstrClass == QLatin1String("Unknown"))
        text += QLatin1Char(' ') + error.QstrLine;
    return text;
}
