#include "views/CutBar.h"

#include "app/Globals.h"
#include "res/resource.h"
#include "variables/ConversionSettings.h"
#include "views/ItemView.h"

namespace {
const int kOffsetMax = 98;
const int kLengthMin = 3;
const int kLengthMax = 18;
const int kOffsetStart = 3;
}  // namespace

void CCutBar::OnCreated() {
    // The sliders are set up once the creation has completed.
    PostMessage(kInitMessage);
}

void CCutBar::InitSliders() {
    m_sliderOffset.SendMessage(TBM_SETRANGEMIN, FALSE, 0);
    m_sliderOffset.SendMessage(TBM_SETRANGEMAX, FALSE, kOffsetMax);
    m_sliderOffset.SendMessage(TBM_SETPOS, TRUE, kOffsetStart);
    SetDlgItemInt(m_hWnd, IDC_CUT_OFFSET_VALUE, kOffsetStart, TRUE);
    m_sliderLength.SendMessage(TBM_SETRANGEMIN, FALSE, kLengthMin);
    m_sliderLength.SendMessage(TBM_SETRANGEMAX, FALSE, kLengthMax);
    m_sliderLength.SendMessage(TBM_SETPOS, TRUE, kLengthMax);
    SetDlgItemInt(m_hWnd, IDC_CUT_LENGTH_VALUE, kLengthMax, TRUE);
}

void CCutBar::OnSliderMoved() {
    if (!g_pConversionSettings)
        return;
    int offset = (int)m_sliderOffset.SendMessage(TBM_GETPOS);
    int length = (int)m_sliderLength.SendMessage(TBM_GETPOS);
    // One scroll event moves one slider: the other setter only runs when the first changed nothing.
    bool changed = g_pConversionSettings->SetCutLength(length);
    if (!changed)
        changed = g_pConversionSettings->SetCutOffset(offset);
    if (!changed)
        return;
    SetDlgItemInt(m_hWnd, IDC_CUT_OFFSET_VALUE, offset, TRUE);
    SetDlgItemInt(m_hWnd, IDC_CUT_LENGTH_VALUE, length, TRUE);
    if (g_pItemView)
        g_pItemView->RefreshPreviewNames();
}

LRESULT CCutBar::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kInitMessage:
            if (!m_sliderOffset.m_hWnd)
                m_sliderOffset.SubclassWindow(GetDlgItem(IDC_CUT_OFFSET_SLIDER));
            if (!m_sliderLength.m_hWnd)
                m_sliderLength.SubclassWindow(GetDlgItem(IDC_CUT_LENGTH_SLIDER));
            InitSliders();
            return 0;
        case WM_HSCROLL:
            if (m_sliderOffset.m_hWnd && m_sliderLength.m_hWnd)
                OnSliderMoved();
            break;
        default:
            break;
    }
    return CDialogBar::WindowProc(msg, wp, lp);
}
