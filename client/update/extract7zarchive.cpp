#include "extract7zarchive.h"

#include "entrywriter.h"
#include "filedescriptor.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <locale.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The reader converts the stored UTF-16 names through the thread's locale; in the C locale every
// name beyond ASCII would be lost. Only this thread's locale is switched, for as long as we read.
class Utf8LocaleScope
{
public:
    Utf8LocaleScope()
    {
        m_locale = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    ~Utf8LocaleScope()
    {
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
    }
    Utf8LocaleScope(const Utf8LocaleScope &) = delete;
    Utf8LocaleScope &operator=(const Utf8LocaleScope &) = delete;

private:
    locale_t m_locale = static_cast<locale_t>(nullptr);
    locale_t m_previous = static_cast<locale_t>(nullptr);
};

class Reader
{
public:
    Reader() : m_archive(archive_read_new()) { archive_read_support_format_7zip(m_archive); }
    ~Reader() { archive_read_free(m_archive); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;
    archive *get() const { return m_archive; }

private:
    archive *m_archive;
};

bool isSeparator(char c)
{
    // A backslash is an ordinary character in names here, but archives made elsewhere use it as
    // a separator: it must not smuggle a ".." past the check.
    return c == '/' || c == '\\';
}

// Splits an entry name into the folder names below the output folder. Empty and "." parts are
// dropped; an absolute name or any ".." part makes the name unsafe.
bool splitEntryName(const std::string &name, std::vector<std::string> &parts)
{
    parts.clear();
    if (name.empty() || name.front() == '/')
        return false;
    std::string part;
    std::string slashPart; // the same name cut only at "/", which is what the folder uses
    for (std::size_t i = 0; i <= name.size(); ++i) {
        const bool end = i == name.size();
        if (end || isSeparator(name[i])) {
            if (part == "..")
                return false;
            part.clear();
        } else {
            part += name[i];
        }
        if (end || name[i] == '/') {
            if (!slashPart.empty() && slashPart != ".")
                parts.push_back(slashPart);
            slashPart.clear();
        } else {
            slashPart += name[i];
        }
    }
    return true;
}

// A link may only point into its own folder or below: relative, and no "..". Then no chain of
// links, in whatever order they are made, can lead out of the output folder.
bool safeLinkTarget(const std::string &target)
{
    std::vector<std::string> parts;
    return splitEntryName(target, parts);
}

std::string joinPath(const std::string &base, const std::vector<std::string> &parts,
                     std::size_t count)
{
    std::string path = base;
    for (std::size_t i = 0; i < count; ++i)
        path += "/" + parts[i];
    return path;
}

// Creates the folders parts[0..count) below base, one level at a time. An existing folder is
// fine; anything else in the way, a link included, is not: nothing is written through a link.
bool makeFolders(const std::string &base, const std::vector<std::string> &parts, std::size_t count)
{
    std::string path = base;
    for (std::size_t i = 0; i < count; ++i) {
        path += "/" + parts[i];
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return false;
            continue;
        }
        if (::mkdir(path.c_str(), 0755) != 0) {
            if (errno != EEXIST || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                return false;
        }
    }
    return true;
}

std::string entryName(archive_entry *entry)
{
    const char *name = archive_entry_pathname_utf8(entry);
    if (!name)
        name = archive_entry_pathname(entry);
    return name ? name : "";
}

std::string linkTarget(archive_entry *entry)
{
    const char *target = archive_entry_symlink_utf8(entry);
    if (!target)
        target = archive_entry_symlink(entry);
    return target ? target : "";
}

void reportDamage(const std::string &path)
{
    std::printf("\nERROR: %s\n", path.c_str());
    std::fflush(stdout);
}

int openReader(const Reader &reader, int fd)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return kExtractCannotOpen;
    if (archive_read_open_fd(reader.get(), fd, 64 * 1024) != ARCHIVE_OK)
        return kExtractNotAnArchive;
    return kExtractOk;
}

// Reads every header once before anything is written, so that an archive that names a place
// outside the output folder changes nothing at all.
int checkNames(int fd)
{
    Reader reader;
    if (const int opened = openReader(reader, fd))
        return opened;
    std::vector<std::string> parts;
    for (bool first = true;; first = false) {
        archive_entry *entry = nullptr;
        const int r = archive_read_next_header(reader.get(), &entry);
        if (r == ARCHIVE_EOF)
            return kExtractOk;
        if (r < ARCHIVE_WARN) {
            // Past the first entry this is damaged data met while skipping; the extraction
            // walk reports it against the entry, and still checks every name it reaches.
            return first ? kExtractNotAnArchive : kExtractOk;
        }
        if (!splitEntryName(entryName(entry), parts))
            return kExtractUnsafeEntry;
        if (archive_entry_filetype(entry) == AE_IFLNK && !safeLinkTarget(linkTarget(entry)))
            return kExtractUnsafeEntry;
    }
}

// Decodes one file entry and hands its data to the writer, which gives the file its name only
// when all of it was decoded, checked and written.
int extractFile(archive *reader, archive_entry *entry, const std::string &folder,
                const std::string &path, EntryWriter &writer)
{
    writer.beginFile(folder, path);
    la_int64_t end = 0;
    for (;;) {
        const void *block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(reader, &block, &size, &offset);
        if (r == ARCHIVE_EOF)
            break;
        // A checksum mismatch comes as a warning with the entry's last block: anything short of
        // a clean block is a damaged entry.
        if (r != ARCHIVE_OK) {
            writer.dropFile();
            reportDamage(path);
            return kExtractDamagedEntry;
        }
        if (writer.failed())
            return kExtractOutputFailed;
        writer.write(block, size, offset);
        end = std::max<la_int64_t>(end, offset + static_cast<la_int64_t>(size));
    }
    // Only the execute bits matter to programs in the tree; group and others never get write.
    const mode_t mode = (archive_entry_perm(entry) & 0755) | 0600;
    writer.endFile(end, mode);
    return kExtractOk;
}

int walkEntries(int fd, const std::string &outDir, EntryWriter &writer)
{
    Reader reader;
    if (const int opened = openReader(reader, fd))
        return opened;
    std::vector<std::string> parts;
    // Entries come folder by folder: the folders of the last file are checked only once. Nothing
    // in this archive can have put a link in their place meanwhile: its links take their names
    // only when the writer finishes.
    std::string checkedFolder;
    for (;;) {
        archive_entry *entry = nullptr;
        const int r = archive_read_next_header(reader.get(), &entry);
        if (r == ARCHIVE_EOF)
            return kExtractOk;
        if (r < ARCHIVE_WARN)
            return kExtractDamagedEntry;

        if (!splitEntryName(entryName(entry), parts))
            return kExtractUnsafeEntry;
        const std::string path = joinPath(outDir, parts, parts.size());
        const auto type = archive_entry_filetype(entry);

        if (type == AE_IFDIR) {
            // A folder that cannot be made shows up as a failure of the files meant for it.
            makeFolders(outDir, parts, parts.size());
            continue;
        }
        if (archive_entry_hardlink(entry))
            return kExtractUnsupportedEntry;
        if (type != AE_IFREG && type != AE_IFLNK)
            continue; // pipes, sockets and devices have no place in the tree
        if (writer.failed())
            return kExtractOutputFailed;
        if (parts.empty())
            return kExtractUnsafeEntry; // a file cannot take the output folder's own place
        if (archive_entry_is_encrypted(entry))
            return kExtractUnsupportedEntry;

        const std::string folder = joinPath(outDir, parts, parts.size() - 1);
        if (folder != checkedFolder) {
            if (!makeFolders(outDir, parts, parts.size() - 1))
                return kExtractOutputFailed;
            checkedFolder = folder;
        }
        if (type == AE_IFLNK) {
            const std::string target = linkTarget(entry);
            if (!safeLinkTarget(target))
                return kExtractUnsafeEntry;
            writer.link(target, folder, path);
        } else if (const int result = extractFile(reader.get(), entry, folder, path, writer)) {
            return result;
        }
    }
}

int extractEntries(int fd, const std::string &outDir)
{
    EntryWriter writer;
    const int walked = walkEntries(fd, outDir, writer);
    // The entries completed before a failure stay, as they would have one by one.
    const bool written = writer.finish();
    if (walked != kExtractOk)
        return walked;
    return written ? kExtractOk : kExtractOutputFailed;
}

} // namespace

int extract7zArchive(const char *archivePath, const char *outDir)
{
    Utf8LocaleScope utf8;
    FileDescriptor in(::open(archivePath, O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return kExtractCannotOpen;
    if (const int checked = checkNames(in.get()))
        return checked;
    return extractEntries(in.get(), outDir);
}
