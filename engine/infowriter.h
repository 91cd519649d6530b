#pragma once
// Rewrites of downloading info files on a thread of their own. Every info file is flushed to
// the disk when written, which can take a while on a busy disk; the progress of a download
// rewrites its file often, and the thread that reads the extractor's output (the GUI thread)
// must not wait for that. The newest content of a file replaces an older one still waiting.
//
// Anything that writes or removes such a file directly calls Settle first, so that no older
// rewrite lands after it.

#include <QString>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

class CInfoWriter
{
public:
    CInfoWriter();
    // Writes what is still waiting, then ends the thread.
    ~CInfoWriter();
    CInfoWriter(const CInfoWriter&) = delete;
    CInfoWriter& operator=(const CInfoWriter&) = delete;

    // Queues folder + name to be written with `content` (see WriteInfoFile).
    void Queue(const QString& folder, const QString& name, const QString& content);

    // Drops what waits for folder + name and waits until no write of it is under way.
    void Settle(const QString& folder, const QString& name);

    // Waits until everything queued so far has been written.
    void Flush();

private:
    struct Job
    {
        QString folder;
        QString name;
        QString content;
    };

    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;   // work has come, or the end
    std::condition_variable m_done;   // a write has ended
    std::map<QString, Job> m_pending; // by path
    QString m_writing;                // the path being written, if any
    bool m_bStop = false;
    std::thread m_thread; // the last member: it starts once the others exist
};
