#include "entrywriter.h"

#include "filedescriptor.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The decoder waits while this much data is queued, so that memory stays bounded whatever the
// size of a file.
constexpr std::size_t kQueueLimit = 8 * 1024 * 1024;
constexpr std::size_t kSpareBuffers = 32;
// A waiting writer is woken once this much is queued, not for every job: each wake-up costs the
// decoding thread a system call, and small files come as three jobs each.
constexpr std::size_t kWakeBytes = 1024 * 1024;
constexpr std::size_t kWakeJobs = 64;
// The file system is synced each time this much more was written, while the next data is
// decoded: the one sync before the names are given then finds little left to write, and the
// kernel writes many small files in few large requests, which a start per file would not.
constexpr std::size_t kSyncStep = 8 * 1024 * 1024;

// A temporary name in an output folder, removed unless it was put in place.
class PendingName
{
public:
    explicit PendingName(std::string path) : m_path(std::move(path)) {}
    ~PendingName()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    PendingName(PendingName &&other) noexcept : m_path(std::move(other.m_path))
    {
        other.m_path.clear();
    }
    PendingName(const PendingName &) = delete;
    PendingName &operator=(const PendingName &) = delete;
    bool moveTo(const std::string &finalPath)
    {
        if (::rename(m_path.c_str(), finalPath.c_str()) != 0)
            return false;
        m_path.clear();
        return true;
    }

private:
    std::string m_path;
};

// The entries written whole so far, under temporary names, with the file systems that hold them.
class PendingEntries
{
public:
    void add(PendingName temporary, std::string finalPath, const std::string &folder)
    {
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0) {
            m_failed = true;
        } else if (std::find(m_devices.begin(), m_devices.end(), st.st_dev) == m_devices.end()) {
            FileDescriptor fileSystem(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (fileSystem.get() < 0)
                m_failed = true;
            m_devices.push_back(st.st_dev);
            m_fileSystems.push_back(std::move(fileSystem));
        }
        m_entries.push_back({std::move(temporary), std::move(finalPath)});
    }

    bool placeAll()
    {
        if (m_failed)
            return false;
        for (const FileDescriptor &fileSystem : m_fileSystems) {
            if (::syncfs(fileSystem.get()) != 0)
                return false;
        }
        for (Entry &entry : m_entries) {
            if (!entry.temporary.moveTo(entry.finalPath))
                return false;
        }
        return true;
    }

private:
    struct Entry
    {
        PendingName temporary;
        std::string finalPath;
    };
    std::vector<Entry> m_entries;
    std::vector<dev_t> m_devices;
    std::vector<FileDescriptor> m_fileSystems;
    bool m_failed = false;
};

struct Job
{
    enum class Kind
    {
        BeginFile,
        Data,
        EndFile,
        DropFile,
        Link,
        Stop
    };
    Kind kind;
    std::string folder;
    std::string path;
    std::string target;
    std::vector<char> data;
    std::int64_t offset = 0; // Data: where the bytes go; EndFile: the file's length
    mode_t mode = 0;
};

bool writeAll(int fd, const std::vector<char> &data, std::int64_t offset)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done,
                                   static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

struct EntryWriter::State
{
    std::mutex lock;
    std::condition_variable queued;
    std::condition_variable drained;
    std::deque<Job> queue;
    std::size_t queuedBytes = 0;
    bool writerWaiting = false;
    // Buffers written out, kept for the next data: no allocation per block once it runs.
    std::vector<std::vector<char>> spare;
    std::thread thread; // not started when the system has no thread to give: then inline
    std::atomic<bool> failed{false};

    // Owned by the writing side (the thread, or the caller when there is none).
    PendingEntries pending;
    FileDescriptor out;
    std::optional<PendingName> temporary;
    std::string folder;
    std::string path;
    std::size_t unsynced = 0; // bytes written since the last sync

    std::vector<char> buffer()
    {
        std::lock_guard<std::mutex> hold(lock);
        if (spare.empty())
            return {};
        std::vector<char> taken = std::move(spare.back());
        spare.pop_back();
        return taken;
    }

    void push(Job job)
    {
        if (!thread.joinable()) {
            handle(job);
            return;
        }
        std::unique_lock<std::mutex> hold(lock);
        drained.wait(hold, [this] { return queuedBytes < kQueueLimit; });
        queuedBytes += job.data.size();
        queue.push_back(std::move(job));
        if (writerWaiting && (queue.size() >= kWakeJobs || queuedBytes >= kWakeBytes)) {
            writerWaiting = false;
            queued.notify_one();
        }
    }

