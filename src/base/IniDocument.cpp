#include "base/IniDocument.h"

#include <algorithm>
#include <limits>

#include "base/Text.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return Text::EqualsIgnoringAsciiCase(a, b);
}

// UTF-16 body (after its mark) to UTF-8; a lone surrogate becomes U+FFFD and an odd
// last byte is dropped.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  const size_t units = bytes.size() / 2;
  auto unitAt = [&](size_t i) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    return bigEndian ? static_cast<char32_t>((first << 8) | second)
                     : static_cast<char32_t>((second << 8) | first);
  };
  std::string out;
  out.reserve(units + units / 2);
  for (size_t i = 0; i < units; ++i) {
    const char32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      const char32_t low = unitAt(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        Text::AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    Text::AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? char32_t{0xFFFD} : unit);
  }
  return out;
}

// Keeps the first `limit` characters (UTF-8 sequences; a stray byte counts as one),
// never cutting inside a sequence.
std::string CutToCharacters(std::string_view text, size_t limit) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (characters == limit) return std::string(text.substr(0, i));
    ++characters;
  }
  return std::string(text);
}

bool IsQuoted(std::string_view text) {
  return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

std::string EncodeValue(std::string_view value) {
  std::string encoded(value);
  for (char& c : encoded) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  // The reader trims blanks and drops enclosing quotes; quoting keeps such a value.
  if (!encoded.empty() &&
      (IsBlank(encoded.front()) || IsBlank(encoded.back()) || IsQuoted(encoded))) {
    encoded = '"' + encoded + '"';
  }
  return encoded;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument document;
  if (bytes.starts_with(kUtf8Bom)) {
    document.Bom = kUtf8Bom;
    document.Text = bytes.substr(kUtf8Bom.size());
  } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    document.Text = DecodeUtf16(bytes.substr(2), bytes[0] == '\xFE');
    // Written back as UTF-8, a second mark would be taken for the file's own.
    if (document.Text.starts_with(kUtf8Bom)) {
      document.Bom = kUtf8Bom;
      document.Text.erase(0, kUtf8Bom.size());
    }
  } else {
    document.Text = bytes;
  }
  document.Index();
  return document;
}

void IniDocument::Index() {
  const std::string_view text = Text;
  const size_t firstBreak = text.find('\n');
  if (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') {
    NewLine = "\r\n";
  }
  size_t entries = 0;
  for (size_t pos = 0; pos < text.size();) {
    const size_t lineBreak = text.find('\n', pos);
    const size_t lineEnd = lineBreak == std::string_view::npos ? text.size() : lineBreak;
    const size_t next = lineBreak == std::string_view::npos ? text.size() : lineBreak + 1;
    const std::string_view line = Trim(text.substr(pos, lineEnd - pos));
    const size_t lineBegin = static_cast<size_t>(line.data() - text.data());
    pos = next;
    if (line.empty() || line.front() == ';') continue;
    if (entries == MaxEntries) {
      Cut = true;
      break;
    }

    const size_t close = line.front() == '[' ? line.rfind(']') : std::string_view::npos;
    if (close != std::string_view::npos) {
      const std::string_view name = Trim(line.substr(1, close - 1));
      SectionIndex.emplace(Text::ToLowerAscii(name), Sections.size());
      Sections.push_back({static_cast<size_t>(name.data() - text.data()), name.size(), next, {}});
      ++entries;
      continue;
    }
    // Lines before the first section header belong to no section.
    const size_t equals = line.find('=');
    if (Sections.empty() || equals == std::string_view::npos) continue;
    const std::string_view name = Trim(line.substr(0, equals));
    if (name.empty()) continue;
    const std::string_view value = Trim(line.substr(equals + 1));
    // An empty value sits just after the '='.
    const size_t valueBegin =
        value.empty() ? lineBegin + equals + 1 : static_cast<size_t>(value.data() - text.data());
    Section& section = Sections.back();
    section.Keys.push_back(
        {static_cast<size_t>(name.data() - text.data()), name.size(), valueBegin, value.size()});
    section.ContentEnd = next;
    ++entries;
  }
}

size_t IniDocument::FindSection(std::string_view name) const {
  const auto found = SectionIndex.find(Text::ToLowerAscii(Trim(name)));
  return found == SectionIndex.end() ? Sections.size() : found->second;
}

size_t IniDocument::FindKey(const Section& section, std::string_view name) const {
  name = Trim(name);
  const std::string_view text = Text;
  for (size_t i = 0; i < section.Keys.size(); ++i) {
    const Key& key = section.Keys[i];
    if (EqualsNoCase(text.substr(key.NameBegin, key.NameLength), name)) return i;
  }
  return section.Keys.size();
}

