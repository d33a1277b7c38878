// What the installation check asks the running system. Each probe hands its text back in a
// string the caller passes in.
#pragma once

#include <string>

// The one-line name of the running Windows version. 1 when a version record was obtained,
// 0 when the system accepted neither record size (the text is then left as it was). The NT
// workstation's edition word also goes to standard output, unless writeConsoleWord is false
// (the support report, whose own output that may be).
int GetOsDescription(std::string& text, bool writeConsoleWord = true);

// A string value under HKEY_LOCAL_MACHINE. 0, with `value` unchanged, when the key cannot be
// opened; otherwise 1, with `value` empty when the value could not be read or is too long.
int ReadRegistryString(const char* subKey, const char* valueName, std::string& value);

// The first subkey of that HKEY_LOCAL_MACHINE key whose name begins with "VELQ". 0, with
// `name` unchanged, when there is none.
int FindInstalledProvider(const char* providersKey, std::string& name);

// 1 when the file in the system directory can be opened for reading.
int SystemFileExists(const char* fileName);

// The whole report in the texts of the program's resource set: the operating system, the
// browser version, the installed provider and whether the device driver files are there.
std::string ComposeInstallationReport(bool writeConsoleWord = true);