    void run()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> hold(lock);
                if (queue.empty()) {
                    writerWaiting = true;
                    queued.wait(hold, [this] { return !writerWaiting; });
                }
                job = std::move(queue.front());
                queue.pop_front();
                const bool wasFull = queuedBytes >= kQueueLimit;
                queuedBytes -= job.data.size();
                if (wasFull && queuedBytes < kQueueLimit)
                    drained.notify_one();
            }
            if (job.kind == Job::Kind::Stop)
                return;
            handle(job);
            if (job.data.capacity() > 0) {
                std::lock_guard<std::mutex> hold(lock);
                if (spare.size() < kSpareBuffers)
                    spare.push_back(std::move(job.data));
            }
        }
    }

    void handle(Job &job)
    {
        if (failed.load())
            return;
        if (!apply(job)) {
            failed.store(true);
            out.reset();
            temporary.reset();
        }
    }

    bool apply(Job &job)
    {
        switch (job.kind) {
        case Job::Kind::BeginFile: {
            std::string name = job.folder + "/.part-XXXXXX";
            out = FileDescriptor(::mkostemp(name.data(), O_CLOEXEC));
            if (out.get() < 0)
                return false;
            temporary.emplace(name);
            folder = std::move(job.folder);
            path = std::move(job.path);
            return true;
        }
        case Job::Kind::Data:
            if (!writeAll(out.get(), job.data, job.offset))
                return false;
            // A write-back error is reported once per open file: the sync at the end, through
            // another descriptor, might not see one that this sync saw.
            unsynced += job.data.size();
            if (unsynced >= kSyncStep) {
                if (::syncfs(out.get()) != 0)
                    return false;
                unsynced = 0;
            }
            return true;
        case Job::Kind::EndFile:
            if (::ftruncate(out.get(), static_cast<off_t>(job.offset)) != 0 ||
                ::fchmod(out.get(), job.mode) != 0)
                return false;
            if (!out.close())
                return false;
            pending.add(std::move(*temporary), std::move(path), folder);
            temporary.reset();
            return true;
        case Job::Kind::DropFile:
            out.reset();
            temporary.reset();
            return true;
        case Job::Kind::Link: {
            std::string name = job.folder + "/.link-XXXXXX";
            FileDescriptor placeholder(::mkostemp(name.data(), O_CLOEXEC));
            if (placeholder.get() < 0)
                return false;
            placeholder.reset();
            PendingName link(name);
            if (::unlink(name.c_str()) != 0 || ::symlink(job.target.c_str(), name.c_str()) != 0)
                return false;
            pending.add(std::move(link), std::move(job.path), job.folder);
            return true;
        }
        case Job::Kind::Stop:
            break;
        }
        return true;
    }

    void stop()
    {
        if (!thread.joinable())
            return;
        {
            // Past the limit: the thread empties the queue before it reads the stop.
            std::lock_guard<std::mutex> hold(lock);
            queue.push_back(Job{Job::Kind::Stop, {}, {}, {}, {}, 0, 0});
            writerWaiting = false;
            queued.notify_one();
        }
        thread.join();
    }
};

EntryWriter::EntryWriter() : m_state(std::make_unique<State>())
{
    try {
        m_state->thread = std::thread([state = m_state.get()] { state->run(); });
    } catch (const std::system_error &) {
        // Written on the caller's thread instead.
    }
}

EntryWriter::~EntryWriter()
{
    m_state->stop();
}

void EntryWriter::beginFile(const std::string &folder, const std::string &path)
{
    m_state->push(Job{Job::Kind::BeginFile, folder, path, {}, {}, 0, 0});
}

void EntryWriter::write(const void *data, std::size_t size, std::int64_t offset)
{
    const char *bytes = static_cast<const char *>(data);
    std::vector<char> copy = m_state->buffer();
    copy.assign(bytes, bytes + size);
    m_state->push(Job{Job::Kind::Data, {}, {}, {}, std::move(copy), offset, 0});
}

void EntryWriter::endFile(std::int64_t size, mode_t mode)
{
    m_state->push(Job{Job::Kind::EndFile, {}, {}, {}, {}, size, mode});
}

void EntryWriter::dropFile()
{
    m_state->push(Job{Job::Kind::DropFile, {}, {}, {}, {}, 0, 0});
}

void EntryWriter::link(const std::string &target, const std::string &folder,
                       const std::string &path)
{
    m_state->push(Job{Job::Kind::Link, folder, path, target, {}, 0, 0});
}

bool EntryWriter::failed() const
{
    return m_state->failed.load();
}

bool EntryWriter::finish()
{
    m_state->stop();
    const bool placed = m_state->pending.placeAll();
    return placed && !m_state->failed.load();
}
