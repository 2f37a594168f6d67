#pragma once

// The recently used project files and the last used directory, kept in the
// INI file "Corvane.ini" of the data folder:
//
//   [Recent File List]            [Data Directory]
//   File1=<most recent path>      Last Used Directory=<folder ending in '/'>
//   ...
//   File8=<oldest path>
//
// The File menu's recent-file entries show g_RecentFiles[0 .. count-1].

#include <QString>

#include <array>

inline constexpr int kRecentFileCapacity = 8;

// Full paths, most recent first; entries from g_nRecentFileCount on are empty
// after a load.
extern std::array<QString, kRecentFileCapacity> g_RecentFiles;
// The entries shown and opened, 0 to 8.
extern int g_nRecentFileCount;
// The entry last opened through the recent-file commands; -1 when none.
extern int g_nRecentFileIndex;

// Fills g_RecentFiles and g_nRecentFileCount from the INI file (rebuilding
// g_szIniPath first): keys "File1" to "File8" up to the first empty one;
// paths of files that no longer exist are left out.
void LoadRecentFileList();

// Puts g_szProjectPath at the head of g_RecentFiles and writes the list to
// the INI file. A path already listed (spelt exactly so) swaps places with
// the head; a new path pushes the others down and the eighth drops off. A new
// path whose file name is shorter than 4 characters shows "Bad file" and
// changes nothing. g_nRecentFileCount is left as it was: reload the list.
// False when the INI file could not be written.
bool AddToRecentFileList();

// A path as the INI file holds it, and back: a backslash is doubled and a
// line break written as "\n" or "\r", so a path holding one stays a single
// entry and reads back as it was. A backslash before anything else reads as
// itself, so lists written before this escaping read as they were written.
QString ProfileTextOfPath(const QString& path);
QString PathOfProfileText(const QString& text);

// True when path names a file that can be opened for reading.
bool FileExists(const QString& path);

// Writes folder as "Last Used Directory" of section "Data Directory"
// (rebuilding g_szIniPath first); false when the INI file could not be written.
bool SaveLastUsedDirectory(const QString& folder);

// "Last Used Directory" of section "Data Directory"; empty when none.
QString LoadLastUsedDirectory();
