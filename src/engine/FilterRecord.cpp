#include "engine/FilterRecord.h"

void SplitUrl(FilterRecord& record) {
  record.UrlWords.clear();
  std::string word;
  for (char c : record.URL) {
    if (c == ',') {
      if (!word.empty()) record.UrlWords.push_back(word);
      word.clear();
    } else if (c != ' ' && c != '\t') {
      word += c;
    }
  }
  if (!word.empty()) record.UrlWords.push_back(word);
}
