#pragma once

#include "base/ResponseHead.h"
#include "sources/CCacheBrowser.h"

#include <cstddef>

// Header values kept per entry are at most this long; a longer one (no server sends
// such a Content-Type or Date) is taken as absent, so that many entries sharing one
// huge stored head cannot multiply it in memory.
inline constexpr size_t MaxKeptHeaderValue = 8192;

// Which of several headers of one name counts: Firefox reads a stored head line by
// line, so the last wins; the URL cache hands the first to its callers.
enum class HeaderChoice { First, Last };

// Takes what every source needs from a stored response head: MimeType (letters as
// stored) with Kind classified from its lower-cased text, and ContentEncoding
// (lower-cased), and the raw Content-Disposition, Last-Modified and Date. Fields the head
// does not name are left as they are.
void TakeResponseHead(const ResponseHead& head, CCacheBrowser::CCacheElement& entry,
                      HeaderChoice choice);
