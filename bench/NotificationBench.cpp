#include "NotificationBench.h"

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "BenchDataSource.h"
#include "app/Globals.h"
#include "common/FrameHarness.h"
#include "common/StreamWriter.h"
#include "framework/Handles.h"
#include "opc/DataChangeTexts.h"
#include "opc/OpcAdviseSink.h"
#include "opc/OpcConnection.h"
#include "views/ItemView.h"

namespace {

constexpr int kParseRuns = 21;
constexpr int kListRuns = 11;
constexpr WORD kGood = 0xC0;
constexpr int kValueColumn = 3;
constexpr double kParseTargetMs = 5;
constexpr double kListTargetMs = 100;

// Items in turn I4, R4, BSTR, BOOL and an 8-byte UI1 array, with client handles 0 to count - 1.
// The values depend on generation, so consecutive notifications change every row.
std::vector<BYTE> NotificationBytes(int generation) {
    std::vector<StreamItem> items;
    items.reserve(kNotificationItems);
    for (int i = 0; i < kNotificationItems; ++i) {
        const int v = i * 7 + generation;
        StreamWriter value;
        switch (i % 5) {
            case 0:
                value.I4(v);
                break;
            case 1: {
                const float f = static_cast<float>(v) / 4.0f;
                value.Image(VT_R4, &f, sizeof(f));
                break;
            }
            case 2:
                value.Bstr(L"Wert " + std::to_wstring(v));
                break;
            case 3:
                value.Bool(v % 2 == 0);
                break;
            default: {
                std::vector<BYTE> bytes(8);
                for (size_t b = 0; b < bytes.size(); ++b) {
                    bytes[b] = static_cast<BYTE>(v + b);
                }
                value.Ui1Array(bytes);
                break;
            }
        }
        items.push_back({static_cast<OPCHANDLE>(i), kGood, value.Bytes()});
    }
    return DataStreamBytes(items);
}

// A started sink on a stand-in data source; the bench plays the server and calls it directly.
class Delivery {
  public:
    explicit Delivery(OpcDataCallback* pTarget) {
        if (FAILED(OpcAdviseSink::Start(&m_source, pTarget, &m_pSink, &m_cookie))) {
            m_pSink = nullptr;
        }
        m_format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kOpcFormatData)), nullptr, DVASPECT_CONTENT, -1,
                    TYMED_HGLOBAL};
    }
    ~Delivery() {
        if (m_pSink) {
            m_pSink->Unadvise();
            m_pSink->Release();
        }
    }
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;

    bool IsOk() const { return m_pSink != nullptr; }
    // Milliseconds of one OnDataChange with the block, which stays the caller's.
    double Deliver(HGLOBAL block) {
        STGMEDIUM medium = {};
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = block;
        StopWatch watch;
        m_pSink->OnDataChange(&m_format, &medium);
        return watch.ElapsedMs();
    }

  private:
    BenchDataSource m_source;
    OpcAdviseSink* m_pSink = nullptr;
    DWORD m_cookie = 0;
    FORMATETC m_format = {};
};

// Turns each notification into the item list's texts, as the connection does, without a list.
class TextsOnly : public OpcDataCallback {
  public:
    void OnData(const OPCGROUPHEADER* pHeader, const OPCITEMHEADER2* pItems, const VARIANT* pValues) override {
        texts = DataChangeTexts(*pHeader, pItems, pValues, true);
    }
    std::vector<DataChangeText> texts;
};

// Parse and texts, alternating two notifications; -1 when a delivery did not arrive whole.
double MedianDeliveryMs(OpcDataCallback* pTarget, const std::vector<DataChangeText>* pTexts) {
    Delivery delivery(pTarget);
    UniqueHGlobal blocks[] = {UniqueHGlobal(GlobalBlock(NotificationBytes(0))),
                              UniqueHGlobal(GlobalBlock(NotificationBytes(1)))};
    if (!delivery.IsOk() || !blocks[0] || !blocks[1]) {
        return -1;
    }
    int run = 0;
    bool bWhole = true;
    const double ms = MedianMs(kParseRuns, [&] {
        const double once = delivery.Deliver(blocks[run++ % 2].get());
        bWhole = bWhole && (!pTexts || pTexts->size() == kNotificationItems);
        return once;
    });
    return bWhole ? ms : -1;
}

