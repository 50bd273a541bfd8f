// Reading browse names from enumerators that misbehave (endless, lying counts, failures, NULL and
// broken strings), the conversions to and from the ANSI code page, and the reserved node texts.
// The enumerator and the task allocator are hand-written fakes that count what they hand out.
#include <windows.h>
#include <objidl.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "opc/BrowseText.h"

namespace {

// Task allocator that counts frees; memory comes from CoTaskMemAlloc.
class CountingMalloc : public IMalloc {
  public:
    int m_nFrees = 0;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(void*) Alloc(SIZE_T cb) override { return CoTaskMemAlloc(cb); }
    STDMETHODIMP_(void*) Realloc(void* pv, SIZE_T cb) override { return CoTaskMemRealloc(pv, cb); }
    STDMETHODIMP_(void) Free(void* pv) override {
        if (pv)
            ++m_nFrees;
        CoTaskMemFree(pv);
    }
    STDMETHODIMP_(SIZE_T) GetSize(void*) override { return 0; }
    STDMETHODIMP_(int) DidAlloc(void*) override { return -1; }
    STDMETHODIMP_(void) HeapMinimize() override {}
};

// One scripted answer of Next: the strings written (nullptr entries stay NULL), the count claimed
// and the result.
struct Answer {
    std::vector<const wchar_t*> strings;
    ULONG claimed;
    HRESULT hr;
};

// IEnumString that plays a script; past its end it repeats `after` for ever.
class ScriptedEnum : public IEnumString {
  public:
    ScriptedEnum(std::vector<Answer> script, Answer after) : m_script(std::move(script)), m_after(std::move(after)) {}
    int m_nNext = 0;
    int m_nAllocated = 0;
    HRESULT m_resetResult = S_OK;
    // Larger counts are refused with m_refusal, as some servers do.
    ULONG m_maxCelt = kBrowseBatch;
    HRESULT m_refusal = E_INVALIDARG;
    std::vector<ULONG> m_celts;

    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) override {
        m_celts.push_back(celt);
        if (celt > m_maxCelt)
            return m_refusal;
        const Answer& a = m_nNext < (int)m_script.size() ? m_script[m_nNext] : m_after;
        ++m_nNext;
        EXPECT_LE(celt, kBrowseBatch);
        for (size_t i = 0; i < a.strings.size() && i < celt; ++i) {
            rgelt[i] = nullptr;
            if (a.strings[i]) {
                size_t bytes = (wcslen(a.strings[i]) + 1) * sizeof(wchar_t);
                rgelt[i] = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
                memcpy(rgelt[i], a.strings[i], bytes);
                ++m_nAllocated;
            }
        }
        *pceltFetched = a.claimed;
        return a.hr;
    }
    STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override { return m_resetResult; }
    STDMETHODIMP Clone(IEnumString**) override { return E_NOTIMPL; }

  private:
    std::vector<Answer> m_script;
    Answer m_after;
};

std::vector<const wchar_t*> Tens(const wchar_t* name) {
    return std::vector<const wchar_t*>(10, name);
}

std::vector<std::string> ReadAll(BrowseNameReader& reader) {
    std::vector<std::string> names, batch;
    while (reader.Next(&batch))
        names.insert(names.end(), batch.begin(), batch.end());
    return names;
}

const Answer kEndOfList = {{}, 0, S_FALSE};

TEST(BrowseNameReaderTest, ReadsBatchesInOrderAndEndsAfterTheShortOne) {
    ScriptedEnum e({{Tens(L"a"), 10, S_OK}, {{L"b", L"c"}, 2, S_FALSE}}, kEndOfList);
    CountingMalloc malloc;
    BrowseNameReader reader(&e, &malloc);
    ASSERT_TRUE(reader.Reset());
    std::vector<std::string> names = ReadAll(reader);
    ASSERT_EQ(12u, names.size());
    EXPECT_EQ("a", names[9]);
    EXPECT_EQ("c", names[11]);
    EXPECT_EQ(2, e.m_nNext);
    EXPECT_EQ(12, malloc.m_nFrees);
    EXPECT_FALSE(reader.WasCut());
}

TEST(BrowseNameReaderTest, SuccessWithNothingFetchedEndsInsteadOfLoopingForEver) {
    ScriptedEnum e({{{L"x"}, 1, S_OK}}, {{}, 0, S_OK});
    BrowseNameReader reader(&e, nullptr);
    EXPECT_EQ(std::vector<std::string>{"x"}, ReadAll(reader));
    EXPECT_EQ(2, e.m_nNext);
}

TEST(BrowseNameReaderTest, CountBeyondTheBatchIsTakenAsTheBatch) {
    ScriptedEnum e({{std::vector<const wchar_t*>(kBrowseBatch, L"n"), kBrowseBatch + 5, S_OK}}, kEndOfList);
    CountingMalloc malloc;
    BrowseNameReader reader(&e, &malloc);
    EXPECT_EQ(kBrowseBatch, ReadAll(reader).size());
    EXPECT_EQ((int)kBrowseBatch, malloc.m_nFrees);
}

