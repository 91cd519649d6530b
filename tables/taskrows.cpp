#include "taskrows.h"

void RegisterTaskRowTypes()
{
    RegisterVideoInfoTypes();
    qRegisterMetaType<VIDEO_DOWNLOAD_INFO>("VIDEO_DOWNLOAD_INFO");
    qRegisterMetaType<VIDEO_FINISHED_INFO>("VIDEO_FINISHED_INFO");
}
