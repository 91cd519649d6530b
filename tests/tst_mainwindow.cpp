// The main window's frame: its shape, the tabs, the closing rule, Escape, dragging, the menus,
// the rebuild on a language change and what start-up does to an existing data folder.
// Runs on a private copy of the application folder (a language change writes config.ini)
// and a temporary data folder.

#include "cmessagebox.h"
#include "command.h"
#include "drui.h"
#include "fixtures/faultfixture.h"
#include "fonts.h"
#include "framefixture.h"
#include "languagesconfig.h"
#include "styles.h"
#include "windowdrag.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRawFont>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QFontMetrics>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

QString Text(const char* key)
{
    return CLanguagesConfig::GetInstance()->ReadLanguageInfo(key);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void frame();
    void titleBarButtons_data();
    void titleBarButtons();
    void tabs_data();
    void tabs();
    void closeRule_data();
    void closeRule();
    void escape_data();
    void escape();
    void dragging_data();
    void dragging();
    void newPressStartsNewDrag();
    void languageMenu_data();
    void languageMenu();
    void menusReadable_data();
    void menusReadable();
    void noMissingGlyphs_data();
    void noMissingGlyphs();
    void webPages_data();
    void webPages();
    void rebuild_data();
    void rebuild();
    void noRunOutlivesItsRows_data();
    void noRunOutlivesItsRows();
    void completionInsideLanguageSwitchIsKept();
    void initLeavesDataFolderUntouched();

private:
    QTemporaryDir m_dataHome;
    QTemporaryDir m_appFolder;
    UrlRecorder m_urls;
    int m_shutdowns = 0;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_dataHome.isValid() && m_appFolder.isValid());
    fixture::IsolateHome(m_dataHome.path());

    // A copy of the application folder: the language switch stores its choice there.
    QVERIFY(CopyAppFolder(m_appFolder.path()));
    SetAppFolder(m_appFolder.path());

    Q_INIT_RESOURCE(drui);
    RegisterTaskRowTypes();
    KeepOnThisMachine(&m_urls, DataFolder(), [this] { ++m_shutdowns; });

    QVERIFY(DataFolder().startsWith(m_dataHome.path()));
    QVERIFY(!Text("MainWnd/ProTitle").isEmpty());
}

void TestMainWindow::init()
{
    QDir(DataFolder()).removeRecursively();
    QVERIFY(QDir().mkpath(DataFolder() + "downloading"));
    QVERIFY(QDir().mkpath(DataFolder() + "finished"));
    if (CLanguagesConfig::GetInstance()->GetLang() != QLatin1String("English"))
        CLanguagesConfig::GetInstance()->SetLanguage(QStringLiteral("English"));
    m_urls.urls.clear();
}

void TestMainWindow::cleanupTestCase()
{
    ReleaseThisMachine();
    QCOMPARE(m_shutdowns, 0);
}

void TestMainWindow::frame()
{
    DRUI w;
    w.Init();
    QCOMPARE(w.windowTitle(), Text("MainWnd/ProTitle"));
    QCOMPARE(w.size(), QSize(1000, 680));
    QCOMPARE(w.minimumSize(), QSize(1000, 680));
    QCOMPARE(w.maximumSize(), QSize(1000, 680));
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w.pPageStack->currentWidget(), w.pDownloadingPage);
    QVERIFY(w.pShutdownCheckBox && !w.pShutdownCheckBox->isChecked());
    QVERIFY(w.pShutdownCheckBox->window() == &w);
    QVERIFY(w.pDownloadingPage->isAncestorOf(w.pShutdownCheckBox));
    QVERIFY(w.pDownloadingPage->isAncestorOf(w.pDownloadTable));
    QVERIFY(w.pFinishedPage->isAncestorOf(w.pFinishedTable));
    QCOMPARE(w.pTitleLabel->text(), Text("MainWnd/ProTitle"));

    // Both pages show both tabs.
    const QList<QPair<QWidget*, QList<QPushButton*>>> pages = {
        {w.pDownloadingPage, {w.pPage1DownloadingTab, w.pPage1FinishedTab}},
        {w.pFinishedPage, {w.pPage2DownloadingTab, w.pPage2FinishedTab}}};
    for (const auto& [page, tabs] : pages) {
        QCOMPARE(tabs[0]->text(), Text("MainWnd/Downloading"));
        QCOMPARE(tabs[1]->text(), Text("MainWnd/Finished"));
        for (QPushButton* tab : tabs) {
            QVERIFY(page->isAncestorOf(tab));
            QVERIFY(tab->isVisibleTo(page));
        }
    }
}

