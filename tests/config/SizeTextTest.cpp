#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "config/SizeText.h"

TEST(SizeText, NumbersWithUnits) {
  const std::pair<std::string_view, std::optional<int32_t>> cases[] = {
      {"", 0},
      {" 12 ", 12},
      {"007", 7},
      {"10 bytes", 10},
      {"10 KB", 10000},
      {"10kb", 10000},
      {"10K", 10000},
      {"10 KiB", 10240},
      {"1.5 MB", 1500000},
      {"1,5 MB", 1500000},
      {"1.5 MiB", 1572864},
      {".5 KB", 500},
      {"1 GiB", 1073741824},
      {"1.0 B", 1},
      // Rounded to the nearest byte: 1.0005 KB is 1000.5 bytes.
      {"1.0005 KB", 1001},
      {"1.0004 KB", 1000},
      {"0.000000001 GB", 1},
      // The largest size a filter file holds, and past it.
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"2.147483647 GB", 2147483647},
      {"2 GiB", std::nullopt},
      {"00000000000000000000001 KB", 1000},
      {"99999999999999999999 KB", std::nullopt},
      {"1.0000000001 KB", std::nullopt},
      // What the field once stored as its leading digits is refused now.
      {"-5", std::nullopt},
      {"+5", std::nullopt},
      {"1.5", std::nullopt},
      {"10 TB", std::nullopt},
      {"KB", std::nullopt},
      {".", std::nullopt},
      {"1 000", std::nullopt},
      {"1.2.3 KB", std::nullopt},
      {"12abc", std::nullopt}};
  for (const auto& [text, bytes] : cases) EXPECT_EQ(ParseSizeText(text), bytes) << text;
}
