#pragma once

#include <optional>

#include "config/BrowserTable.h"
#include "sources/CacheFormat.h"

// A browser's table row and the format of its cache, looked up once for a capture and
// handed down, so the job, its source, its checks and the watcher that started it never
// look the code up again.
struct CaptureTarget {
  const BrowserInfo& Browser;
  const CacheFormat& Format;
};

// The target of a browser code; nothing for a code outside the table or a row whose
// format no source reads.
std::optional<CaptureTarget> ResolveCaptureTarget(int code);
