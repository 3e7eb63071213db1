#include "sources/ResponseFields.h"

#include "base/Text.h"
#include "platform/Text.h"

void TakeResponseHead(const ResponseHead& head, CCacheBrowser::CCacheElement& entry,
                      HeaderChoice choice) {
  const auto value = [&](std::string_view name) {
    auto found = choice == HeaderChoice::First ? head.First(name) : head.Last(name);
    if (found && found->size() > MaxKeptHeaderValue) found.reset();
    return found;
  };
  if (const auto type = value("Content-Type")) {
    entry.MimeType = Platform::CacheBytesToUtf8(*type);
    entry.Kind = Classify(Text::ToLowerAscii(*type));
  }
  const auto take = [&](std::string_view name, std::string& field) {
    if (const auto text = value(name)) field = Platform::CacheBytesToUtf8(*text);
  };
  take("Content-Disposition", entry.ContentDisposition);
  take("Last-Modified", entry.LastModified);
  take("Date", entry.Date);
  if (const auto encoding = value("Content-Encoding")) {
    entry.ContentEncoding = Platform::CacheBytesToUtf8(Text::ToLowerAscii(*encoding));
  }
}
