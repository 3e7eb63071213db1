#include "cli/EntryListing.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "engine/OutputFolders.h"

namespace {

// Control characters of a URL or type (an escape sequence, a line break) would reach
// the terminal or break the rows; they are written as \xHH.
std::string Visible(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string TsvField(const std::string& text) {
  return Visible(text);
}

std::string CsvField(const std::string& text) {
  std::string visible = Visible(text);
  // A spreadsheet takes a cell that begins so as a formula: the URL of a crafted page
  // must stay text.
  const bool formula =
      !visible.empty() && std::string_view("=+-@").find(visible[0]) != std::string_view::npos;
  if (formula) visible = "'" + visible;
  if (!formula && visible.find_first_of(",\"") == std::string::npos) return visible;
  std::string out = "\"";
  for (char c : visible) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void PrintEntries(const CCacheBrowser& source, CliOptions::Format format, std::FILE* out) {
  const char* names[] = {"index", "kind", "size", "time",     "mime",
                         "url",   "file", "site", "partition"};
  constexpr size_t kColumns = sizeof names / sizeof names[0];
  if (format == CliOptions::Format::Json) std::fputs("[", out);
  if (format != CliOptions::Format::Json) {
    const char* separator = format == CliOptions::Format::Csv ? "," : "\t";
    for (size_t i = 0; i < kColumns; ++i) std::fprintf(out, "%s%s", i ? separator : "", names[i]);
    std::fputs("\n", out);
  }
  bool first = true;
  for (auto* entry = source.GetFirst(); entry; entry = source.GetNext(*entry)) {
    const std::vector<std::string> fields = {std::to_string(entry->Index),
                                             std::string(KindName(entry->Kind)),
                                             std::to_string(entry->Size),
                                             FormatIsoTime(entry->Time),
                                             entry->MimeType,
                                             entry->SourceUrl,
                                             source.GetEntryFile(*entry),
                                             SiteFolderName(entry->SourceUrl),
                                             entry->Partition};
    if (format == CliOptions::Format::Json) {
      std::fputs(first ? "\n  {" : ",\n  {", out);
      for (size_t i = 0; i < fields.size(); ++i) {
        const bool number = i == 0 || i == 2;
        std::fprintf(out, "%s\"%s\": %s", i ? ", " : "", names[i],
                     number ? fields[i].c_str() : JsonString(fields[i]).c_str());
      }
      std::fputs("}", out);
    } else {
      for (size_t i = 0; i < fields.size(); ++i) {
        const std::string field =
            format == CliOptions::Format::Csv ? CsvField(fields[i]) : TsvField(fields[i]);
        std::fprintf(out, "%s%s", i ? (format == CliOptions::Format::Csv ? "," : "\t") : "",
                     field.c_str());
      }
      std::fputs("\n", out);
    }
    first = false;
  }
  if (format == CliOptions::Format::Json) std::fputs(first ? "]\n" : "\n]\n", out);
}
