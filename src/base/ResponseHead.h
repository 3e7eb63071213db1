#pragma once

// A stored HTTP response head: a status line, then "Name: value" header lines. Every
// cache keeps it in its own shape (CR LF lines for Firefox and the URL cache, NUL-ended
// lines for Chromium) and with the names spelled as the server sent them, so names
// match without regard to ASCII case and values come trimmed of blanks.

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

class ResponseHead {
 public:
  enum class LineEnds {
    // Lines end in CR LF or a bare LF; the head ends at a NUL. A last line without
    // its end was cut short and is not taken.
    CrLf,
    // The same, but a last line without its end still counts.
    CrLfLenient,
    // Lines end in NUL; an empty line (two NULs) ends the head.
    Nul,
  };

  ResponseHead() = default;
  // Views into `text`, which must outlive the head.
  static ResponseHead Parse(std::string_view text, LineEnds ends);

  // The first line, whatever it holds (empty when there is none).
  std::string_view StatusLine() const { return Status; }
  // The status code of an "HTTP/x.y NNN ..." line; nullopt for any other first line.
  std::optional<int> StatusCode() const;

  // The first or last header of that name. nullopt when there is none; an empty value
  // is a value.
  std::optional<std::string_view> First(std::string_view name) const;
  std::optional<std::string_view> Last(std::string_view name) const;
  const std::vector<std::pair<std::string_view, std::string_view>>& Headers() const {
    return Fields;
  }

 private:
  std::string_view Status;
  std::vector<std::pair<std::string_view, std::string_view>> Fields;
};
