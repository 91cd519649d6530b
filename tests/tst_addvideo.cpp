// The add-video dialog with the real extractor against the loopback site: listing, choosing,
// the ways out, failed and cancelled analyses, and the output folder row.

#include "cmessagebox.h"
#include "cmythread.h"
#include "dodivezparseui.h"
#include "drui.h"
#include "extractormanager.h"
#include "framefixture.h"
#include "helpers.h"
#include "infofiles.h"
#include "languagesconfig.h"
#include "outputpath.h"
#include "paths.h"
#include "platform.h"
#include "testsupport.h"
#include "urlconfig.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMutexLocker>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QAccessible>
#include <QtTest>
#include <functional>

using namespace fixture;

namespace {

QString Text(const char* key)
{
    return CLanguagesConfig::GetInstance()->ReadLanguageInfo(key);
}

// The loopback page's rows in the format table: three video rows, then audio as M4A and MP3.
constexpr int kVideoRows = 3;
constexpr int kListedRows = kVideoRows + 2;

// Watches the modal dialogs while an analysis runs: answers every notice other than the
// dialog's own waiting notice with OK (keeping its text), and hands the waiting notice, once
// it is up, to `onWaiting` (once).
class CModalWatcher : public QObject
{
public:
    explicit CModalWatcher(CDodivezParseUI& dialog) : m_dialog(dialog)
    {
        connect(&m_timer, &QTimer::timeout, this, &CModalWatcher::Check);
        m_timer.start(20);
    }

    QStringList notices;
    std::function<void(CMessageBox&)> onWaiting;

private:
    void Check()
    {
        auto* box = qobject_cast<CMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (box == &m_dialog.WaitBox) {
            if (onWaiting) {
                auto action = std::move(onWaiting);
                onWaiting = nullptr;
                action(*box);
            }
            return;
        }
        notices << (box->pMessageLabel ? box->pMessageLabel->text() : QString());
        box->btnSlotOK();
    }

    CDodivezParseUI& m_dialog;
    QTimer m_timer;
};

// Types the link and presses the analyse button; returns the notices shown on the way.
QStringList Analyse(CDodivezParseUI& dialog, const QString& link,
                    std::function<void(CMessageBox&)> onWaiting = nullptr)
{
    CModalWatcher watcher(dialog);
    watcher.onWaiting = std::move(onWaiting);
    dialog.pUrlEdit->setText(link);
    QTest::mouseClick(dialog.pParseButton, Qt::LeftButton);
    return watcher.notices;
}

QStringList TableFormatIds(const QTableWidget* table)
{
    QStringList ids;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* item = table->item(row, 1);
        ids << (item ? item->data(Qt::UserRole).value<VIDEO_FILE_INFO>().QstrFormatId
                     : QStringLiteral("<none>"));
    }
    return ids;
}

_VIDEO_FILE_INFO_ Record(const QString& id, const QString& ext)
{
    _VIDEO_FILE_INFO_ info;
    info.QstrFormatId = id;
    info.QstrExt = ext;
    info.QstrQuality = id + QStringLiteral("p");
    info.QstrSize = QStringLiteral("1.00MB");
    info.QstrDuration = QStringLiteral("00:00:08");
    return info;
}

// Ticks a video's tick cell, or takes the tick away, as a click on it does.
void Toggle(QTableWidgetItem* tick)
{
    QVERIFY(tick);
    tick->setCheckState(tick->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

int CheckedId(const CDodivezParseUI& dialog)
{
    return dialog.pButtonGroup ? dialog.pButtonGroup->checkedId() : -2;
}

// Once the add-video dialog runs modally, hands it to `action`; a dialog still open afterwards
// is closed, so that a failing test never hangs.
void DriveAddDialog(QObject* context, std::function<void(CDodivezParseUI&)> action)
{
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, action] {
        auto* dialog = qobject_cast<CDodivezParseUI*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        action(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
    timer->start(20);
}

QString NextStamp(const QString& stamp)
{
    QDateTime t = QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd-hh-mm-ss"));
    t.setTimeSpec(Qt::UTC);
    return t.addSecs(1).toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss"));
}

// The ways of leaving the dialog other than OK.
void AddWaysOut()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("window closed") << "close";
}

void LeaveWithoutOk(CDodivezParseUI& d, const QString& way)
{
    if (way == QLatin1String("cancel"))
        QTest::mouseClick(d.pCancelButton, Qt::LeftButton);
    else if (way == QLatin1String("escape"))
        QTest::keyClick(&d, Qt::Key_Escape);
    else
        d.close();
}

QStringList FileNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestAddVideo : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void OpenUrl(const QUrl& url) { m_openedUrls << url; }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void analyseListsFormatsInReverse();
    void rowAndRadioStayTogether_data();
    void rowAndRadioStayTogether();
    void okTakesCurrentRowWithEditedLink();
    void choicesMakeRecord_data();
    void choicesMakeRecord();
    void choicesFitBelowTable_data();
    void choicesFitBelowTable();
    void failedAnalysis_data();
    void failedAnalysis();
    void escapeCancelsAnalysis();
    void secondAnalysisReplacesFirst_data();
    void secondAnalysisReplacesFirst();
    void waysOutWithoutOk_data();
    void waysOutWithoutOk();
    void chooseFolder_data();
    void chooseFolder();
    void openFolderCreatesIt();
    void chooseTipReadable();
    void addFilesStartsChosenTask();
    void addFilesWithoutOk_data();
    void addFilesWithoutOk();
    void linksFromOutside_data();
    void linksFromOutside();
    void severalLinksAddTickedVideos_data();
    void severalLinksAddTickedVideos();
    void severalLinksEscapeStopsExtractors();
    void playlistAddsTickedEntries_data();
    void playlistAddsTickedEntries();
    void longPlaylistListsItems();

private:
    QString DataDir() const { return DataFolder(); }

    QTemporaryDir m_home;
    CMediaServer m_server;
    QList<QUrl> m_openedUrls;
    std::unique_ptr<CDodivezParseUI> m_listed; // analysed once, used by the choosing tests
    std::unique_ptr<CDodivezParseUI> m_subbed; // the page with subtitles, analysed once
};

void TestAddVideo::initTestCase()
{
    QVERIFY(m_home.isValid());
    IsolateHome(m_home.path());
    SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
    QDir().mkpath(DataDir());
    QVERIFY(!Text("Messages/MSG0108").isEmpty());
    RegisterTaskRowTypes();
    // The main window's update check and shut-down never leave this machine.
    CURLConfig::Overrides overrides;
    overrides.site1 = QStringLiteral("http://127.0.0.1:9");
    overrides.site2 = QStringLiteral("http://127.0.0.1:9");
    overrides.nChineseSystem = 0;
    overrides.curlProgram = QStringLiteral("false");
    overrides.dataFolder = DataFolder();
    CURLConfig::GetInstance()->SetOverrides(overrides);
    SetShutdownRunner([](const QString&, const QStringList&) {});
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "OpenUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "OpenUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "OpenUrl");
    const QString media = MakeMedia();
    QVERIFY(!media.isEmpty());
    QVERIFY(m_server.Start(media));
}

