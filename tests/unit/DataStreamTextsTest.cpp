// The Value and Quality texts a data-change notification writes into the item list.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <climits>

#include <string>
#include <vector>

#include "opc/DataChangeTexts.h"
#include "opc/EarlyValues.h"
#include "opc/DiagnosticTexts.h"

namespace {

class Value {
  public:
    Value() { VariantInit(&m_value); }
    ~Value() { VariantClear(&m_value); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    VARIANT* operator->() { return &m_value; }
    const VARIANT& operator*() const { return m_value; }

  private:
    VARIANT m_value;
};

void SetBytes(Value& value, const std::vector<BYTE>& bytes, LONG lower = 0) {
    value->vt = VT_ARRAY | VT_UI1;
    value->parray = SafeArrayCreateVector(VT_UI1, lower, static_cast<ULONG>(bytes.size()));
    void* pData = nullptr;
    SafeArrayAccessData(value->parray, &pData);
    if (!bytes.empty()) {
        memcpy(pData, bytes.data(), bytes.size());
    }
    SafeArrayUnaccessData(value->parray);
}

std::string TextOf(const Value& value, bool bHexDump = true) {
    std::string text = "<none>";
    if (!ItemValueText(*value, bHexDump, &text)) {
        return "<skipped>";
    }
    return text;
}

}  // namespace

TEST(DataStreamTextsTest, BoolShowsOnOrOff) {
    Value on;
    on->vt = VT_BOOL;
    on->boolVal = VARIANT_TRUE;
    EXPECT_EQ("On", TextOf(on));
    Value odd;
    odd->vt = VT_BOOL;
    odd->boolVal = 1;
    EXPECT_EQ("On", TextOf(odd));
    Value off;
    off->vt = VT_BOOL;
    EXPECT_EQ("Off", TextOf(off));
}

TEST(DataStreamTextsTest, ListedScalarsUseTheSystemConversion) {
    Value i2;
    i2->vt = VT_I2;
    i2->iVal = -12;
    EXPECT_EQ("-12", TextOf(i2));
    Value ui1;
    ui1->vt = VT_UI1;
    ui1->bVal = 200;
    EXPECT_EQ("200", TextOf(ui1));  // a scalar byte is never hex
    Value ui4;
    ui4->vt = VT_UI4;
    ui4->ulVal = 4000000000u;
    EXPECT_EQ("4000000000", TextOf(ui4));
    Value counter;  // 64-bit counters, beyond what a double holds exactly
    counter->vt = VT_I8;
    counter->llVal = -9007199254740993LL;
    EXPECT_EQ("-9007199254740993", TextOf(counter));
    counter->vt = VT_UI8;
    counter->ullVal = 18446744073709551615ULL;
    EXPECT_EQ("18446744073709551615", TextOf(counter));
    Value text;
    text->vt = VT_BSTR;
    text->bstrVal = SysAllocString(L"Kessel");
    EXPECT_EQ("Kessel", TextOf(text));
    BSTR referenced = SysAllocString(L"ref");
    Value byref;
    byref->vt = VT_BSTR | VT_BYREF;
    byref->pbstrVal = &referenced;
    EXPECT_EQ("ref", TextOf(byref));
    byref->vt = VT_EMPTY;
    SysFreeString(referenced);
}

TEST(DataStreamTextsTest, DoubleCurrencyAndDateUseTheSystemConversion) {
    Value real;
    real->vt = VT_R8;
    real->dblVal = 1234.5678901234;  // more digits than a VT_R4 holds
    EXPECT_EQ("1234.5678901234", TextOf(real));
    Value money;
    money->vt = VT_CY;
    money->cyVal.int64 = -123400;  // four implied decimals
    EXPECT_EQ("-12.34", TextOf(money));
    SYSTEMTIME st = {2024, 3, 5, 15, 8, 30, 0, 0};
    Value date;
    date->vt = VT_DATE;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &date->date));
    const std::string text = TextOf(date);
    EXPECT_NE(std::string::npos, text.find("2024")) << text;
    EXPECT_NE(std::string::npos, text.find("30")) << text;
}

TEST(DataStreamTextsTest, OtherScalarsHaveNoText) {
    for (VARTYPE type : {VT_EMPTY, VT_NULL, VT_ERROR, VT_INT, VT_DECIMAL}) {
        Value value;
        value->vt = type;
        EXPECT_EQ("<skipped>", TextOf(value)) << type;
        value->vt = VT_EMPTY;
    }
}

TEST(DataStreamTextsTest, ByteArrayHexDumpKeepsLastSpace) {
    Value bytes;
    SetBytes(bytes, {10, 255, 0, 0xAB}, -2);
    EXPECT_EQ("0A FF 00 AB ", TextOf(bytes));
    EXPECT_EQ("10| 255| 0| 171", TextOf(bytes, false));
}

