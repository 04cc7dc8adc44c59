#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

// Writes the files and links of an archive below its output folder, in the order the archive
// gives them, on a thread of its own: creating files and handing their data to the kernel then
// overlaps with decoding the entries that follow. Each entry is written under a temporary name
// beside its own; finish() gives all of them their names together, once one sync per file
// system has put their data on disk, so that no name ever shows a file whose data a power cut
// could still take. Whatever is not put in place goes with the writer.
class EntryWriter
{
public:
    EntryWriter();
    ~EntryWriter();
    EntryWriter(const EntryWriter &) = delete;
    EntryWriter &operator=(const EntryWriter &) = delete;

    // A file for the entry named `path`, in its existing folder `folder`.
    void beginFile(const std::string &folder, const std::string &path);
    void write(const void *data, std::size_t size, std::int64_t offset);
    // The file is complete: `size` bytes long, with the permissions `mode`.
    void endFile(std::int64_t size, mode_t mode);
    // The file's data turned out damaged: it never takes its name.
    void dropFile();
    void link(const std::string &target, const std::string &folder, const std::string &path);

    // True once an entry could not be written: the entries after it need not be decoded.
    bool failed() const;
    // Waits for every entry handed over, then puts in place each one that was written whole, in
    // the order they came, so that a later entry of the same name wins. False when an entry
    // could not be written, synced or put in place.
    bool finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
