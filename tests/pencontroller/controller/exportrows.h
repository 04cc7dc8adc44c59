#pragma once

#include "pendevice.h"
#include "penlibrary.h"
#include "pensimulator.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Every export as a table of rows: the frames it puts on the line, its result, what it writes
// into the caller's buffers and how long it waits. The rows run over more than one line.

enum class Scenario
{
    Answer,
    Silence,
    Refusal,
    BadArgument,
    PortClosed
};

// How long the call must take, in ms: at least `min`, less than `max`.
struct Timing
{
    double min;
    double max;
};

inline constexpr int kUntouched = -12345;
inline constexpr char kFill = '#';

struct Outputs
{
    char text1[300];
    char text2[300];
    int int1 = kUntouched;
    int int2 = kUntouched;
    Outputs();
};

struct Row
{
    std::string name;
    Scenario scenario;
    std::vector<std::uint8_t> codes; // what the device leaves unanswered or refuses
    std::function<int(PenExports &, Outputs &)> call;
    int result;
    std::vector<pensim::Bytes> wire;
    Timing timing;
    std::optional<std::string> text1 = std::nullopt;
    std::optional<std::string> text2 = std::nullopt;
    std::optional<int> int1 = std::nullopt;
    std::optional<int> int2 = std::nullopt;
};

std::ostream &operator<<(std::ostream &os, const Row &row);

// Every row.
std::vector<Row> exportRows();
// The first row of every export, and the rows that wait out each of the protocol's time-outs.
std::vector<Row> rowPerExport();

// Where a row runs: the library, the device behind the line and the line's records.
class ExportLine
{
public:
    virtual ~ExportLine() = default;
    virtual PenExports &exports() = 0;
    virtual pensim::PenDevice &device() = 0;
    virtual void clearRecords() = 0;
    // The frames the library wrote since clearRecords, once `count` are there (or it gave up).
    virtual std::vector<pensim::Bytes> framesWritten(std::size_t count) = 0;
    // Milliseconds on the clock that the library's waits run on.
    virtual double nowMs() = 0;
};

// Opens the port unless the row needs it closed, makes the device answer as the row says, makes
// the call and checks all the row names.
void runRow(const Row &row, ExportLine &line);
