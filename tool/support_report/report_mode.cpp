#include "report_mode.h"

#include "report_output.h"
#include "support_report.h"

#include "platform/library_search.h"
#include "token/token_library.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>

namespace support_report {
namespace {

// Another program (a running Keystead with its factory-PIN prompt up, a browser signing) may
// hold the vendor's lock for as long as its user takes; the report does not wait for ever.
constexpr DWORD kLockPatienceMs = 15000;

struct Reading {
    std::atomic<std::int32_t> giveUp{0};
    TokenReading tokens;
    bool bracket = false;
};

DWORD WINAPI ReadOnItsOwn(LPVOID data) {
    Reading* reading = static_cast<Reading*>(data);
    reading->tokens = ReadTokens(reading->giveUp, &reading->bracket);
    return 0;
}

// The argument after "/report": the rest of the line, without blanks or quotes around it.
std::string FileArgument(const char* rest) {
    std::string file = rest;
    const std::size_t first = file.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    file = file.substr(first, file.find_last_not_of(" \t") - first + 1);
    if (file.size() >= 2 && file[0] == '"' && file[file.size() - 1] == '"')
        file = file.substr(1, file.size() - 2);
    return file;
}

} // namespace

bool RunReportMode(const char* commandLine, int* exitCode) {
    const char* at = commandLine ? commandLine : "";
    while (*at == ' ' || *at == '\t')
        ++at;
    const std::size_t word = std::strlen("/report");
    if (_strnicmp(at, "/report", word) != 0 ||
        (at[word] != '\0' && at[word] != ' ' && at[word] != '\t'))
        return false;
    const std::string file = FileArgument(at + word);

    TokenLibrary library;
    Setting setting;
    setting.notifications = kNotificationsNoWindow;
    setting.libraryBound = library.Bind();
    setting.libraryPath =
        setting.libraryBound ? library.LoadedPath() : platform::TrustedLibraryPath("ZQCSP.dll");
    // The reading runs on a thread of its own, which is left behind when the lock stays held.
    Reading* reading = new Reading();
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ReadOnItsOwn, reading, 0, &id);
    bool done = thread && WaitForSingleObject(thread, kLockPatienceMs) == WAIT_OBJECT_0;
    if (thread)
        CloseHandle(thread);
    if (done) {
        setting.tokens = reading->tokens;
        delete reading;
    } else {
        setting.lockHeld = true;
    }
    const std::string text = Compose(setting);
    const bool written = file.empty() ? WriteToStandardOutput(text) : WriteReportFile(file, text);
    *exitCode = written ? 0 : 1;
    if (!done) // the library must not be waited for, nor freed under the waiting thread
        ExitProcess(static_cast<UINT>(*exitCode));
    return true;
}

} // namespace support_report
