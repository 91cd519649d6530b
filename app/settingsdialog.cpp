#include "settingsdialog.h"

#include "extractormanager.h"
#include "fonts.h"
#include "languagesconfig.h"
#include "outputpath.h"
#include "styles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Every control is named for assistive technology and explained by its tool-tip.
template <typename W> W* Named(W* widget, const char* nameKey, const char* tipKey)
{
    widget->setAccessibleName(LanguageText(nameKey));
    widget->setToolTip(LanguageText(tipKey));
    widget->setFont(CalibriFont(11));
    return widget;
}

QLabel* RowLabel(QWidget* parent, const char* key)
{
    auto* label = new QLabel(LanguageText(key), parent);
    label->setFont(CalibriFont(11, true));
    SetWhiteText(label);
    return label;
}

QPushButton* Button(QWidget* parent, const char* textKey, const char* tipKey)
{
    auto* button = Named(new QPushButton(LanguageText(textKey), parent), textKey, tipKey);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(MainStyle::Layout2_main_button_style);
    button->setMinimumSize(110, 25);
    return button;
}

QLineEdit* Field(QWidget* parent, const char* nameKey, const char* tipKey)
{
    auto* edit = Named(new QLineEdit(parent), nameKey, tipKey);
    edit->setStyleSheet(QStringLiteral("color:white"));
    return edit;
}

// What each result of an update says, by CExtractorUpdater::Result.
const char* ResultKey(CExtractorUpdater::Result result)
{
    switch (result) {
    case CExtractorUpdater::Result::Installed:
        return "Settings/Installed";
    case CExtractorUpdater::Result::UpToDate:
        return "Settings/UpToDate";
    case CExtractorUpdater::Result::FetchFailed:
        return "Settings/FetchFailed";
    case CExtractorUpdater::Result::NoSignature:
        return "Settings/NoSignature";
    case CExtractorUpdater::Result::BadSignature:
        return "Settings/BadSignature";
    case CExtractorUpdater::Result::BadChecksum:
        return "Settings/BadChecksum";
    case CExtractorUpdater::Result::Broken:
        return "Settings/Broken";
    case CExtractorUpdater::Result::Failed:
        break;
    }
    return "Settings/Failed";
}

// What each result of a runtime fetch says, by CRuntimeFetcher::Result.
const char* RuntimeResultKey(CRuntimeFetcher::Result result)
{
    switch (result) {
    case CRuntimeFetcher::Result::Installed:
        return "Settings/RuntimeInstalled";
    case CRuntimeFetcher::Result::FetchFailed:
        return "Settings/RuntimeFetchFailed";
    case CRuntimeFetcher::Result::BadChecksum:
        return "Settings/RuntimeBadChecksum";
    case CRuntimeFetcher::Result::Broken:
        return "Settings/RuntimeBroken";
    case CRuntimeFetcher::Result::TooOld:
        return "Settings/RuntimeTooOld";
    case CRuntimeFetcher::Result::Failed:
        break;
    }
    return "Settings/RuntimeFailed";
}

// A text with "%1" gets `value` there.
QString Filled(const char* key, const QString& value)
{
    const QString text = LanguageText(key);
    return text.contains(QLatin1String("%1")) ? text.arg(value) : text;
}

} // namespace

