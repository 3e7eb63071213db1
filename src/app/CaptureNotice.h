#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/CaptureOutcome.h"

// What the user is told after a capture. The count sentences are fixed English; the
// reasons and the rest come from the language file.

// "1 new file has been captured and saved", "N new files have been captured and saved".
std::string NewFilesText(int count);
// The notice after a capture that saved `count` files: NewFilesText, with the entries
// that could not be read added in brackets.
std::string CaptureNoticeText(int count, uint32_t skipped);

// The notice after a finished job, named by its browser: "Chromium: 5 new files have
// been captured and saved", or after one that saved nothing, why ("Chromium: No new
// files: 8 already saved"). Empty when nothing is to be shown: after a job that failed
// (its message tells) or was stopped, and after a capture that followed a browser's
// closing and saved nothing (those are frequent, and nobody asked for them).
std::string CaptureNoticeFor(const CaptureOutcome& job, uint32_t skipped);

// The tray icon's tooltip: the program, the browsers watched (or that watching is
// paused) and when the last capture was, with what it saved ("Vorlane - watching
// Firefox, Chromium / Last capture 14:32, Chromium: 5 new files").
std::string TrayToolTipText(const std::vector<std::string>& watched, bool paused,
                            const CaptureOutcome* last);
// The short names of the browsers the settings watch, in the table's order.
std::vector<std::string> WatchedBrowsers();
