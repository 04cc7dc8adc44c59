#include "eventqueue.h"

namespace scrivlo {

void EventQueue::push(const char *name)
{
    if (!name)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_names.emplace_back(name);
    }
    m_ready.notify_one();
}

std::string EventQueue::waitAndPop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ready.wait(lock, [this] { return m_stop || !m_names.empty(); });
    if (m_stop)
        return std::string();
    std::string name = std::move(m_names.front());
    m_names.pop_front();
    return name;
}

void EventQueue::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_ready.notify_all();
}

bool EventQueue::stopped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
}

} // namespace scrivlo
