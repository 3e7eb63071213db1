#pragma once

#include <cstdint>
#include <string>

// What the user is told after a capture. These texts are fixed English, not from the
// language file.

// "1 new file has been captured and saved", "N new files have been captured and saved".
std::string NewFilesText(int count);
// The notice after a capture that saved `count` files: NewFilesText, with the entries
// that could not be read added in brackets.
std::string CaptureNoticeText(int count, uint32_t skipped);
