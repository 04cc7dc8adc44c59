#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <termios.h>
#include <thread>
#include <vector>

namespace pensim {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// One command frame (FE, target, payload length, payload) as the receiver got it.
struct Command
{
    Bytes bytes; // the whole frame
    Clock::time_point at;

    std::uint8_t target() const { return bytes.size() > 1 ? bytes[1] : 0; }
    std::uint8_t code() const { return bytes.size() > 3 ? bytes[3] : 0; }
    // The argument block after code and argument length.
    Bytes arguments() const
    {
        return bytes.size() > 5 ? Bytes(bytes.begin() + 5, bytes.end()) : Bytes{};
    }
};

// One write from the receiver to the line, after `delay` (counted from the previous chunk of the
// same answer, or from the command for the first).
struct Chunk
{
    Bytes bytes;
    milliseconds delay{0};
};
using Answer = std::vector<Chunk>; // empty: silence

using Handler = std::function<Answer(const Command &)>;

struct Point
{
    std::uint16_t x, y, pressure;
};

// Frame builders for the replies the receiver sends.
Bytes replyFrame(std::uint8_t channel, const Bytes &payload);
// Channels 0 and 2: code, sub-length S = data.size(), data.
Bytes codedReply(std::uint8_t channel, std::uint8_t code, const Bytes &data);
// Channel 1: one ignored byte, S = 6 per point, the points as x, y, pressure little-endian.
Bytes realTimeFrame(const std::vector<Point> &points);
// The same bytes cut into chunks of the given sizes (the rest in a last chunk), `gap` apart.
Answer split(const Bytes &bytes, const std::vector<std::size_t> &sizes, milliseconds gap);
Answer now(const Bytes &bytes);
Answer after(milliseconds delay, const Bytes &bytes);

// The pen receiver on the master side of a pseudo-terminal. The slave stays open (and raw) for
// the simulator's whole life, so that the library opening and closing it never hangs the line up.
// A thread records every command frame with its time and answers from a table keyed by command
// code; tests may also inject any bytes at any time.
class PenSimulator
{
public:
    PenSimulator();
    ~PenSimulator();
    PenSimulator(const PenSimulator &) = delete;
    PenSimulator &operator=(const PenSimulator &) = delete;

    // The slave device, e.g. /dev/pts/7.
    const std::string &slavePath() const { return m_slavePath; }
    // Makes `folder`/`name` a link to the slave (a device folder for the port listing).
    std::filesystem::path linkInto(const std::filesystem::path &folder,
                                   const std::string &name = "ttyUSB0") const;

    // Answers a command code; a later call replaces the handler. Codes without a handler go to
    // the fallback, which by default stays silent.
    void setHandler(std::uint8_t code, Handler handler);
    void setReply(std::uint8_t code, const Bytes &reply, milliseconds delay = milliseconds(0));
    void setSilent(std::uint8_t code);
    void setFallback(Handler handler);
    // The receiver's usual answer to the probe: FF 00 03 A0 01 00.
    void answerProbe(milliseconds delay = milliseconds(0));

    // Writes to the line: at once, in one write each chunk, after the chunks' delays.
    void send(const Bytes &bytes);
    void send(const Answer &answer);
    // Queued on the simulator's thread, so the caller does not wait for the delays.
    void schedule(const Answer &answer);

    // Commands received so far, in order.
    std::vector<Command> commands() const;
    // Every byte received, command frames and anything else.
    Bytes received() const;
    // Waits until at least `count` commands have arrived.
    bool waitForCommands(std::size_t count, milliseconds timeout) const;
    // Waits until at least `count` bytes have arrived.
    bool waitForBytes(std::size_t count, milliseconds timeout) const;
    void clearRecords();

    // The line settings of the pseudo-terminal as the library left them.
    termios lineSettings() const;
    void setLineSettings(const termios &settings);

    // Closes the master side: the library sees the line hang up.
    void hangUp();

private:
    void run();
    void takeBytes(const std::uint8_t *bytes, std::size_t count);
    void answer(const Command &command);
    void writeAll(const Bytes &bytes);

    int m_master = -1;
    int m_slave = -1;
    int m_wake = -1;
    std::string m_slavePath;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::uint8_t, Handler> m_handlers;
    Handler m_fallback;
    std::vector<Command> m_commands;
    Bytes m_received;
    Bytes m_pending; // start of a command frame not complete yet
    struct Scheduled
    {
        Clock::time_point at;
        Bytes bytes;
    };
    std::deque<Scheduled> m_scheduled; // kept in time order
    std::mutex m_writeMutex;
    bool m_stop = false;
    bool m_hungUp = false;
    bool m_masterClosed = false;
    std::thread m_thread;
};

} // namespace pensim
