#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "common/TraceCapture.h"
#include "trace/Trace.h"

namespace {

std::string LineRecord(const std::string& text) {
    return text + "\r\n" + std::string(1, '\0');
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

// A viewer window on a thread of its own that stops pumping messages right after its creation.
// It pumps again when released, or on its own after kHungForMs, so that a program waiting for
// it cannot hang the test run.
class HungViewer {
  public:
    static constexpr DWORD kHungForMs = 6000;

    HungViewer()
        : m_ready(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_release(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        m_thread = CreateThread(nullptr, 0, &HungViewer::Run, this, 0, nullptr);
        WaitForSingleObject(m_ready, 5000);
    }
    ~HungViewer() {
        SetEvent(m_release);
        if (m_hWnd)
            PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_thread, 10000);
        CloseHandle(m_thread);
        CloseHandle(m_release);
        CloseHandle(m_ready);
    }
    HungViewer(const HungViewer&) = delete;
    HungViewer& operator=(const HungViewer&) = delete;

    HWND Window() const { return m_hWnd; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA)
            return TRUE;
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
    static DWORD WINAPI Run(void* param) {
        auto* self = static_cast<HungViewer*>(param);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &HungViewer::WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZZHungTraceViewer";
        RegisterClassA(&wc);  // fails harmlessly when registered before
        self->m_hWnd = CreateWindowExA(0, wc.lpszClassName, "DXMTrace", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                       wc.hInstance, nullptr);
        SetEvent(self->m_ready);
        WaitForSingleObject(self->m_release, kHungForMs);  // not pumping: sent messages wait
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        return 0;
    }

    HANDLE m_ready;
    HANDLE m_release;
    HANDLE m_thread = nullptr;
    HWND m_hWnd = nullptr;
};

}  // namespace

class TraceTest : public testing::Test {
  protected:
    // Every case starts from its own viewer (or none) and leaves no viewer known behind.
    void TearDown() override {
        m_capture.reset();
        TraceInit();
    }
    TraceCapture& StartViewer(bool refuseRecords = false) {
        m_capture = std::make_unique<TraceCapture>(refuseRecords);
        TraceInit();
        return *m_capture;
    }

