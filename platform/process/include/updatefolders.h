#pragma once

// The names through which the client hands an update over to the installer, relative to the
// program folder. Both sides take them from here.
namespace updatefolders {

// The download folder; it holds the archive while it is fetched and the installer's journal.
inline constexpr const char kUpdates[] = "updates";
// The unpacked tree that the installer puts in place.
inline constexpr const char kReady[] = "updates/ready";
inline constexpr const char kArchive[] = "updates/update.7z";
// Present while an install is under way or was interrupted: whoever finds it at start hands over
// to the installer, which finishes or undoes the recorded run before anything else.
inline constexpr const char kJournal[] = "updates/install.journal";

} // namespace updatefolders
