#include "serialport.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace serialport {
namespace {

constexpr std::array<speed_t, 20> kSpeeds = {
    B50,   B75,   B110,  B134,   B150,   B200,   B300,    B600,    B1200,   B1800,
    B2400, B4800, B9600, B19200, B38400, B57600, B115200, B230400, B460800, B921600};
constexpr std::array<int, 20> kRates = {50,    75,    110,    134,    150,    200,   300,
                                        600,   1200,  1800,   2400,   4800,   9600,  19200,
                                        38400, 57600, 115200, 230400, 460800, 921600};

// Without a read, a notification is repeated after this long, so that a lost event cannot
// strand the bytes for good; it is far too slow to count as a busy loop.
constexpr int kRenotifyMs = 500;

struct Callbacks
{
    Notification receive = nullptr;
    int threshold = 1;
    Notification lineError = nullptr;
};

class OpenPort
{
public:
    OpenPort(int number, int fd, int wake) : m_number(number), m_fd(fd), m_wake(wake) {}
    ~OpenPort()
    {
        stopMonitor();
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        ::close(m_wake);
    }

    int fd() const { return m_fd; }
    int speedCode = kSpeed115200;
    int timeoutMs = 100;

    // The monitor holds the port too: closed from inside a notification, the port lives on until
    // the loop has ended.
    static void startMonitor(const std::shared_ptr<OpenPort> &self)
    {
        self->m_monitor = std::thread([self] { self->monitorLoop(); });
    }

    void stopMonitor()
    {
        if (!m_monitor.joinable())
            return;
        m_stop = true;
        wake();
        if (m_monitor.get_id() == std::this_thread::get_id())
            m_monitor.detach(); // closed from inside a notification: the loop ends on its own
        else
            m_monitor.join();
    }

    // Tells the monitor that something changed: a read, a registration, the stop.
    void wake()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
    }

    template <typename F> void updateCallbacks(F &&change)
    {
        {
            std::lock_guard<std::mutex> lock(m_callbackMutex);
            change(m_callbacks);
        }
        wake();
    }

private:
    Callbacks callbacks()
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        return m_callbacks;
    }

    void monitorLoop()
    {
        bool armed = true; // a receive notification may be given
        bool hungUp = false;
        while (!m_stop) {
            pollfd fds[2] = {{m_wake, POLLIN, 0}, {m_fd, 0, 0}};
            const bool watchLine = armed && !hungUp;
            if (watchLine)
                fds[1].events = POLLIN;
            const int timeout = hungUp ? -1 : (armed ? -1 : kRenotifyMs);
            const int n = ::poll(fds, watchLine ? 2 : 1, timeout);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (m_stop)
                return;
            if (fds[0].revents & POLLIN) {
                std::uint64_t count;
                [[maybe_unused]] ssize_t r = ::read(m_wake, &count, sizeof count);
                armed = true;
            }
            if (n == 0) {
                armed = true;
                continue;
            }
            if (!watchLine)
                continue;
            const Callbacks cb = callbacks();
            if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                hungUp = true;
                if (cb.lineError)
                    cb.lineError(m_number);
                continue;
            }
            if (!(fds[1].revents & POLLIN))
                continue;
            int waiting = 0;
            if (::ioctl(m_fd, FIONREAD, &waiting) != 0)
                waiting = 1;
            // Until the next read (or change of registration) the line is not watched, so
            // bytes that wait for the reader do not keep the monitor spinning.
            armed = false;
            if (cb.receive && waiting >= cb.threshold)
                cb.receive(m_number);
        }
    }

    const int m_number;
    const int m_fd;
    const int m_wake;
    std::atomic<bool> m_stop{false};
    std::mutex m_callbackMutex;
    Callbacks m_callbacks;
    std::thread m_monitor;
};

// Open and close are serialised with each other; the table, the bindings and every operation on
// an open port run under the table lock. Close takes a port out of the table first, so no read or
// write can reach its descriptor while the monitor is stopped and the descriptor closed.
std::mutex g_lifecycleMutex;
std::mutex g_tableMutex;
std::array<std::shared_ptr<OpenPort>, kMaxPort + 1> g_ports;
std::array<std::string, kMaxPort + 1> g_paths;