void TestAddVideo::cleanupTestCase()
{
    m_listed.reset();
    m_subbed.reset();
    m_server.Stop();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    SetShutdownRunner(nullptr);
}

void TestAddVideo::analyseListsFormatsInReverse()
{
    m_listed = std::make_unique<CDodivezParseUI>();
    CDodivezParseUI& d = *m_listed;
    d.InitDialog();
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));

    // No stored folder: the documents folder is shown, and nothing is created or written.
    const QString defaultFolder =
        qEnvironmentVariable("HOME") + QStringLiteral("/Documents/Quillane/");
    QVERIFY(defaultFolder.startsWith(m_home.path() + QLatin1Char('/')));
    QCOMPARE(d.pOutputEdit->text(), defaultFolder);
    QVERIFY(!d.pParseButton->isEnabled());
    QVERIFY(!d.pOkButton->isEnabled());

    // Text typed into the folder field is never used.
    d.pOutputEdit->setText(QStringLiteral("/typed/elsewhere/"));
    const QStringList notices = Analyse(d, m_server.PageUrl(QStringLiteral("Fixture Clip")));
    QCOMPARE(notices, QStringList());

    const QList<ClipFormat> formats = ClipFormats();
    QStringList listed;
    for (const _VIDEO_FILE_INFO_& r : d.vecVideoInfo)
        listed << r.QstrFormatId;
    QCOMPARE(listed, QStringList({formats[0].id, formats[1].id, formats[2].id}));
    QCOMPARE(TableFormatIds(d.pFormatTable),
             QStringList({formats[2].id, formats[1].id, formats[0].id, "ba", "ba"}));
    QCOMPARE(CheckedId(d), 0);
    QCOMPARE(d.pFormatTable->currentRow(), 0);
    QVERIFY(d.pOkButton->isEnabled());
    QVERIFY(d.pParseButton->isEnabled());

    const auto* radio = qobject_cast<QRadioButton*>(d.pFormatTable->cellWidget(0, 0));
    QVERIFY(radio);
    QCOMPARE(radio->text(), formats[2].ext);
    const QString size = RecordSizeText(QFileInfo(MakeMedia() + "/" + formats[2].file).size());
    QCOMPARE(d.pFormatTable->item(0, 2)->text(), size);
    QCOMPARE(d.pFormatTable->item(0, 3)->text(), QStringLiteral("00:00:08"));
    // The quality with the codec's name; the record keeps the quality alone.
    QVERIFY(!d.vecVideoInfo[2].QstrQuality.isEmpty());
    QCOMPARE(d.pFormatTable->item(0, 1)->text(),
             d.vecVideoInfo[2].QstrQuality + QString::fromUtf8(" \u00b7 H.264"));

    // Below the video rows of the same table: audio as M4A and as MP3, with the size of the
    // audio stream, their radios in the same choice.
    const QString audioSize = RecordSizeText(QFileInfo(MakeMedia() + "/" + formats[3].file).size());
    for (int row = kVideoRows; row < kListedRows; ++row) {
        auto* audioRadio = qobject_cast<QRadioButton*>(d.pFormatTable->cellWidget(row, 0));
        QVERIFY(audioRadio);
        QCOMPARE(audioRadio->text(), Text("Choices/AudioRow").arg(row > kVideoRows ? "MP3" : "M4A"));
        QCOMPARE(d.pButtonGroup->id(audioRadio), row);
        QVERIFY(!audioRadio->isChecked());
        QCOMPARE(d.pFormatTable->item(row, 2)->text(), audioSize);
        QCOMPARE(d.pFormatTable->rowHeight(row), 30);
    }
    // Every control shown has a name in the accessibility tree.
    for (QWidget* control : d.findChildren<QWidget*>()) {
        if (control->isVisible() && control->focusPolicy() != Qt::NoFocus)
            QVERIFY2(!QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty(),
                     control->metaObject()->className());
    }
    // The table where it ever was; the other choices between it and the output folder row.
    QCOMPARE(d.pFormatTable->geometry(), QRect(0, 110, 760, 300));
    QVERIFY(d.pChoices->isVisible());
    const auto inDialog = [&d](const QWidget* w) { return QRect(w->mapTo(&d, QPoint()), w->size()); };
    QVERIFY(inDialog(d.pChoices).top() >= inDialog(d.pFormatTable).bottom());
    QVERIFY(inDialog(d.pChoices).bottom() < inDialog(d.pOutputEdit).top());
    // Every loopback format plays everywhere: the compatible box keeps every row; conversion
    // is offered only with it.
    QVERIFY(d.pChoices->pCompatibleBox->isEnabled());
    QVERIFY(!d.pChoices->pConvertBox->isEnabled());
    d.pChoices->pCompatibleBox->click();
    QVERIFY(d.pChoices->pConvertBox->isEnabled());
    for (int row = 0; row < 3; ++row)
        QVERIFY(!d.pFormatTable->isRowHidden(row));
    d.pChoices->pCompatibleBox->click();
    QVERIFY(!d.pChoices->pConvertBox->isEnabled());

    for (const _VIDEO_FILE_INFO_& r : d.vecVideoInfo) {
        QCOMPARE(r.QstrTitle, QStringLiteral("Fixture Clip"));
        QCOMPARE(r.QstrOutputDir, defaultFolder);
        QCOMPARE(r.QstrThumbPath, d.QstrThumbFile);
    }
    QVERIFY(d.QstrThumbFile.startsWith(DataDir()));
    QFile thumb(d.QstrThumbFile);
    QVERIFY2(thumb.open(QIODevice::ReadOnly), qPrintable(d.QstrThumbFile));
    QCOMPARE(thumb.read(2), QByteArray("\xff\xd8")); // a JPEG
    QVERIFY(!QFileInfo::exists(defaultFolder));
    QVERIFY(!QFileInfo::exists(OutputPathFile(DataDir())));
}

