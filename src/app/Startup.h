// Starting with Windows: a shortcut to the program in the user's Startup folder, nothing in the
// registry. The shortcut itself is the setting, so the check box always tells the truth, even
// after the user deletes the shortcut by hand.
#pragma once

#include <filesystem>

namespace kestrilon::app {

// The shortcut's place: "Kestrilon.lnk" in the user's Startup folder. Throws
// framework::EOSError when the folder is unknown.
std::filesystem::path StartupShortcutPath();

// What the shortcut starts, and where: both empty when there is none or it can't be read.
struct ShortcutTarget {
  std::filesystem::path program;
  std::filesystem::path folder;
};
ShortcutTarget ReadStartupShortcut();

// Whether the shortcut starts this program: one to another copy (an older download, say) is not
// this program's setting.
bool StartupShortcutStarts(const std::filesystem::path& program);

// Makes (or remakes) the shortcut to program, started in program's folder. Throws
// framework::EOSError naming the step that failed.
void CreateStartupShortcut(const std::filesystem::path& program);

// Removes the shortcut; one that isn't there is fine. Throws framework::EOSError when it stays.
void RemoveStartupShortcut();

}  // namespace kestrilon::app
