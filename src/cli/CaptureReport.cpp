#include "cli/CaptureReport.h"

#include <array>

#include "base/Text.h"
#include "cli/CliOptions.h"
#include "cli/EntryListing.h"
#include "platform/Files.h"

namespace {

constexpr std::array<const char*, 13> kColumns = {
    "url",  "site",       "partition", "saved_path", "kind",    "content_type", "encoding",
    "size", "saved_size", "time",      "sha256",     "outcome", "index"};

std::vector<std::string> Fields(const ReportRow& row, size_t index) {
  return {row.Url,
          row.Site,
          row.Partition,
          row.SavedPath,
          row.Kind,
          row.MimeType,
          row.Encoding,
          std::to_string(row.StoredSize),
          std::to_string(row.SavedSize),
          FormatIsoTime(row.Time),
          row.Sha256,
          row.Outcome,
          std::to_string(index)};
}

bool IsNumber(size_t column) {
  return column == 7 || column == 8 || column == 12;
}

}  // namespace

bool WriteCaptureReport(const std::string& path, const std::vector<ReportRow>& rows,
                        std::string& error) {
  const bool json = Text::EndsWithIgnoringAsciiCase(path, ".json");
  std::string text;
  if (json) {
    text += "[";
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::vector<std::string> fields = Fields(rows[i], i);
      text += i ? ",\n  {" : "\n  {";
      for (size_t c = 0; c < kColumns.size(); ++c) {
        text += std::string(c ? ", " : "") + "\"" + kColumns[c] + "\": ";
        text += IsNumber(c) ? fields[c] : JsonString(fields[c]);
      }
      text += "}";
    }
    text += rows.empty() ? "]\n" : "\n]\n";
  } else {
    for (size_t c = 0; c < kColumns.size(); ++c) text += std::string(c ? "," : "") + kColumns[c];
    text += "\n";
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::vector<std::string> fields = Fields(rows[i], i);
      for (size_t c = 0; c < fields.size(); ++c) text += (c ? "," : "") + CsvField(fields[c]);
      text += "\n";
    }
  }
  if (!Platform::ReplaceFileAtomically(path, text)) {
    error = "cannot write the report " + path;
    return false;
  }
  return true;
}
