#include "infowriter.h"

#include "infofiles.h"

CInfoWriter::CInfoWriter() : m_thread([this] { Run(); }) {}

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
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending[folder + name] = Job{folder, name, content};
    }
    m_wake.notify_all();
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
    m_done.wait(lock, [&] { return m_pending.empty() && m_writing.isEmpty(); });
}

void CInfoWriter::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_bStop || !m_pending.empty(); });
        if (m_pending.empty())
            return; // stopped, with nothing left to write
        auto next = m_pending.begin();
        m_writing = next->first;
        const Job job = std::move(next->second);
        m_pending.erase(next);
        lock.unlock();
        WriteInfoFile(job.folder, job.name, job.content);
        lock.lock();
        m_writing.clear();
        m_done.notify_all();
    }
}
