#pragma once

// Starting the program when the user logs in: an XDG autostart entry here, the Run value
// "Vorlane" on Windows. Failures: actions return bool, queries return std::optional
// (nullopt when the system cannot tell); nothing throws.

#include <optional>
#include <string>

namespace Platform {

// Writes (enable) or removes the per-user entry that starts `executable` when the
// user logs in. Only an absolute `executable` is written.
bool SetStartWithLogin(bool enable, const std::string& executable);
// Whether that entry exists.
bool StartsWithLogin();
// Where that entry is, for messages and tests.
std::optional<std::string> StartWithLoginEntryPath();

}  // namespace Platform
