#pragma once
// Rewrites of downloading info files on a thread of their own. Every info file is flushed to
// the disk when written, which can take a while on a busy disk; the progress of a download
// rewrites its file often, and the thread that reads the extractor's output (the GUI thread)
// must not wait for that. The newest content of a file replaces an older one still waiting,
// and a file rewritten a moment ago waits (with its newest content) until its interval has
// passed: a running task's file then holds a progress at most that old, and the disk is not
// flushed for every few percent.
//
// Anything that writes or removes such a file directly calls Settle first, so that no older
// rewrite lands after it.

#include <QString>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

class CInfoWriter
{
public:
    static constexpr std::chrono::milliseconds kInterval{5000};

    explicit CInfoWriter(std::chrono::milliseconds interval = kInterval);
    // Writes what is still waiting, then ends the thread.
    ~CInfoWriter();
    CInfoWriter(const CInfoWriter&) = delete;
    CInfoWriter& operator=(const CInfoWriter&) = delete;

    // Queues folder + name to be written with `content` (see WriteInfoFile).
    void Queue(const QString& folder, const QString& name, const QString& content);

    // Drops what waits for folder + name and waits until no write of it is under way.
    void Settle(const QString& folder, const QString& name);

    // Folder + name has just been written directly (after Settle): its next rewrite waits
    // its interval from now, as after a write of the thread's own.
    void Written(const QString& folder, const QString& name);

    // Writes everything queued so far at once, and waits until it has been written.
    void Flush();

private:
    struct Job
    {
        QString folder;
        QString name;
        QString content;
    };

    using Clock = std::chrono::steady_clock;

    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;   // work has come, or the end
    std::condition_variable m_done;   // a write has ended
    std::map<QString, Job> m_pending; // by path
    QString m_writing;                // the path being written, if any
    std::map<QString, Clock::time_point> m_lastWritten; // by path, for a while
    const std::chrono::milliseconds m_interval;
    int m_nHurry = 0; // callers of Flush waiting: nothing is held
    bool m_bStop = false;
    std::thread m_thread; // the last member: it starts once the others exist
};