CSettingsDialog::CSettingsDialog(CExtractorManager* manager, const QString& dataDir,
                                 QWidget* parent)
    : QDialog(parent), m_manager(manager), m_dataDir(dataDir)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::Dialog);
    setWindowTitle(LanguageText("Settings/Title"));
    setAccessibleName(LanguageText("Settings/Title"));
    setFixedSize(620, 640);
    setStyleSheet(MainStyle::WithToolTip(MainStyle::Main_BackGroud_style));
    choosePath = [](QWidget* owner, bool folder) {
        return folder ? QFileDialog::getExistingDirectory(owner)
                      : QFileDialog::getOpenFileName(owner);
    };

    auto* header = new QLabel(this);
    header->setStyleSheet(MainStyle::Layout1TopBackGroud_style);
    header->setMinimumSize(width(), 30);
    auto* heading = new QLabel(QStringLiteral(" ") + LanguageText("Settings/Title"), header);
    heading->setFont(CalibriFont(12));
    SetWhiteText(heading);
    heading->setGeometry(0, 8, 400, 20);

    auto* body = new QWidget(this);
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(20, 10, 20, 10);
    grid->setHorizontalSpacing(10);
    int row = 0;

    // The output folder: the same file as the add-video dialog's.
    QString stored = ReadOutputPath(dataDir);
    m_outputFolder = stored.endsWith(QLatin1Char('/')) ? stored.chopped(1) : stored;
    grid->addWidget(RowLabel(body, "Settings/OutputFolder"), row, 0);
    pOutputEdit = Field(body, "Settings/OutputFolder", "Settings/TipOutputFolder");
    pOutputEdit->setReadOnly(true);
    pOutputEdit->setText(stored);
    grid->addWidget(pOutputEdit, row, 1);
    auto* choose = Button(body, "Settings/Choose", "Settings/TipChoose");
    grid->addWidget(choose, row++, 2);
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString chosen = choosePath(this, true);
        if (chosen.isEmpty())
            return;
        if (!IsStorableOutputFolder(chosen)) {
            pStatusLabel->setText(LanguageText("Messages/MSG0109"));
            return;
        }
        m_outputFolder = chosen;
        pOutputEdit->setText(OutputPathFor(chosen));
    });

    // The extractor.
    grid->addWidget(RowLabel(body, "Settings/Extractor"), row, 0);
    pExtractorLabel = Named(new QLabel(body), "Settings/Extractor", "Settings/TipExtractor");
    SetWhiteText(pExtractorLabel);
    grid->addWidget(pExtractorLabel, row++, 1, 1, 2);
    grid->addWidget(RowLabel(body, "Settings/Channel"), row, 0);
    pChannelBox = Named(new QComboBox(body), "Settings/Channel", "Settings/TipChannel");
    pChannelBox->addItem(LanguageText("Settings/Stable"), QStringLiteral("stable"));
    pChannelBox->addItem(LanguageText("Settings/Nightly"), QStringLiteral("nightly"));
    grid->addWidget(pChannelBox, row, 1);
    pNeverCheck = Named(new QCheckBox(LanguageText("Settings/NeverUpdate"), body), "Settings/NeverUpdate",
                        "Settings/TipNeverUpdate");
    SetWhiteText(pNeverCheck);
    grid->addWidget(pNeverCheck, row++, 2);

    auto* actions = new QHBoxLayout;
    pUpdateButton = Button(body, "Settings/UpdateNow", "Settings/TipUpdateNow");
    pUpdateBar = Named(new QProgressBar(body), "Settings/UpdateNow", "Settings/TipUpdateBar");
    pUpdateBar->setRange(0, 100);
    pUpdateBar->setValue(0);
    pBundledButton = Button(body, "Settings/UseBundled", "Settings/TipUseBundled");
    actions->addWidget(pUpdateButton);
    actions->addWidget(pUpdateBar, 1);
    actions->addWidget(pBundledButton);
    grid->addLayout(actions, row++, 1, 1, 2);
    pStatusLabel = Named(new QLabel(body), "Settings/Status", "Settings/TipStatus");
    pStatusLabel->setWordWrap(true);
    SetWhiteText(pStatusLabel);
    grid->addWidget(pStatusLabel, row++, 1, 1, 2);
    connect(pUpdateButton, &QPushButton::clicked, this, &CSettingsDialog::StartUpdate);
    connect(pBundledButton, &QPushButton::clicked, this, [this] {
        if (!m_manager->UseBundled())
            pStatusLabel->setText(LanguageText("Settings/Failed"));
    });
    connect(m_manager, &CExtractorManager::UpdateProgress, pUpdateBar, &QProgressBar::setValue);
    connect(m_manager, &CExtractorManager::UpdateFinished, this,
            [this](CExtractorUpdater::Result result, const QString& version) {
                ShowUpdateResult(int(result), version);
            });
    connect(m_manager, &CExtractorManager::Changed, this, &CSettingsDialog::ShowExtractor);

    // The JavaScript runtime.
    grid->addWidget(RowLabel(body, "Settings/Runtime"), row, 0);
    pRuntimeLabel = Named(new QLabel(body), "Settings/Runtime", "Settings/TipRuntime");
    SetWhiteText(pRuntimeLabel);
    grid->addWidget(pRuntimeLabel, row++, 1, 1, 2);
    auto* fetch = new QHBoxLayout;
    pRuntimeFetchButton = Button(body, "Settings/FetchRuntime", "Settings/TipFetchRuntime");
    pRuntimeBar = Named(new QProgressBar(body), "Settings/FetchRuntime", "Settings/TipRuntimeBar");
    pRuntimeBar->setRange(0, 100);
    pRuntimeBar->setValue(0);
    fetch->addWidget(pRuntimeFetchButton);
    fetch->addWidget(pRuntimeBar, 1);
    grid->addLayout(fetch, row++, 1, 1, 2);
    pRuntimeStatusLabel =
        Named(new QLabel(body), "Settings/RuntimeStatus", "Settings/TipRuntimeStatus");
    pRuntimeStatusLabel->setWordWrap(true);
    SetWhiteText(pRuntimeStatusLabel);
    grid->addWidget(pRuntimeStatusLabel, row++, 1, 1, 2);
    connect(pRuntimeFetchButton, &QPushButton::clicked, this, &CSettingsDialog::StartRuntimeFetch);
    connect(m_manager, &CExtractorManager::RuntimeProgress, pRuntimeBar, &QProgressBar::setValue);
    connect(m_manager, &CExtractorManager::RuntimeFetched, this,
            [this](CRuntimeFetcher::Result result, const QString& version) {
                ShowRuntimeResult(int(result), version);
            });
    grid->addWidget(RowLabel(body, "Settings/RuntimePath"), row, 0);
    pRuntimeEdit = Field(body, "Settings/RuntimePath", "Settings/TipRuntimePath");
    grid->addWidget(pRuntimeEdit, row, 1);
    auto* browseRuntime = Button(body, "Settings/Browse", "Settings/TipBrowseRuntime");
    grid->addWidget(browseRuntime, row++, 2);
    connect(browseRuntime, &QPushButton::clicked, this, [this] {
        const QString chosen = choosePath(this, false);
        if (!chosen.isEmpty())
            pRuntimeEdit->setText(chosen);
    });

    // Browser cookies.
    grid->addWidget(RowLabel(body, "Settings/Cookies"), row, 0);
    pCookiesBox = Named(new QComboBox(body), "Settings/Cookies", "Settings/TipCookies");
    pCookiesBox->addItem(LanguageText("Settings/CookiesNone"), QString());
    for (const QString& browser : CookieBrowsers()) {
        QString shown = browser;
        shown[0] = shown[0].toUpper();
        pCookiesBox->addItem(shown, browser);
    }
    pCookiesBox->addItem(LanguageText("Settings/CookiesFile"), QStringLiteral("file"));
    grid->addWidget(pCookiesBox, row++, 1);
    grid->addWidget(RowLabel(body, "Settings/Profile"), row, 0);
    pProfileEdit = Field(body, "Settings/Profile", "Settings/TipProfile");
    grid->addWidget(pProfileEdit, row++, 1);
    grid->addWidget(RowLabel(body, "Settings/CookiesFile"), row, 0);
    pCookiesFileEdit = Field(body, "Settings/CookiesFile", "Settings/TipCookiesFile");
    grid->addWidget(pCookiesFileEdit, row, 1);
    auto* browseCookies = Button(body, "Settings/Browse", "Settings/TipBrowseCookies");
    grid->addWidget(browseCookies, row++, 2);
    connect(browseCookies, &QPushButton::clicked, this, [this] {
        const QString chosen = choosePath(this, false);
        if (!chosen.isEmpty())
            pCookiesFileEdit->setText(chosen);
    });
    connect(pCookiesBox, &QComboBox::currentIndexChanged, this,
            &CSettingsDialog::UpdateCookieFields);

    // Downloads.
    grid->addWidget(RowLabel(body, "Settings/AtOnce"), row, 0);
    pAtOnceBox = Named(new QComboBox(body), "Settings/AtOnce", "Settings/TipAtOnce");
    pAtOnceBox->addItem(LanguageText("Settings/Unlimited"), 0);
    for (int n = 1; n <= QuillaneSettings::kMaxDownloadsAtOnce; ++n)
        pAtOnceBox->addItem(QString::number(n), n);
    grid->addWidget(pAtOnceBox, row++, 1);
    pClipboardCheck = Named(new QCheckBox(LanguageText("Settings/WatchClipboard"), body),
                            "Settings/WatchClipboard", "Settings/TipWatchClipboard");
    SetWhiteText(pClipboardCheck);
    grid->addWidget(pClipboardCheck, row++, 1, 1, 2);
    pNotifyCheck = Named(new QCheckBox(LanguageText("Settings/Notify"), body), "Settings/Notify",
                         "Settings/TipNotify");
    SetWhiteText(pNotifyCheck);
    grid->addWidget(pNotifyCheck, row++, 1, 1, 2);
    grid->setRowStretch(row, 1);

    // OK and Cancel, as the message dialogs have them.
    auto* bar = new QLabel(this);
    bar->setStyleSheet(MainStyle::Layout1TopBackGroud_style);
    bar->setMinimumSize(width(), 40);
    pOkButton = Button(bar, "MainWnd/OK", "MainWnd/OK");
    pOkButton->setGeometry(width() / 2 - 130, 8, 110, 25);
    auto* cancel = Button(bar, "MainWnd/Cancel", "MainWnd/Cancel");
    cancel->setGeometry(width() / 2 + 20, 8, 110, 25);
    connect(pOkButton, &QPushButton::clicked, this, &CSettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CSettingsDialog::reject);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(header);
    outer->addWidget(body, 1);
    outer->addWidget(bar);

    // The settings as they are.
    const QuillaneSettings& s = m_manager->Settings();
    pChannelBox->setCurrentIndex(qMax(0, pChannelBox->findData(s.QstrChannel)));
    pNeverCheck->setChecked(s.bNeverUpdate);
    pRuntimeEdit->setText(s.QstrRuntimePath);
    pProfileEdit->setText(s.QstrCookiesProfile);
    pCookiesFileEdit->setText(s.QstrCookiesFile);
    const int cookies = s.QstrCookiesFile.isEmpty()
                            ? pCookiesBox->findData(s.QstrCookiesBrowser)
                            : pCookiesBox->findData(QStringLiteral("file"));
    pCookiesBox->setCurrentIndex(qMax(0, cookies));
    pAtOnceBox->setCurrentIndex(qMax(0, pAtOnceBox->findData(s.nDownloadsAtOnce)));
    pClipboardCheck->setChecked(s.bWatchClipboard);
    pNotifyCheck->setChecked(s.bNotifications);
    UpdateCookieFields();
    ShowExtractor();
    pUpdateButton->setEnabled(!m_manager->IsUpdating());
    pRuntimeFetchButton->setEnabled(!m_manager->IsFetchingRuntime());
    if (m_manager->IsFetchingRuntime())
        pRuntimeStatusLabel->setText(LanguageText("Settings/RuntimeFetching"));
}

