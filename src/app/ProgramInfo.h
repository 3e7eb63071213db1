#pragma once

#include <string>

// The program's own fixed texts and where its web pages are, in one place for every
// front end.
namespace ProgramInfo {

inline constexpr char Name[] = "Vorlane";
// The title strip of the tray menu and the about box.
inline constexpr char ProductTitle[] = "Vorlane v " VORLANE_VERSION;
// The desktop's name for the program: its desktop file and its icon in the theme.
inline constexpr char DesktopName[] = "vorlane";

// The project has no public web address yet, so "Visit Our Site" and the about box open
// the installed manual, and "Download the Last Version" its page on installing.
std::string SitePage();
std::string DownloadPage();

// A local file as a file URL (percent-encoded, '\' turned into '/'), so a fragment can
// follow it.
std::string FileUrl(const std::string& path);

}  // namespace ProgramInfo
