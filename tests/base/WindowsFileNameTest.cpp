#include <gtest/gtest.h>

#include <string>

#include "base/WindowsFileName.h"

TEST(WindowsFileName, DeviceNamesWithAndWithoutExtensions) {
  const struct {
    const char* Name;
    bool Reserved;
  } cases[] = {
      {"CON", true},        {"con.png", true},      {"Nul.tar.gz", true},  {"AUX .txt", true},
      {"PRN", true},        {"CONIN$", true},       {"conout$.log", true}, {"COM1.png", true},
      {"lpt9", true},       {"COM0.gif", true},     {"COM\xC2\xB9", true}, {"LPT\xC2\xB3.x", true},
      {"COM10.png", false}, {"COM.png", false},     {"CONSOLE", false},    {"file0.png", false},
      {"xCON.png", false},  {"LPT\xC2\xB4", false}, {".CON", false},       {"", false},
      {"COMa.png", false},  {"NUL_.png", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WindowsFileName::IsReservedName(c.Name), c.Reserved) << c.Name;
}

TEST(WindowsFileName, MakesEveryNameOneWindowsCanGive) {
  const struct {
    std::string Name;
    std::string Safe;
  } cases[] = {
      {"file0.png", "file0.png"},
      {"a\\b/c:d*e?f\"g<h>i|j.txt", "a_b_c_d_e_f_g_h_i_j.txt"},
      {std::string("tab\there\x01\0.x", 12), "tab_here__.x"},
      {"trailing. . ", "trailing"},
      {"...", "_"},
      {"", "_"},
      {"COM1.png", "_COM1.png"},
      {"nul", "_nul"},
      // A dot dropped at the end may leave a device name behind.
      {"CON.", "_CON"},
      {"Bild \xC3\xA4\xE2\x82\xAC.jpg", "Bild \xC3\xA4\xE2\x82\xAC.jpg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WindowsFileName::Safe(c.Name), c.Safe) << c.Name;
    EXPECT_FALSE(WindowsFileName::IsReservedName(WindowsFileName::Safe(c.Name))) << c.Name;
  }
}
