#include "pcommlite.h"

#include "serialport.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace scrivlo {
namespace {

constexpr int kOnCharacterValue = 65;
constexpr int kReceiveThreshold = 1;

void reportAssertion(const char *expression, const char *source, int line)
{
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, source, line);
}

std::atomic<EventSink> g_eventSink{nullptr};
std::atomic<AssertionHandler> g_assertionHandler{&reportAssertion};

void pushEvent(const char *name)
{
    if (EventSink sink = g_eventSink.load())
        sink(name);
}

bool validParity(int code)
{
    return code == serialport::kParityNone || code == serialport::kParityMark ||
           code == serialport::kParityEven || code == serialport::kParityOdd ||
           code == serialport::kParitySpace;
}

} // namespace

const PortLibrary &systemPortLibrary()
{
    static const PortLibrary library{
        &serialport::open,           &serialport::close,      &serialport::setLine,
        &serialport::setFlowControl, &serialport::setDtr,     &serialport::setRts,
        &serialport::getSpeed,       &serialport::setTimeout, &serialport::read,
        &serialport::write,          &serialport::onReceive,  &serialport::onLineError,
        &serialport::onEventA,       &serialport::onEventB,   &serialport::onCharacter,
    };
    return library;
}

PCommLite &PCommLite::instance()
{
    static PCommLite wrapper(systemPortLibrary());
    return wrapper;
}

PCommLite::PCommLite(const PortLibrary &library) : m_library(&library) {}

void PCommLite::setPortLibrary(const PortLibrary &library)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_settings.open)
        closeLocked();
    m_library = &library;
}

bool PCommLite::configurePort(CScrivloControllerCtrl *owner, int port, int speedCode,
                              int parityCode, int dataBitsCode, int stopBitsCode)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!owner) {
        g_assertionHandler.load()("pPortOwner != NULL", "PCommLite", 50);
        return false;
    }
    // New settings would lose the number of a port still open, which then could never be
    // closed again.
    if (m_settings.open)
        closeLocked();
    m_settings.owner = owner;
    if (port < serialport::kMinPort || port > serialport::kMaxPort)
        return false;
    m_settings.port = port;
    if (speedCode < 0 || speedCode > 19)
        return false;
    m_settings.speedCode = speedCode;
    if (!validParity(parityCode))
        return false;
    m_settings.parityCode = parityCode;
    if (dataBitsCode < 0 || dataBitsCode > 3)
        return false;
    m_settings.dataBitsCode = dataBitsCode;
    if (stopBitsCode != serialport::kStop1 && stopBitsCode != serialport::kStop2)
        return false;
    m_settings.stopBitsCode = stopBitsCode;
    m_settings.rtsCtsFlow = false;
    m_settings.xonXoffFlow = false;
    m_settings.open = false;
    m_settings.dtr = true;
    m_settings.rts = true;
    return true;
}

int PCommLite::lineTimeoutMs(int speed)
{
    if (speed <= 0)
        return 100;
    return std::max(3 * std::max(1000 / speed, 1), 100);
}

bool PCommLite::applyLineSettings()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const PortSettings &s = m_settings;
    if (m_library->setLine(s.port, s.speedCode, s.parityCode | s.dataBitsCode | s.stopBitsCode) !=
        0)
        return false;
    if (m_library->setFlowControl(s.port, (s.rtsCtsFlow ? 3 : 0) | (s.xonXoffFlow ? 12 : 0)) != 0)
        return false;
    if (m_library->setDtr(s.port, s.dtr ? 1 : 0) != 0)
        return false;
    // With RTS/CTS flow control the line drives RTS itself.
    if (!s.rtsCtsFlow && m_library->setRts(s.port, s.rts ? 1 : 0) != 0)
        return false;
    m_library->setTimeout(s.port, lineTimeoutMs(m_library->getSpeed(s.port)));
    return true;
}

bool PCommLite::registerNotifications()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const int port = m_settings.port;
    return m_library->onReceive(port, &onReceiveNotification, kReceiveThreshold) == 0 &&
           m_library->onLineError(port, &onLineErrorNotification) == 0 &&
           m_library->onEventA(port, &onEventNotification) == 0 &&
           m_library->onEventB(port, &onEventNotification) == 0;
}

bool PCommLite::openAndMonitor()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const int port = m_settings.port;
    if (m_library->open(port) != 0)
        return false;
    if (!applyLineSettings()) {
        m_library->close(port);
        return false;
    }
    m_library->onCharacter(port, &onEventNotification, kOnCharacterValue);
    if (!registerNotifications()) {
        clearNotifications();
        m_library->close(port);
        return false;
    }
    m_settings.open = true;
    ++m_generation;
    return true;
}

void PCommLite::clearNotifications()
{
    const int port = m_settings.port;
    m_library->onCharacter(port, nullptr, 0);
    m_library->onReceive(port, nullptr, 0);
    m_library->onLineError(port, nullptr);
    m_library->onEventA(port, nullptr);
    m_library->onEventB(port, nullptr);
}

void PCommLite::closeLocked()
{
    clearNotifications();
    m_library->close(m_settings.port);
    m_settings.open = false;
}

void PCommLite::closePort()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    closeLocked();
}

int PCommLite::read(std::uint8_t *buffer, int size, unsigned *generation)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (generation)
        *generation = m_generation;
    if (!m_settings.open)
        return 0;
    return m_library->read(m_settings.port, buffer, size);
}

bool PCommLite::write(const std::uint8_t *bytes, std::size_t length)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_settings.open || !bytes)
        return false;
    const int n = static_cast<int>(length);
    return m_library->write(m_settings.port, bytes, n) == n;
}

PortSettings PCommLite::settings() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_settings;
}

bool PCommLite::isOpen() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_settings.open;
}

void PCommLite::setEventSink(EventSink sink)
{
    g_eventSink = sink;
}

void PCommLite::setAssertionHandler(AssertionHandler handler)
{
    g_assertionHandler = handler ? handler : &reportAssertion;
}

void PCommLite::onReceiveNotification(int)
{
    pushEvent(kEventCommunication);
}
void PCommLite::onLineErrorNotification(int)
{
    pushEvent(kEventPortError);
}
void PCommLite::onEventNotification(int) {}

} // namespace scrivlo