// The real main frame with kNotificationItems rows in its item list (client handles 0 to
// count - 1) and a connection, never opened, as the sink's target.
class ListFixture {
  public:
    ListFixture() : m_harness("/u2 X"), m_delivery(&m_connection) {
        if (!g_pItemView) {
            return;
        }
        g_pItemView->DeleteAllItems();
        CRedrawOff quiet(g_pItemView->m_hWnd);
        for (int i = 0; i < kNotificationItems; ++i) {
            OPCITEMRESULT result = {};
            result.hServer = static_cast<OPCHANDLE>(i + 1);
            result.vtCanonicalDataType = VT_I4;
            result.dwAccessRights = OPC_READABLE;
            g_pItemView->AddItem(("Kanal." + std::to_string(i)).c_str(), result);
        }
        m_blocks[0].reset(GlobalBlock(NotificationBytes(0)));
        m_blocks[1].reset(GlobalBlock(NotificationBytes(1)));
        m_harness.Idle();
    }

    bool IsOk() const {
        return g_pItemView && g_pItemView->GetListCtrl().GetItemCount() == kNotificationItems && m_delivery.IsOk() &&
               m_blocks[0] && m_blocks[1];
    }
    // One notification into the list; with bRepaint the list's repaint is included.
    double UpdateMs(bool bRepaint) {
        m_harness.Idle();  // nothing left over from the previous run is painted in this one
        const int generation = m_run++ % 2;
        StopWatch watch;
        m_delivery.Deliver(m_blocks[generation].get());
        if (bRepaint) {
            UpdateWindow(g_pItemView->m_hWnd);
        }
        const double ms = watch.ElapsedMs();
        // The last row is a byte array (handle 4999): its text proves the whole list was written.
        const std::string last = g_pItemView->GetListCtrl().GetItemText(kNotificationItems - 1, kValueColumn);
        const int v = (kNotificationItems - 1) * 7 + generation;
        char expected[8];
        wsprintfA(expected, "%02X ", v & 0xFF);
        m_bWritten = m_bWritten && last.compare(0, 3, expected) == 0;
        return ms;
    }
    bool AllWritten() const { return m_bWritten; }

  private:
    FrameHarness m_harness;
    OpcConnection m_connection;
    Delivery m_delivery;
    UniqueHGlobal m_blocks[2];
    int m_run = 0;
    bool m_bWritten = true;
};

}  // namespace

void AddNotificationFigures(BenchTable& table) {
    const std::string items = std::to_string(kNotificationItems) + " items";
    table.Add("notification parse, " + items, kParseTargetMs, [] {
        OpcDataCallback nothing;
        return MedianDeliveryMs(&nothing, nullptr);
    });
    table.Add("notification parse + texts, " + items, 0, [] {
        TextsOnly texts;
        return MedianDeliveryMs(&texts, &texts.texts);
    });
    // One frame for the list figures: starting it costs more than all of them.
    auto list = std::make_shared<std::unique_ptr<ListFixture>>();
    auto listFigure = [list](bool bRepaint) {
        if (!*list) {
            list->reset(new ListFixture);
        }
        ListFixture& fixture = **list;
        if (!fixture.IsOk()) {
            return -1.0;
        }
        const double ms = MedianMs(kListRuns, [&] { return fixture.UpdateMs(bRepaint); });
        return fixture.AllWritten() ? ms : -1.0;
    };
    table.Add("notification parse + list update, " + items, kListTargetMs, [listFigure] { return listFigure(false); });
    table.Add("notification parse + list update + repaint, " + items, 0, [listFigure] { return listFigure(true); });
}
