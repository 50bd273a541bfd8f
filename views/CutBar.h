#pragma once
// The ItemID cut bar: "Offset" and "Länge" sliders that set how item IDs are cut into variable
// names. Moving a slider renames the preview rows of the selected items at once.
#include "framework/ControlBars.h"

class CCutBar : public CDialogBar {
  public:
    // Sets the slider ranges, positions and labels to the start values.
    void InitSliders();
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    static const UINT kInitMessage = WM_USER + 1;

    CWnd m_sliderLength;
    CWnd m_sliderOffset;

  protected:
    void OnCreated() override;

  private:
    void OnSliderMoved();
};
