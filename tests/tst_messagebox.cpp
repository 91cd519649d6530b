// The program's own message dialog: the four kinds, where their buttons lie, what each way
// of leaving the dialog leaves in its result, placement over an owner, and dragging.

#include "cmessagebox.h"
#include "framefixture.h"
#include "languagesconfig.h"
#include "paths.h"
#include "testsupport.h"
#include "urlconfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <algorithm>

// Receives every URL the dialog hands to the desktop instead of a browser.
namespace {

enum class Kind { Delete, Question, Notice, NoticeWithoutButton, Upgrade };

void Fill(CMessageBox& box, Kind kind, const QString& text)
{
    switch (kind) {
    case Kind::Delete:
        box.InitDelDialog(text);
        break;
    case Kind::Question:
        box.InitQuestionDialog(text);
        break;
    case Kind::Notice:
        box.InitInfoDialog(text, false);
        break;
    case Kind::NoticeWithoutButton:
        box.InitInfoDialog(text, true);
        break;
    case Kind::Upgrade:
        box.InitUpgradeDialog(text);
        break;
    }
}

QList<QPushButton*> ButtonsLeftToRight(const CMessageBox& box)
{
    QList<QPushButton*> buttons = box.findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    return buttons;
}

QString Text(const char* key)
{
    return CLanguagesConfig::GetInstance()->ReadLanguageInfo(key);
}

bool HasLabelWithText(const CMessageBox& box, const QString& text)
{
    const QList<QLabel*> labels = box.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(),
                       [&](QLabel* label) { return label->text() == text; });
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestMessageBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void buttons_data();
    void buttons();
    void results_data();
    void results();
    void noticeWithoutButtonEndsWhenItsOwnerClosesIt();
    void fillingAgainReplacesTheContent();
    void placement_data();
    void placement();
    void dragging_data();
    void dragging();

private:
    QTemporaryDir m_dataHome;
    UrlRecorder m_urls;
};

void TestMessageBox::initTestCase()
{
    QVERIFY(m_dataHome.isValid());
    qputenv("XDG_DATA_HOME", m_dataHome.path().toLocal8Bit());
    SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
    Q_INIT_RESOURCE(drui);
    KeepOnThisMachine(&m_urls, m_dataHome.path() + QStringLiteral("/"));
    QVERIFY(!Text("MainWnd/OK").isEmpty());
}

void TestMessageBox::cleanupTestCase()
{
    ReleaseThisMachine();
}

void TestMessageBox::buttons_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<bool>("checkBox");

    const QStringList okCancel = {QStringLiteral("btnOK"), QStringLiteral("btnCancel")};
    const QString ask = QStringLiteral(" ") + Text("Messages/MSG0404");
    const QString info = QStringLiteral(" ") + Text("Messages/MSG0403");
    const QString caption = Text("MainWnd/ProTitle");
    for (int w : {400, 500}) {
        const QByteArray s = QByteArray::number(w);
        const QList<int> two = {w / 4 + 20, w / 4 + 120};
        QTest::newRow("delete " + s) << Kind::Delete << w << two << okCancel << ask << true;
        QTest::newRow("question " + s) << Kind::Question << w << two << okCancel << ask << false;
        QTest::newRow("notice " + s) << Kind::Notice << w << QList<int>{w / 2 - 40}
                                     << QStringList{QStringLiteral("btnOK")} << info << false;
        QTest::newRow("notice without button " + s)
            << Kind::NoticeWithoutButton << w << QList<int>{} << QStringList{} << info << false;
        QTest::newRow("upgrade " + s)
            << Kind::Upgrade << w << two
            << QStringList{QStringLiteral("btnUpgrade"), QStringLiteral("btnCancel")} << caption
            << false;
    }
    // The positions themselves, not only the formula.
    QTest::newRow("question 400 at 120/220")
        << Kind::Question << 400 << QList<int>{120, 220} << okCancel << ask << false;
    QTest::newRow("delete 500 at 145/245")
        << Kind::Delete << 500 << QList<int>{145, 245} << okCancel << ask << true;
    QTest::newRow("notice 500 at 210") << Kind::Notice << 500 << QList<int>{210}
                                       << QStringList{QStringLiteral("btnOK")} << info << false;
}

