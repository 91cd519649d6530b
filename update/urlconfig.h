#pragma once
// The web pages the program opens (product, guide, support) and the start-up update check.

#include <QString>
#include <atomic>

class CURLConfig
{
public:
    static CURLConfig* GetInstance();

    // The three links back to their defaults on the first vendor site.
    void Init();

    QString ProductUrl() const { return QString::fromLatin1(pProductUrl.load()); }
    QString GuideUrl() const { return QString::fromLatin1(pGuideUrl.load()); }
    QString SupportUrl() const { return QString::fromLatin1(pSupportUrl.load()); }

    bool IsChineseSystem() const;
    bool IsShowUrl() const { return bShowUrl; }

    // Each slot points at one of the fixed link texts; a switch is one atomic store.
    std::atomic<const char*> pProductUrl{nullptr};
    std::atomic<const char*> pGuideUrl{nullptr};
    std::atomic<const char*> pSupportUrl{nullptr};

private:
    CURLConfig();
    std::atomic<bool> bShowUrl{false};
    bool bChineseSystem = false;
};
