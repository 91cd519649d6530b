// The start-up update check and the first-start guide page.

#include "cmessagebox.h"
#include "drui.h"
#include "settingsdialog.h"
#include "languagesconfig.h"
#include "urlconfig.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>

#include <sys/stat.h>
#include <sys/types.h>

namespace {

bool bIsFindViewInstallDir(const QString& dataDir)
{
    return QFileInfo::exists(dataDir + QStringLiteral("viewInstall"));
}

void CreateViewInstallDir(const QString& dataDir)
{
    ::mkdir(QFile::encodeName(dataDir + QStringLiteral("viewInstall")).constData(), 0644);
}

} // namespace

void DRUI::_VersionSlot(void* pParams, QString)
{
    static_cast<DRUI*>(pParams)->VersionSlot();
}

// Runs once per start on the version worker.
void DRUI::VersionSlot()
{
    CURLConfig* urls = CURLConfig::GetInstance();
    char buf[512 + 1] = {0};

    urls->CheckUrl();
    if ((urls->IsChineseSystem() || urls->IsShowUrl()) && !bIsFindViewInstallDir(QstrDataDir)) {
        // Opening a page is a job for the GUI thread.
        QMetaObject::invokeMethod(this, &DRUI::btnHelpSlot, Qt::QueuedConnection);
        CreateViewInstallDir(QstrDataDir);
    }

    const int nRet = urls->GetVersionInfo(buf, 512);
    const QString local = CLanguagesConfig::GetInstance()->GetVersion();
    const QString remote = QString::fromUtf8(buf);
    if (nRet == 0 && IsNewerVersion(local, remote))
        Q_EMIT VersionSignal();
}

// The update prompt; the window closes whatever the answer.
void DRUI::VersionSignalSlot()
{
    CMessageBox box;
    box.setFixedSize(500, 180);
    box.PlaceOver(this);
    box.InitUpgradeDialog(LanguageText("Messages/MSG0103"));
    box.exec();
    close();
}

void DRUI::OpenSettings(QWidget* owner, SettingsStart start)
{
    if (!owner)
        owner = this;
    CSettingsDialog dialog(pExtractorManager, QstrDataDir, owner);
    dialog.move(owner->pos() +
                QPoint((owner->width() - dialog.width()) / 2, (owner->height() - dialog.height()) / 2));
    if (start == SettingsStart::Update)
        dialog.StartUpdate();
    else if (start == SettingsStart::FetchRuntime)
        dialog.StartRuntimeFetch();
    else if (start == SettingsStart::Cookies)
        dialog.pCookiesBox->setFocus();
    dialog.exec();
}