bool validNumber(int port)
{
    return port >= kMinPort && port <= kMaxPort;
}

// Runs `op` on the open port under the table lock.
template <typename F> int withPort(int port, F &&op)
{
    if (!validNumber(port))
        return kBadPort;
    std::lock_guard<std::mutex> lock(g_tableMutex);
    OpenPort *open = g_ports[port].get();
    if (!open)
        return kNotOpen;
    return op(*open);
}

bool modemControlRefused(int error)
{
    return error == ENOTTY || error == EINVAL;
}

int setModemLine(int fd, int line, int on)
{
    if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0)
        return kOk;
    // Pseudo-terminals and some adapters have no modem lines; there is nothing to set.
    return modemControlRefused(errno) ? kOk : kIoError;
}

} // namespace

int speedOfCode(int speedCode)
{
    if (speedCode < 0 || speedCode >= static_cast<int>(kRates.size()))
        return 0;
    return kRates[speedCode];
}

int bindPort(int port, const std::string &devicePath)
{
    if (!validNumber(port))
        return kBadPort;
    std::lock_guard<std::mutex> lock(g_tableMutex);
    g_paths[port] = devicePath;
    return kOk;
}

std::string boundPath(int port)
{
    if (!validNumber(port))
        return {};
    std::lock_guard<std::mutex> lock(g_tableMutex);
    return g_paths[port];
}

int open(int port)
{
    if (!validNumber(port))
        return kBadPort;
    std::lock_guard<std::mutex> lifecycle(g_lifecycleMutex);
    std::string path;
    {
        std::lock_guard<std::mutex> lock(g_tableMutex);
        if (g_ports[port])
            return kAlreadyOpen;
        path = g_paths[port];
    }
    if (path.empty())
        return kBadPort;

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY ? kInUse : kOpenFailed;
    if (!::isatty(fd)) {
        ::close(fd);
        return kOpenFailed;
    }
    // TIOCEXCL keeps other programs out, but not root; the lock covers that.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return kInUse;
    }
    ::ioctl(fd, TIOCEXCL);
    // Bytes that waited before the port was opened belong to nobody.
    ::tcflush(fd, TCIOFLUSH);

    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return kOpenFailed;
    }
    auto open = std::make_shared<OpenPort>(port, fd, wake);
    OpenPort::startMonitor(open);
    std::lock_guard<std::mutex> lock(g_tableMutex);
    g_ports[port] = std::move(open);
    return kOk;
}

int close(int port)
{
    if (!validNumber(port))
        return kBadPort;
    std::lock_guard<std::mutex> lifecycle(g_lifecycleMutex);
    std::shared_ptr<OpenPort> open;
    {
        std::lock_guard<std::mutex> lock(g_tableMutex);
        open = std::move(g_ports[port]);
    }
    if (!open)
        return kNotOpen;
    // Monitor first: it may be calling a notification that reads this very port.
    open->stopMonitor();
    open.reset();
    return kOk;
}

int setLine(int port, int speedCode, int lineMode)
{
    if (speedOfCode(speedCode) == 0)
        return kBadArgument;
    const int parity = lineMode & 0x38;
    const int dataBits = lineMode & 0x03;
    const int stopBits = lineMode & 0x04;
    if ((lineMode & ~0x3F) != 0 ||
        (parity != kParityNone && parity != kParityOdd && parity != kParityEven &&
         parity != kParityMark && parity != kParitySpace))
        return kBadArgument;
    return withPort(port, [&](OpenPort &p) {
        termios tio{};
        if (::tcgetattr(p.fd(), &tio) != 0)
            return static_cast<int>(kIoError);
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
        static constexpr tcflag_t kSizes[4] = {CS5, CS6, CS7, CS8};
        tio.c_cflag |= kSizes[dataBits] | CLOCAL | CREAD;
        if (stopBits)
            tio.c_cflag |= CSTOPB;
        switch (parity) {
        case kParityOdd:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case kParityEven:
            tio.c_cflag |= PARENB;
            break;
        case kParityMark:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case kParitySpace:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
        }
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        ::cfsetispeed(&tio, kSpeeds[speedCode]);
        ::cfsetospeed(&tio, kSpeeds[speedCode]);
        if (::tcsetattr(p.fd(), TCSANOW, &tio) != 0)
            return static_cast<int>(kIoError);
        p.speedCode = speedCode;
        return static_cast<int>(kOk);
    });
}