void TestMainWindow::titleBarButtons_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<QString>("tipKey");
    QTest::newRow("close") << 970 << "MainWnd/TipClose";
    QTest::newRow("minimise") << 940 << "MainWnd/TipMinimise";
    QTest::newRow("menu") << 910 << "MainWnd/TipMenu";
}

void TestMainWindow::titleBarButtons()
{
    QFETCH(int, x);
    QFETCH(QString, tipKey);

    DRUI w;
    w.Init();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QPushButton* shown = nullptr;
    for (QWidget* page : {w.pDownloadingPage, w.pFinishedPage}) {
        QPushButton* found = nullptr;
        for (QPushButton* b : page->findChildren<QPushButton*>()) {
            if (b->geometry().topLeft() == QPoint(x, 5))
                found = b;
        }
        QVERIFY(found);
        QCOMPARE(found->toolTip(), Text(tipKey.toLatin1().constData()));
        QCOMPARE(found->accessibleName(), found->toolTip());
        QVERIFY(!found->toolTip().isEmpty());
        QVERIFY(!found->icon().isNull());
        shown = shown ? shown : found;
    }
    // The tool-tip of the page shown, as drawn, is readable.
    QVERIFY(ToolTipContrast(shown) >= 96);
    QVERIFY(w.pMenuButton->menu() == w.pMainMenu);
}

void TestMainWindow::tabs_data()
{
    QTest::addColumn<QStringList>("clicks"); // tab buttons clicked, in order
    QTest::addColumn<QStringList>("marked"); // tab buttons marked afterwards
    QTest::addColumn<int>("page");           // 0 downloading, 1 finished

    QTest::newRow("after start") << QStringList{} << QStringList{} << 0;
    QTest::newRow("Finished") << QStringList{"p1Finished"} << QStringList{"p2Finished"} << 1;
    QTest::newRow("Finished, then Downloading") << QStringList{"p1Finished", "p2Downloading"}
                                                << QStringList{"p1Downloading", "p2Finished"} << 0;
    QTest::newRow("tab of the page shown")
        << QStringList{"p1Downloading"} << QStringList{"p1Downloading"} << 0;
    QTest::newRow("Finished twice")
        << QStringList{"p1Finished", "p2Finished"} << QStringList{"p2Finished"} << 1;
}

void TestMainWindow::tabs()
{
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, marked);
    QFETCH(int, page);

    DRUI w;
    w.Init();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QMap<QString, QPushButton*> tabs = {{"p1Downloading", w.pPage1DownloadingTab},
                                              {"p1Finished", w.pPage1FinishedTab},
                                              {"p2Downloading", w.pPage2DownloadingTab},
                                              {"p2Finished", w.pPage2FinishedTab}};
    for (const QString& name : clicks) {
        QVERIFY(tabs[name]->isVisible());
        QTest::mouseClick(tabs[name], Qt::LeftButton);
    }
    for (auto it = tabs.begin(); it != tabs.end(); ++it) {
        const QString expected = marked.contains(it.key()) ? MainStyle::backGroud_hover_style
                                                           : MainStyle::Layout2_main_button_style;
        QCOMPARE(it.value()->styleSheet(), expected);
    }
    QCOMPARE(w.pPageStack->currentIndex(), page);
}

void TestMainWindow::closeRule_data()
{
    QTest::addColumn<int>("tasks");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("closes");

    QTest::newRow("no task") << 0 << "" << false << true;
    QTest::newRow("paused tasks, OK") << 2 << "ok" << true << true;
    QTest::newRow("paused tasks, Cancel") << 2 << "cancel" << true << false;
    QTest::newRow("paused tasks, Escape") << 2 << "escape" << true << false;
    QTest::newRow("paused tasks, dialog closed") << 1 << "close" << true << false;
}

