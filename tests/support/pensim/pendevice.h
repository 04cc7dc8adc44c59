#pragma once

#include "pensimulator.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace pensim {

// A receiver with a connected pen behind it, answering every command the library sends, as the
// real pair does. Each command code can be made silent or made to refuse instead.
class PenDevice
{
public:
    struct Record
    {
        Bytes address; // six bytes
        std::string name;
        std::int8_t trailing = 0;
    };

    // The device's answers; tests may change them before the commands arrive.
    struct State
    {
        Record receiver{{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, "Receiver-1", 0};
        std::string receiverVersion = "DG-2.4.1";
        Record pen{{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, "PenBLE", -60};
        std::vector<Record> searchResults{{{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}, "Found", -100}};
        std::string penName = "MyPen";
        std::string firmware1 = "A5-FW-1.0";
        std::string firmware2 = "BT-2.0";
        std::uint32_t clock = 1000;
        std::uint8_t battery1 = 80, battery2 = 1;
        std::uint8_t fileCount = 3;
        std::uint32_t uploadSize = 4096, uploadSecond = 7;
        std::uint8_t protectionStatus = 1;
        std::string serial = "SN01234567";
        std::uint16_t scanValue = 0x1234;
    };

    // Answers only through respond(), for a line other than the simulator's.
    PenDevice() = default;
    // Installs a handler for every command code on the simulator.
    explicit PenDevice(PenSimulator &simulator);

    // The command goes unanswered.
    void setSilent(std::uint8_t code);
    // The command is refused: the receiver's name change with 0, a deletion with failure, and
    // the upload-related commands and the key check with a refused key.
    void setRefusing(std::uint8_t code);
    void setDelay(std::chrono::milliseconds delay);

    State state() const;
    void setState(const State &state);

    // The answer to one command, as the receiver writes it to the line (empty: silence).
    Answer respond(const Command &command);

private:
    enum class Mode
    {
        Answer,
        Silent,
        Refuse
    };
    Mode modeOf(std::uint8_t code) const;

    mutable std::mutex m_mutex;
    State m_state;
    std::set<std::uint8_t> m_silent;
    std::set<std::uint8_t> m_refusing;
    std::chrono::milliseconds m_delay{0};
};

// Receiver record bytes: address, name, trailing byte.
Bytes recordData(const PenDevice::Record &record);

// Real-time frames for `points`, `perFrame` (1 to 3) points to a frame, as one byte stream.
Bytes realTimeStream(const std::vector<Point> &points, std::size_t perFrame = 1);

} // namespace pensim
