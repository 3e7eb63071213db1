#pragma once

// The key under which Chromium's HTTP cache (both disk backends) keeps an entry:
// `<credential>/<upload id>/[_dk_[s_][cn_]<top-frame site> <frame site> ]<url>` today,
// `<credential>/<upload id>/<url>`, `<upload id>/<url>` or a bare URL in older caches.
// The blockfile backend keeps each 1 MiB of a sparse (range) entry in a child entry
// keyed `Range_<parent key>:<signature hex>:<child index hex>`. Pure: no I/O.

#include <cstdint>
#include <string_view>

namespace Chromium {

enum class KeyKind {
  Http,         // a cached HTTP response
  SparseChild,  // one 1 MiB piece of a blockfile sparse entry
  NotHttp,      // TLS host info, QUIC server info, code cache and anything without a URL
};

struct CacheKey {
  KeyKind Kind = KeyKind::NotHttp;
  // Views into the key given to ParseKey. For a sparse child they describe its parent.
  std::string_view Url;
  // The partition ("scheme://host" each); empty when the key is not partitioned.
  std::string_view TopFrameSite;
  std::string_view FrameSite;
  bool SubframeDocument = false;     // "s_": a cross-site iframe's document
  bool CrossSiteNavigation = false;  // "cn_": a main-frame navigation from another site
  // Sparse child only: the parent's whole key, the parent's signature and the child's
  // number (the child holds body offsets Index * 1 MiB onwards).
  std::string_view ParentKey;
  uint64_t Signature = 0;
  uint64_t ChildIndex = 0;
};

// Never fails: a key that is not an HTTP entry comes back as NotHttp. The URL is the
// text after the last blank, once the `N/` prefixes are gone; it must look like
// `scheme://...` for the key to count as HTTP.
CacheKey ParseKey(std::string_view key);

}  // namespace Chromium
