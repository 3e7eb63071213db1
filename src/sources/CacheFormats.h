#pragma once

// The registry of the cache formats this program reads: the one place that lists them.
// A new format is a folder of sources/ with its descriptor, and one line here.

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "sources/CacheFormat.h"

// Every format, in a fixed order.
std::span<const CacheFormat* const> CacheFormats();
// The format of an id a browser table row names, or null.
const CacheFormat* FindCacheFormat(std::string_view id);

// The one way a cache source is made: the format's own, reading `folder` when one is
// named, else the caches it finds in a browser's `places`. Closed.
std::unique_ptr<CCacheBrowser> MakeSource(const CacheFormat& format,
                                          const Platform::BrowserPlaces& places,
                                          const std::string& folder);

// Whether a browser's cache of `format` is there now: kept by the system, or a folder
// found in `places` that holds one.
bool HasCacheIn(const CacheFormat& format, const Platform::BrowserPlaces& places);
