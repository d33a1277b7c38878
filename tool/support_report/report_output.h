// Where a support report goes: a file, standard output, or the user's documents folder with
// Notepad showing it.
#pragma once

#include <string>

namespace support_report {

// False when the file could not be made or written whole.
bool WriteReportFile(const std::string& path, const std::string& text);
// To the handle the program was given, else to the console of the program that started it (XP
// and later). False when neither is there: a program without a console on the NT family before
// XP and on the 9x family has nowhere to write.
bool WriteToStandardOutput(const std::string& text);
// A new file name in the user's documents folder (the temporary folder when there is none).
std::string ReportPathInDocuments();
// Notepad, from the Windows folder, where every family has it.
bool OpenInNotepad(const std::string& path);

} // namespace support_report
