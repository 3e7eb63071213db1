#pragma once

// The Windows headers, included the same way by every file of the Windows program.
// UNICODE and the other switches come from the build, so the resource compiler sees
// them too. windows.h defines DeleteFile as a macro, which would rename
// Platform::DeleteFile in the files that include both.

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#undef DeleteFile