void TestAddVideo::rowAndRadioStayTogether_data()
{
    QTest::addColumn<bool>("clickRadio");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::newRow("size cell of the third row") << false << 2 << 2;
    QTest::newRow("radio of the second row") << true << 1 << 0;
    QTest::newRow("quality cell of the top row") << false << 0 << 1;
    QTest::newRow("radio of the third row") << true << 2 << 0;
    QTest::newRow("duration cell of the second row") << false << 1 << 3;
    QTest::newRow("radio of the MP3 row") << true << kListedRows - 1 << 0;
    QTest::newRow("size cell of the M4A row") << false << kVideoRows << 2;
    QTest::newRow("quality cell of the top row again") << false << 0 << 1;
}

void TestAddVideo::rowAndRadioStayTogether()
{
    QFETCH(bool, clickRadio);
    QFETCH(int, row);
    QFETCH(int, col);
    QVERIFY(m_listed && m_listed->pFormatTable->rowCount() == kListedRows);
    CDodivezParseUI& d = *m_listed;
    if (clickRadio) {
        auto* radio = qobject_cast<QRadioButton*>(d.pFormatTable->cellWidget(row, 0));
        QVERIFY(radio);
        radio->click();
    } else {
        QTableWidgetItem* item = d.pFormatTable->item(row, col);
        const QRect cell = d.pFormatTable->visualItemRect(item);
        QTest::mouseClick(d.pFormatTable->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QCOMPARE(CheckedId(d), row);
    QCOMPARE(d.pFormatTable->currentRow(), row);
}

void TestAddVideo::okTakesCurrentRowWithEditedLink()
{
    QVERIFY(m_listed && m_listed->pFormatTable->rowCount() == kListedRows);
    CDodivezParseUI& d = *m_listed;
    const QString size = d.pFormatTable->item(1, 2)->text();
    qobject_cast<QRadioButton*>(d.pFormatTable->cellWidget(1, 0))->click();
    const QString edited = QStringLiteral("http://127.0.0.1:9/edited");
    d.pUrlEdit->setText(edited);
    QTest::mouseClick(d.pOkButton, Qt::LeftButton);

    QCOMPARE(d.nCancelled, 0);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.SelectedInfo.QstrFormatId, ClipFormats()[1].id);
    QCOMPARE(d.SelectedInfo.QstrSize, size);
    QCOMPARE(d.SelectedInfo.QstrUrl, edited);
    QCOMPARE(d.SelectedInfo.QstrTitle, QStringLiteral("Fixture Clip"));
    QVERIFY(d.SelectedInfo.QstrTaskKey.isEmpty());
}

void TestAddVideo::choicesMakeRecord_data()
{
    QTest::addColumn<int>("audioRow"); // -1: the top video row
    QTest::addColumn<QStringList>("subtitles"); // the languages ticked
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("field"); // the record's format field; empty: refused
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("title");

    const QString id = ClipFormats()[2].id;
    const QStringList none;
    QTest::newRow("MP3") << 1 << none << "" << "" << "ba" << "mp3" << "Sub Page";
    QTest::newRow("M4A") << 0 << none << "" << "" << "ba" << "m4a" << "Sub Page";
    QTest::newRow("German subtitles") << -1 << QStringList{"de"} << "" << "" << id + " subs=de"
                                      << "mp4" << "Sub Page";
    QTest::newRow("German and English subtitles")
        << -1 << QStringList{"de", "en"} << "" << "" << id + " subs=de,en" << "mp4" << "Sub Page";
    QTest::newRow("English alone after both") << -1 << QStringList{"en"} << "" << ""
                                              << id + " subs=en" << "mp4" << "Sub Page";
    // The clip lasts eight seconds.
    QTest::newRow("a part") << -1 << none << "0:02" << "0:00:06" << id + " part=2-6" << "mp4"
                            << QString::fromUtf8("Sub Page (0:02\u20130:06)");
    QTest::newRow("To past the end refused") << -1 << none << "0:05" << "0:09" << "" << "" << "";
    QTest::newRow("To before From refused") << 0 << none << "0:06" << "0:02" << "" << "" << "";
}

void TestAddVideo::choicesMakeRecord()
{
    QFETCH(int, audioRow);
    QFETCH(QStringList, subtitles);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, field);
    QFETCH(QString, ext);
    QFETCH(QString, title);

    if (!m_subbed) {
        m_subbed = std::make_unique<CDodivezParseUI>();
        m_subbed->InitDialog();
        m_subbed->show();
        QCOMPARE(Analyse(*m_subbed, m_server.PageUrl(QStringLiteral("Sub Page")) + "&subs=1"),
                 QStringList());
    }
    CDodivezParseUI& d = *m_subbed;
    QCOMPARE(d.pFormatTable->rowCount(), kListedRows);
    QMenu* menu = d.pChoices->pSubtitleMenu;
    // The subtitle run ends on its own: the page's German and English tracks.
    QTRY_COMPARE(menu->actions().size(), 2);
    QStringList offered;
    for (QAction* action : menu->actions()) {
        offered << action->text();
        QVERIFY(action->isCheckable());
    }
    QCOMPARE(offered, QStringList({"de", "en"}));
    d.show();

    const int row = audioRow >= 0 ? kVideoRows + audioRow : 0;
    qobject_cast<QRadioButton*>(d.pFormatTable->cellWidget(row, 0))->click();
    // Ticked in the menu as a user does, one entry at a time; the button says what is chosen.
    for (QAction* action : menu->actions()) {
        if (action->isChecked() != subtitles.contains(action->text()))
            action->trigger();
    }
    QCOMPARE(d.pChoices->pSubtitleButton->text(),
             subtitles.isEmpty() ? Text("Choices/SubtitlesButtonNone")
                                 : Text("Choices/SubtitlesButton").arg(subtitles.join(", ")));
    d.pChoices->pFromEdit->setText(from);
    d.pChoices->pToEdit->setText(to);
    d.SelectedInfo = _VIDEO_FILE_INFO_();
    CModalWatcher watcher(d);
    QTest::mouseClick(d.pOkButton, Qt::LeftButton);

    if (field.isEmpty()) {
        QCOMPARE(watcher.notices, QStringList{Text("Choices/PartInvalid")});
        QVERIFY(d.isVisible());
        QVERIFY(d.SelectedInfo.QstrFormatId.isEmpty());
        return;
    }
    QCOMPARE(watcher.notices, QStringList());
    QVERIFY(!d.isVisible());
    QCOMPARE(d.nCancelled, 0);
    QCOMPARE(d.SelectedInfo.QstrFormatId, field);
    QCOMPARE(d.SelectedInfo.QstrExt, ext);
    QCOMPARE(d.SelectedInfo.QstrTitle, title);
    QCOMPARE(d.SelectedInfo.QstrSize, d.pFormatTable->item(row, 2)->text());
}