void CSettingsDialog::StartRuntimeFetch()
{
    if (m_manager->IsFetchingRuntime())
        return;
    pRuntimeStatusLabel->setText(LanguageText("Settings/RuntimeFetching"));
    pRuntimeFetchButton->setEnabled(false);
    pRuntimeBar->setValue(0);
    m_manager->FetchRuntime();
}

void CSettingsDialog::ShowRuntimeResult(int result, const QString& version)
{
    pRuntimeFetchButton->setEnabled(true);
    pRuntimeStatusLabel->setText(
        Filled(RuntimeResultKey(CRuntimeFetcher::Result(result)), version));
}

void CSettingsDialog::StartUpdate()
{
    if (m_manager->IsUpdating())
        return;
    pStatusLabel->setText(LanguageText("Settings/Checking"));
    pUpdateButton->setEnabled(false);
    pUpdateBar->setValue(0);
    m_manager->UpdateNow();
}

void CSettingsDialog::ShowExtractor()
{
    const QString version = m_manager->ExtractorVersion();
    pExtractorLabel->setText(
        LanguageText(m_manager->IsBundled() ? "Settings/Bundled" : "Settings/Updated").arg(version));
    pBundledButton->setEnabled(!m_manager->IsBundled());
    const JsRuntime& runtime = m_manager->Runtime();
    pRuntimeLabel->setText(runtime.IsFound() ? runtime.QstrName + QLatin1Char(' ') +
                                                   runtime.QstrVersion + QStringLiteral(" · ") +
                                                   runtime.QstrPath
                                             : LanguageText("Settings/RuntimeNone"));
}

