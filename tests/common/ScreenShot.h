#pragma once
// Saves what the screen shows inside a window's rectangle as a 24-bit BMP file (for the README's
// pictures; the tests that take them check the same steps as well).
#include <windows.h>

#include <string>

bool SaveWindowShot(HWND window, const std::string& path);

// The folder named by ZZ_SHOTS_DIR (with a trailing separator), or "" when pictures are not wanted.
std::string ShotsFolder();
