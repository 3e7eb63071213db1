#pragma once

#include "sources/CacheFormat.h"

// The descriptor the registry lists for this folder's format.
const CacheFormat& ChromiumFormat();