int setFlowControl(int port, int mask)
{
    if ((mask & ~(kFlowRtsCts | kFlowXonXoff)) != 0)
        return kBadArgument;
    return withPort(port, [&](OpenPort &p) {
        termios tio{};
        if (::tcgetattr(p.fd(), &tio) != 0)
            return static_cast<int>(kIoError);
        tio.c_cflag &= ~CRTSCTS;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        if (mask & kFlowRtsCts)
            tio.c_cflag |= CRTSCTS;
        if (mask & kFlowXonXoff)
            tio.c_iflag |= IXON | IXOFF;
        return ::tcsetattr(p.fd(), TCSANOW, &tio) == 0 ? static_cast<int>(kOk)
                                                       : static_cast<int>(kIoError);
    });
}

int setDtr(int port, int on)
{
    return withPort(port, [&](OpenPort &p) { return setModemLine(p.fd(), TIOCM_DTR, on); });
}

int setRts(int port, int on)
{
    return withPort(port, [&](OpenPort &p) { return setModemLine(p.fd(), TIOCM_RTS, on); });
}

int getSpeed(int port)
{
    return withPort(port, [&](OpenPort &p) {
        termios tio{};
        if (::tcgetattr(p.fd(), &tio) != 0)
            return speedOfCode(p.speedCode);
        const speed_t speed = ::cfgetospeed(&tio);
        for (std::size_t i = 0; i < kSpeeds.size(); ++i)
            if (kSpeeds[i] == speed)
                return kRates[i];
        return speedOfCode(p.speedCode);
    });
}

int setTimeout(int port, int milliseconds)
{
    if (milliseconds < 0)
        return kBadArgument;
    return withPort(port, [&](OpenPort &p) {
        p.timeoutMs = milliseconds;
        return static_cast<int>(kOk);
    });
}

int read(int port, std::uint8_t *buffer, int size)
{
    if (!buffer || size < 0)
        return kBadArgument;
    return withPort(port, [&](OpenPort &p) {
        ssize_t n;
        do {
            n = ::read(p.fd(), buffer, static_cast<std::size_t>(size));
        } while (n < 0 && errno == EINTR);
        p.wake();
        if (n < 0)
            return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : static_cast<int>(kIoError);
        return static_cast<int>(n);
    });
}

int write(int port, const std::uint8_t *buffer, int length)
{
    if (!buffer || length < 0)
        return kBadArgument;
    return withPort(port, [&](OpenPort &p) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(p.timeoutMs);
        int done = 0;
        while (done < length) {
            const ssize_t n =
                ::write(p.fd(), buffer + done, static_cast<std::size_t>(length - done));
            if (n > 0) {
                done += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return static_cast<int>(kIoError);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                return static_cast<int>(kIoError);
            pollfd pfd{p.fd(), POLLOUT, 0};
            ::poll(&pfd, 1, static_cast<int>(left));
        }
        return done;
    });
}

int onReceive(int port, Notification callback, int threshold)
{
    return withPort(port, [&](OpenPort &p) {
        p.updateCallbacks([&](Callbacks &cb) {
            cb.receive = callback;
            cb.threshold = threshold < 1 ? 1 : threshold;
        });
        return static_cast<int>(kOk);
    });
}

int onLineError(int port, Notification callback)
{
    return withPort(port, [&](OpenPort &p) {
        p.updateCallbacks([&](Callbacks &cb) { cb.lineError = callback; });
        return static_cast<int>(kOk);
    });
}

int onEventA(int port, Notification)
{
    return withPort(port, [](OpenPort &) { return static_cast<int>(kOk); });
}

int onEventB(int port, Notification)
{
    return withPort(port, [](OpenPort &) { return static_cast<int>(kOk); });
}

int onCharacter(int port, Notification, int)
{
    return withPort(port, [](OpenPort &) { return static_cast<int>(kOk); });
}

} // namespace serialport
