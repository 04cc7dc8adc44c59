#pragma once

// File names of the programs outside this system that start the installer and that the installer
// terminates and starts again. Every text that names one of them takes the name from here.
namespace programnames {

inline constexpr const char kQuorvelClient[] = "QuorvelClient";
inline constexpr const char kInkbayProtector[] = "InkbayProtector";
inline constexpr const char kInkbay[] = "Inkbay";
inline constexpr const char kQuorvel[] = "Quorvel";

} // namespace programnames
