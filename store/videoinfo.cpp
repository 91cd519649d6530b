#include "videoinfo.h"

bool VideoInfoCompare(const _VIDEO_FILE_INFO_& a, const _VIDEO_FILE_INFO_& b)
{
    // Stamps have a fixed width with leading zeros, so string order is time order.
    return b.QstrFinishTime < a.QstrFinishTime;
}

void RegisterVideoInfoTypes()
{
    qRegisterMetaType<VIDEO_FILE_INFO>("VIDEO_FILE_INFO");
}
