#pragma once

// Small Chromium simple-cache entries written straight into a folder, for the Chromium
// source's tests.

#include <cstdio>
#include <string>

#include "platform/Paths.h"
#include "support/ChromiumSimpleWriter.h"
#include "support/MozillaCache2Writer.h"
#include "support/TestSupport.h"

namespace vorlane::test {

inline std::string Head(const std::string& type, const std::string& more = {}) {
  return "HTTP/1.1 200 OK\ncontent-type:  " + type + " \n" + more;
}

inline std::string EntryName(int n, char role = '0') {
  char name[32];
  std::snprintf(name, sizeof name, "%016x_%c", n, role);
  return name;
}

inline void PutSimple(const std::string& folder, int n, const std::string& key,
                      const std::string& head, const std::string& body) {
  vorlane::test::ChromiumSimpleItem item;
  item.Key = key;
  item.Stream0 = ChromiumResponseInfo(head);
  item.Stream1 = body;
  WriteFile(Platform::JoinPath(folder, EntryName(n)), ChromiumSimpleWriter::EntryFile(item));
}

}  // namespace vorlane::test
