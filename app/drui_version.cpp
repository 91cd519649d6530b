// The start-up update check and the first-start guide page.

#include "cmessagebox.h"
#include "drui.h"
#include "settingsdialog.h"
#include "languagesconfig.h"
#include "urlconfig.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>

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

void DRUI::VersionSlot()
{
    CURLConfig* urls = CURLConfig::GetInstance();
    urls->CheckUrl(this, [this, urls] {
        if ((urls->IsChineseSystem() || urls->IsShowUrl()) && !bIsFindViewInstallDir(QstrDataDir)) {
            btnHelpSlot();
            CreateViewInstallDir(QstrDataDir);
        }
        urls->GetVersionInfo(this, 512, [this](const QByteArray& remote) {
            const QString local = CLanguagesConfig::GetInstance()->GetVersion();
            if (IsNewerVersion(local, QString::fromUtf8(remote.constData())))
                Q_EMIT VersionSignal();
            Q_EMIT VersionChecked();
        });
    });
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