void CSettingsDialog::ShowUpdateResult(int result, const QString& version)
{
    pUpdateButton->setEnabled(true);
    pStatusLabel->setText(Filled(ResultKey(CExtractorUpdater::Result(result)), version));
    ShowExtractor();
}

void CSettingsDialog::UpdateCookieFields()
{
    const QString choice = pCookiesBox->currentData().toString();
    pProfileEdit->setEnabled(!choice.isEmpty() && choice != QLatin1String("file"));
    pCookiesFileEdit->setEnabled(choice == QLatin1String("file"));
}

void CSettingsDialog::accept()
{
    QuillaneSettings s = m_manager->Settings();
    s.QstrChannel = pChannelBox->currentData().toString();
    s.bNeverUpdate = pNeverCheck->isChecked();
    s.QstrRuntimePath = pRuntimeEdit->text().trimmed();
    const QString cookies = pCookiesBox->currentData().toString();
    s.QstrCookiesBrowser = cookies == QLatin1String("file") ? QString() : cookies;
    s.QstrCookiesProfile = s.QstrCookiesBrowser.isEmpty() ? QString() : pProfileEdit->text().trimmed();
    s.QstrCookiesFile = cookies == QLatin1String("file") ? pCookiesFileEdit->text().trimmed() : QString();
    s.nDownloadsAtOnce = pAtOnceBox->currentData().toInt();
    s.bWatchClipboard = pClipboardCheck->isChecked();
    s.bNotifications = pNotifyCheck->isChecked();
    m_manager->ApplySettings(s);
    if (OutputPathFor(m_outputFolder) != ReadOutputPath(m_dataDir))
        WriteOutputPath(m_dataDir, m_outputFolder);
    QDialog::accept();
}

void CSettingsDialog::mousePressEvent(QMouseEvent* event)
{
    BeginWindowDrag(this, event, m_drag);
}

void CSettingsDialog::mouseMoveEvent(QMouseEvent* event)
{
    ContinueWindowDrag(this, event, m_drag);
}