void TestMainWindow::closeRule()
{
    QFETCH(int, tasks);
    QFETCH(QString, answer);
    QFETCH(bool, asks);
    QFETCH(bool, closes);

    WriteTasks(tasks, 1);
    DRUI w;
    w.Init();
    QCOMPARE(TaskKeys(w).size(), tasks);
    w.move(40, 30);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    bool bAsked = false;
    QPoint dialogPos;
    QSize dialogSize;
    QString question;
    QTimer::singleShot(0, &w, [&] {
        auto* box = qobject_cast<CMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        bAsked = true;
        dialogPos = box->pos();
        dialogSize = box->size();
        question = box->pMessageLabel ? box->pMessageLabel->text() : QString();
        if (answer == QLatin1String("ok"))
            QTest::mouseClick(box->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
        else if (answer == QLatin1String("cancel"))
            QTest::mouseClick(box->findChild<QPushButton*>("btnCancel"), Qt::LeftButton);
        else if (answer == QLatin1String("escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        if (box->isVisible())
            box->close();
    });
    w.btnCloseSlot();
    QCoreApplication::processEvents();

    QCOMPARE(bAsked, asks);
    QCOMPARE(!w.isVisible(), closes);
    if (asks) {
        QCOMPARE(dialogSize, QSize(400, 180));
        QCOMPARE(dialogPos, w.pos() + QPoint(333, 226));
        QCOMPARE(question, Text("Messages/MSG0101"));
    }
    // Closing never deletes a task.
    QCOMPARE(QDir(DataFolder() + "downloading").entryList(QDir::Files).size(), tasks);
}

void TestMainWindow::escape_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("Escape is swallowed") << int(Qt::Key_Escape) << true;
    QTest::newRow("other keys go on") << int(Qt::Key_A) << false;
}

void TestMainWindow::escape()
{
    QFETCH(int, key);
    QFETCH(bool, accepted);

    DRUI w;
    w.Init();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
    QCOMPARE(event.isAccepted(), accepted);
    QVERIFY(w.isVisible());
    QCOMPARE(w.pPageStack->currentWidget(), w.pDownloadingPage);
}

void TestMainWindow::dragging_data()
{
    QTest::addColumn<bool>("onTitleBar");
    QTest::addColumn<int>("pressed");
    QTest::addColumn<int>("held");
    QTest::addColumn<bool>("systemMove"); // the window system offers to move windows itself
    QTest::addColumn<bool>("moves");      // the program moves the window
    QTest::addColumn<bool>("asks");       // the program asks the window system to move it

    const int left = int(Qt::LeftButton), right = int(Qt::RightButton);
    const int both = int((Qt::LeftButton | Qt::RightButton).toInt());
    QTest::newRow("left") << false << left << left << false << true << true;
    QTest::newRow("left on the title bar") << true << left << left << false << true << true;
    QTest::newRow("right") << false << right << right << false << false << false;
    QTest::newRow("right on the title bar") << true << right << right << false << false << false;
    QTest::newRow("left and right") << false << left << both << false << false << false;
    QTest::newRow("left on the title bar, system move")
        << true << left << left << true << false << true;
    QTest::newRow("right, system move") << false << right << right << true << false << false;
}

void TestMainWindow::dragging()
{
    QFETCH(bool, onTitleBar);
    QFETCH(int, pressed);
    QFETCH(int, held);
    QFETCH(bool, systemMove);
    QFETCH(bool, moves);
    QFETCH(bool, asks);

    DRUI w;
    w.Init();
    w.move(100, 80);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QList<QWindow*> asked;
    SetSystemMoveStarter([&](QWindow* window) {
        asked << window;
        return systemMove;
    });
    // The title bar of the page shown: presses on the panels reach the window.
    QWidget* target = &w;
    if (onTitleBar)
        target = w.pDownloadingPage->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)
                     .first();
    const QPoint start = w.pos();
    const QPoint grab = target->mapToGlobal(QPoint(300, 8));

    SendMouse(target, QEvent::MouseButtonPress, grab, Qt::MouseButton(pressed),
              Qt::MouseButtons(pressed));
    SendMouse(target, QEvent::MouseMove, grab + QPoint(25, -15), Qt::NoButton,
              Qt::MouseButtons(held));
    SendMouse(target, QEvent::MouseMove, grab + QPoint(35, -5), Qt::NoButton,
              Qt::MouseButtons(held));
    SetSystemMoveStarter(nullptr);
    QCOMPARE(w.pos(), moves ? start + QPoint(35, -5) : start);
    QCOMPARE(asked, asks ? QList<QWindow*>{w.windowHandle()} : QList<QWindow*>());
}

void TestMainWindow::newPressStartsNewDrag()
{
    DRUI w;
    w.Init();
    w.move(100, 80);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint start = w.pos();
    const QPoint first = w.mapToGlobal(QPoint(500, 10));

    SendMouse(&w, QEvent::MouseButtonPress, first, Qt::LeftButton, Qt::LeftButton);
    SendMouse(&w, QEvent::MouseMove, first + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    SendMouse(&w, QEvent::MouseButtonRelease, first + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.pos(), start + QPoint(30, 20));

    const QPoint second = w.mapToGlobal(QPoint(200, 600));
    SendMouse(&w, QEvent::MouseButtonPress, second, Qt::LeftButton, Qt::LeftButton);
    SendMouse(&w, QEvent::MouseMove, second + QPoint(-10, 5), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.pos(), start + QPoint(20, 25));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
}

void TestMainWindow::languageMenu_data()
{
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("marked");
    QTest::newRow("English") << "English"
                             << "English";
    QTest::newRow("German") << "German"
                            << "German";
    QTest::newRow("not installed") << "Klingon"
                                   << "";
}

void TestMainWindow::languageMenu()
{
    QFETCH(QString, active);
    QFETCH(QString, marked);

    CLanguagesConfig::GetInstance()->SetLanguage(active);
    DRUI w;
    w.Init();
    QList<QVariant> data;
    for (QAction* entry : w.pMainMenu->actions())
        data << entry->data();
    QCOMPARE(data, (QList<QVariant>{"Help", "Support", "Language", "Settings", "PauseAll", "ResumeAll"}));
    // Every entry shows its whole text in every language.
    w.pMainMenu->ensurePolished();
    for (QAction* entry : w.pMainMenu->actions())
        QVERIFY2(w.pMainMenu->actionGeometry(entry).width() >
                     QFontMetrics(w.pMainMenu->font()).horizontalAdvance(entry->text()) + 20,
                 qPrintable(entry->text()));

    QMenu* menu = LanguageMenu(w);
    QVERIFY(menu);
    QStringList names, markedNames;
    for (QAction* action : menu->actions()) {
        names << action->text();
        QCOMPARE(action->data().toString(), action->text());
        if (!action->icon().isNull())
            markedNames << action->text();
    }
    QCOMPARE(names, CLanguagesConfig::GetInstance()->GetAllLanguageKey());
    QCOMPARE(markedNames, marked.isEmpty() ? QStringList() : QStringList{marked});
    QCOMPARE(menu->defaultAction() ? menu->defaultAction()->text() : QString(), marked);
}

void TestMainWindow::menusReadable_data()
{
    QTest::addColumn<bool>("languageMenu");
    QTest::newRow("main menu") << false;
    QTest::newRow("language menu") << true;
}

// Every entry as it is drawn: text that stands out from the entry's own background, and the
// dot beside the active language only.
void TestMainWindow::menusReadable()
{
    QFETCH(bool, languageMenu);

    DRUI w;
    w.Init();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QMenu* menu = languageMenu ? LanguageMenu(w) : w.pMainMenu;
    menu->popup(w.mapToGlobal(QPoint(100, 100)));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    const QImage image = menu->grab().toImage();
    menu->close();

    // Icons sit in a column as wide as the small icon size, the text after it.
    const int iconSize = menu->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, menu);
    for (QAction* entry : menu->actions()) {
        const QRect item = menu->actionGeometry(entry);
        const QRect text = item.adjusted(iconSize + 6, 2, -2, -2);
        const QRect icon(item.left(), item.top() + 2, iconSize + 4, item.height() - 4);
        QVERIFY2(MostContrast(image, text) >= 96, qPrintable(entry->text()));
        if (languageMenu) {
            const bool marked = entry->text() == CLanguagesConfig::GetInstance()->GetLang();
            QCOMPARE(MostContrast(image, icon) >= 96, marked);
        }
    }
}

void TestMainWindow::noMissingGlyphs_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("Chinese") << "Chinese";
    QTest::newRow("Japanese") << "Japanese";
}

