#include "urlconfig.h"

#include <QLocale>

namespace {
const char kProductUrl[] = QUILLANE_SITE1 "/quillane.html";
const char kGuideUrl[] = QUILLANE_SITE1 "/guide/quillane.html";
const char kSupportUrl[] = QUILLANE_SITE1 "/support.html";
} // namespace

CURLConfig* CURLConfig::GetInstance()
{
    static CURLConfig s_URLConfig;
    return &s_URLConfig;
}

CURLConfig::CURLConfig()
{
    bChineseSystem = IsChineseSystem();
    Init();
}

void CURLConfig::Init()
{
    pProductUrl.store(kProductUrl);
    pGuideUrl.store(kGuideUrl);
    pSupportUrl.store(kSupportUrl);
}

bool CURLConfig::IsChineseSystem() const
{
    return QLocale::system().language() == QLocale::Chinese;
}
