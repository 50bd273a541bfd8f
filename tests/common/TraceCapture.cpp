#include "common/TraceCapture.h"

namespace {

constexpr char kClassName[] = "ZZTraceCaptureWindow";

void RegisterCaptureClass(WNDPROC proc) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);  // fails harmlessly when an earlier capture registered it
}

}  // namespace

TraceCapture::TraceCapture(bool refuseRecords) : m_bRefuseRecords(refuseRecords) {
    RegisterCaptureClass(&TraceCapture::WindowProc);
    // Top-level and never shown: FindWindowA finds hidden windows by title as well.
    m_hWnd = CreateWindowExA(0, kClassName, "DXMTrace", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                             GetModuleHandleA(nullptr), this);
}

TraceCapture::~TraceCapture() {
    if (m_hWnd) {
        DestroyWindow(m_hWnd);
    }
}

LRESULT CALLBACK TraceCapture::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TraceCapture*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (self && message == WM_COPYDATA) {
        return self->OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

LRESULT TraceCapture::OnCopyData(const COPYDATASTRUCT* record) {
    TraceRecord copy;
    copy.kind = record->dwData;
    copy.size = record->cbData;
    copy.hasData = record->lpData != nullptr;
    if (record->lpData && record->cbData) {
        copy.bytes.assign(static_cast<const char*>(record->lpData), record->cbData);
    }
    m_records.push_back(copy);
    return m_bRefuseRecords ? 0 : TRUE;
}
