// The version of the running shell (SHELL32), which decides what the notification area takes.
#pragma once

namespace platform {

struct ShellVersion {
    unsigned major;
    unsigned minor;
};

// From SHELL32's DllGetVersion, looked up at run time. Shell32 4.00 (95 and NT 4.0 as they
// came) has no such export: that, or a failing call, reads as 4.0.
ShellVersion RunningShellVersion();

} // namespace platform