void TestMessageBox::buttons()
{
    QFETCH(Kind, kind);
    QFETCH(int, width);
    QFETCH(QList<int>, xs);
    QFETCH(QStringList, names);
    QFETCH(QString, heading);
    QFETCH(bool, checkBox);

    CMessageBox box;
    box.setFixedSize(width, 180);
    const QString text = QStringLiteral("Message, with a comma; and more");
    Fill(box, kind, text);

    const QList<QPushButton*> buttons = ButtonsLeftToRight(box);
    QCOMPARE(buttons.size(), xs.size());
    for (int i = 0; i < buttons.size(); ++i) {
        QCOMPARE(buttons[i]->geometry(), QRect(xs[i], 10, 80, 25));
        QCOMPARE(buttons[i]->objectName(), names[i]);
    }
    for (QPushButton* b : buttons) {
        if (b->objectName() == QLatin1String("btnOK"))
            QCOMPARE(b->text(), Text("MainWnd/OK"));
        else if (b->objectName() == QLatin1String("btnCancel"))
            QCOMPARE(b->text(), Text("MainWnd/Cancel"));
        else
            QCOMPARE(b->text(), QStringLiteral("Upgrade"));
    }
    QVERIFY(box.pMessageLabel);
    QCOMPARE(box.pMessageLabel->text(), text);
    QVERIFY(HasLabelWithText(box, heading));
    QCOMPARE(box.pCheckBox != nullptr, checkBox);
    if (checkBox) {
        QVERIFY(box.pCheckBox->isChecked());
        QCOMPARE(box.pCheckBox->text(), Text("Messages/MSG0107"));
    }
    QCOMPARE(box.GetMessageBoxRet(), 1);
    QCOMPARE(box.nCheckBox, 0);
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(box.size(), QSize(width, 180));
}

void TestMessageBox::results_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("ret");
    QTest::addColumn<int>("checkValue");
    QTest::addColumn<bool>("opensProduct");

    QTest::newRow("delete OK, ticked") << Kind::Delete << "ok" << 0 << 1 << false;
    QTest::newRow("delete OK, cleared") << Kind::Delete << "untick ok" << 0 << 0 << false;
    QTest::newRow("delete Cancel") << Kind::Delete << "cancel" << 1 << 0 << false;
    QTest::newRow("delete Escape") << Kind::Delete << "escape" << 1 << 0 << false;
    QTest::newRow("question OK") << Kind::Question << "ok" << 0 << 0 << false;
    QTest::newRow("question Cancel") << Kind::Question << "cancel" << 1 << 0 << false;
    QTest::newRow("question Escape") << Kind::Question << "escape" << 1 << 0 << false;
    QTest::newRow("notice OK") << Kind::Notice << "ok" << 0 << 0 << false;
    QTest::newRow("notice Escape") << Kind::Notice << "escape" << 1 << 0 << false;
    QTest::newRow("upgrade Upgrade") << Kind::Upgrade << "upgrade" << 0 << 0 << true;
    QTest::newRow("upgrade Cancel") << Kind::Upgrade << "cancel" << 1 << 0 << false;
    QTest::newRow("upgrade Escape") << Kind::Upgrade << "escape" << 1 << 0 << false;
    // Escape keeps what the owner stored while the dialog ran.
    QTest::newRow("owner's value, Escape")
        << Kind::NoticeWithoutButton << "owner escape" << -1 << 0 << false;
}

void TestMessageBox::results()
{
    QFETCH(Kind, kind);
    QFETCH(QString, action);
    QFETCH(int, ret);
    QFETCH(int, checkValue);
    QFETCH(bool, opensProduct);

    m_urls.urls.clear();
    CMessageBox box;
    box.setFixedSize(500, 180);
    Fill(box, kind, QStringLiteral("Go on?"));

    bool bActed = false;
    QTimer::singleShot(0, &box, [&] {
        auto* modal = qobject_cast<CMessageBox*>(QApplication::activeModalWidget());
        if (modal != &box)
            return;
        bActed = true;
        auto click = [&](const char* name) {
            auto* b = box.findChild<QPushButton*>(QString::fromLatin1(name));
            QVERIFY(b);
            QTest::mouseClick(b, Qt::LeftButton);
        };
        if (action == QLatin1String("ok")) {
            click("btnOK");
        } else if (action == QLatin1String("untick ok")) {
            QTest::mouseClick(box.pCheckBox, Qt::LeftButton);
            QVERIFY(!box.pCheckBox->isChecked());
            click("btnOK");
        } else if (action == QLatin1String("cancel")) {
            click("btnCancel");
        } else if (action == QLatin1String("upgrade")) {
            click("btnUpgrade");
        } else if (action == QLatin1String("escape")) {
            QTest::keyClick(&box, Qt::Key_Escape);
        } else if (action == QLatin1String("owner escape")) {
            box.nRet = -1;
            QTest::keyClick(&box, Qt::Key_Escape);
        }
    });
    // Whatever happens above, the dialog must not outlive the test.
    QPointer<CMessageBox> guard(&box);
    QTimer::singleShot(10000, &box, [guard] {
        if (guard)
            guard->close();
    });
    box.exec();

    QVERIFY(bActed);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.GetMessageBoxRet(), ret);
    QCOMPARE(box.nCheckBox, checkValue);
    if (opensProduct) {
        QCOMPARE(m_urls.urls.size(), 1);
        QCOMPARE(m_urls.urls.first(), QUrl(CURLConfig::GetInstance()->ProductUrl()));
        QVERIFY(m_urls.urls.first().isValid());
    } else {
        QVERIFY(m_urls.urls.isEmpty());
    }
}