// In every shipped language the choices keep to the room below the format table, each text
// whole and no control over another, with the longest texts they can show.
void TestAddVideo::choicesFitBelowTable_data()
{
    QTest::addColumn<QString>("language");
    for (const QString& language : CLanguagesConfig::GetInstance()->GetAllLanguageKey())
        QTest::newRow(qPrintable(language)) << language;
}

void TestAddVideo::choicesFitBelowTable()
{
    QFETCH(QString, language);
    CLanguagesConfig* config = CLanguagesConfig::GetInstance();
    const QString before = config->GetLang();
    config->InitLanguageType(language); // not stored
    const auto restore = qScopeGuard([&] { config->InitLanguageType(before); });
    for (const bool bCompatible : {true, false}) {
        ListingResult listing;
        listing.records.push_back(Record(QStringLiteral("160"), QStringLiteral("mp4")));
        listing.records.back().QstrCodec = bCompatible ? "avc1.64001e" : "vp9";
        QWidget parent;
        CChoicesRow row(&parent);
        row.ShowListing(listing);
        row.ShowSubtitles({{"de", "", false}, {"en", "", true}});
        const int height = row.LayOut(760);
        QVERIFY2(height >= 20 && height <= 40, qPrintable(QString::number(height)));
        QList<QRect> taken;
        for (const QWidget* control : row.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<const QMenu*>(control))
                continue;
            const QRect place = control->geometry();
            QVERIFY(QRect(0, 0, 760, height).contains(place));
            QVERIFY(place.height() >= 18);
            // Texts are whole; the subtitle button's alone is cut short where need be.
            const bool bText = qobject_cast<const QCheckBox*>(control) ||
                               qobject_cast<const QLabel*>(control);
            if (bText)
                QVERIFY2(place.width() >= control->sizeHint().width(),
                         qPrintable(control->property("text").toString()));
            for (const QRect& other : taken)
                QVERIFY(!place.intersects(other));
            taken << place;
        }
        for (QAction* action : row.pSubtitleMenu->actions())
            action->trigger();
        QCOMPARE(row.Choices().subtitles, QStringList{"de"});
        QCOMPARE(row.Choices().autoSubtitles, QStringList{"en"});
        QVERIFY(!row.pSubtitleButton->text().isEmpty());
        QVERIFY(!row.pSubtitleButton->accessibleName().isEmpty());
    }
}

void TestAddVideo::failedAnalysis_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("bMissingExtractor");
    QTest::addColumn<QString>("cause"); // the notice's second part; empty: no notice
    QTest::newRow("404 page") << m_server.MissingUrl() << false << "Errors/Unavailable";
    QTest::newRow("page without a video") << m_server.NoVideoUrl() << false << "Errors/Unknown";
    QTest::newRow("no extractor") << m_server.PageUrl() << true << "";
}

void TestAddVideo::chooseTipReadable()
{
    CDodivezParseUI d;
    d.InitDialog();
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QVERIFY(ToolTipContrast(d.pChooseButton) >= 96);
}

void TestAddVideo::failedAnalysis()
{
    QFETCH(QString, link);
    QFETCH(bool, bMissingExtractor);
    QFETCH(QString, cause);
    const bool bNotice = !cause.isEmpty();
    QTemporaryDir emptyApp;
    if (bMissingExtractor)
        SetAppFolder(emptyApp.path());
    CDodivezParseUI d;
    d.InitDialog();
    const QStringList notices = Analyse(d, link);
    SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));

    // The notice's own text, then what went wrong.
    QCOMPARE(notices.size(), bNotice ? 1 : 0);
    if (bNotice) {
        QVERIFY(notices[0].startsWith(Text("Messages/MSG0108") + QStringLiteral("\n\n") +
                                      Text(cause.toLatin1().constData())));
        if (cause == QLatin1String("Errors/Unknown"))
            QVERIFY(notices[0].endsWith(QStringLiteral("Unsupported URL: ") + link));
    }
    QCOMPARE(d.WaitBox.GetMessageBoxRet(), bNotice ? -1 : 0);
    QCOMPARE(d.pFormatTable->rowCount(), 0);
    QVERIFY(d.vecVideoInfo.empty());
    QVERIFY(!d.pOkButton->isEnabled());
    QVERIFY(d.pParseButton->isEnabled());
}

