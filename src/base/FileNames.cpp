#include "base/FileNames.h"

#include <array>
#include <vector>

#include "base/Text.h"
#include "base/WindowsFileName.h"

namespace FileNames {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The parameters of a header value: "type; a=b; c="d; e"" -> (a, b), (c, d; e).
std::vector<std::pair<std::string, std::string>> Parameters(std::string_view value) {
  std::vector<std::pair<std::string, std::string>> parameters;
  size_t pos = value.find(';');
  while (pos != std::string_view::npos && pos < value.size()) {
    ++pos;
    const size_t equals = value.find('=', pos);
    if (equals == std::string_view::npos) break;
    std::string name = Text::ToLowerAscii(Text::TrimBlanks(value.substr(pos, equals - pos)));
    pos = equals + 1;
    while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t')) ++pos;
    std::string text;
    if (pos < value.size() && value[pos] == '"') {
      for (++pos; pos < value.size() && value[pos] != '"'; ++pos) {
        if (value[pos] == '\\' && pos + 1 < value.size()) ++pos;
        text += value[pos];
      }
      pos = value.find(';', pos);
    } else {
      const size_t end = value.find(';', pos);
      text = std::string(Text::TrimBlanks(value.substr(pos, end - pos)));
      pos = end;
    }
    parameters.emplace_back(std::move(name), std::move(text));
  }
  return parameters;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string DispositionFileName(std::string_view contentDisposition) {
  // Parameters follow the type; a value that is only parameters gets a leading ';'.
  const std::string value =
      ";" +
      std::string(contentDisposition.substr(contentDisposition.find(';') == std::string_view::npos
                                                ? contentDisposition.size()
                                                : contentDisposition.find(';') + 1));
  std::string plain;
  for (const auto& [name, text] : Parameters(value)) {
    if (name == "filename*") {
      // charset'language'percent-encoded; UTF-8 and ASCII are taken as they decode.
      const size_t first = text.find('\'');
      const size_t second = first == std::string::npos ? first : text.find('\'', first + 1);
      if (second != std::string::npos) return PercentDecode(text.substr(second + 1));
    } else if (name == "filename" && plain.empty()) {
      plain = text;
    }
  }
  return plain;
}

std::string UrlFileName(std::string_view url) {
  url = url.substr(0, url.find_first_of("?#"));
  const size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) {
    const size_t path = url.find('/', scheme + 3);
    url = path == std::string_view::npos ? std::string_view() : url.substr(path);
  }
  const size_t slash = url.find_last_of('/');
  return PercentDecode(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

std::string SafeFileName(std::string_view name, bool forWindows, size_t maxBytes) {
  std::string out;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool bad = byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' ||
                     (forWindows && std::string_view(":*?\"<>|").find(c) != std::string_view::npos);
    out += bad ? '_' : c;
  }
  // A leading dot would hide the file.
  while (!out.empty() && (out.front() == '.' || out.front() == ' ')) out.erase(0, 1);
  if (out.size() > maxBytes) {
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
  }
  if (forWindows) {
    while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
    if (WindowsFileName::IsReservedName(out)) out.insert(0, "_");
  }
  if (out == "." || out == "..") return {};
  return out;
}

std::string WithoutExtension(std::string_view name) {
  const size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return std::string(name);
  return std::string(name.substr(0, dot));
}

}  // namespace FileNames
