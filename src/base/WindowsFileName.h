#pragma once

// Names of saved files as Windows accepts them. Pure text rules, tested on every build;
// the engine applies them where the program runs on Windows.

#include <string>
#include <string_view>

namespace WindowsFileName {

// True when Windows takes `name` for a device: CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM0-9 and LPT0-9 (also with the superscript digits ¹ ² ³), whatever the case, and
// also with an extension or blanks before it ("nul.txt", "COM1 .png").
bool IsReservedName(std::string_view name);

// `name` made a name Windows can give a file: the characters \ / : * ? " < > | and
// control characters become '_', trailing dots and blanks (which Windows drops) are
// removed, and a device name gets a leading '_'. Other bytes (UTF-8) are kept; a name
// left empty becomes "_".
std::string Safe(std::string_view name);

}  // namespace WindowsFileName