void TestAddVideo::escapeCancelsAnalysis()
{
    CDodivezParseUI d;
    d.InitDialog();
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    // Throttled so hard that the thumbnail alone would take minutes.
    QVERIFY(m_server.SetRate(100));
    const QStringList notices = Analyse(
        d, m_server.PageUrl(), [](CMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    QVERIFY(m_server.SetRate(0));

    QCOMPARE(notices, QStringList());
    QVERIFY(d.pAnalysis && !d.pAnalysis->IsRunning());
    // The extractor was stopped, not waited for: the thumbnail never arrived whole.
    QVERIFY(QFileInfo(d.QstrThumbFile).size() < QFileInfo(MakeMedia() + "/thumb.jpg").size());
    QVERIFY(d.vecVideoInfo.empty());
    QCOMPARE(d.pFormatTable->rowCount(), 0);
    QVERIFY(!d.pOkButton->isEnabled());
    QVERIFY(d.pParseButton->isEnabled());
    QVERIFY(d.isVisible());
    QCOMPARE(d.nCancelled, 0); // only the notice was left, not the dialog

    // A later analysis works normally, and no late signal of the cancelled one cuts it short.
    QCOMPARE(Analyse(d, m_server.PageUrl(QStringLiteral("After"))), QStringList());
    QCOMPARE(d.pFormatTable->rowCount(), kListedRows);
    QCOMPARE(d.vecVideoInfo.front().QstrTitle, QStringLiteral("After"));
}

void TestAddVideo::secondAnalysisReplacesFirst_data()
{
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("codecs"); // of the video rows, top first
    const QString h264 = QStringLiteral("H.264");
    QTest::newRow("another video") << m_server.PageUrl(QStringLiteral("Second Clip"))
                                   << QStringList{h264, h264, h264};
    QTest::newRow("a page without a video") << m_server.NoVideoUrl() << QStringList{};
    QVERIFY(MakeCodecsClip(MakeMedia()));
    QTest::newRow("a page offering H.264 and VP9")
        << m_server.PageUrl(QStringLiteral("Second Clip")) + "&codecs=1"
        << QStringList{QStringLiteral("VP9"), h264};
}

void TestAddVideo::secondAnalysisReplacesFirst()
{
    QFETCH(QString, second);
    QFETCH(QStringList, codecs);
    const int videos = int(codecs.size());
    const int rows = videos > 0 ? videos + 2 : 0; // the audio rows below the video rows
    CDodivezParseUI d;
    d.InitDialog();
    Analyse(d, m_server.PageUrl(QStringLiteral("First Clip")));
    QCOMPARE(d.pFormatTable->rowCount(), kListedRows);
    Analyse(d, second);
    QCOMPARE(d.pFormatTable->rowCount(), rows);
    QCOMPARE(int(d.vecVideoInfo.size()), videos);
    QCOMPARE(d.pOkButton->isEnabled(), rows > 0);
    for (int row = 0; row < rows; ++row) {
        const auto info = d.pFormatTable->item(row, 1)->data(Qt::UserRole).value<VIDEO_FILE_INFO>();
        QCOMPARE(info.QstrTitle, QStringLiteral("Second Clip"));
        if (row < videos) // the quality and the codec's name
            QVERIFY2(d.pFormatTable->item(row, 1)->text().endsWith(QString::fromUtf8(" \u00b7 ") +
                                                                  codecs[row]),
                     qPrintable(d.pFormatTable->item(row, 1)->text()));
    }
    if (videos == 0)
        return;
    // "Compatible file" keeps only the H.264 rows (and the audio rows); a hidden row gives up
    // the choice to the top row still listed. Unticked, every row is back.
    QCOMPARE(CheckedId(d), 0);
    d.pChoices->pCompatibleBox->click();
    const int firstH264 = int(codecs.indexOf(QStringLiteral("H.264")));
    for (int row = 0; row < rows; ++row)
        QCOMPARE(d.pFormatTable->isRowHidden(row), row < videos && codecs[row] != "H.264");
    QCOMPARE(CheckedId(d), firstH264);
    QCOMPARE(d.pFormatTable->currentRow(), firstH264);
    d.pChoices->pCompatibleBox->click();
    for (int row = 0; row < rows; ++row)
        QVERIFY(!d.pFormatTable->isRowHidden(row));
}

void TestAddVideo::waysOutWithoutOk_data()
{
    AddWaysOut();
}

void TestAddVideo::waysOutWithoutOk()
{
    QFETCH(QString, way);
    CDodivezParseUI d;
    d.InitDialog();
    std::vector<_VIDEO_FILE_INFO_> records{Record("160", "mp4"), Record("133", "webm")};
    d.RefreshVideoTable(records);
    QVERIFY(d.pOkButton->isEnabled());
    QTimer::singleShot(0, &d, [&d, way] { LeaveWithoutOk(d, way); });
    d.exec();
    QCOMPARE(d.nCancelled, 1);
    QVERIFY(d.SelectedInfo.QstrFormatId.isEmpty());
    QVERIFY(!d.isVisible());
}

void TestAddVideo::chooseFolder_data()
{
    QTest::addColumn<QString>("chosen");   // null: the user cancels the chooser
    QTest::addColumn<QString>("expected"); // null: the folder before stays
    QTest::addColumn<bool>("refused");     // a notice says why
    QTest::newRow("cancelled") << QString() << QString() << false;
    QTest::newRow("folder") << "/Volumes/Media/Video"
                            << "/Volumes/Media/Video/" << false;
    QTest::newRow("root") << "/"
                          << "//" << false;
    QTest::newRow("hashes and at signs") << "/m/a##@b #@/##@"
                                         << "/m/a##@b #@/##@/" << false;
    QTest::newRow("field separator") << "/m/a##@##b" << QString() << true;
    QTest::newRow("line break") << "/m/one\ntwo" << QString() << true;
}

void TestAddVideo::chooseFolder()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    QFETCH(bool, refused);
    QFile::remove(OutputPathFile(DataDir()));
    QVERIFY(WriteOutputPath(DataDir(), QStringLiteral("/before")));

    CDodivezParseUI d;
    d.InitDialog();
    QCOMPARE(d.pChooseButton->toolTip(), Text("MainWnd/TipChooseFolder"));
    QCOMPARE(d.pChooseButton->accessibleName(), Text("MainWnd/TipChooseFolder"));
    QCOMPARE(d.QstrOutputPath, QStringLiteral("/before/"));
    int asked = 0;
    d.chooseFolder = [&](QWidget* parent) {
        ++asked;
        return parent == &d ? chosen : QStringLiteral("/wrong parent");
    };
    CModalWatcher watcher(d);
    QTest::mouseClick(d.pChooseButton, Qt::LeftButton);
    QCOMPARE(asked, 1);
    QCOMPARE(watcher.notices, refused ? QStringList{Text("Messages/MSG0109")} : QStringList());

    if (expected.isNull())
        expected = QStringLiteral("/before/");
    QCOMPARE(d.QstrOutputPath, expected);
    QCOMPARE(d.pOutputEdit->text(), expected);
    QFile file(OutputPathFile(DataDir()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected.toUtf8());
    file.close();
    QFile::remove(OutputPathFile(DataDir()));
}

void TestAddVideo::openFolderCreatesIt()
{
    QTemporaryDir target;
    const QString folder = target.path() + QStringLiteral("/a/b/c");
    CDodivezParseUI d;
    d.InitDialog();
    d.chooseFolder = [&](QWidget*) { return folder; };
    QTest::mouseClick(d.pChooseButton, Qt::LeftButton);
    QFile::remove(OutputPathFile(DataDir()));
    QVERIFY(!QFileInfo::exists(folder));

    m_openedUrls.clear();
    QTest::mouseClick(d.pOpenButton, Qt::LeftButton);
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(m_openedUrls.size(), 1);
    QCOMPARE(m_openedUrls.front().scheme(), QStringLiteral("file"));
    QCOMPARE(QDir(m_openedUrls.front().toLocalFile()).canonicalPath(),
             QDir(folder).canonicalPath());
}

void TestAddVideo::addFilesStartsChosenTask()
{
    QFile::remove(OutputPathFile(DataDir()));
    DRUI w;
    w.Init();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Finished();
    const int rowsBefore = w.pDownloadTable->rowCount();

    // Every key of the coming half minute is taken already: the new task must not reuse one.
    QStringList taken;
    QString stamp = CurrentTimeStamp();
    for (int i = 0; i < 30; ++i, stamp = NextStamp(stamp)) {
        QCOMPARE(WriteInfoFile(w.QstrDownloadingDir, stamp, QStringLiteral("taken\n")), 0);
        taken << stamp;
    }

    const QString link = m_server.PageUrl(QStringLiteral("Added Clip"));
    DriveAddDialog(this, [&](CDodivezParseUI& d) {
        Analyse(d, link);
        if (d.pFormatTable->rowCount() != kListedRows)
            return;
        qobject_cast<QRadioButton*>(d.pFormatTable->cellWidget(1, 0))->click();
        QTest::mouseClick(d.pOkButton, Qt::LeftButton);
    });
    w.AddFiles();

    QCOMPARE(w.pDownloadTable->rowCount(), rowsBefore + 1);
    QCOMPARE(w.engine.Count(), rowsBefore + 1);
    const _VIDEO_DOWNLOAD_INFO_ task = w.DownloadInfoAt(rowsBefore);
    const QString key = task.VideoFileInfo.QstrTaskKey;
    QVERIFY2(QRegularExpression("^\\d{4}(-\\d\\d){5}$").match(key).hasMatch(), qPrintable(key));
    QVERIFY2(!taken.contains(key), qPrintable(key));
    QCOMPARE(task.VideoFileInfo.QstrUrl, link);
    QCOMPARE(task.VideoFileInfo.QstrFormatId, ClipFormats()[1].id);
    QCOMPARE(task.VideoFileInfo.QstrTitle, QStringLiteral("Added Clip"));
    QVERIFY(task.bRunning);
    QVERIFY(task.pProcess && task.pProcess->state() != QProcess::NotRunning);
    QVERIFY(QFileInfo::exists(w.QstrDownloadingDir + key));
    QCOMPARE(w.pPageStack->currentWidget(), w.pDownloadingPage);
    w.StopAllRuns();
}

void TestAddVideo::addFilesWithoutOk_data()
{
    AddWaysOut();
}

void TestAddVideo::addFilesWithoutOk()
{
    QFETCH(QString, way);
    DRUI w;
    w.Init();
    w.Finished();
    const int rowsBefore = w.pDownloadTable->rowCount();
    const QStringList filesBefore = FileNames(w.QstrDownloadingDir);

    DriveAddDialog(this, [&](CDodivezParseUI& d) {
        Analyse(d, m_server.PageUrl());
        QCOMPARE(d.pFormatTable->rowCount(), kListedRows); // OK would have been possible
        LeaveWithoutOk(d, way);
    });
    w.AddFiles();

    QCOMPARE(w.pDownloadTable->rowCount(), rowsBefore);
    QCOMPARE(FileNames(w.QstrDownloadingDir), filesBefore);
    QCOMPARE(w.pPageStack->currentWidget(), w.pFinishedPage);
}

// A link dropped onto the window or copied to the clipboard opens the add-video dialog with it
// analysed; the clipboard only while watched, and a link only once.
void TestAddVideo::linksFromOutside_data()
{
    QTest::addColumn<QString>("way"); // drop-urls, drop-text, clipboard
    QTest::addColumn<bool>("bWatch");
    QTest::addColumn<int>("nDialogs");
    QTest::newRow("dropped link") << "drop-urls" << false << 1;
    QTest::newRow("dropped text") << "drop-text" << false << 1;
    QTest::newRow("dropped text with two links: one dialog") << "drop-two" << false << 1;
    QTest::newRow("copied, watched") << "clipboard" << true << 1;
    QTest::newRow("copied, not watched") << "clipboard" << false << 0;
}

void TestAddVideo::linksFromOutside()
{
    QFETCH(QString, way);
    QFETCH(bool, bWatch);
    QFETCH(int, nDialogs);
    DRUI w;
    w.Init();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QuillaneSettings settings = w.pExtractorManager->Settings();
    settings.bWatchClipboard = bWatch;
    w.pExtractorManager->ApplySettings(settings);
    const QString link = m_server.PageUrl(QStringLiteral("Dropped Clip"));
    const QString second = m_server.PageUrl(QStringLiteral("Second Clip"));

    // Each dialog that opens is left once its analysis has listed the formats.
    QStringList analysed;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* d = qobject_cast<CDodivezParseUI*>(QApplication::activeModalWidget());
        const bool bBatchDone = d && d->IsBatch() && d->pBatch->Count() == 2 &&
                                !d->pBatch->IsRunning() && d->pBatchTable->item(1, 0);
        if (d && (d->pFormatTable->rowCount() == kListedRows || bBatchDone)) {
            analysed << d->pUrlEdit->text();
            d->close();
        }
    });
    poll.start(20);
    const int rowsBefore = w.pDownloadTable->rowCount();
    for (int i = 0; i < 2; ++i) { // the same link twice: the clipboard offers it once
        if (way == QLatin1String("clipboard")) {
            QGuiApplication::clipboard()->setText(QStringLiteral("see ") + link + QStringLiteral(" here"));
        } else {
            QMimeData mime;
            if (way == QLatin1String("drop-urls"))
                mime.setUrls({QUrl(link)});
            else if (way == QLatin1String("drop-text"))
                mime.setText(link + QStringLiteral("\nnot a link"));
            else
                mime.setText(link + QStringLiteral("\n") + second);
            QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &drop);
        }
        const int expected = way == QLatin1String("clipboard") ? nDialogs : nDialogs * (i + 1);
        QTRY_COMPARE_WITH_TIMEOUT(analysed.size(), expected, 60000);
        QTest::qWait(300); // a dialog that should not open would be up by now
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(analysed.size(), expected);
    }
    for (int i = 0; i < analysed.size(); ++i)
        QCOMPARE(analysed[i], way == QLatin1String("drop-two") ? link + " " + second : link);
    QCOMPARE(w.pDownloadTable->rowCount(), rowsBefore); // nothing without OK
}

