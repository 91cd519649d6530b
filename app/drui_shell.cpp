// The window's chrome: the two pages with title bar, toolbar, strips and menus, page
// switching, moving the frameless window, and the closing rule.

#include "cmessagebox.h"
#include "drui.h"
#include "druistartup.h"
#include "fonts.h"
#include "languagesconfig.h"
#include "paths.h"
#include "styles.h"
#include "urlconfig.h"
#include "windowdrag.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMutexLocker>
#include <QPixmap>
#include <QPushButton>
#include <QStackedLayout>
#include <QUrl>
#include <QVBoxLayout>

namespace {

enum TitleButtonKind { kCloseButton = 1, kMinButton = 2, kMenuButton = 3 };

// Icon-only buttons are named for tooltips and screen readers.
void NameIconButton(QPushButton* button, const char* key)
{
    const QString name = LanguageText(key);
    button->setToolTip(name);
    button->setAccessibleName(name);
}

void SetPicture(QPushButton* button, const QString& path)
{
    const QPixmap picture(path);
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.size());
}

QPushButton* ToolbarButton(QWidget* panel, const QRect& geometry, const char* textKey,
                           const QString& picture)
{
    auto* button = new QPushButton(panel);
    button->setGeometry(geometry);
    button->setFlat(true);
    button->setFont(CalibriFont(11, true));
    button->setText(LanguageText(textKey));
    SetPicture(button, picture);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(MainStyle::Layout2_main_button_style);
    return button;
}

QMenu* NewMenu(QWidget* parent, int itemWidth)
{
    auto* menu = new QMenu(parent);
    menu->setStyleSheet(MainStyle::Menu_style(itemWidth));
    return menu;
}

// Pause all waits this long for each run to stop.
constexpr int kPauseAllWaitMs = 500;

QAction* MenuEntry(QMenu* menu, const char* textKey, const QString& icon, const QString& data)
{
    auto* action = new QAction(QIcon(icon), LanguageText(textKey), menu);
    action->setData(data);
    menu->addAction(action);
    return action;
}

} // namespace

// One page: title bar, toolbar with tabs, the table container (returned), bottom strip and
// version bar. `tabs` receives the page's Downloading and Finished tab buttons, `clean` its
// Clean button, `strip` its bottom strip.
static QLabel* BuildPage(DRUI* w, QWidget* page, QPushButton*& downloadingTab,
                         QPushButton*& finishedTab, QPushButton*& clean, QLabel*& strip)
{
    const int width = w->width();
    page->setStyleSheet(MainStyle::Main_BackGroud_style);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);

    // Title bar.
    auto* titleLayout = new QVBoxLayout;
    titleLayout->setSpacing(0);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    auto* titleBar = new QLabel(page);
    titleBar->setStyleSheet(MainStyle::Layout1TopBackGroud_style);
    titleBar->setMinimumSize(width, 25);
    auto* logo = new QLabel(titleBar);
    logo->setGeometry(10, 8, 24, 24);
    logo->setAlignment(Qt::AlignLeft);
    logo->setPixmap(QPixmap(QStringLiteral(":/image/logo.png")));
    auto* title = new QLabel(titleBar);
    title->setGeometry(40, 13, 600, 20);
    title->setAlignment(Qt::AlignLeft);
    SetWhiteText(title);
    title->setFont(CalibriFont(12));
    title->setText(LanguageText("MainWnd/ProTitle"));
    w->pTitleLabel = title;
    w->CreateButton(kCloseButton, width - 30, titleBar);
    w->CreateButton(kMinButton, width - 60, titleBar);
    w->CreateButton(kMenuButton, width - 90, titleBar);
    titleLayout->addWidget(titleBar);

    // Toolbar and table container.
    auto* middleLayout = new QVBoxLayout;
    middleLayout->setContentsMargins(20, 0, 20, 0);
    auto* toolbar = new QLabel(page);
    toolbar->setMinimumSize(width - 40, 100);
    downloadingTab = ToolbarButton(toolbar, QRect(320, 10, 140, 40), "MainWnd/Downloading",
                                   QStringLiteral(":/image/download.png"));
    finishedTab = ToolbarButton(toolbar, QRect(490, 10, 140, 40), "MainWnd/Finished",
                                QStringLiteral(":/image/finished.png"));
    QPushButton* add = ToolbarButton(toolbar, QRect(0, 60, 140, 35), "MainWnd/Tracks",
                                     QStringLiteral(":/image/add.png"));
    clean = ToolbarButton(toolbar, QRect(170, 60, 140, 35), "MainWnd/Clean",
                          QStringLiteral(":/image/remove.png"));
    QObject::connect(downloadingTab, &QPushButton::clicked, w, &DRUI::Downloading);
    QObject::connect(finishedTab, &QPushButton::clicked, w, &DRUI::Finished);
    QObject::connect(add, &QPushButton::clicked, w, &DRUI::AddFiles);
    auto* container = new QLabel(page);
    container->setMinimumSize(width - 40, 430);
    middleLayout->addWidget(toolbar);
    middleLayout->addWidget(container);

    // Bottom strip.
    auto* bottomLayout = new QVBoxLayout;
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    strip = new QLabel(page);
    strip->setMinimumSize(width, 25);
    bottomLayout->addWidget(strip);

    // Version bar.
    auto* versionBar = new QLabel(page);
    versionBar->setMinimumSize(width, 40);
    versionBar->setStyleSheet(MainStyle::Layout1TopBackGroud_style);
    auto* version = new QLabel(versionBar);
    version->setGeometry(width - 120, 10, 120, 20);
    version->setFont(CalibriFont(11, true));
    SetWhiteText(version);
    version->setText(QStringLiteral("Version ") + CLanguagesConfig::GetInstance()->GetVersion());

    pageLayout->addLayout(titleLayout);
    pageLayout->addLayout(middleLayout);
    pageLayout->addLayout(bottomLayout);
    pageLayout->addWidget(versionBar);
    return container;
}