void TestMessageBox::noticeWithoutButtonEndsWhenItsOwnerClosesIt()
{
    CMessageBox box;
    box.setFixedSize(500, 200);
    box.InitInfoDialog(QStringLiteral("Working"), true);
    QVERIFY(box.findChildren<QPushButton*>().isEmpty());

    bool bWasModal = false;
    QTimer::singleShot(0, &box, [&] {
        bWasModal = QApplication::activeModalWidget() == &box;
        box.close();
    });
    box.exec();
    QVERIFY(bWasModal);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.GetMessageBoxRet(), 1);
}

void TestMessageBox::fillingAgainReplacesTheContent()
{
    CMessageBox box;
    box.setFixedSize(500, 200);
    box.InitDelDialog(QStringLiteral("first"));
    box.InitInfoDialog(QStringLiteral("second"), false);

    QCOMPARE(box.findChildren<QPushButton*>().size(), 1);
    QVERIFY(!box.pCheckBox);
    QVERIFY(box.findChildren<QCheckBox*>().isEmpty());
    QCOMPARE(box.pMessageLabel->text(), QStringLiteral("second"));
    QVERIFY(!HasLabelWithText(box, QStringLiteral("first")));
}

void TestMessageBox::placement_data()
{
    QTest::addColumn<QRect>("owner");
    QTest::addColumn<int>("divX");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("main window at origin") << QRect(0, 0, 1000, 680) << 3 << QPoint(333, 226);
    QTest::newRow("main window moved") << QRect(120, 45, 1000, 680) << 3 << QPoint(453, 271);
    QTest::newRow("fractions cut off") << QRect(0, 0, 1001, 682) << 3 << QPoint(333, 227);
    QTest::newRow("a quarter across") << QRect(0, 0, 1000, 680) << 4 << QPoint(250, 226);
}

void TestMessageBox::placement()
{
    QFETCH(QRect, owner);
    QFETCH(int, divX);
    QFETCH(QPoint, expected);

    QWidget ownerWindow;
    ownerWindow.setWindowFlags(Qt::FramelessWindowHint);
    ownerWindow.setGeometry(owner);
    CMessageBox box;
    box.setFixedSize(400, 180);
    box.PlaceOver(&ownerWindow, divX);
    QCOMPARE(box.pos(), expected);
}

void TestMessageBox::dragging_data()
{
    QTest::addColumn<int>("pressButton");
    QTest::addColumn<int>("heldWhileMoving");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<bool>("systemMove"); // the window system moves windows itself

    QTest::newRow("left") << int(Qt::LeftButton) << int(Qt::LeftButton) << true << false;
    QTest::newRow("right") << int(Qt::RightButton) << int(Qt::RightButton) << false << false;
    QTest::newRow("left and right")
        << int(Qt::LeftButton) << int((Qt::LeftButton | Qt::RightButton).toInt()) << false << false;
    QTest::newRow("nothing held") << int(Qt::LeftButton) << int(Qt::NoButton) << false << false;
    QTest::newRow("left, system move")
        << int(Qt::LeftButton) << int(Qt::LeftButton) << false << true;
}

void TestMessageBox::dragging()
{
    QFETCH(int, pressButton);
    QFETCH(int, heldWhileMoving);
    QFETCH(bool, moves);
    QFETCH(bool, systemMove);
    int nAsked = 0;
    SetSystemMoveStarter([&](QWindow*) {
        ++nAsked;
        return systemMove;
    });

    CMessageBox box;
    box.setFixedSize(400, 180);
    box.InitQuestionDialog(QStringLiteral("drag me"));
    box.move(200, 150);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QPoint start = box.pos();
    const QPoint grab = box.frameGeometry().topLeft() + QPoint(50, 5);

    SendMouse(&box, QEvent::MouseButtonPress, grab, Qt::MouseButton(pressButton),
              Qt::MouseButtons(pressButton));
    SendMouse(&box, QEvent::MouseMove, grab + QPoint(70, 40), Qt::NoButton,
              Qt::MouseButtons(heldWhileMoving));
    SetSystemMoveStarter(nullptr);
    QCOMPARE(box.pos(), moves ? start + QPoint(70, 40) : start);
    QCOMPARE(nAsked, moves || systemMove ? 1 : 0);
    box.close();
}

QTEST_MAIN(TestMessageBox)
#include "moc_framefixture.cpp"
#include "tst_messagebox.moc"
