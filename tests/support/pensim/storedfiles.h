#pragma once

#include "pensimulator.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace pensim {

// The files of strokes stored in the pen, and the pen's side of their upload: the announcement
// (0x36) on a transfer request (0x34), then, once the library acknowledges it (0x33), the start
// mark, the data as upload-data frames, the end mark and the CRC-32 (0x38). A re-request (0x39
// with 1) sends the same file again; a deletion (0x39 with 0) removes it.
class StoredFiles
{
public:
    enum class Crc
    {
        Good,
        Wrong,  // every send carries a wrong CRC
        Missing // the end reply carries no CRC bytes
    };
    struct Options
    {
        std::size_t perFrame = 252;
        std::chrono::milliseconds gap{0};          // between data frames
        std::chrono::milliseconds beforeData{0};   // from the acknowledgement to the start mark
        std::optional<std::int32_t> announcedSize; // default: the file's size
        std::uint32_t second = 7;
        Crc crc = Crc::Good;
        bool firstSendDamaged = false; // one data byte flipped in the first send only
        bool answerResend = true;
    };

    // Answers 0x34, 0x33 and 0x39 on `simulator`, in place of any earlier handler. The
    // simulator's thread calls into these files until the simulator is destroyed: they must
    // outlive it.
    void answerOn(PenSimulator &simulator);

    // Oldest first.
    void setFiles(const std::vector<Bytes> &files);
    void setOptions(const Options &options);
    std::size_t fileCount() const;
    int sends() const;

    // The stream the pen sends for one file.
    static Answer uploadStream(const Bytes &file, const Options &options, bool damaged);

private:
    Answer transfer(const Command &command);
    Answer acknowledged();
    Answer deleteOrResend(const Command &command);
    Answer sendCurrent();

    mutable std::mutex m_mutex;
    std::vector<Bytes> m_files;
    Options m_options;
    std::optional<std::size_t> m_current; // the file announced last
    int m_sends = 0;
};

// CRC-32 as zlib computes it, written out independently of the library.
std::uint32_t referenceCrc32(const Bytes &bytes);

} // namespace pensim
