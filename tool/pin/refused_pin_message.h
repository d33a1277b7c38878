// What the user is told when the token refuses a PIN: the attempts left, or that the PIN is
// locked. A count of 0 or below is a lock (below 0 the library could not say).
#pragma once

#include <windows.h>

void ShowRefusedPin(HWND owner, int attemptsLeft);
