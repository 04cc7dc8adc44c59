#pragma once

// File names of the programs and the library that make up one program folder.
// Every text that names one of these files takes the name from here.
namespace programnames {

inline constexpr const char kClient[] = "Aulark";
inline constexpr const char kUpdater[] = "Updater";
inline constexpr const char kPenLibrary[] = "libScrivloController.so";

} // namespace programnames
