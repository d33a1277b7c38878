// Which family of Windows Keystead runs on, from the one version question the tool asks for
// it. (The installation check reads the full version record for its report line.)
#pragma once

namespace platform {

// Windows 95, 98 and Me.
bool IsWindows9xFamily();
// Windows Vista and every NT after it (major version 6 and up: Vista, 7, 8, 8.1, 10, 11 and
// their servers): the systems with integrity levels, elevation and the Vista-family setup.
bool IsVistaFamily();

} // namespace platform
