#include "pensimulator.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace pensim {

Bytes replyFrame(std::uint8_t channel, const Bytes &payload)
{
    Bytes frame{0xFF, channel, static_cast<std::uint8_t>(payload.size())};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

Bytes codedReply(std::uint8_t channel, std::uint8_t code, const Bytes &data)
{
    Bytes payload{code, static_cast<std::uint8_t>(data.size())};
    payload.insert(payload.end(), data.begin(), data.end());
    return replyFrame(channel, payload);
}

Bytes realTimeFrame(const std::vector<Point> &points)
{
    Bytes payload{0, static_cast<std::uint8_t>(points.size() * 6)};
    for (const Point &p : points)
        for (std::uint16_t v : {p.x, p.y, p.pressure}) {
            payload.push_back(static_cast<std::uint8_t>(v & 0xFF));
            payload.push_back(static_cast<std::uint8_t>(v >> 8));
        }
    return replyFrame(1, payload);
}

Answer split(const Bytes &bytes, const std::vector<std::size_t> &sizes, milliseconds gap)
{
    Answer answer;
    std::size_t at = 0;
    for (std::size_t size : sizes) {
        if (at >= bytes.size())
            break;
        const std::size_t n = std::min(size, bytes.size() - at);
        answer.push_back({Bytes(bytes.begin() + at, bytes.begin() + at + n),
                          answer.empty() ? milliseconds(0) : gap});
        at += n;
    }
    if (at < bytes.size())
        answer.push_back(
            {Bytes(bytes.begin() + at, bytes.end()), answer.empty() ? milliseconds(0) : gap});
    return answer;
}

Answer now(const Bytes &bytes)
{
    return {{bytes, milliseconds(0)}};
}
Answer after(milliseconds delay, const Bytes &bytes)
{
    return {{bytes, delay}};
}

PenSimulator::PenSimulator()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "openpty");
    m_slavePath = name;
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { run(); });
}

PenSimulator::~PenSimulator()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
    m_thread.join();
    if (m_master >= 0)
        ::close(m_master);
    ::close(m_slave);
    ::close(m_wake);
}

std::filesystem::path PenSimulator::linkInto(const std::filesystem::path &folder,
                                             const std::string &name) const
{
    const std::filesystem::path link = folder / name;
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(m_slavePath, link);
    return link;
}

void PenSimulator::setHandler(std::uint8_t code, Handler handler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handlers[code] = std::move(handler);
}

void PenSimulator::setReply(std::uint8_t code, const Bytes &reply, milliseconds delay)
{
    setHandler(code, [reply, delay](const Command &) { return after(delay, reply); });
}

void PenSimulator::setSilent(std::uint8_t code)
{
    setHandler(code, [](const Command &) { return Answer{}; });
}

void PenSimulator::setFallback(Handler handler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fallback = std::move(handler);
}

void PenSimulator::answerProbe(milliseconds delay)
{
    setReply(0xA0, codedReply(0, 0xA0, {0}), delay);
}

void PenSimulator::writeAll(const Bytes &bytes)
{
    std::lock_guard<std::mutex> lock(m_writeMutex);
    if (m_master < 0)
        return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{m_master, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else
            return;
    }
}

void PenSimulator::send(const Bytes &bytes)
{
    writeAll(bytes);
}

void PenSimulator::send(const Answer &answer)
{
    for (const Chunk &chunk : answer) {
        if (chunk.delay.count() > 0)
            std::this_thread::sleep_for(chunk.delay);
        writeAll(chunk.bytes);
    }
}

void PenSimulator::schedule(const Answer &answer)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Clock::time_point at = Clock::now();
        for (const Chunk &chunk : answer) {
            at += chunk.delay;
            Scheduled s{at, chunk.bytes};
            auto pos = std::upper_bound(
                m_scheduled.begin(), m_scheduled.end(), s,
                [](const Scheduled &a, const Scheduled &b) { return a.at < b.at; });
            m_scheduled.insert(pos, std::move(s));
        }
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
}

std::vector<Command> PenSimulator::commands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

Bytes PenSimulator::received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

bool PenSimulator::waitForCommands(std::size_t count, milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_commands.size() >= count; });
}

bool PenSimulator::waitForBytes(std::size_t count, milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_received.size() >= count; });
}

void PenSimulator::clearRecords()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_commands.clear();
    m_received.clear();
    m_pending.clear();
}

termios PenSimulator::lineSettings() const
{
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    return tio;
}

void PenSimulator::setLineSettings(const termios &settings)
{
    ::tcsetattr(m_slave, TCSANOW, &settings);
}

void PenSimulator::hangUp()
{
    // The simulator's thread closes the master itself, so it never polls a closed descriptor.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_hungUp = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
    m_changed.wait(lock, [&] { return m_masterClosed || m_stop; });
}

// Command frames are cut the way the receiver does: FE, target, payload length, payload; any
// other byte between frames is kept in the record but starts nothing.
void PenSimulator::takeBytes(const std::uint8_t *bytes, std::size_t count)
{
    std::vector<Command> complete;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.insert(m_received.end(), bytes, bytes + count);
        for (std::size_t i = 0; i < count; ++i) {
            if (m_pending.empty() && bytes[i] != 0xFE)
                continue;
            m_pending.push_back(bytes[i]);
            if (m_pending.size() >= 3 && m_pending.size() == m_pending[2] + 3u) {
                complete.push_back({m_pending, Clock::now()});
                m_commands.push_back(complete.back());
                m_pending.clear();
            }
        }
    }
    m_changed.notify_all();
    for (const Command &command : complete)
        answer(command);
}

void PenSimulator::answer(const Command &command)
{
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_handlers.find(command.code());
        handler = it != m_handlers.end() ? it->second : m_fallback;
    }
    if (handler)
        schedule(handler(command));
}

void PenSimulator::run()
{
    std::uint8_t buffer[4096];
    for (;;) {
        int timeout = -1;
        Bytes due;
        bool haveDue = false;
        bool hungUp;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop)
                return;
            hungUp = m_hungUp;
            if (!m_scheduled.empty()) {
                const auto wait =
                    std::chrono::duration_cast<milliseconds>(m_scheduled.front().at - Clock::now());
                if (wait.count() <= 0) {
                    due = std::move(m_scheduled.front().bytes);
                    m_scheduled.pop_front();
                    haveDue = true;
                } else {
                    timeout = static_cast<int>(wait.count()) + 1;
                }
            }
        }
        if (hungUp && m_master >= 0) {
            {
                std::lock_guard<std::mutex> writeLock(m_writeMutex);
                ::close(m_master);
                m_master = -1;
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_masterClosed = true;
            }
            m_changed.notify_all();
        }
        if (haveDue) {
            writeAll(due);
            continue;
        }
        pollfd fds[2] = {{m_wake, POLLIN, 0}, {hungUp ? -1 : m_master, POLLIN, 0}};
        const int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR)
            return;
        if (n <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] ssize_t r = ::read(m_wake, &count, sizeof count);
        }
        if (!hungUp && (fds[1].revents & POLLIN)) {
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got > 0)
                takeBytes(buffer, static_cast<std::size_t>(got));
        }
    }
}

} // namespace pensim