TEST(BrowseNameReaderTest, RefusedCountIsAskedAgainSmallerUnlessTheServerIsGone) {
    ScriptedEnum e({{{L"a", L"b"}, 2, S_FALSE}}, kEndOfList);
    e.m_maxCelt = 10;
    ULONG batch = kBrowseBatch;
    BrowseNameReader reader(&e, nullptr, kMaxNamesPerEnumerator, &batch);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), ReadAll(reader));
    EXPECT_EQ((std::vector<ULONG>{kBrowseBatch, kBrowseBatch / 10, 10}), e.m_celts);
    EXPECT_EQ(10u, batch);  // the next reader of the fill starts there

    ScriptedEnum gone({}, kEndOfList);
    gone.m_maxCelt = 0;
    gone.m_refusal = RPC_E_DISCONNECTED;
    BrowseNameReader goneReader(&gone, nullptr);
    EXPECT_TRUE(ReadAll(goneReader).empty());
    EXPECT_EQ(1u, gone.m_celts.size());
}

TEST(BrowseNameReaderTest, FailingNextEndsAndItsOutputIsNotTrusted) {
    ScriptedEnum e({{{L"ok"}, 1, S_OK}, {{L"junk"}, 1, E_OUTOFMEMORY}}, {{L"late"}, 1, S_OK});
    CountingMalloc malloc;
    BrowseNameReader reader(&e, &malloc);
    EXPECT_EQ(std::vector<std::string>{"ok"}, ReadAll(reader));
    EXPECT_EQ(1, malloc.m_nFrees);
    EXPECT_EQ(2, e.m_nNext);
}

TEST(BrowseNameReaderTest, EndlessEnumeratorStopsAtTheBoundAndFreesWhatItDrops) {
    ScriptedEnum e({}, {Tens(L"again"), 10, S_OK});
    CountingMalloc malloc;
    BrowseNameReader reader(&e, &malloc, 25);
    EXPECT_EQ(25u, ReadAll(reader).size());
    EXPECT_TRUE(reader.WasCut());
    EXPECT_EQ(3, e.m_nNext);
    EXPECT_EQ(e.m_nAllocated, malloc.m_nFrees);
}

TEST(BrowseNameReaderTest, DefaultBoundEndsAnEndlessEnumerator) {
    ScriptedEnum e({}, {Tens(L"again"), 10, S_OK});
    BrowseNameReader reader(&e, nullptr);
    EXPECT_EQ(kMaxNamesPerEnumerator, ReadAll(reader).size());
    EXPECT_TRUE(reader.WasCut());
}

TEST(BrowseNameReaderTest, NullBrokenAndHugeNamesGiveSafeTexts) {
    std::wstring broken = std::wstring(L"Bad") + wchar_t(0xD800) + L"Name";
    std::wstring huge(70000, L'X');
    ScriptedEnum e({{{nullptr, broken.c_str(), huge.c_str()}, 3, S_FALSE}}, kEndOfList);
    CountingMalloc malloc;
    BrowseNameReader reader(&e, &malloc);
    std::vector<std::string> names = ReadAll(reader);
    ASSERT_EQ(3u, names.size());
    EXPECT_EQ("", names[0]);
    EXPECT_EQ(0u, names[1].find("Bad"));
    EXPECT_EQ("Name", names[1].substr(names[1].size() - 4));
    EXPECT_EQ(std::string(kMaxNameChars, 'X'), names[2]);
    EXPECT_EQ(2, malloc.m_nFrees);
}

TEST(BrowseNameReaderTest, RefusedResetReadsNothing) {
    ScriptedEnum e({{{L"x"}, 1, S_FALSE}}, kEndOfList);
    e.m_resetResult = S_FALSE;
    BrowseNameReader reader(&e, nullptr);
    EXPECT_FALSE(reader.Reset());
    BrowseNameReader none(nullptr, nullptr);
    EXPECT_FALSE(none.Reset());
    std::vector<std::string> batch;
    EXPECT_FALSE(none.Next(&batch));
}

TEST(BrowseTextTest, AnsiAndWideConversionsRoundTrip) {
    char ansi[16] = {};
    WideCharToMultiByte(CP_ACP, 0, L"\u00c4pfel \u00b0C", -1, ansi, sizeof(ansi), nullptr, nullptr);
    EXPECT_EQ(L"\u00c4pfel \u00b0C", BrowseNameToWide(ansi));
    EXPECT_EQ(ansi, BrowseNameToAnsi(L"\u00c4pfel \u00b0C"));
    EXPECT_EQ(L"", BrowseNameToWide(nullptr));
    EXPECT_EQ("", BrowseNameToAnsi(nullptr));
    EXPECT_EQ("ab", BrowseNameToAnsi(L"abc", 2));
}

TEST(BrowseTextTest, ReservedTextsAreExactAndCaseSensitive) {
    EXPECT_TRUE(IsReservedNodeText("Flat Items", "Srv"));
    EXPECT_TRUE(IsReservedNodeText("Hierarchial Items", "Srv"));
    EXPECT_TRUE(IsReservedNodeText("Public Groups", "Srv"));
    EXPECT_TRUE(IsReservedNodeText("Srv", "Srv"));
    EXPECT_FALSE(IsReservedNodeText("public groups", "Srv"));
    EXPECT_FALSE(IsReservedNodeText("Hierarchical Items", "Srv"));
    EXPECT_FALSE(IsReservedNodeText("srv", "Srv"));
}

}  // namespace
