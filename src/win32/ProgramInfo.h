#pragma once

#include <string>

// The program's own fixed texts and where its web pages are.
namespace ProgramInfo {

inline constexpr char Name[] = "Vorlane";
// The title strip of the tray menu and the about box.
inline constexpr char ProductTitle[] = "Vorlane v " VORLANE_VERSION;
inline constexpr char NoticeLine[] = "Free software by the Vorlane developers.";

// The project has no public web address yet: the about box's link and "Visit Our Site"
// open the installed manual.
std::string SitePage();

}  // namespace ProgramInfo
