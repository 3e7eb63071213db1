// Filter files: one filter set with its hint, an INI file with one section per filter.
#include "config/IniFile.h"
#include "config/Settings.h"
#include "engine/CCacheFilter.h"
#include "engine/OutputFolders.h"
#include "platform/Files.h"

namespace {

constexpr std::string_view kGeneral = "GENERAL";
// A filter file of the largest readable size cannot hold more sections than this.
constexpr int kMaxFilters = 1 << 20;

std::string SectionName(int index) {
  return "FILTER_" + std::to_string(index);
}

}  // namespace

bool CCacheFilter::Load(const std::string& path) {
  if (!path.empty()) FilterFilePath = path;
  const std::string file = FilterFilePath;
  // Both names point at the file before it is looked at, so a failed load still
  // shows which file failed.
  // The settings file is written by its owner (the tray program at exit), not here.
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = file; });
  return ReadFilterFile(file);
}

bool CCacheFilter::ReadFilterFile(const std::string& file) {
  Clear();
  ReadFailure.clear();
  const std::optional<IniDocument> document = LoadIniDocument(file);
  if (!document) {
    ReadFailure = "the file cannot be read";
    return false;
  }
  // Filters past the bound would be lost without a word: the whole file is refused.
  if (document->IsCut()) {
    ReadFailure = "it holds more than " + std::to_string(IniDocument::MaxEntries) +
                  " sections and keys, more than can be read";
    return false;
  }
  if (!document->Has(kGeneral, "VorlaneFilter") ||
      IniValueToInt32(document->Get(kGeneral, "VorlaneFilter")) == 0) {
    ReadFailure = Platform::PathExists(file) ? "not a filter file" : "no such file";
    return false;
  }
  Hint = document->Get(kGeneral, "Hint");

  for (int n = 0; n < kMaxFilters; ++n) {
    const std::string section = SectionName(n);
    const std::string contentType = document->Get(section, "ContentType");
    if (contentType.empty()) break;
    auto record = std::make_unique<FilterRecord>();
    record->ContentType = IniValueToInt32(contentType);
    record->Disabled = IniValueToInt32(document->Get(section, "Disabled")) != 0;
    record->URL = document->Get(section, "URL");
    SplitUrl(*record);
    record->MinSize = IniValueToInt32(document->Get(section, "MinSize"));
    record->MinWidth = IniValueToInt32(document->Get(section, "MinWeidth"));
    const std::string minHeight = document->Get(section, "MinHeight");
    record->MinHeight = IniValueToInt32(minHeight);
    record->Directory = document->Get(section, "Directory");
    record->ResolvedDirectory = ResolveDirectory(record->Directory);
    record->FileNameDummy = document->Get(section, "FileNameDummy");
    Filters.push_back(std::move(record));
    if (minHeight.empty()) break;
  }
  Renumber();
  return true;
}

bool CCacheFilter::Save(const std::string& path) {
  // Written from scratch into a new document and swapped in whole: nothing of an
  // older file survives, and an interrupted save leaves the old file, never none.
  IniDocument document;
  document.Set(kGeneral, "VorlaneFilter", "1");
  document.Set(kGeneral, "Hint", Hint);
  for (size_t i = 0; i < Filters.size(); ++i) {
    const FilterRecord& record = *Filters[i];
    const std::string section = SectionName(static_cast<int>(i));
    document.Set(section, "ContentType", std::to_string(record.ContentType));
    document.Set(section, "Disabled", record.Disabled ? "1" : "0");
    document.Set(section, "MinSize", std::to_string(record.MinSize));
    document.Set(section, "URL", record.URL);
    document.Set(section, "MinWeidth", std::to_string(record.MinWidth));
    document.Set(section, "MinHeight", std::to_string(record.MinHeight));
    document.Set(section, "Directory", record.Directory);
    document.Set(section, "FileNameDummy", record.FileNameDummy);
  }
  const bool saved = SaveIniDocument(document, path);
  FilterFilePath = path;
  UpdateSettings([&](Settings& settings) { settings.FiltersFileName = path; });
  return saved;
}
