#include "infowriter.h"

#include "infofiles.h"

CInfoWriter::CInfoWriter(std::chrono::milliseconds interval)
    : m_interval(interval), m_thread([this] { Run(); })
{
}

CInfoWriter::~CInfoWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CInfoWriter::Queue(const QString& folder, const QString& name, const QString& content)
{
    bool bNew = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bNew = m_pending.insert_or_assign(folder + name, Job{folder, name, content}).second;
    }
    // Newer content for a file already waiting keeps that file's time: the thread need not
    // look again (a running task queues its file with every report).
    if (bNew)
        m_wake.notify_all();
}

void CInfoWriter::Written(const QString& folder, const QString& name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastWritten[folder + name] = Clock::now();
}

void CInfoWriter::Settle(const QString& folder, const QString& name)
{
    const QString path = folder + name;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_pending.erase(path);
    m_done.wait(lock, [&] { return m_writing != path; });
}

void CInfoWriter::Flush()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_nHurry;
    m_wake.notify_all();
    m_done.wait(lock, [&] { return m_pending.empty() && m_writing.isEmpty(); });
    --m_nHurry;
}

void CInfoWriter::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_bStop || !m_pending.empty(); });
        if (m_pending.empty())
            return; // stopped, with nothing left to write
        // The file due first; at the end, or for a flush, every file is due now.
        const Clock::time_point now = Clock::now();
        const bool bHurry = m_bStop || m_nHurry > 0;
        auto next = m_pending.end();
        Clock::time_point due = Clock::time_point::max();
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
            const auto last = m_lastWritten.find(it->first);
            const Clock::time_point at =
                bHurry || last == m_lastWritten.end() ? now : last->second + m_interval;
            if (at < due) {
                due = at;
                next = it;
            }
        }
        if (due > now) {
            m_wake.wait_until(lock, due); // or until more comes, a flush or the end
            continue;
        }
        m_writing = next->first;
        const Job job = std::move(next->second);
        m_pending.erase(next);
        lock.unlock();
        WriteInfoFile(job.folder, job.name, job.content);
        lock.lock();
        const Clock::time_point written = Clock::now();
        std::erase_if(m_lastWritten,
                      [&](const auto& entry) { return entry.second + m_interval <= written; });
        m_lastWritten[m_writing] = written;
        m_writing.clear();
        m_done.notify_all();
    }
}
