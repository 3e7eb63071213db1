#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "config/SizeText.h"

TEST(SizeText, NumbersWithUnits) {
  struct Case {
    std::string_view text;
    std::optional<int32_t> bytes;
  };
  const Case cases[] = {
      {"", 0},
      {"   ", 0},
      {"0", 0},
      {"10240", 10240},
      {" 12 ", 12},
      {"007", 7},
      {"10 B", 10},
      {"10 bytes", 10},
      {"10 KB", 10000},
      {"10kb", 10000},
      {"10 kB", 10000},
      {"10K", 10000},
      {"10 KiB", 10240},
      {"10 kib", 10240},
      {"1.5 MB", 1500000},
      {"1,5 MB", 1500000},
      {"1.5 MiB", 1572864},
      {".5 KB", 500},
      {"5. KB", 5000},
      {"2 GB", 2000000000},
      {"1 GiB", 1073741824},
      {"1.0 B", 1},
      // Rounded to the nearest byte: 1.0005 KB is 1000.5 bytes.
      {"1.0005 KB", 1001},
      {"1.0004 KB", 1000},
      {"0.000000001 GB", 1},
      // The largest size a filter holds, and one byte more.
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"2.147483647 GB", 2147483647},
      {"2.147483648 GB", std::nullopt},
      {"2 GiB", std::nullopt},
      {"00000000000000000000001 KB", 1000},
      {"99999999999999999999 KB", std::nullopt},
      {"1.0000000001 KB", std::nullopt},
      // Refused: what the field used to store as its leading digits.
      {"-5", std::nullopt},
      {"+5", std::nullopt},
      {"1.5", std::nullopt},
      {"1.5 B", std::nullopt},
      {"10 KBytes", std::nullopt},
      {"10 TB", std::nullopt},
      {"KB", std::nullopt},
      {".", std::nullopt},
      {"1 000", std::nullopt},
      {"1.2.3 KB", std::nullopt},
      {"12abc", std::nullopt},
      {"ten", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSizeText(c.text), c.bytes) << "\"" << c.text << "\"";
}
