#pragma once
// Playlists and channels: one quick run of the extractor lists their entries without looking
// into each (--flat-playlist), and each ticked entry becomes a task of its own whose run
// picks the format by the rule the user chose.

#include "videoinfo.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct PlaylistEntry
{
    int nIndex = 0;      // its place in the playlist, from 1
    QString url;         // its own link; empty where the playlist holds it inside itself
    QString title;
    QString duration;    // hh:mm:ss, or empty when the site tells none
    bool bAvailable = true; // false: private, deleted or behind a log-in; not offered
};

struct PlaylistResult
{
    bool bIsPlaylist = false; // the link named a playlist (else: a video, or nothing readable)
    QString title;
    std::vector<PlaylistEntry> entries;
};

// --flat-playlist -J [options] -- LINK
QStringList PlaylistArgs(const QString& link, const QStringList& options = {});

// Reads the run's standard output: the JSON document is the line that begins with "{".
PlaylistResult ParsePlaylist(const QByteArray& out);

// How a ticked entry is downloaded.
enum class EntryRule { Best, UpTo2160, UpTo1440, UpTo1080, UpTo720, UpTo480, AudioM4a, AudioMp3 };

// The task record of an entry: its own link where it has one, else the playlist's link and the
// entry's place; the format field and extension the rule stands for. Title and duration from
// the entry; the caller adds key, thumbnail and output folder.
_VIDEO_FILE_INFO_ EntryTask(const QString& playlistLink, const PlaylistEntry& entry,
                            EntryRule rule);