// Several links pasted one per line: one row per video, a failed link greyed with its cause,
// and OK adds every ticked video as a task of its own, with the format the rule picks.
void TestAddVideo::severalLinksAddTickedVideos_data()
{
    QTest::addColumn<QList<int>>("untick"); // rows whose tick is taken off
    QTest::addColumn<int>("rule");          // the rule's place in its list
    QTest::addColumn<QStringList>("added"); // the titles of the new tasks
    QTest::newRow("all ticked, best") << QList<int>{} << 0 << QStringList{"First", "Third"};
    QTest::newRow("first unticked, up to 480p") << QList<int>{0} << 5 << QStringList{"Third"};
}

void TestAddVideo::severalLinksAddTickedVideos()
{
    QFETCH(QList<int>, untick);
    QFETCH(int, rule);
    QFETCH(QStringList, added);
    DRUI w;
    w.Init();
    w.Finished();
    const int rowsBefore = w.pDownloadTable->rowCount();
    const QStringList links = {m_server.PageUrl(QStringLiteral("First")), m_server.MissingUrl(),
                               m_server.PageUrl(QStringLiteral("Third"))};
    const QList<ClipFormat> formats = ClipFormats();
    const QString bestSize = RecordSizeText(QFileInfo(MakeMedia() + "/" + formats[2].file).size());
    bool bChecked = false;
    DriveAddDialog(this, [&](CDodivezParseUI& d) {
        // Pasted one per line, with a blank line between: no notice, the dialog stays usable.
        QGuiApplication::clipboard()->setText(links.join(QStringLiteral("\n\n")));
        QTest::keyClick(d.pUrlEdit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Analyse(d, d.pUrlEdit->text()), QStringList());
        QVERIFY(d.IsBatch() && !d.pFormatTable->isVisible());
        QCOMPARE(d.pProgressLabel->text(), Text("MainWnd/BatchProgress").arg(0).arg(3));
        QCOMPARE(QApplication::activeModalWidget(), &d);
        QTRY_VERIFY_WITH_TIMEOUT(!d.pBatch->IsRunning(), 120000);
        QCOMPARE(d.pProgressLabel->text(), Text("MainWnd/BatchProgress").arg(3).arg(3));
        QCOMPARE(d.pBatchTable->rowCount(), 3);
        for (int row : {0, 2}) {
            const QTableWidgetItem* tick = d.pBatchTable->item(row, 0);
            QVERIFY(tick && tick->checkState() == Qt::Checked);
            QCOMPARE(tick->data(Qt::AccessibleTextRole).toString(),
                     Text("MainWnd/BatchTick") + ": " + d.pBatchTable->item(row, 1)->text());
            QCOMPARE(d.pBatchTable->item(row, 1)->text(), QString::fromLatin1(row ? "Third" : "First"));
            QCOMPARE(d.pBatchTable->item(row, 2)->text(), bestSize);
            QCOMPARE(d.pBatchTable->item(row, 3)->text(), QStringLiteral("00:00:08"));
        }
        // The 404: listed with its cause, greyed, without a tick.
        QVERIFY(!d.pBatchTable->item(1, 0));
        QCOMPARE(d.pBatchTable->item(1, 1)->text(), links[1]);
        QCOMPARE(d.pBatchTable->item(1, 2)->text(), Text("Errors/Unavailable"));
        QVERIFY(d.pOkButton->isEnabled());

        // OK is off while no video is ticked.
        const bool okAfter[] = {true, false, true, true};
        for (int k = 0; k < 4; ++k) {
            Toggle(d.pBatchTable->item(k % 2 * 2, 0));
            QCOMPARE(d.pOkButton->isEnabled(), okAfter[k]);
        }
        d.pRuleCombo->setCurrentIndex(rule);
        QCOMPARE(d.pBatchTable->item(0, 2)->text(), bestSize); // 360p fits every rule
        for (int row : untick)
            Toggle(d.pBatchTable->item(row, 0));
        QTest::mouseClick(d.pOkButton, Qt::LeftButton);
        QVERIFY(!d.isVisible());
        bChecked = true;
    });
    w.AddFiles();
    QVERIFY(bChecked);

    QCOMPARE(w.pDownloadTable->rowCount(), rowsBefore + added.size());
    QStringList keys;
    for (int k = 0; k < added.size(); ++k) {
        const _VIDEO_DOWNLOAD_INFO_ task = w.DownloadInfoAt(rowsBefore + k);
        QCOMPARE(task.VideoFileInfo.QstrTitle, added[k]);
        QCOMPARE(task.VideoFileInfo.QstrUrl, links[added[k] == QLatin1String("First") ? 0 : 2]);
        QCOMPARE(task.VideoFileInfo.QstrFormatId, formats[2].id);
        QVERIFY(!keys.contains(task.VideoFileInfo.QstrTaskKey));
        QVERIFY(QFileInfo::exists(w.QstrDownloadingDir + task.VideoFileInfo.QstrTaskKey));
        keys << task.VideoFileInfo.QstrTaskKey;
    }
    w.StopAllRuns();
}

