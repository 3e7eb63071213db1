#pragma once

#include <string>

#include "support/TestSupport.h"
#include "support/UrlCacheIndexWriter.h"

namespace vorlane::test {

// A cache folder with its index and, where a test asks for it, the cached files.
struct IECacheFolder {
  TempDir Dir;
  UrlCacheIndexWriter Writer;

  explicit IECacheFolder(
      UrlCacheIndexWriter::Signature signature = UrlCacheIndexWriter::Signature::InternetExplorer)
      : Writer(signature) {
    Writer.AddDirectory("ENG3X4ZR");
  }

  void Add(const std::string& url, const std::string& headers, const std::string& content,
           uint32_t type = 0x41) {
    UrlCacheIndexWriter::UrlItem item;
    item.Url = url;
    item.FileName = "item" + std::to_string(Count++) + "[1].bin";
    item.EntryType = type;
    item.Size = content.size();
    item.LastSyncFat = UrlCacheIndexWriter::FatDateTime(2015, 8, 25, 11, 5, 22);
    item.HeaderInfo = headers;
    Writer.AddUrl(item);
    vorlane::test::WriteFile(Dir / ("ENG3X4ZR/" + item.FileName), content);
  }

  std::string Write() {
    EXPECT_TRUE(Writer.WriteTo(Dir / "index.dat"));
    return Dir.Path();
  }

  int Count = 0;
};

inline std::string Headers(const std::string& contentType) {
  return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: 4\r\n\r\n";
}

}  // namespace vorlane::test
