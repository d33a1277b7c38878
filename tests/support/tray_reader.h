// What Wine's notification area shows: the tips of its icons, read from the shell's process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace keystead_test {

std::vector<std::wstring> TrayTips();
// How many icons show this tip.
int TrayTipsReading(const std::wstring& tip);

} // namespace keystead_test
