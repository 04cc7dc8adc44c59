#pragma once

// Results of extract7zArchive. Callers only need to tell kExtractOk from the rest; the other
// values say where it went wrong, for the log and for tests.
enum ExtractResult : int
{
    kExtractOk = 0,
    // The archive file cannot be opened for reading.
    kExtractCannotOpen = 1,
    // An entry's data cannot be decoded or fails its checksum: damaged, or coded with a method
    // or filter that the reader does not know.
    kExtractDamagedEntry = 2,
    // An entry is encrypted or a hard link.
    kExtractUnsupportedEntry = 4,
    // An entry's name or link target would reach outside the output folder.
    kExtractUnsafeEntry = 5,
    // An output folder or file cannot be created, written in full, or put in place.
    kExtractOutputFailed = 11,
    // The file cannot be read as a 7z archive, or its header is damaged.
    kExtractNotAnArchive = 16,
};

// Unpacks every entry of the 7z archive `archive` into the existing folder `outDir`. Both are
// 8-bit paths as the file system takes them; the entries' names are written below `outDir` in
// UTF-8. Folders that entries need below `outDir` are created. Each file is written under a
// temporary name (".part-*", ".link-*" for links) and takes its own name only once its data has
// been decoded and checked in full and is on disk, so neither a failed run nor a power cut leaves
// a truncated file that looks complete. The files take their names together at the end of the
// run, those completed before a failure included; a failed run removes its temporaries, a killed
// one leaves them for the caller to clear. Entry names are checked for all entries before any is
// written, so an archive naming a place outside `outDir` writes nothing; an entry found outside
// it only later (after a damaged header) stops the run before that entry is written.
int extract7zArchive(const char *archive, const char *outDir);
