#pragma once
// Stateless helpers: size and clock texts, the local-time record, a sleep and
// the removal of folders that a deleted download left empty.

#include <QString>
#include <QtGlobal>
#include <string>

// The program's local-time record. The day of the month comes before the day of the week.
struct SYSTEMTIME
{
    quint16 year = 0;
    quint16 month = 0;        // 1..12
    quint16 day = 0;          // day of the month, 1..31
    quint16 dayOfWeek = 0;    // 0 = Sunday .. 6 = Saturday
    quint16 hour = 0;
    quint16 minute = 0;
    quint16 second = 0;
    quint16 milliseconds = 0;
};

// "1.50 MB": units of 1024, two decimals; below 1024 "N Bytes" (negative values included).
std::string GetFileSizeString(qint64 nBytes);

// "01:02:03"; hours are not capped.
std::string GetTimeStringA(qint64 nSeconds);

// True if the folder lists no visible entry (a missing folder counts as empty).
bool IsDirectoryEmpty(const QString& path);

// Removes base + (path before its last "/") and its emptied parents when that folder is empty.
bool DelEmptyDir(QString base, QString path);

void rsb_msleep(int ms);

// Fills the record with the local time; 0 on success, 34 on failure.
int rsb_getLocalTime(SYSTEMTIME* pTime);

// "%04d-%02d-%02d-%02d-%02d-%02d" of year, month, day, hour, minute, second:
// the form of task keys and finish stamps.
QString FormatTimeStamp(const SYSTEMTIME& t);

// FormatTimeStamp of the current local time.
QString CurrentTimeStamp();