void TestAddVideo::severalLinksEscapeStopsExtractors()
{
    CDodivezParseUI d;
    d.InitDialog();
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QVERIFY(m_server.SetRate(100)); // the thumbnails alone would take minutes
    Analyse(d, m_server.PageUrl(QStringLiteral("A")) + " " + m_server.PageUrl(QStringLiteral("B")) +
                   " " + m_server.PageUrl(QStringLiteral("C")));
    QTRY_COMPARE(d.pBatch->RunningCount(), 2);
    QVERIFY(!d.pOkButton->isEnabled());
    QTest::keyClick(&d, Qt::Key_Escape);
    QVERIFY(m_server.SetRate(0));
    QCOMPARE(d.pBatch->RunningCount(), 0);
    QVERIFY(!d.pBatch->IsRunning());
    QVERIFY(!d.isVisible());
    QCOMPARE(d.nCancelled, 1);
    QVERIFY(d.vecSelected.empty());
}

void TestAddVideo::playlistAddsTickedEntries_data()
{
    QTest::addColumn<bool>("bAfterVideo"); // the channel's link after a video's, or alone
    QTest::addColumn<int>("rule");         // the rule's place in its list
    QTest::addColumn<QString>("formatId"); // of every entry's task
    QTest::addColumn<QString>("ext");
    QTest::newRow("alone, up to 480p") << false << 5 << "bv upto=480"
                                       << "mp4";
    QTest::newRow("after a video, audio as MP3") << true << 7 << "ba"
                                                 << "mp3";
}

