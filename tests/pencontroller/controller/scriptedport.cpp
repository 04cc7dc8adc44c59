#include "scriptedport.h"

#include <algorithm>
#include <cstring>

std::atomic<ScriptedPort *> ScriptedPort::s_current{nullptr};

ScriptedPort::ScriptedPort()
{
    s_current.store(this);
    scrivlo::PCommLite::instance().setPortLibrary(library());
}

ScriptedPort::~ScriptedPort()
{
    // Closes the port through this library, and from then on no call reaches it.
    scrivlo::PCommLite::instance().setPortLibrary(scrivlo::systemPortLibrary());
    s_current.store(nullptr);
}

ScriptedPort &ScriptedPort::current()
{
    return *s_current.load();
}

const scrivlo::PortLibrary &ScriptedPort::library()
{
    using scrivlo::PortNotification;
    static const scrivlo::PortLibrary table{
        [](int) { return current().open(); },
        [](int) { return current().close(); },
        [](int, int, int) { return 0; },
        [](int, int) { return 0; },
        [](int, int) { return 0; },
        [](int, int) { return 0; },
        [](int) { return 115200; },
        [](int, int) { return 0; },
        [](int port, std::uint8_t *buffer, int size) { return current().read(port, buffer, size); },
        [](int port, const std::uint8_t *bytes, int length) {
            return current().write(port, bytes, length);
        },
        [](int, PortNotification callback, int) { return current().onReceive(callback); },
        [](int, PortNotification) { return 0; },
        [](int, PortNotification) { return 0; },
        [](int, PortNotification) { return 0; },
        [](int, PortNotification, int) { return 0; },
    };
    return table;
}

std::vector<pensim::Command> ScriptedPort::commands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

void ScriptedPort::clearRecords()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_commands.clear();
}

bool ScriptedPort::waitUntilTakenIn(std::chrono::milliseconds limit) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_takenIn.wait_for(lock, limit,
                              [this] { return m_unread.empty() && !m_readAskedAgain; });
}

int ScriptedPort::open()
{
    dropUnread();
    return 0;
}

int ScriptedPort::close()
{
    dropUnread();
    return 0;
}

// What a port had waiting is gone once it is closed or opened again.
void ScriptedPort::dropUnread()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_unread.clear();
        m_readAskedAgain = false;
    }
    m_takenIn.notify_all();
}

int ScriptedPort::read(int port, std::uint8_t *buffer, int size)
{
    scrivlo::PortNotification notify = nullptr;
    std::size_t n = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        n = std::min(m_unread.size(), static_cast<std::size_t>(std::max(size, 0)));
        if (n > 0) {
            std::memcpy(buffer, m_unread.data(), n);
            m_unread.erase(m_unread.begin(), m_unread.begin() + static_cast<std::ptrdiff_t>(n));
            notify = m_onReceive;
            m_readAskedAgain = notify != nullptr;
        } else {
            m_readAskedAgain = false;
        }
    }
    if (notify)
        notify(port);
    else
        m_takenIn.notify_all();
    return static_cast<int>(n);
}

int ScriptedPort::write(int port, const std::uint8_t *bytes, int length)
{
    pensim::Command command{pensim::Bytes(bytes, bytes + length), pensim::Clock::now()};
    const pensim::Answer answer = m_device.respond(command);
    scrivlo::PortNotification notify = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.push_back(std::move(command));
        // At once: the delays between chunks are the pseudo-terminal's business.
        for (const pensim::Chunk &chunk : answer)
            m_unread.insert(m_unread.end(), chunk.bytes.begin(), chunk.bytes.end());
        if (!answer.empty())
            notify = m_onReceive;
    }
    if (notify)
        notify(port);
    return length;
}

int ScriptedPort::onReceive(scrivlo::PortNotification callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onReceive = callback;
    return 0;
}
