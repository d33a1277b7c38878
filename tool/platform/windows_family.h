// Which family of Windows Keystead runs on, from the one version question the tool asks for
// it. (The installation check reads the full version record for its report line.)
#pragma once

namespace platform {

// Windows 95, 98 and Me.
bool IsWindows9xFamily();
// Windows Vista, Server 2008 and 7 (major version 6).
bool IsVistaFamily();

} // namespace platform
