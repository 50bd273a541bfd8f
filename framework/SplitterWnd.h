#pragma once
// Static splitter: a fixed grid of panes separated by bars the user can drag.
#include "framework/Wnd.h"

#include <vector>

class CView;

class CSplitterWnd : public CWnd {
  public:
    BOOL CreateStatic(HWND parent, int rows, int cols, DWORD style, UINT id);
    // Creates view (a CView) in pane (row, col).
    BOOL CreateView(int row, int col, CView* view, SIZE size);
    void SetColumnInfo(int col, int ideal, int min);
    void SetRowInfo(int row, int ideal, int min);
    int GetColumnWidth(int col) const { return m_cols[col].current; }
    int GetRowHeight(int row) const { return m_rows[row].current; }
    CWnd* GetPane(int row, int col) const;
    UINT IdFromRowCol(int row, int col) const;
    void SetActivePane(int row, int col);
    void RecalcLayout();

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // Handles pane switching (F6, Shift+F6).
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;

    static const int kBarSize = 6;

  private:
    struct Track {
        int ideal = 0;
        int min = 0;
        int current = 0;
    };
    void Lay(std::vector<Track>& tracks, int total);
    // Which bar lies under the point: column bar index (>= 0) or row bar index (encoded), or -1.
    int HitBar(POINT pt, bool* isColumn) const;
    void Drag(POINT pt);
    void ActivateNext(bool previous);
    void OnNextPane(UINT id);

    std::vector<Track> m_rows, m_cols;
    int m_dragBar = -1;
    bool m_dragColumn = false;
};
