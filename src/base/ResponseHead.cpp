#include "base/ResponseHead.h"

#include "base/Text.h"

namespace {

// A head is a few kilobytes; a damaged one could be megabytes of short lines.
constexpr size_t kMaxHeaders = 4096;

}  // namespace

ResponseHead ResponseHead::Parse(std::string_view text, LineEnds ends) {
  ResponseHead head;
  if (ends != LineEnds::Nul) text = text.substr(0, text.find('\0'));
  bool first = true;
  for (size_t start = 0; start < text.size() && head.Fields.size() < kMaxHeaders;) {
    size_t end;
    size_t next;
    if (ends == LineEnds::Nul) {
      end = text.find('\0', start);
      if (end == std::string_view::npos) end = text.size();
      next = end + 1;
    } else {
      end = text.find_first_of("\r\n", start);
      if (end == std::string_view::npos) {
        if (ends == LineEnds::CrLf) break;  // a line cut short is not taken
        end = text.size();
      }
      const bool crlf =
          end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
      next = end + (crlf ? 2 : 1);
    }
    const std::string_view line = text.substr(start, end - start);
    start = next;
    if (first) {
      first = false;
      head.Status = line;
      // A head without a status line still has headers (the URL cache keeps some so).
      if (line.find(':') == std::string_view::npos || line.starts_with("HTTP/")) continue;
    }
    if (line.empty()) {
      if (ends == LineEnds::Nul) break;
      continue;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    head.Fields.emplace_back(Text::TrimBlanks(line.substr(0, colon)),
                             Text::TrimBlanks(line.substr(colon + 1)));
  }
  return head;
}

std::optional<int> ResponseHead::StatusCode() const {
  if (!Status.starts_with("HTTP/")) return std::nullopt;
  const size_t blank = Status.find(' ');
  if (blank == std::string_view::npos || blank + 4 > Status.size()) return std::nullopt;
  int code = 0;
  for (size_t i = blank + 1; i < blank + 4; ++i) {
    if (Status[i] < '0' || Status[i] > '9') return std::nullopt;
    code = code * 10 + (Status[i] - '0');
  }
  if (blank + 4 < Status.size() && Status[blank + 4] != ' ') return std::nullopt;
  return code;
}

std::optional<std::string_view> ResponseHead::First(std::string_view name) const {
  for (const auto& [field, value] : Fields) {
    if (Text::EqualsIgnoringAsciiCase(field, name)) return value;
  }
  return std::nullopt;
}

std::optional<std::string_view> ResponseHead::Last(std::string_view name) const {
  for (auto it = Fields.rbegin(); it != Fields.rend(); ++it) {
    if (Text::EqualsIgnoringAsciiCase(it->first, name)) return it->second;
  }
  return std::nullopt;
}