TEST(DataStreamTextsTest, EmptyArraysGiveEmptyText) {
    Value bytes;
    SetBytes(bytes, {});
    EXPECT_EQ("", TextOf(bytes));
    EXPECT_EQ("", TextOf(bytes, false));
    // The lowest lower bound: upper - lower + 1 wraps around to 2^32 elements.
    Value lowest;
    SetBytes(lowest, {}, LONG_MIN);
    EXPECT_EQ("", TextOf(lowest));
    EXPECT_EQ("", TextOf(lowest, false));
    Value longs;
    longs->vt = VT_ARRAY | VT_I4;
    longs->parray = SafeArrayCreateVector(VT_I4, 0, 0);
    EXPECT_EQ("", TextOf(longs));
}

TEST(DataStreamTextsTest, OtherArraysJoinElementsWithBars) {
    Value shorts;
    shorts->vt = VT_ARRAY | VT_I2;
    shorts->parray = SafeArrayCreateVector(VT_I2, 1, 3);
    SHORT* pData = nullptr;
    SafeArrayAccessData(shorts->parray, reinterpret_cast<void**>(&pData));
    pData[0] = 1;
    pData[1] = -2;
    pData[2] = 3;
    SafeArrayUnaccessData(shorts->parray);
    EXPECT_EQ("1| -2| 3", TextOf(shorts));
}

TEST(DataStreamTextsTest, SkippedItemsKeepTheirValuesButShowTheirQuality) {
    Value values[3];
    values[0]->vt = VT_I4;
    values[0]->lVal = 42;
    values[1]->vt = VT_ERROR;
    values[1]->scode = DISP_E_PARAMNOTFOUND;
    values[2]->vt = VT_BOOL;
    const OPCITEMHEADER2 items[3] = {{4, 0, 0xC0, 0}, {5, 0, 0x18, 0}, {6, 0, 0x56, 0}};
    const OPCGROUPHEADER header = {0, 3, 1, 0, S_OK};
    VARIANT plain[3] = {*values[0], *values[1], *values[2]};
    const std::vector<DataChangeText> texts = DataChangeTexts(header, items, plain, true);
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ(4u, texts[0].hClient);
    EXPECT_EQ("42", texts[0].valueText);
    EXPECT_EQ(QualityText(0xC0), texts[0].qualityText);
    EXPECT_TRUE(texts[1].bSkipped);
    EXPECT_EQ(5u, texts[1].hClient);
    EXPECT_EQ(QualityText(0x18), texts[1].qualityText);
    EXPECT_EQ("Off", texts[2].valueText);
    EXPECT_EQ(QualityText(0x56), texts[2].qualityText);
}

TEST(DataStreamTextsTest, EmptiedNotificationGivesNoTexts) {
    const OPCGROUPHEADER header = {20, 0, 1, 0, E_FAIL};
    const OPCITEMHEADER2 item = {};
    EXPECT_TRUE(DataChangeTexts(header, &item, nullptr, true).empty());
}

// Values for the items of an AddItems call still under way are kept until the rows exist; what
// is taken is what the rows would show had they existed.
TEST(DataStreamTextsTest, EarlyValuesKeepWhatTheRowsWouldShow) {
    EarlyValues early;
    EXPECT_FALSE(early.Keep({7, false, "1", "Good"})) << "nothing is held outside a call";
    ASSERT_TRUE(early.Open(7, 3));
    EXPECT_FALSE(early.Open(20, 1)) << "one call is held at a time";
    EXPECT_FALSE(early.Keep({6, false, "x", "Good"}));
    EXPECT_FALSE(early.Keep({10, false, "x", "Good"}));
    EXPECT_TRUE(early.Keep({9, false, "3", "Good"}));
    EXPECT_TRUE(early.Keep({7, false, "1", "Good"}));
    EXPECT_TRUE(early.Keep({7, true, "", "Bad"}));  // no text for the type: the value stays
    EXPECT_TRUE(early.Keep({9, false, "4", "Uncertain"}));
    const std::vector<DataChangeText> taken = early.Take();
    ASSERT_EQ(2u, taken.size());
    EXPECT_EQ(7u, taken[0].hClient);
    EXPECT_EQ("1", taken[0].valueText);
    EXPECT_FALSE(taken[0].bSkipped);
    EXPECT_EQ("Bad", taken[0].qualityText);
    EXPECT_EQ(9u, taken[1].hClient);
    EXPECT_EQ("4", taken[1].valueText);
    EXPECT_EQ("Uncertain", taken[1].qualityText);
    EXPECT_FALSE(early.Keep({8, false, "2", "Good"})) << "taking ends the call";
    EXPECT_TRUE(early.Take().empty());
}
