// What the running shell (SHELL32) can show in the notification area.
#pragma once

namespace platform {

// Shell32 5.0 and later (2000, Me, and 95/98/NT 4.0 with the desktop update of IE 5) show
// balloon tips; shell32 4.x has no DllGetVersion at all, or reports 4.
bool ShellShowsBalloons();

} // namespace platform
