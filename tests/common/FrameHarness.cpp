#include "FrameHarness.h"

#include <cstdio>

#include "framework/Views.h"

FrameHarness::FrameHarness(const char* cmdLine) : m_cmdLine(cmdLine), m_app(new COpcBrowserApp) {
    SetMessageBoxHook(
        [this](HWND, const char* text, const char* caption, UINT type) { return Answer(text, caption, type); });
    m_app->m_lpCmdLine = m_cmdLine.c_str();
    m_app->InitInstance();
    m_frame = static_cast<CMainFrame*>(m_app->m_pMainWnd);
    m_hWnd = m_frame ? m_frame->m_hWnd : nullptr;
}

FrameHarness::~FrameHarness() {
    Close();
    SetMessageBoxHook(nullptr);
}

int FrameHarness::Answer(const char* text, const char* caption, UINT type) {
    m_boxes.push_back({text ? text : "", caption ? caption : "", type});
    if (!m_answers.empty()) {
        int answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    }
    UINT buttons = type & MB_TYPEMASK;
    return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
}

void FrameHarness::Idle() {
    m_app->PumpMessages();
}

void FrameHarness::Close() {
    if (IsWindow(m_hWnd))
        SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    m_app->PumpMessages();
    // The frame posts WM_QUIT when it goes; the next test must not see it.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    m_frame = nullptr;
}

std::string KorvaneIni::Path() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\korvane.ini";
}

KorvaneIni::KorvaneIni(const char* recentProject) {
    DeleteFileA(Path().c_str());
    if (recentProject)
        WritePrivateProfileStringA("FILES 3.0", "RecentProject1", recentProject, "korvane.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "korvane.ini");  // flush the profile cache
}

KorvaneIni::~KorvaneIni() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "korvane.ini");
    DeleteFileA(Path().c_str());
}

TempFile::TempFile(const char* name, const std::string& text) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    m_path = std::string(dir) + name;
    FILE* f = fopen(m_path.c_str(), "wb");
    if (f) {
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
}

TempFile::~TempFile() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_path.c_str());
    DeleteFileA(m_path.c_str());
}

std::string MenuText(HMENU menu, UINT id) {
    char buf[512] = {};
    if (GetMenuStringA(menu, id, buf, sizeof(buf), MF_BYCOMMAND) == 0 &&
        GetMenuState(menu, id, MF_BYCOMMAND) == (UINT)-1)
        return "<none>";
    return buf;
}

HTREEITEM FindTreeNode(HWND tree, const std::vector<std::string>& path) {
    CTreeCtrl control(tree);
    HTREEITEM node = TreeView_GetRoot(tree);
    for (const std::string& text : path) {
        HTREEITEM c = TreeView_GetChild(tree, node);
        while (c && control.GetItemText(c) != text)
            c = TreeView_GetNextSibling(tree, c);
        if (!c)
            return nullptr;
        node = c;
    }
    return node;
}

SIZE_T CommittedPrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* p = nullptr; VirtualQuery(p, &info, sizeof(info)) == sizeof(info);
         p = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        if (static_cast<const char*>(info.BaseAddress) + info.RegionSize < p)
            break;
    }
    return total;
}
