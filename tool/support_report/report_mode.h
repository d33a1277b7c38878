// "Keystead.exe /report [FILE]": the support report without a window, beside a running Keystead
// or without one, asking for no PIN.
#pragma once

namespace support_report {

// True when the command line asks for the report; it has then been written, and *exitCode is 0,
// or 1 when it could not be written.
bool RunReportMode(const char* commandLine, int* exitCode);

} // namespace support_report