// A page being replaced may be the one whose menu is still delivering the choice that
// replaces it, so it is hidden now and deleted once control is back in the event loop.
static void RetirePage(QWidget*& page)
{
    if (!page)
        return;
    page->hide();
    page->deleteLater();
    page = nullptr;
}

void DRUI::InitLayout1Widget()
{
    RetirePage(pDownloadingPage);
    pDownloadingPage = new QWidget(ui.centralWidget);
    QLabel* strip = nullptr;
    QLabel* container = BuildPage(this, pDownloadingPage, pPage1DownloadingTab, pPage1FinishedTab,
                                  pDownloadCleanButton, strip);
    connect(pDownloadCleanButton, &QPushButton::clicked, this, &DRUI::DelAllDownload);

    pShutdownCheckBox = new QCheckBox(strip);
    pShutdownCheckBox->setGeometry(20, 5, 520, 25);
    pShutdownCheckBox->setFont(CalibriFont(11));
    SetWhiteText(pShutdownCheckBox);
    pShutdownCheckBox->setText(LanguageText("MainWnd/Shutdown"));
    pShutdownCheckBox->setChecked(false);

    pDownloadTable = CreateDownloadTable(container);
}

void DRUI::InitLayout2Widget()
{
    RetirePage(pFinishedPage);
    pFinishedPage = new QWidget(ui.centralWidget);
    QLabel* strip = nullptr;
    QLabel* container = BuildPage(this, pFinishedPage, pPage2DownloadingTab, pPage2FinishedTab,
                                  pFinishedCleanButton, strip);
    connect(pFinishedCleanButton, &QPushButton::clicked, this, &DRUI::DelAllFinished);

    pFinishedTable = CreateFinishedTable(container);
}

QPushButton* DRUI::CreateButton(int nKind, int x, QWidget* parent)
{
    QPushButton* button = nullptr;
    QString picture;
    switch (nKind) {
    case kCloseButton:
        button = new QPushButton(parent);
        picture = QStringLiteral(":/image/close.png");
        NameIconButton(button, "MainWnd/TipClose");
        connect(button, &QPushButton::clicked, this, &DRUI::btnCloseSlot);
        break;
    case kMinButton:
        button = new QPushButton(parent);
        picture = QStringLiteral(":/image/min.png");
        NameIconButton(button, "MainWnd/TipMinimise");
        connect(button, &QPushButton::clicked, this, &DRUI::btnMinSlot);
        break;
    case kMenuButton:
        InitMenu(parent);
        button = pMenuButton;
        picture = QStringLiteral(":/image/list.png");
        NameIconButton(button, "MainWnd/TipMenu");
        break;
    default:
        return nullptr;
    }

    button->setGeometry(x, 5, 40, 20);
    button->setFont(CalibriFont(10, true));
    button->setFlat(true);
    SetPicture(button, picture);
    // The button is exactly as large as its picture (a missing picture keeps the default).
    if (!button->iconSize().isEmpty())
        button->resize(button->iconSize());
    button->setStyleSheet(MainStyle::WithToolTip(MainStyle::backGroud_style));
    button->setCursor(Qt::PointingHandCursor);
    if (nKind == kMenuButton)
        button->setStyleSheet(QStringLiteral("QPushButton::menu-indicator{image:None;}") +
                              MainStyle::ToolTip_style);
    return button;
}