// The channel's three entries are listed ticked, as items; the buttons tick them all or none;
// OK adds one task per entry, with the entry's own link and the rule's format.
void TestAddVideo::playlistAddsTickedEntries()
{
    QFETCH(bool, bAfterVideo);
    QFETCH(int, rule);
    QFETCH(QString, formatId);
    QFETCH(QString, ext);
    DRUI w;
    w.Init();
    w.Finished();
    const int rowsBefore = w.pDownloadTable->rowCount();
    const QString video = m_server.PageUrl(QStringLiteral("Before"));
    const QString channel = m_server.ChannelUrl();
    const int first = bAfterVideo ? 2 : 0; // the video's row and the channel's own come first
    const QStringList titles = {"First Clip", "Gone Clip", "Third Clip"};
    bool bChecked = false;
    DriveAddDialog(this, [&](CDodivezParseUI& d) {
        QCOMPARE(Analyse(d, bAfterVideo ? video + " " + channel : channel), QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(!d.pBatch->IsRunning() && d.pBatchTable->rowCount() == first + 3,
                                 120000);
        QVERIFY(d.IsBatch() && !d.pFormatTable->isVisible());
        if (bAfterVideo) {
            QCOMPARE(d.pBatchTable->item(1, 1)->text(), QStringLiteral("Fixture Channel"));
            QCOMPARE(d.pBatchTable->item(1, 2)->text(), Text("Playlist/Entries").arg(3));
        } else {
            QCOMPARE(d.pProgressLabel->text(),
                     Text("Playlist/Count").arg(QStringLiteral("Fixture Channel")).arg(3));
        }
        for (int k = 0; k < 3; ++k) {
            const QTableWidgetItem* tick = d.pBatchTable->item(first + k, 0);
            QVERIFY(tick && !d.pBatchTable->cellWidget(first + k, 0));
            QCOMPARE(tick->checkState(), Qt::Checked);
            QVERIFY(tick->data(Qt::AccessibleTextRole).toString().endsWith(titles[k]));
            QCOMPARE(d.pBatchTable->item(first + k, 1)->text(), titles[k]);
            QCOMPARE(d.pBatchTable->item(first + k, 3)->text(), QStringLiteral("00:00:08"));
        }
        for (QWidget* control :
             {static_cast<QWidget*>(d.pTickAllButton), static_cast<QWidget*>(d.pTickNoneButton),
              static_cast<QWidget*>(d.pRuleCombo)}) {
            QVERIFY(control->isVisible());
            QVERIFY(!control->accessibleName().isEmpty() && !control->toolTip().isEmpty());
        }
        QTest::mouseClick(d.pTickNoneButton, Qt::LeftButton);
        QVERIFY(!d.pOkButton->isEnabled());
        QCOMPARE(d.pBatchTable->item(first + 1, 0)->checkState(), Qt::Unchecked);
        d.pBatchTable->item(first + 2, 0)->setCheckState(Qt::Checked); // one is enough
        QVERIFY(d.pOkButton->isEnabled());
        QTest::mouseClick(d.pTickAllButton, Qt::LeftButton);
        d.pRuleCombo->setCurrentIndex(rule);
        QTest::mouseClick(d.pOkButton, Qt::LeftButton);
        QVERIFY(!d.isVisible());
        bChecked = true;
    });
    w.AddFiles();
    QVERIFY(bChecked);

    const int videos = bAfterVideo ? 1 : 0;
    QCOMPARE(w.pDownloadTable->rowCount(), rowsBefore + videos + 3);
    QStringList keys;
    for (int k = 0; k < 3; ++k) {
        const _VIDEO_FILE_INFO_ task = w.DownloadInfoAt(rowsBefore + videos + k).VideoFileInfo;
        QCOMPARE(task.QstrTitle, titles[k]);
        QCOMPARE(task.QstrUrl,
                 m_server.BaseUrl() +
                     (k == 1 ? QStringLiteral("/gone")
                             : "/watch?title=" + QString(titles[k]).replace(' ', "%20")));
        QCOMPARE(task.QstrFormatId, formatId);
        QCOMPARE(task.QstrExt, ext);
        QVERIFY(!task.QstrOutputDir.isEmpty());
        QVERIFY(!keys.contains(task.QstrTaskKey));
        QVERIFY(QFileInfo::exists(w.QstrDownloadingDir + task.QstrTaskKey));
        keys << task.QstrTaskKey;
    }
    w.StopAllRuns();
}

// A thousand entries: read off the dialog's thread, listed as items without a widget each.
void TestAddVideo::longPlaylistListsItems()
{
    CDodivezParseUI d;
    d.InitDialog();
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(Analyse(d, m_server.ChannelUrl() + QStringLiteral("?entries=1000")), QStringList());
    QVERIFY(d.IsBatch());
    QCOMPARE(d.pBatchTable->rowCount(), 1000);
    for (int row = 0; row < 1000; ++row)
        QVERIFY(!d.pBatchTable->cellWidget(row, 0));
    QCOMPARE(d.pBatchTable->item(999, 1)->text(), QStringLiteral("Clip 1000"));
    QCOMPARE(int(d.BatchSelection().size()), 1000);
    QTest::mouseClick(d.pTickNoneButton, Qt::LeftButton);
    QVERIFY(d.BatchSelection().empty() && !d.pOkButton->isEnabled());
}

QTEST_MAIN(TestAddVideo)
#include "moc_framefixture.cpp"
#include "tst_addvideo.moc"
