#include "common/ScreenShot.h"

#include <cstdio>
#include <vector>

namespace {
// Device context and bitmap released in reverse order of their creation.
struct ScreenCopy {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = nullptr;
    ~ScreenCopy() {
        if (bitmap)
            DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
};
}  // namespace

bool SaveWindowShot(HWND window, const std::string& path) {
    RECT rc;
    if (!GetWindowRect(window, &rc))
        return false;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    ScreenCopy copy;
    copy.bitmap = CreateCompatibleBitmap(copy.screen, width, height);
    HGDIOBJ old = SelectObject(copy.memory, copy.bitmap);
    BitBlt(copy.memory, 0, 0, width, height, copy.screen, rc.left, rc.top, SRCCOPY);
    SelectObject(copy.memory, old);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    std::vector<BYTE> pixels((size_t)stride * height);
    if (!GetDIBits(copy.memory, copy.bitmap, 0, height, pixels.data(), (BITMAPINFO*)&info, DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + (DWORD)pixels.size();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(&file, sizeof(file), 1, f) == 1 && std::fwrite(&info, sizeof(info), 1, f) == 1 &&
              std::fwrite(pixels.data(), pixels.size(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

std::string ShotsFolder() {
    char dir[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("ZZ_SHOTS_DIR", dir, sizeof(dir));
    if (n == 0 || n >= sizeof(dir))
        return "";
    std::string folder = dir;
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}
