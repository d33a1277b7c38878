// Where Keystead takes the libraries it loads itself from: never the working folder or PATH,
// which a document opened from a share or a download folder can plant a library in.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Takes the working folder out of the search for every library loaded from now on, where the
// system can (SetDllDirectoryA: XP SP1 and later); elsewhere nothing changes.
void TakeWorkingFolderOutOfSearch();

// The full path of the file in this program's own folder, else in the system folder; empty
// when it is in neither.
std::string TrustedLibraryPath(const char* file);

// A file (not a folder) at that path.
bool FileExists(const std::string& path);

// "<system folder>\file"; empty when the system folder cannot be had.
std::string SystemFolderFile(const char* file);

// A library of the system, loaded from the system folder unless it is loaded already; kept for
// the life of the process. Null when the system has none.
HMODULE LoadSystemLibrary(const char* file);

} // namespace platform
