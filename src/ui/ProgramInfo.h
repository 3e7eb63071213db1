#pragma once

// The program's own fixed texts and the maker's addresses, in one place.
namespace ProgramInfo {

inline constexpr char Name[] = "Vorlane";
// The title strip of the tray menu and the about box.
inline constexpr char ProductTitle[] = "Vorlane v " VORLANE_VERSION;
// Placeholders until the project has a real home.
inline constexpr char SiteAddress[] = "https://vorlane.example.org/";
inline constexpr char DownloadAddress[] = "https://vorlane.example.org/download";
inline constexpr char NoticeLine[] = "Free software by the Vorlane developers.";

}  // namespace ProgramInfo
