#pragma once
// Starts the real application object and main frame inside a test, with a command line of the
// test's choosing, and tears it down again.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/OpcBrowserApp.h"

class FrameHarness {
  public:
    explicit FrameHarness(const char* cmdLine);
    ~FrameHarness();
    FrameHarness(const FrameHarness&) = delete;
    FrameHarness& operator=(const FrameHarness&) = delete;

    CMainFrame* Frame() const { return m_frame; }
    bool IsOpen() const { return m_frame && IsWindow(m_hWnd); }
    // Runs the message loop until the queue is empty, then one idle step.
    void Idle();
    // Closes the main window the way the close box does and runs the loop until it is gone.
    void Close();

    // Every message box shown while the harness lives is answered here instead of on screen.
    struct Box {
        std::string text;
        std::string caption;
        UINT type;
    };
    const std::vector<Box>& Boxes() const { return m_boxes; }
    // The answers for the next boxes, in order; IDOK (or IDYES) when none is queued.
    void QueueAnswers(std::vector<int> answers) { m_answers = std::move(answers); }

  private:
    int Answer(const char* text, const char* caption, UINT type);

    std::vector<Box> m_boxes;
    std::vector<int> m_answers;
    std::string m_cmdLine;
    std::unique_ptr<COpcBrowserApp> m_app;
    CMainFrame* m_frame = nullptr;
    HWND m_hWnd = nullptr;
};

// "korvane.ini" in the Windows directory, present for the lifetime of the object (or removed).
class KorvaneIni {
  public:
    explicit KorvaneIni(const char* recentProject);  // null: no file at all
    ~KorvaneIni();
    static std::string Path();
};

// A temporary file with the given text, removed at the end of the scope.
class TempFile {
  public:
    TempFile(const char* name, const std::string& text);
    ~TempFile();
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

// Menu text of a command id, or "<none>" when the menu has no such entry.
std::string MenuText(HMENU menu, UINT id);

// The node of a tree control at the end of a path of item texts below its root; null when a
// text along the way is missing.
HTREEITEM FindTreeNode(HWND tree, const std::vector<std::string>& path);

// Committed private memory of this process, by walking the address space: Wine reports no
// private usage through the process counters.
SIZE_T CommittedPrivateBytes();
