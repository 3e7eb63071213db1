#pragma once

// Which system this build runs on, as data: what differs per system (process names,
// places) is chosen from it, never by an #ifdef in a caller. Nothing here can fail.

namespace Platform {

// True in the Windows build.
extern const bool RunningOnWindows;

}  // namespace Platform