// Every character of the caption, the buttons and the check box, and of a title in any
// script, has a glyph in one of the window's own font families (no missing-glyph box).
void TestMainWindow::noMissingGlyphs()
{
    QFETCH(QString, language);

    CLanguagesConfig::GetInstance()->SetLanguage(language);
    DRUI w;
    w.Init();
    QList<QPair<QString, QFont>> texts{{w.pTitleLabel->text(), w.pTitleLabel->font()},
                                       {w.pShutdownCheckBox->text(), w.pShutdownCheckBox->font()},
                                       {QStringLiteral("日本語 🎬 标题"), CalibriFont(11)}};
    for (QPushButton* button : w.pDownloadingPage->findChildren<QPushButton*>()) {
        if (!button->text().isEmpty())
            texts.append({button->text(), button->font()});
    }
    QVERIFY(texts.size() >= 7);
    for (const auto& [text, font] : texts) {
        for (char32_t c : text.toUcs4()) {
            if (QChar::isSpace(c))
                continue;
            bool bFound = false;
            for (const QString& family : font.families()) {
                // The family's own font file, without the fallbacks a font engine adds.
                const QRawFont raw = QRawFont::fromFont(QFont(family));
                bFound = bFound || (raw.familyName() == family && raw.supportsCharacter(c));
            }
            QVERIFY2(bFound, qPrintable(text + QStringLiteral(": U+") + QString::number(c, 16)));
        }
    }
}

