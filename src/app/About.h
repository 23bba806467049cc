// The About box: the system's standard About dialog with a fixed credit line and the file
// version that the executable's own version resource gives.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

namespace kestrilon::app {

// The string-table entries VersionInfoText reads, by index. The backslash is the query path's
// separator; the key is shown without it.
inline constexpr std::array<std::string_view, 8> VersionInfoKeys = {
    "\\CompanyName",       // 0
    "\\FileDescription",   // 1
    "\\FileVersion",       // 2
    "\\InternalName",      // 3
    "\\LegalCopyright",    // 4
    "\\OriginalFilename",  // 5
    "\\ProductName",       // 6
    "\\ProductVersion",    // 7
};

// The row an index above the table reads.
inline constexpr int VersionInfoFileVersion = 2;

// The About box's first line, naming the authors.
inline constexpr std::string_view AboutCreditLine = "Kestrilon  Copyright (C) 2026 Lumenveil";

// One line about the version resource of the file fileName (a path in the ANSI code page, 932):
//   "unidentified"  the file has no version resource that can be read, or it has no translation;
//   "Key : value"   the entry of the first translation's string table, e.g. "FileVersion
//   : 1.0.5.19"; "Key : None"    that string table lacks the entry.
// index 0 to 7 is a row of VersionInfoKeys; any index above 7 reads "\FileVersion". A negative
// index is a caller's mistake: std::out_of_range, naming the index.
// The value is in the ANSI code page, as the system converts it.
std::string VersionInfoText(const std::string& fileName, int index);

// The credit line, a carriage return alone, and VersionInfoText(exePath, 2): the extra text of
// the About box, in the ANSI code page.
std::string AboutText(const std::string& exePath);
// The same for a path as the system reports it (GetModuleFileNameW), through AnsiPath.
std::string AboutText(const std::wstring& exePath);

// A path in the ANSI code page that names the same file as path. Where the path holds characters
// the code page lacks (a folder named in another script), its short form is used, whose
// characters every code page has; where the file system keeps no short names, those characters
// become "?", which names no file, so that reading it fails rather than finding another file.
// Throws framework::EConvertError when the system cannot convert at all.
std::string AnsiPath(const std::wstring& path);

// Shows the system's About dialog, modal to owner, and returns when the user closes it.
// title is the application's name (UTF-8, as the framework holds its texts; a "#" in it would
// split it into caption and first line, as the system does); text is the extra text in the ANSI
// code page (AboutText); icon may be null for the system's default. Throws framework::Exception
// when the system cannot show the dialog.
void ShowAbout(HWND owner, const std::string& title, HICON icon, const std::string& text);

}  // namespace kestrilon::app
