#pragma once

// The Windows headers, included the same way by every body of this folder. windows.h
// defines DeleteFile as a macro, which would rename Platform::DeleteFile in the files
// that include it; the wide function is always called by its own name here.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

#include <windows.h>

#undef DeleteFile