void TestMainWindow::webPages_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("link");
    QTest::newRow("Help") << 0 << CURLConfig::GetInstance()->GuideUrl();
    QTest::newRow("Support") << 1 << CURLConfig::GetInstance()->SupportUrl();
}

void TestMainWindow::webPages()
{
    QFETCH(int, entry);
    QFETCH(QString, link);

    DRUI w;
    w.Init();
    m_urls.urls.clear();
    QPointer<QWidget> page = w.pFinishedPage;
    w.pMainMenu->actions()[entry]->trigger();
    QCOMPARE(m_urls.urls, QList<QUrl>{QUrl(link)});
    QVERIFY(QUrl(link).isValid());
    QCOMPARE(w.pFinishedPage, page.data()); // no rebuild
}

void TestMainWindow::rebuild_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("language");
    // The whole way a person takes: the menu button opens the main menu, the Language entry
    // its submenu, Return on an entry switches; the pages that carried those menus go.
    QTest::newRow("menu button, another language") << "menu button"
                                                   << "German";
    QTest::newRow("entry, the active language") << "entry"
                                                << "English";
    QTest::newRow("InitWidget twice") << "InitWidget"
                                      << "English";
}

void TestMainWindow::rebuild()
{
    QFETCH(QString, how);
    QFETCH(QString, language);

    WriteTasks(3, 2);
    DRUI w;
    w.Init();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QStringList keys = TaskKeys(w);
    const QStringList finished = FinishedTimes(w);
    QCOMPARE(keys.size(), 3);
    QCOMPARE(finished.size(), 2);
    // As if the user had resumed a task (whose run fails at once, without an extractor).
    QTemporaryDir noExtractor;
    w.engine.SetFolders(noExtractor.path(), w.QstrDownloadingDir);
    QVERIFY(w.engine.Resume(keys[1]));
    QTRY_VERIFY(!w.engine.At(1)->IsRunning());
    QVERIFY(!w.engine.At(1)->IsPaused());
    QPointer<const QProcess> oldProcess = &w.engine.At(0)->Process();
    QPointer<QWidget> oldPages[] = {w.pDownloadingPage, w.pFinishedPage};
    QPointer<QWidget> oldTable = w.pDownloadTable;
    QPointer<QMenu> oldMenu = w.pMainMenu;
    QMenu* languageMenu = LanguageMenu(w);
    QAction* entry = LanguageEntry(w, language);
    QVERIFY(entry);

    if (how == QLatin1String("menu button")) {
        bool bChosen = false;
        QTimer::singleShot(0, &w, [&] {
            if (QApplication::activePopupWidget() != oldMenu)
                return;
            oldMenu->setActiveAction(oldMenu->actions()[2]);
            QTest::keyClick(oldMenu, Qt::Key_Right);
            if (QApplication::activePopupWidget() != languageMenu)
                return;
            languageMenu->setActiveAction(entry);
            QTest::keyClick(languageMenu, Qt::Key_Return);
            bChosen = true;
        });
        // Whatever happens above, no menu stays open.
        QTimer::singleShot(5000, &w, [] {
            while (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        QTest::mouseClick(w.pMenuButton, Qt::LeftButton);
        QTRY_VERIFY(!oldPages[1]);
        QVERIFY(bChosen);
    } else if (how == QLatin1String("entry")) {
        entry->trigger(); // reaches the main menu's handler as a click would
    } else {
        w.InitWidget();
        w.InitWidget();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(CLanguagesConfig::GetInstance()->GetLang(), language);
    QVERIFY(!oldPages[0] && !oldPages[1] && !oldTable && !oldMenu && !oldProcess);
    QVERIFY(w.pDownloadingPage && w.pFinishedPage && w.isVisible());
    QCOMPARE(w.pPageStack->count(), 2);
    QCOMPARE(w.pPageStack->currentWidget(), w.pDownloadingPage);
    QCOMPARE(w.pPage1DownloadingTab->text(), Text("MainWnd/Downloading"));
    QCOMPARE(TaskKeys(w), keys);
    QVERIFY(AllPaused(w));
    QCOMPARE(w.pDownloadTable->rowCount(), 3);
    QCOMPARE(FinishedTimes(w), finished);
    QCOMPARE(w.pFinishedTable->rowCount(), 2);
    QVERIFY(!LanguageEntry(w, language)->icon().isNull());
    // Only what this build made is left in the window.
    QCOMPARE(w.centralWidget()->findChildren<QTableWidget*>().size(), 2);
    QCOMPARE(w.findChildren<QProcess*>().size(), 3);
}

void TestMainWindow::noRunOutlivesItsRows_data()
{
    QTest::addColumn<bool>("destroyWindow");
    QTest::newRow("language switch during a run") << false;
    QTest::newRow("window destroyed during a run") << true;
}

// A real extractor run against the slow loopback site: neither a rebuild of the window nor
// its end leaves the run (or anything it started) behind.
void TestMainWindow::noRunOutlivesItsRows()
{
    QFETCH(bool, destroyWindow);

    const QString media = fixture::MakeMedia();
    QVERIFY(!media.isEmpty());
    fixture::CMediaServer server;
    QVERIFY(server.Start(media, 20000));

    _VIDEO_FILE_INFO_ info = Record(1);
    info.QstrUrl = server.PageUrl();
    info.QstrFormatId = fixture::ClipFormats().first().id;
    info.QstrTitle = QStringLiteral("Fixture Clip");
    info.QstrOutputDir = m_dataHome.path() + "/out/";
    info.QstrPercent = QString();
    QVERIFY(QDir().mkpath(info.QstrOutputDir));
    QCOMPARE(WriteInfoFile(DataFolder() + "downloading/", info.QstrTaskKey, DownloadInfoLine(info)),
             0);

    auto w = std::make_unique<DRUI>();
    w->Init();
    QVERIFY(w->engine.Start(info.QstrTaskKey));
    QCOMPARE(w->engine.Count(), 1);
    QPointer<const QProcess> process = &w->engine.At(0)->Process();
    QTRY_VERIFY_WITH_TIMEOUT(process && process->state() == QProcess::Running, 30000);
    const pid_t group = pid_t(process->processId());
    QVERIFY(group > 0);
    QCOMPARE(::kill(-group, 0), 0);

    if (destroyWindow) {
        w.reset();
    } else {
        w->SetMenuStatus(LanguageEntry(*w, QStringLiteral("English")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!process);
        QCOMPARE(TaskKeys(*w), QStringList{info.QstrTaskKey});
        QVERIFY(AllPaused(*w));
    }
    QTRY_VERIFY_WITH_TIMEOUT(::kill(-group, 0) != 0, 5000);
    QCOMPARE(errno, ESRCH);
    QVERIFY(QFile::exists(DataFolder() + "downloading/" + info.QstrTaskKey));
    w.reset();
    server.Stop();
}

// A run that has written its file and named it is stopped by a language switch and ends
// inside that stop: the task is finished, not brought back paused by the rebuilt rows.
void TestMainWindow::completionInsideLanguageSwitchIsKept()
{
    const QString scriptedApp = m_dataHome.path() + "/scripted-app";
    QVERIFY(fault::MakeScriptedApp(scriptedApp));
    QVERIFY(fault::SetScript(m_dataHome.path() + "/script.json",
                             {{"hold", true}, {"size", fixture::ExtractorSizeText(1 << 20)}}));
    _VIDEO_FILE_INFO_ info = Record(1);
    info.QstrSize = fixture::RecordSizeText(1 << 20);
    info.QstrOutputDir = m_dataHome.path() + "/out/";
    info.QstrPercent = QString();
    QCOMPARE(WriteInfoFile(DataFolder() + "downloading/", info.QstrTaskKey, DownloadInfoLine(info)),
             0);

    DRUI w;
    w.Init();
    w.engine.SetFolders(scriptedApp, w.QstrDownloadingDir);
    QVERIFY(w.engine.Start(info.QstrTaskKey));
    QTRY_VERIFY_WITH_TIMEOUT(
        w.engine.At(0)->Record().QstrFilePath == DownloadOutputFile(info), 30000);
    QVERIFY(w.engine.At(0)->IsRunning());

    w.SetMenuStatus(LanguageEntry(w, QStringLiteral("English")));
    QCoreApplication::processEvents(); // the reports of the stopped run

    QCOMPARE(TaskKeys(w), QStringList());
    QCOMPARE(w.vecFinishedList.size(), size_t(1));
    QCOMPARE(w.vecFinishedList[0].VideoFileInfo.QstrFilePath, DownloadOutputFile(info));
    QVERIFY(!QFile::exists(DataFolder() + "downloading/" + info.QstrTaskKey));
    QCOMPARE(LoadFinishedInfos(DataFolder() + "finished/").size(), size_t(1));
}

void TestMainWindow::initLeavesDataFolderUntouched()
{
    WriteTasks(2, 2);
    const QString data = DataFolder();
    QFile::copy(QStringLiteral(QUILLANE_APP_DIR) + "/config.ini", data + "OutputPath.txt");
    QFile broken(data + "downloading/2024-01-01-00-00-00");
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("a##@##b##@##c\n");
    broken.close();
    QFile hidden(data + "finished/.hidden");
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.close();
    QVERIFY(QDir().mkpath(data + "2024/03/01"));
    const auto before = Snapshot(data);

    {
        DRUI w;
        w.Init();
        QCOMPARE(TaskKeys(w).size(), 2);
        QCOMPARE(Snapshot(data), before);
    }
    QCOMPARE(Snapshot(data), before);

    // What a crashed write left goes at the next start; other hidden names stay.
    const QStringList stale{data + "downloading/.2024-03-01-10-00-00.tmp",
                            data + "finished/.2023-12-31-23-59-59.tmp"};
    const QStringList kept{data + "finished/.2024-01-01.tmp", data + ".2024-01-01-00-00-00.tmp"};
    for (const QString& name : stale + kept)
        QVERIFY(QFile(name).open(QIODevice::WriteOnly));
    DRUI w;
    w.Init();
    for (const QString& name : stale + kept)
        QCOMPARE(QFile::exists(name), kept.contains(name));
}

QTEST_MAIN(TestMainWindow)
#include "moc_framefixture.cpp"
#include "tst_mainwindow.moc"
