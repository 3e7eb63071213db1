#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/UrlCache.h"
#include "platform/win32/WinApi.h"

namespace Platform::Win32 {

// The system's URL cache as WinINet enumerates it (FindFirstUrlCacheEntryW,
// FindNextUrlCacheEntryW, FindCloseUrlCache). Each entry arrives in a buffer that
// grows when the system says it is too small; entries name their cached file by its
// full path.
class WinInetEnumerator : public UrlCacheEnumerator {
 public:
  // `initialBuffer` lets tests make the first entries too large for the buffer.
  explicit WinInetEnumerator(uint32_t initialBuffer = 4096);
  ~WinInetEnumerator() override;
  WinInetEnumerator(const WinInetEnumerator&) = delete;
  WinInetEnumerator& operator=(const WinInetEnumerator&) = delete;

  std::optional<UrlCacheEntry> Next() override;
  // How often the buffer had to grow so far.
  int BufferGrowths() const { return Growths; }

 private:
  // One call of FindFirst or FindNext, repeated with a larger buffer while the system
  // asks for one; false at the end or on a failure.
  bool Fetch();
  UrlCacheEntry Convert() const;

  std::vector<uint64_t> Buffer;  // 8-byte elements: the record holds 64-bit fields
  HANDLE Find = nullptr;
  bool Started = false;
  bool Ended = false;
  size_t Count = 0;
  int Growths = 0;
};

}  // namespace Platform::Win32