bool IniDocument::Has(std::string_view section, std::string_view key) const {
  const size_t found = FindSection(section);
  return found < Sections.size() && FindKey(Sections[found], key) < Sections[found].Keys.size();
}

std::string IniDocument::Get(std::string_view section, std::string_view key) const {
  return Get(section, key, FindSection(section));
}

std::string IniDocument::Get(std::string_view, std::string_view key, size_t sectionIndex) const {
  if (sectionIndex >= Sections.size()) return {};
  const Section& found = Sections[sectionIndex];
  const size_t keyIndex = FindKey(found, key);
  if (keyIndex == found.Keys.size()) return {};
  const Key& entry = found.Keys[keyIndex];
  std::string_view value = std::string_view(Text).substr(entry.ValueBegin, entry.ValueLength);
  if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
  return CutToCharacters(value, MaxIniValueLength);
}

std::string IniDocument::SectionName(size_t index) const {
  if (index >= Sections.size()) return {};
  return Text.substr(Sections[index].NameBegin, Sections[index].NameLength);
}

std::string IniDocument::GetAt(size_t sectionIndex, std::string_view key) const {
  if (sectionIndex >= Sections.size()) return {};
  return Get(SectionName(sectionIndex), key, sectionIndex);
}

void IniDocument::Splice(size_t offset, size_t length, std::string_view replacement) {
  Text.replace(offset, length, replacement);
  auto move = [&](size_t& position) { position = position - length + replacement.size(); };
  // Sections lie in text order: those that end before the change keep every position,
  // so an append (the way a filter file is written) touches only the last section.
  const auto first = std::partition_point(Sections.begin(), Sections.end(),
                                          [&](const Section& s) { return s.ContentEnd < offset; });
  for (auto it = first; it != Sections.end(); ++it) {
    Section& section = *it;
    if (section.NameBegin > offset) move(section.NameBegin);
    // A section ends where text is inserted when its last line is an unterminated key
    // with an empty value; the inserted value belongs to that line.
    if (section.ContentEnd >= offset + length) move(section.ContentEnd);
    for (Key& key : section.Keys) {
      if (key.NameBegin > offset) move(key.NameBegin);
      if (key.ValueBegin > offset) move(key.ValueBegin);
    }
  }
}

void IniDocument::EndLastLine() {
  if (Text.empty() || Text.back() == '\n') return;
  const size_t end = Text.size();
  Text += NewLine;
  // A section whose last line was the unterminated one now ends after the new line end;
  // only the last section can end at the end of the text.
  if (!Sections.empty() && Sections.back().ContentEnd == end) {
    Sections.back().ContentEnd = Text.size();
  }
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (key.empty() || key.front() == '[' || key.front() == ';' ||
      key.find('=') != std::string_view::npos || HasLineBreak(key) ||
      section.find(']') != std::string_view::npos || HasLineBreak(section)) {
    return false;
  }
  const std::string encoded = EncodeValue(value);

  const size_t sectionIndex = FindSection(section);
  if (sectionIndex < Sections.size()) {
    Section& found = Sections[sectionIndex];
    const size_t keyIndex = FindKey(found, key);
    if (keyIndex < found.Keys.size()) {
      Key& existing = found.Keys[keyIndex];
      Splice(existing.ValueBegin, existing.ValueLength, encoded);
      existing.ValueLength = encoded.size();
      return true;
    }
    if (found.ContentEnd == Text.size()) EndLastLine();
    const size_t at = found.ContentEnd;
    const std::string line = std::string(key) + '=' + encoded + NewLine;
    Splice(at, 0, line);
    found.Keys.push_back({at, key.size(), at + key.size() + 1, encoded.size()});
    found.ContentEnd = at + line.size();
    return true;
  }

  EndLastLine();
  const size_t header = Text.size();
  Text += '[';
  Text += section;
  Text += ']';
  Text += NewLine;
  const size_t at = Text.size();
  Text += key;
  Text += '=';
  Text += encoded;
  Text += NewLine;
  SectionIndex.emplace(Text::ToLowerAscii(section), Sections.size());
  Sections.push_back({header + 1,
                      section.size(),
                      Text.size(),
                      {{at, key.size(), at + key.size() + 1, encoded.size()}}});
  return true;
}

std::string IniDocument::Serialize() const {
  return Bom + Text;
}

int32_t IniValueToInt32(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulated as a magnitude in 64 bits and clamped as soon as it leaves 32.
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<int32_t>(-magnitude);
  return static_cast<int32_t>(std::min<int64_t>(magnitude, kLimit - 1));
}
