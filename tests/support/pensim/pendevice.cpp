#include "pendevice.h"

namespace pensim {
namespace {

constexpr std::uint8_t kReceiver = 0;
constexpr std::uint8_t kPen = 2;

Bytes le32(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Bytes text(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

Bytes concat(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes keyRefused()
{
    return codedReply(kPen, 0x65, {0});
}

} // namespace

Bytes recordData(const PenDevice::Record &record)
{
    Bytes data = record.address;
    data.insert(data.end(), record.name.begin(), record.name.end());
    data.push_back(static_cast<std::uint8_t>(record.trailing));
    return data;
}

Bytes realTimeStream(const std::vector<Point> &points, std::size_t perFrame)
{
    Bytes stream;
    stream.reserve(points.size() / perFrame * (5 + 6 * perFrame) + 32);
    for (std::size_t i = 0; i < points.size(); i += perFrame) {
        const std::size_t n = std::min(perFrame, points.size() - i);
        const Bytes frame =
            realTimeFrame(std::vector<Point>(points.begin() + i, points.begin() + i + n));
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    return stream;
}

PenDevice::PenDevice(PenSimulator &simulator)
{
    simulator.setFallback([this](const Command &command) { return respond(command); });
}

void PenDevice::setSilent(std::uint8_t code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_silent.insert(code);
}

void PenDevice::setRefusing(std::uint8_t code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refusing.insert(code);
}

void PenDevice::setDelay(std::chrono::milliseconds delay)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_delay = delay;
}

PenDevice::State PenDevice::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void PenDevice::setState(const State &state)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = state;
}

PenDevice::Mode PenDevice::modeOf(std::uint8_t code) const
{
    if (m_silent.count(code))
        return Mode::Silent;
    if (m_refusing.count(code))
        return Mode::Refuse;
    return Mode::Answer;
}

Answer PenDevice::respond(const Command &command)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Mode mode = modeOf(command.code());
    if (mode == Mode::Silent)
        return {};
    const bool refuse = mode == Mode::Refuse;
    const Bytes args = command.arguments();
    const bool readOnly = args.size() == 1 && args[0] == 0;
    State &s = m_state;
    Bytes reply;

    switch (command.code()) {
    case 0xA0:
        reply = codedReply(kReceiver, 0xA0, {0});
        break;
    case 0xA1:
        reply = codedReply(kReceiver, 0xA1, recordData(s.receiver));
        break;
    case 0xA2:
        reply = codedReply(kReceiver, 0xA2, text(s.receiverVersion));
        break;
    case 0xA3:
        if (!refuse)
            s.receiver.name.assign(args.begin(), args.end());
        reply = codedReply(kReceiver, 0xA3, {static_cast<std::uint8_t>(refuse ? 0 : 1)});
        break;
    case 0xA4:
        if (args.size() == 1 && args[0] == 3) {
            for (const Record &found : s.searchResults)
                reply = concat(reply, codedReply(kReceiver, 0xA4, recordData(found)));
        } else {
            reply = codedReply(kReceiver, 0xA5, recordData(s.pen));
        }
        break;
    case 0xA5:
        if (args.size() == 7)
            s.pen.address.assign(args.begin(), args.begin() + 6);
        reply = codedReply(kReceiver, 0xA5, recordData(s.pen));
        break;
    case 0xA6:
        reply = codedReply(kReceiver, 0xA6, recordData(s.pen));
        break;
    case 0x21:
        if (refuse && args.size() == 1 && args[0] == 1)
            reply = keyRefused();
        else
            reply = codedReply(kPen, 0x23, {0});
        break;
    case 0x25:
        reply = codedReply(kReceiver, 0xA0, {0});
        break;
    case 0x26:
        if (args.size() == 4)
            s.clock = static_cast<std::uint32_t>(args[0] | args[1] << 8 | args[2] << 16 |
                                                 static_cast<std::uint32_t>(args[3]) << 24);
        reply = codedReply(kPen, 0x2D, le32(s.clock));
        break;
    case 0x27: {
        const std::uint8_t selector = args.empty() ? 0 : args[0];
        reply = codedReply(kPen, 0x28,
                           concat({selector}, text(selector == 0 ? s.firmware1 : s.firmware2)));
        break;
    }
    case 0x29:
        reply = codedReply(kPen, 0x2A, {s.battery1, s.battery2});
        break;
    case 0x2B:
        if (!readOnly)
            s.penName.assign(args.begin(), args.end());
        reply = codedReply(kPen, 0x2C, text(s.penName));
        break;
    case 0x31:
        reply = refuse ? keyRefused() : codedReply(kPen, 0x32, {s.fileCount});
        break;
    case 0x34:
        reply = refuse ? keyRefused()
                       : codedReply(kPen, 0x36, concat(le32(s.uploadSize), le32(s.uploadSecond)));
        break;
    case 0x39:
        reply = codedReply(kPen, 0x23, {static_cast<std::uint8_t>(refuse ? 1 : 0)});
        break;
    case 0x3A:
        reply = codedReply(
            kPen, 0x3A,
            {static_cast<std::uint8_t>(s.scanValue), static_cast<std::uint8_t>(s.scanValue >> 8)});
        break;
    case 0x60:
        reply = codedReply(kPen, 0x62, {1});
        break;
    case 0x62:
        reply = codedReply(kPen, 0x63, {s.protectionStatus});
        break;
    case 0x64:
        reply = codedReply(kPen, 0x65, {static_cast<std::uint8_t>(refuse ? 0 : 1)});
        break;
    case 0x70:
        if (!readOnly)
            s.serial.assign(args.begin(), args.end());
        reply = codedReply(kPen, 0x71, text(s.serial));
        break;
    default:
        // The test lights, the stop, the upload acknowledgement and the monitor value have no
        // answer.
        return {};
    }
    return after(m_delay, reply);
}

} // namespace pensim
