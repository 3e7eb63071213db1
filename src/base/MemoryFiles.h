#pragma once

// A set of named files held in memory, offered through a FileRangeFetch: what tests
// and fuzz targets give the parsers of caches that span several files.

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/RangeFetch.h"

namespace Bytes {

class MemoryFiles {
 public:
  void Put(std::string name, std::vector<std::byte> bytes) {
    Files[std::move(name)] = std::move(bytes);
  }
  void Put(std::string name, std::string_view bytes) {
    const auto view = std::as_bytes(std::span<const char>(bytes.data(), bytes.size()));
    Put(std::move(name), std::vector<std::byte>(view.begin(), view.end()));
  }
  std::optional<std::span<const std::byte>> Find(std::string_view name) const {
    const auto it = Files.find(name);
    if (it == Files.end()) return std::nullopt;
    return std::span<const std::byte>(it->second);
  }
  // Answers from the files as they are when asked; the set must outlive the callback.
  FileRangeFetch Fetch() const {
    return [this](std::string_view name, uint64_t offset,
                  size_t length) -> std::optional<std::span<const std::byte>> {
      const auto file = Find(name);
      if (!file) return std::nullopt;
      return ByteReader(*file).Sub(offset, length);
    };
  }

 private:
  std::map<std::string, std::vector<std::byte>, std::less<>> Files;
};

}  // namespace Bytes