void DRUI::InitMenu(QWidget* parent)
{
    pMenuButton = new QPushButton(parent);

    // The menus belong to the menu button, so they go with the page they serve.
    pMainMenu = NewMenu(pMenuButton, 75);
    MenuEntry(pMainMenu, "MainWnd/Help", QStringLiteral(":/image/help.png"),
              QStringLiteral("Help"));
    MenuEntry(pMainMenu, "MainWnd/Support", QStringLiteral(":/image/support.png"),
              QStringLiteral("Support"));
    QAction* language =
        MenuEntry(pMainMenu, "MainWnd/Language", QStringLiteral(":/image/language.png"),
                  QStringLiteral("Language"));
    pMenuButton->setMenu(pMainMenu);

    // A child of the main menu, so that an entry triggered from the keyboard or by code
    // reaches the main menu's handler just as a click does.
    QMenu* languageMenu = NewMenu(pMainMenu, 70);
    const QString active = CLanguagesConfig::GetInstance()->GetLang();
    for (const QString& name : CLanguagesConfig::GetInstance()->GetAllLanguageKey()) {
        auto* action = new QAction(name, pMainMenu);
        action->setData(name);
        if (name == active) {
            action->setIcon(QIcon(QStringLiteral(":/image/dot.png")));
            languageMenu->setDefaultAction(action);
        }
        languageMenu->addAction(action);
    }
    language->setMenu(languageMenu);
    MenuEntry(pMainMenu, "MainWnd/Settings", QString(), QStringLiteral("Settings"));
    MenuEntry(pMainMenu, "Tasks/PauseAll", QString(), QStringLiteral("PauseAll"));
    MenuEntry(pMainMenu, "Tasks/ResumeAll", QString(), QStringLiteral("ResumeAll"));
    // Wide enough for the longest entry of the active language.
    const QFontMetrics metrics(pMainMenu->font());
    int nWidest = 75;
    for (const QAction* action : pMainMenu->actions())
        nWidest = qMax(nWidest, metrics.horizontalAdvance(action->text()) + 30);
    pMainMenu->setStyleSheet(MainStyle::Menu_style(nWidest));

    connect(pMainMenu, &QMenu::triggered, this, &DRUI::SetMenuStatus);
}

void DRUI::SetMenuStatus(QAction* action)
{
    if (!action)
        return;
    const QString data = action->data().toString();
    if (data == QLatin1String("Help")) {
        btnHelpSlot();
        return;
    }
    if (data == QLatin1String("Support")) {
        btnSupportSlot();
        return;
    }
    if (data == QLatin1String("Settings")) {
        OpenSettings();
        return;
    }
    if (data == QLatin1String("PauseAll")) {
        engine.PauseAll(kPauseAllWaitMs);
        return;
    }
    if (data == QLatin1String("ResumeAll")) {
        engine.ResumeAll();
        return;
    }
    if (data == QLatin1String("Language"))
        return; // the entry that only holds the language menu
    CLanguagesConfig::GetInstance()->SetLanguage(data);
    CURLConfig::GetInstance()->Init();
    // The rebuilt rows cannot observe runs of the old ones: stop them first. A run that
    // ended complete inside the stop completes its task now; its report would find only the
    // rebuilt rows.
    StopAllRuns();
    CompleteEndedTasks();
    InitWidget();
}

void DRUI::btnMinSlot()
{
    showMinimized();
}

void DRUI::btnCloseSlot()
{
    const bool bEmpty = engine.Count() == 0;
    if (!bEmpty) {
        CMessageBox box;
        box.setFixedSize(400, 180);
        box.PlaceOver(this);
        box.InitQuestionDialog(LanguageText("Messages/MSG0101"));
        box.exec();
        if (box.GetMessageBoxRet() == 1)
            return;
    }
    close();
}

// The help page of the application folder, in the active language where it has one.
static QString LocalHelp()
{
    return LocalHelpPage(AppFolder(), LanguageText("MainWnd/HelpPage"));
}

void DRUI::btnHelpSlot()
{
    QDesktopServices::openUrl(CURLConfig::GetInstance()->HelpTarget(LocalHelp()));
}

void DRUI::btnSupportSlot()
{
    QDesktopServices::openUrl(CURLConfig::GetInstance()->SupportTarget(LocalHelp()));
}

void DRUI::Downloading()
{
    pPageStack->setCurrentWidget(pDownloadingPage);
    pPage1DownloadingTab->setStyleSheet(MainStyle::backGroud_hover_style);
    pPage1FinishedTab->setStyleSheet(MainStyle::Layout2_main_button_style);
}

void DRUI::Finished()
{
    ListStartupFinished(*this);
    pPageStack->setCurrentWidget(pFinishedPage);
    pPage2FinishedTab->setStyleSheet(MainStyle::backGroud_hover_style);
    pPage2DownloadingTab->setStyleSheet(MainStyle::Layout2_main_button_style);
}

void DRUI::mousePressEvent(QMouseEvent* event)
{
    BeginWindowDrag(this, event, dragState);
}

void DRUI::mouseMoveEvent(QMouseEvent* event)
{
    ContinueWindowDrag(this, event, dragState);
    setCursor(Qt::ArrowCursor);
}

void DRUI::paintEvent(QPaintEvent*) {}

void DRUI::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void DRUI::closeEvent(QCloseEvent* event)
{
    QCoreApplication::quit();
    event->accept();
}