    std::unique_ptr<TraceCapture> m_capture;
};

TEST_F(TraceTest, WithoutViewerNothingIsSentAndNothingFormatted) {
    EXPECT_EQ(nullptr, TraceInit());
    TraceBegin();
    // Formatting this would read through a wild pointer: nothing may be formatted without a viewer.
    Trace("%s", reinterpret_cast<const char*>(1));
}

TEST_F(TraceTest, ViewerStartedAfterInitReceivesNothing) {
    TraceInit();
    TraceCapture late;
    TraceBegin();
    Trace("Connect %s", "Sim.Server");
    EXPECT_TRUE(late.Records().empty());
}

TEST_F(TraceTest, InitFindsHiddenViewerByTitle) {
    TraceCapture& viewer = StartViewer();
    EXPECT_EQ(viewer.Window(), TraceInit());
}

TEST_F(TraceTest, StartRecordCarriesNoData) {
    TraceCapture& viewer = StartViewer();
    TraceBegin();
    ASSERT_EQ(1u, viewer.Records().size());
    EXPECT_EQ(kTraceRecordStart, viewer.Records()[0].kind);
    EXPECT_EQ(0u, viewer.Records()[0].size);
    EXPECT_FALSE(viewer.Records()[0].hasData);
}

TEST_F(TraceTest, LineEndsWithCrLfAndCountsTheZeroByte) {
    TraceCapture& viewer = StartViewer();
    Trace("Added %u items to \"%s\", first %X", 3u, "Group", 0xBEEFu);
    ASSERT_EQ(1u, viewer.Records().size());
    const TraceRecord& record = viewer.Records()[0];
    EXPECT_EQ(kTraceRecordLine, record.kind);
    EXPECT_EQ(LineRecord("Added 3 items to \"Group\", first BEEF"), record.bytes);
    EXPECT_EQ(std::strlen(record.bytes.c_str()) + 1, record.size);
}

TEST_F(TraceTest, PercentInsideArgumentArrivesUnchanged) {
    TraceCapture& viewer = StartViewer();
    Trace("Item %s", "Tank.Level 100% %s %d %n");
    ASSERT_EQ(1u, viewer.Records().size());
    EXPECT_EQ(LineRecord("Item Tank.Level 100% %s %d %n"), viewer.Records()[0].bytes);
}

TEST_F(TraceTest, MultiLineTextTravelsAsOneRecord) {
    TraceCapture& viewer = StartViewer();
    Trace("%s", "Windows NT 6.1 - \r\n\r\n2 Processor(en)");
    ASSERT_EQ(1u, viewer.Records().size());
    EXPECT_EQ(LineRecord("Windows NT 6.1 - \r\n\r\n2 Processor(en)"), viewer.Records()[0].bytes);
}

TEST_F(TraceTest, LinesAroundAndFarBeyondTheStackBufferArriveWhole) {
    TraceCapture& viewer = StartViewer();
    const size_t lengths[] = {0, 256, 257, 258, 259, 260, 10000};
    for (size_t length : lengths) {
        std::string text(length, 'x');
        if (length) {
            text.back() = 'E';  // the end must survive, not only the length
        }
        Trace("%s", text.c_str());
        ASSERT_FALSE(viewer.Records().empty());
        const TraceRecord& record = viewer.Records().back();
        EXPECT_EQ(LineRecord(text), record.bytes) << "length " << length;
        EXPECT_EQ(length + 3, record.size) << "length " << length;
    }
    EXPECT_EQ(std::size(lengths), viewer.Records().size());
}

TEST_F(TraceTest, ViewerRefusingTheStartRecordGetsNothingMore) {
    TraceCapture& viewer = StartViewer(true);
    TraceBegin();
    Trace("first line");
    TraceBegin();
    ASSERT_EQ(1u, viewer.Records().size());
    EXPECT_EQ(kTraceRecordStart, viewer.Records()[0].kind);
}

TEST_F(TraceTest, ViewerRefusingALineGetsNothingMore) {
    TraceCapture& viewer = StartViewer(true);
    Trace("first %d", 1);
    Trace("second %d", 2);
    ASSERT_EQ(1u, viewer.Records().size());
    EXPECT_EQ(LineRecord("first 1"), viewer.Records()[0].bytes);
}

TEST_F(TraceTest, ViewerClosedDuringTheRunIsForgotten) {
    StartViewer();
    m_capture.reset();
    Trace("into the void");  // the send fails, the handle is dropped
    TraceCapture replacement;
    Trace("not searched again");
    EXPECT_TRUE(replacement.Records().empty());
}

TEST_F(TraceTest, ViewerThatStopsPumpingIsGivenUpAfterAboutASecond) {
    HungViewer viewer;
    ASSERT_NE(nullptr, viewer.Window());
    ASSERT_EQ(viewer.Window(), TraceInit());
    const DWORD start = GetTickCount();
    Trace("first line");
    const DWORD first = GetTickCount() - start;
    Trace("second line");
    TraceBegin();
    const DWORD rest = GetTickCount() - start - first;
    EXPECT_LT(first, 3000u) << "waited for the hung viewer";
    EXPECT_LT(rest, 200u) << "a viewer that did not answer is forgotten";
}

class SystemInfoTextTest : public testing::Test {
  protected:
    void SetUp() override {
        std::unique_ptr<char[]> text(GetSystemInfoText());
        ASSERT_NE(nullptr, text.get());
        m_text = text.get();
        m_lines = SplitCrLf(m_text);
    }

    std::string m_text;
    std::vector<std::string> m_lines;
};

// Six lines and no final line break: the start-up header adds its own.
TEST_F(SystemInfoTextTest, HasThreeMachineLinesThenThreeMemoryAndDiskLines) {
    ASSERT_EQ(6u, m_lines.size()) << m_text;
    EXPECT_NE(std::string::npos, m_lines[0].find(" - ")) << m_lines[0];
    EXPECT_TRUE(std::regex_match(m_lines[2], std::regex(R"(\d+ Processor\(en\) .* .*, \d+MHz)"))) << m_lines[2];
    EXPECT_TRUE(std::regex_match(m_lines[3], std::regex(R"(\d+KB RAM )"))) << m_lines[3];
    EXPECT_TRUE(std::regex_match(m_lines[4], std::regex(R"(\d+KB Virtueller Speicher)"))) << m_lines[4];
    EXPECT_TRUE(
        std::regex_match(m_lines[5], std::regex(R"(\d+ KB frei auf Laufwerk [A-Z]: \((\d|[1-9]\d|100)% belegt\))")))
        << m_lines[5];
}

// Wine keeps no ControlSet001 environment, so the machine lines may be empty there: only the
// memory and disk figures are compared with what the system reports.
TEST_F(SystemInfoTextTest, ReportsMemoryAndTheCurrentDrive) {
    ASSERT_EQ(6u, m_lines.size());
    MEMORYSTATUS memory = {};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatus(&memory);
    // Whole figures, also where they pass 32 bits (64-bit address space: 128 TB of virtual memory).
    EXPECT_EQ(std::to_string(static_cast<unsigned long long>(memory.dwTotalPhys >> 10)) + "KB RAM ", m_lines[3]);
    EXPECT_EQ(std::to_string(static_cast<unsigned long long>(memory.dwTotalVirtual >> 10)) + "KB Virtueller Speicher",
              m_lines[4]);
    char directory[MAX_PATH] = {};
    ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, directory));
    const std::string drive = std::string(" ") + directory[0] + ": (";
    EXPECT_NE(std::string::npos, m_lines[5].find(drive)) << m_lines[5];
}
