#pragma once

#include <optional>
#include <string>

#include "sources/ContentKinds.h"

// The fields of the filter editor, as texts the user typed; the content type is the
// kind code of the chosen list entry.
struct FilterFields {
  enum Field { ContentType, MinSize, Url, MinWidth, MinHeight, Folder, FileName };

  KindCode Kind = 0;
  std::string MinSizeText;
  std::string UrlText;
  std::string MinWidthText;
  std::string MinHeightText;
  std::string FolderText;
  std::string FileNameText;
};

// What the filter editor needs of a front end. FilterEditorController calls it on the
// UI thread only, while the editor runs modally.
class FilterEditorView {
 public:
  virtual ~FilterEditorView() = default;

  // The fields as they stand now.
  virtual FilterFields Fields() const = 0;
  virtual void ShowFields(const FilterFields& fields) = 0;
  virtual void ShowFolder(const std::string& folder) = 0;
  // Tells why a field is refused (a warning box with OK), then puts the cursor into
  // the field, its text selected when `selectText`. The editor stays open.
  virtual void Refuse(const std::string& message, FilterFields::Field field, bool selectText) = 0;
  // A folder chooser titled `title` that opens at `start`; nothing when the user
  // cancels or picks no file-system folder.
  virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                  const std::string& start) = 0;
  // A file opened with the desktop (the manual).
  virtual void Open(const std::string& target) = 0;
};
