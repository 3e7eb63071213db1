#include "sources/chromium/ChromiumKey.h"

#include <array>

namespace Chromium {

namespace {

constexpr std::string_view kDoubleKeyPrefix = "_dk_";
constexpr std::string_view kSparseChildPrefix = "Range_";
// Entries the cache keeps beside HTTP responses: TLS session hints (Chrome up to about
// 30), QUIC server configurations and the code cache's compiled scripts.
constexpr std::array<std::string_view, 3> kNotHttpPrefixes = {
    "sslhostinfo:", "quicserverinfo:", "_key"};
// A child index comes from a bitmap of at most 64 Ki children (64 GiB of body).
constexpr uint64_t kMaxChildIndex = 0xFFFF;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Lower-case hex of 1 to 16 digits, as "%llx" writes it.
bool ParseHex(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 16) return false;
  value = 0;
  for (const char c : text) {
    uint64_t digit;
    if (IsDigit(c)) {
      digit = static_cast<uint64_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint64_t>(c - 'a' + 10);
    } else {
      return false;
    }
    value = (value << 4) | digit;
  }
  return true;
}

// Drops up to two "<digits>/" groups (credential, upload id; old keys have only one).
std::string_view DropNumberPrefixes(std::string_view key) {
  for (int group = 0; group < 2; ++group) {
    size_t digits = 0;
    while (digits < key.size() && IsDigit(key[digits])) ++digits;
    if (digits == 0 || digits >= key.size() || key[digits] != '/') break;
    key.remove_prefix(digits + 1);
  }
  return key;
}

// "scheme://" with a scheme of a letter then letters, digits, '+', '-' or '.'.
bool LooksLikeUrl(std::string_view url) {
  const size_t colon = url.find("://");
  if (colon == std::string_view::npos || colon == 0 || !IsLetter(url[0])) return false;
  for (size_t i = 1; i < colon; ++i) {
    const char c = url[i];
    if (!IsLetter(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return colon + 3 < url.size();
}

CacheKey ParseHttpKey(std::string_view key) {
  CacheKey parsed;
  for (const std::string_view prefix : kNotHttpPrefixes) {
    if (key.starts_with(prefix)) return parsed;
  }
  std::string_view rest = DropNumberPrefixes(key);
  const bool partitioned = rest.starts_with(kDoubleKeyPrefix);
  if (partitioned) {
    rest.remove_prefix(kDoubleKeyPrefix.size());
    // Marks such as "s_", "cn_" (and experiments' own) come before the first site,
    // which always begins with its scheme and so never holds a '_' before its ':'.
    for (;;) {
      const size_t mark = rest.find('_');
      if (mark == std::string_view::npos || mark == 0 || rest.find_first_of(": ") < mark) break;
      const std::string_view name = rest.substr(0, mark);
      if (name == "s") parsed.SubframeDocument = true;
      if (name == "cn") parsed.CrossSiteNavigation = true;
      rest.remove_prefix(mark + 1);
    }
  }
  const size_t lastBlank = rest.rfind(' ');
  parsed.Url = lastBlank == std::string_view::npos ? rest : rest.substr(lastBlank + 1);
  if (partitioned && lastBlank != std::string_view::npos) {
    const std::string_view sites = rest.substr(0, lastBlank);
    const size_t blank = sites.rfind(' ');
    if (blank == std::string_view::npos) {
      parsed.TopFrameSite = sites;  // keys from before the frame site was added
    } else {
      parsed.FrameSite = sites.substr(blank + 1);
      const std::string_view before = sites.substr(0, blank);
      const size_t start = before.rfind(' ');
      parsed.TopFrameSite = start == std::string_view::npos ? before : before.substr(start + 1);
    }
  }
  parsed.Kind = LooksLikeUrl(parsed.Url) ? KeyKind::Http : KeyKind::NotHttp;
  return parsed;
}

}  // namespace

CacheKey ParseKey(std::string_view key) {
  if (key.starts_with(kSparseChildPrefix)) {
    const std::string_view body = key.substr(kSparseChildPrefix.size());
    const size_t indexColon = body.rfind(':');
    const size_t signatureColon = indexColon == std::string_view::npos || indexColon == 0
                                      ? std::string_view::npos
                                      : body.rfind(':', indexColon - 1);
    uint64_t signature = 0;
    uint64_t index = 0;
    if (signatureColon != std::string_view::npos &&
        ParseHex(body.substr(signatureColon + 1, indexColon - signatureColon - 1), signature) &&
        ParseHex(body.substr(indexColon + 1), index) && index <= kMaxChildIndex) {
      CacheKey parsed = ParseHttpKey(body.substr(0, signatureColon));
      if (parsed.Kind != KeyKind::Http) return CacheKey{};
      parsed.Kind = KeyKind::SparseChild;
      parsed.ParentKey = body.substr(0, signatureColon);
      parsed.Signature = signature;
      parsed.ChildIndex = index;
      return parsed;
    }
    return CacheKey{};  // HTTP keys never begin so
  }
  return ParseHttpKey(key);
}

}  // namespace Chromium
