#pragma once

#include <ostream>

#include "sources/CGraphicLT.h"

// Shows sizes as "W x H" in failure messages.
inline void PrintTo(const CGraphicLT::ImageSize& size, std::ostream* out) {
  *out << size.Width << " x " << size.Height;
}
