#include "engine/CaptureTarget.h"

#include "sources/CacheFormats.h"

std::optional<CaptureTarget> ResolveCaptureTarget(int code) {
  const BrowserInfo* browser = FindBrowser(code);
  if (!browser) return std::nullopt;
  const CacheFormat* format = FindCacheFormat(browser->FormatId);
  if (!format) return std::nullopt;
  return CaptureTarget{*browser, *format};
}
