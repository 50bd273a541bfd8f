#include "variables/ClipboardText.h"

#include <climits>

#include "framework/Handles.h"

namespace {

// Open for the scope of one hand-over.
class ClipboardScope {
  public:
    explicit ClipboardScope(HWND owner) : m_bOpen(OpenClipboard(owner) != FALSE) {}
    ~ClipboardScope() {
        if (m_bOpen) {
            CloseClipboard();
        }
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    bool IsOpen() const { return m_bOpen; }

  private:
    bool m_bOpen;
};

// The text in the ANSI code page, terminated, in a movable block; empty holder on failure.
UniqueHGlobal AnsiBlock(const wchar_t* text, size_t length) {
    if (length > static_cast<size_t>(INT_MAX)) {
        return UniqueHGlobal();
    }
    const int wide = static_cast<int>(length);
    const int ansi = wide > 0 ? WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr) : 0;
    if (wide > 0 && ansi <= 0) {
        return UniqueHGlobal();
    }
    UniqueHGlobal block(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(ansi) + 1));
    if (!block) {
        return block;
    }
    GlobalLockScope lock(block.get());
    char* p = static_cast<char*>(lock.get());
    if (!p) {
        return UniqueHGlobal();
    }
    if (ansi > 0 && WideCharToMultiByte(CP_ACP, 0, text, wide, p, ansi, nullptr, nullptr) != ansi) {
        return UniqueHGlobal();
    }
    p[ansi] = '\0';
    return block;
}

}  // namespace

int PutTextOnClipboard(HWND owner, const wchar_t* text, size_t length) {
    UniqueHGlobal block = AnsiBlock(text, length);
    if (!block) {
        return -1;
    }
    ClipboardScope clipboard(owner);
    if (!clipboard.IsOpen()) {
        return -1;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_TEXT, block.get())) {
        return -1;
    }
    // The clipboard owns the block from here on.
    block.release();
    return 0;
}

int EmptyClipboardFor(HWND owner) {
    ClipboardScope clipboard(owner);
    if (!clipboard.IsOpen()) {
        return -1;
    }
    EmptyClipboard();
    return 0;
}
