// What a server without the DA 1.0 interfaces can send: OnDataChange arrays and IOPCBrowse
// answers, hostile ones included, are bounded before anything of them is read.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AdviseSinkFakes.h"
#include "opc/Da3Browser.h"
#include "opc/OpcCallbackSink.h"

namespace {

// A connection point that keeps the sink it is given; on the test's stack.
class FakePoint : public IConnectionPoint {
  public:
    IOPCDataCallback* sink = nullptr;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* unk, DWORD* cookie) override {
        *cookie = 5;
        return unk->QueryInterface(IID_IOPCDataCallback, reinterpret_cast<void**>(&sink));
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override {
        sink->Release();
        sink = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
};

// Answers every Browse with `count` claimed elements in an array of `held`, and a continuation
// point that is the same each time (or new each time).
class FakeBrowse : public IOPCBrowse {
  public:
    DWORD count = 1, held = 1;
    bool newPoints = false;
    int calls = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetProperties(DWORD, LPWSTR*, BOOL, DWORD, DWORD*, OPCITEMPROPERTIES**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Browse(LPWSTR,
                                     LPWSTR* point,
                                     DWORD,
                                     OPCBROWSEFILTER,
                                     LPWSTR,
                                     LPWSTR,
                                     BOOL,
                                     BOOL,
                                     DWORD,
                                     DWORD*,
                                     BOOL* more,
                                     DWORD* pCount,
                                     OPCBROWSEELEMENT** elements) override {
        CoTaskMemFree(*point);
        const std::wstring next = L"p" + std::to_wstring(newPoints ? ++calls : (++calls, 0));
        *point = static_cast<LPWSTR>(CoTaskMemAlloc((next.size() + 1) * sizeof(wchar_t)));
        wcscpy(*point, next.c_str());
        *more = FALSE;
        *pCount = count;
        *elements = static_cast<OPCBROWSEELEMENT*>(CoTaskMemAlloc(held * sizeof(OPCBROWSEELEMENT)));
        memset(*elements, 0, held * sizeof(OPCBROWSEELEMENT));
        for (DWORD i = 0; i < held; ++i)
            (*elements)[i].szName = static_cast<LPWSTR>(CoTaskMemAlloc(2 * sizeof(wchar_t))),
            wcscpy((*elements)[i].szName, L"B");
        return S_OK;
    }
};

size_t CountNames(IEnumString* names) {
    LPOLESTR name = nullptr;
    size_t n = 0;
    while (names && names->Next(1, &name, nullptr) == S_OK)
        CoTaskMemFree(name), ++n;
    return n;
}

TEST(CallbackSinkTest, ValuesTakeTheStreamsWayAndHostileArraysAreBounded) {
    FakePoint point;
    RecordingCallback target;
    OpcCallbackSink* sink = nullptr;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, OpcCallbackSink::Start(&point, &target, &sink, &cookie));
    ASSERT_NE(nullptr, point.sink);
    EXPECT_EQ(5u, cookie);
    VARIANT values[3] = {};
    values[0].vt = VT_I4, values[0].lVal = 42;
    values[1].vt = VT_I4, values[1].lVal = 7;
    values[2].vt = VT_ARRAY | VT_UI1;  // no descriptor
    OPCHANDLE handles[3] = {1, 2, 3};
    WORD qualities[3] = {0xC0, 0x40, 0xC0};
    FILETIME times[3] = {};
    HRESULT errors[3] = {S_OK, E_FAIL, S_OK};
    IOPCDataCallback* cb = point.sink;
    EXPECT_EQ(S_OK, cb->OnDataChange(0, 1, S_FALSE, S_FALSE, 3, handles, values, qualities, times, errors));
    ASSERT_EQ(1u, target.notifications.size());
    const std::vector<DataChangeText>& texts = target.notifications[0].texts;
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ("42", texts[0].valueText);
    EXPECT_TRUE(texts[1].bSkipped);  // a failed item has no value
    EXPECT_TRUE(texts[2].bSkipped);
    EXPECT_EQ(3u, texts[2].hClient);
    // Nothing for a keep-alive, missing arrays or an impossible count.
    cb->OnDataChange(0, 1, S_OK, S_OK, 0, handles, values, qualities, times, errors);
    cb->OnDataChange(0, 1, S_OK, S_OK, 3, nullptr, values, qualities, times, errors);
    cb->OnDataChange(0, 1, S_OK, S_OK, 3, handles, nullptr, qualities, times, errors);
    cb->OnDataChange(0, 1, S_OK, S_OK, kMaxCallbackItems + 1, handles, values, qualities, times, errors);
    EXPECT_EQ(1u, target.notifications.size());
    // A reference leaves its own item without text, as in a 1.0 stream; the others still count.
    values[0].vt = VT_BYREF | VT_I4;
    values[0].plVal = nullptr;
    cb->OnDataChange(0, 1, S_OK, S_OK, 3, handles, values, qualities, times, errors);
    ASSERT_EQ(2u, target.notifications.size());
    ASSERT_EQ(3u, target.notifications[1].header.dwItemCount);
    EXPECT_TRUE(target.notifications[1].texts[0].bSkipped);
    EXPECT_EQ(S_OK, cb->OnReadComplete(0, 1, S_OK, S_OK, 3, handles, values, qualities, times, errors));
    EXPECT_EQ(2u, target.notifications.size());
    sink->Unadvise();
    sink->Detach();
    sink->Release();
}

TEST(Da3BrowserTest, ContinuationPointsThatNeverEndAndCountsArraysCannotHoldAreCutOff) {
    FakeBrowse server;
    Da3Browser browser(&server, [](const std::function<HRESULT()>& call) { return call(); });
    IEnumString* names = nullptr;
    // The same point again with nothing new: the list ends there.
    server.count = server.held = 0;
    ASSERT_EQ(S_OK, browser.Branches(&names));
    EXPECT_EQ(0u, CountNames(names));
    names->Release();
    EXPECT_EQ(2, server.calls);
    // A new point every time: cut off after the call bound.
    server.count = server.held = 1;
    server.newPoints = true;
    server.calls = 0;
    ASSERT_EQ(S_OK, browser.Branches(&names));
    EXPECT_EQ(kMaxBrowseCallsPerList, CountNames(names));
    names->Release();
    // More elements claimed than the array holds: nothing of it is read.
    server.count = 1000;
    EXPECT_TRUE(FAILED(browser.Branches(&names)));
    server.count = 0x08000001;  // times the element size wraps to the one element held
    EXPECT_TRUE(FAILED(browser.Branches(&names)));
}

}  // namespace
