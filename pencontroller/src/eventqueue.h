#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

namespace scrivlo {

inline constexpr char kEventFileDataTransfer[] = "OnFileDataTransfer";

// Event names from the port's notification threads and from requests to the worker thread, first
// in, first out. The worker sleeps on it until a name arrives or it is told to stop, so an idle
// library costs nothing.
class EventQueue
{
public:
    void push(const char *name);
    // The oldest name; waits for one. Empty once stop() has been called.
    std::string waitAndPop();
    void stop();
    bool stopped() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::string> m_names;
    bool m_stop = false;
};

} // namespace scrivlo
