#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "opc/DiagnosticTexts.h"

namespace {

using Texts = std::vector<std::string>;

// A test-side VARIANT that clears what it owns.
class TestVariant {
  public:
    TestVariant() { VariantInit(&m_value); }
    ~TestVariant() { VariantClear(&m_value); }
    TestVariant(const TestVariant&) = delete;
    TestVariant& operator=(const TestVariant&) = delete;
    VARIANT& operator*() { return m_value; }
    VARIANT* operator->() { return &m_value; }

  private:
    VARIANT m_value;
};

// Builds a one-dimensional array of element type vt from values of the matching C type.
template <typename T>
SAFEARRAY* MakeArray(VARTYPE vt, const std::vector<T>& values, LONG lowerBound = 0) {
    SAFEARRAY* array = SafeArrayCreateVector(vt, lowerBound, static_cast<ULONG>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        T value = values[i];
        SafeArrayPutElement(array, &index, &value);
    }
    return array;
}

void SetArray(TestVariant& variant, VARTYPE elementType, SAFEARRAY* array) {
    variant->vt = VT_ARRAY | elementType;
    variant->parray = array;
}

void SetBstr(TestVariant& variant, const wchar_t* text, UINT length) {
    variant->vt = VT_BSTR;
    variant->bstrVal = SysAllocStringLen(text, length);
}

}  // namespace

struct QualityCase {
    WORD quality;
    const char* text;
};

class QualityTextTest : public testing::TestWithParam<QualityCase> {};

TEST_P(QualityTextTest, JoinsMajorSubStatusLimitAndHexWord) {
    EXPECT_EQ(GetParam().text, QualityText(GetParam().quality));
}

INSTANTIATE_TEST_SUITE_P(
    Qualities,
    QualityTextTest,
    testing::Values(QualityCase{0x00C0, "Good: Non-specific, Limit: Not Limited, (00C0h)"},
                    QualityCase{0x0000, "Bad: Non-specific, Limit: Not Limited, (0000h)"},
                    QualityCase{0x0018, "Bad: Communication failure, Limit: Not Limited, (0018h)"},
                    // Waiting for initial data exists only in later OPC versions.
                    QualityCase{0x0020, "Bad: N/A, Limit: Not Limited, (0020h)"},
                    QualityCase{0x0056, "Uncertain: Engineering Units Exceeded, Limit: High Limited, (0056h)"},
                    QualityCase{0x0080, "N/A: N/A, Limit: Not Limited, (0080h)"},
                    QualityCase{0x00D8, "Good: Local Override, Limit: Not Limited, (00D8h)"},
                    QualityCase{0x0045, "Uncertain: Last Usable Value, Limit: Low Limited, (0045h)"},
                    QualityCase{0x0017, "Bad: Last Known Value, Limit: Constant, (0017h)"},
                    // Sub-status bits of one major status mean nothing under another.
                    QualityCase{0x00C4, "Good: N/A, Limit: Not Limited, (00C4h)"},
                    QualityCase{0x0058, "Uncertain: Sub-Normal, Limit: Not Limited, (0058h)"},
                    // The vendor's high byte only shows in the hex word.
                    QualityCase{0xA5C1, "Good: Non-specific, Limit: Low Limited, (A5C1h)"}));

class VarTypeTextTest : public testing::Test {};

TEST_F(VarTypeTextTest, FlagsComeFirstByrefBeforeArray) {
    EXPECT_EQ("VT_ARRAY | VT_UI1", VarTypeText(0x2011));
    EXPECT_EQ("VT_BYREF | VT_ARRAY | VT_BSTR", VarTypeText(VT_BYREF | VT_ARRAY | VT_BSTR));
    EXPECT_EQ("VT_BYREF | VT_EMPTY", VarTypeText(0x4000));
}

TEST_F(VarTypeTextTest, GapsAndTypesBeyondUintAreUnknown) {
    for (VARTYPE type : {15, 24, 36, 64, 0x0FFF}) {
        EXPECT_EQ("unknown VARTYPE", VarTypeText(type)) << type;
    }
    EXPECT_EQ("VT_DECIMAL", VarTypeText(14));
    EXPECT_EQ("VT_I8", VarTypeText(20));
    EXPECT_EQ("VT_UI8", VarTypeText(21));
    EXPECT_EQ("VT_I1", VarTypeText(16));
    EXPECT_EQ("VT_UINT", VarTypeText(23));
}

TEST_F(VarTypeTextTest, OtherFlagBitsMakeTheTypeUnknown) {
    EXPECT_EQ("unknown VARTYPE", VarTypeText(VT_VECTOR | VT_I2));
    EXPECT_EQ("unknown VARTYPE", VarTypeText(VT_RESERVED | VT_I4));
    EXPECT_EQ("VT_ARRAY | unknown VARTYPE", VarTypeText(VT_ARRAY | VT_VECTOR | VT_I2));
}

class ResultTextTest : public testing::Test {};

TEST_F(ResultTextTest, InterfaceFacilityCodesGiveTheirNameAlone) {
    EXPECT_EQ("OPC_E_UNKNOWNITEMID", ResultText(static_cast<HRESULT>(0xC0040007L)));
    EXPECT_EQ("OPC_S_CLAMP", ResultText(static_cast<HRESULT>(0x0004000EL)));
    EXPECT_EQ("CALLR_E_RESERVED", ResultText(static_cast<HRESULT>(0xC0040501L)));
    EXPECT_EQ("DV_E_FORMATETC", ResultText(DV_E_FORMATETC));
}

TEST_F(ResultTextTest, UnnamedCodesFallBackToHex) {
    EXPECT_EQ("Function Failed : C004000Dh", ResultText(static_cast<HRESULT>(0xC004000DL)));
    EXPECT_EQ("Function Failed : C004000Fh", ResultText(static_cast<HRESULT>(0xC004000FL)));
    // A made-up facility: the system has no text for it either.
    EXPECT_EQ("Function Failed : 8BADF00Dh", ResultText(static_cast<HRESULT>(0x8BADF00DL)));
}

TEST_F(ResultTextTest, SystemCodesAddTheSystemTextWithoutTrailingLineBreak) {
    const std::string text = ResultText(E_INVALIDARG);
    ASSERT_EQ(0u, text.find("E_INVALIDARG\n")) << text;
    const std::string message = text.substr(13);
    EXPECT_FALSE(message.empty());
    EXPECT_NE('\n', message.back());
    EXPECT_NE('\r', message.back());
}

class ValueTextsTest : public testing::Test {
  protected:
    TestVariant m_value;
};

TEST_F(ValueTextsTest, ScalarGivesOneTextWithPrefix) {
    m_value->vt = VT_I4;
    m_value->lVal = -42;
    EXPECT_EQ(Texts{"-42"}, ValueTexts(*m_value, ""));
    EXPECT_EQ(Texts{"| -42"}, ValueTexts(*m_value, "| "));
}

TEST_F(ValueTextsTest, ArrayGivesOneTextPerElement) {
    SetArray(m_value, VT_I2, MakeArray<SHORT>(VT_I2, {1, -2, 3}));
    EXPECT_EQ((Texts{"| 1", "| -2", "| 3"}), ValueTexts(*m_value, "| "));
}

TEST_F(ValueTextsTest, ArrayWithNonZeroLowerBoundListsAllElements) {
    SetArray(m_value, VT_UI1, MakeArray<BYTE>(VT_UI1, {10, 255, 0}, 5));
    EXPECT_EQ((Texts{"10", "255", "0"}), ValueTexts(*m_value, ""));
}

TEST_F(ValueTextsTest, PlaceholderCountsOutermostElementsAndRestartsPerCall) {
    SetArray(m_value, VT_I4, MakeArray<LONG>(VT_I4, {7, 8}));
    EXPECT_EQ((Texts{"[0] 7", "[1] 8"}), ValueTexts(*m_value, "[%d] "));
    EXPECT_EQ((Texts{"[00] 7", "[01] 8"}), ValueTexts(*m_value, "[%02X] "));
}

TEST_F(ValueTextsTest, NestedVariantArraysAreFlattenedUnderTheOuterIndex) {
    TestVariant inner;
    SetArray(inner, VT_I4, MakeArray<LONG>(VT_I4, {1, 2}));
    TestVariant text;
    SetBstr(text, L"x", 1);
    TestVariant emptyInner;
    SetArray(emptyInner, VT_I2, SafeArrayCreateVector(VT_I2, 0, 0));
    SAFEARRAY* outer = SafeArrayCreateVector(VT_VARIANT, 0, 3);
    LONG index = 0;
    SafeArrayPutElement(outer, &index, &*inner);
    index = 1;
    SafeArrayPutElement(outer, &index, &*emptyInner);  // an empty inner array adds nothing
    index = 2;
    SafeArrayPutElement(outer, &index, &*text);
    SetArray(m_value, VT_VARIANT, outer);
    EXPECT_EQ((Texts{"0:1", "0:2", "2:x"}), ValueTexts(*m_value, "%d:"));
}

TEST_F(ValueTextsTest, EmptyOrMissingOutermostArrayGivesTheBarePrefix) {
    SetArray(m_value, VT_I2, SafeArrayCreateVector(VT_I2, 0, 0));
    EXPECT_EQ(Texts{"| "}, ValueTexts(*m_value, "| "));
    TestVariant missing;
    missing->vt = VT_ARRAY | VT_I2;
    missing->parray = nullptr;
    EXPECT_EQ(Texts{"| "}, ValueTexts(*missing, "| "));
    missing->vt = VT_EMPTY;
}

TEST_F(ValueTextsTest, ForeignPercentSignsInThePrefixAreCopiedLiterally) {
    m_value->vt = VT_I2;
    m_value->iVal = 5;
    EXPECT_EQ(Texts{"%s %n 100% %05"}, ValueTexts(*m_value, "%s %n 100%% %%%d"));
    EXPECT_EQ(Texts{"0 %d 5"}, ValueTexts(*m_value, "%d %d "));
    EXPECT_EQ(Texts{"%123d5"}, ValueTexts(*m_value, "%123d"));
}

TEST_F(ValueTextsTest, CallerKeepsItsValue) {
    SetBstr(m_value, L"Tank", 4);
    const BSTR before = m_value->bstrVal;
    EXPECT_EQ(Texts{"Tank"}, ValueTexts(*m_value, ""));
    EXPECT_EQ(before, m_value->bstrVal);
    EXPECT_EQ(4u, SysStringLen(m_value->bstrVal));
}

class ValueTextsStringTest : public ValueTextsTest {};

TEST_F(ValueTextsStringTest, NullOrEmptyStringGivesThePrefixOnly) {
    m_value->vt = VT_BSTR;
    m_value->bstrVal = nullptr;
    EXPECT_EQ(Texts{"| "}, ValueTexts(*m_value, "| "));
}

TEST_F(ValueTextsStringTest, TextEndsAtAnEmbeddedZeroCharacter) {
    SetBstr(m_value, L"ab\0cd", 5);
    EXPECT_EQ(Texts{"ab"}, ValueTexts(*m_value, ""));
}

TEST_F(ValueTextsStringTest, CharactersOutsideTheAnsiCodePageBecomeQuestionMarks) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "expects the Western code page 1252";
    }
    SetBstr(m_value, L"\u00C4\u20AC\u4E2D", 3);
    EXPECT_EQ(Texts{"\xC4\x80?"}, ValueTexts(*m_value, ""));
}

TEST_F(ValueTextsStringTest, ArrayOfStringsKeepsEachElement) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    LONG index = 0;
    BSTR pump = SysAllocString(L"Pump");
    SafeArrayPutElement(array, &index, pump);  // stores a copy
    SysFreeString(pump);
    SetArray(m_value, VT_BSTR, array);
    EXPECT_EQ((Texts{"| Pump", "| "}), ValueTexts(*m_value, "| "));
}

class ValueTextsConversionTest : public ValueTextsTest {};

TEST_F(ValueTextsConversionTest, DateUsesTheSystemConversion) {
    SYSTEMTIME time = {2024, 3, 5, 15, 12, 30, 45, 0};
    m_value->vt = VT_DATE;
    ASSERT_TRUE(SystemTimeToVariantTime(&time, &m_value->date));
    const Texts texts = ValueTexts(*m_value, "");
    ASSERT_EQ(1u, texts.size());
    EXPECT_NE(std::string::npos, texts[0].find("2024")) << texts[0];
    EXPECT_NE(std::string::npos, texts[0].find("30")) << texts[0];
}

TEST_F(ValueTextsConversionTest, BooleanFollowsTheSystemConversion) {
    SetArray(m_value, VT_BOOL, MakeArray<VARIANT_BOOL>(VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE}));
    EXPECT_EQ((Texts{"-1", "0"}), ValueTexts(*m_value, ""));
}

TEST_F(ValueTextsConversionTest, DecimalElementsAreFetchedWhole) {
    DECIMAL value;
    ASSERT_EQ(S_OK, VarDecFromI4(123456, &value));
    SetArray(m_value, VT_DECIMAL, MakeArray<DECIMAL>(VT_DECIMAL, {value}));
    EXPECT_EQ(Texts{"123456"}, ValueTexts(*m_value, ""));
}

TEST_F(ValueTextsConversionTest, FailedConversionGivesPrefixAndResultText) {
    m_value->vt = VT_NULL;
    EXPECT_EQ(Texts{"| " + ResultText(DISP_E_TYPEMISMATCH)}, ValueTexts(*m_value, "| "));
    m_value->vt = 0x0FFF;
    EXPECT_EQ(Texts{"| " + ResultText(DISP_E_BADVARTYPE)}, ValueTexts(*m_value, "| "));
    m_value->vt = VT_EMPTY;
}

TEST_F(ValueTextsConversionTest, ByrefScalarIsReadThroughItsPointer) {
    LONG value = 7;
    m_value->vt = VT_BYREF | VT_I4;
    m_value->plVal = &value;
    EXPECT_EQ(Texts{"7"}, ValueTexts(*m_value, ""));
    m_value->plVal = nullptr;
    EXPECT_EQ(Texts{ResultText(E_INVALIDARG)}, ValueTexts(*m_value, ""));
    m_value->vt = VT_EMPTY;
}

TEST_F(ValueTextsConversionTest, MultiDimensionalArrayListsItsLastDimension) {
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 10}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    for (LONG i = 0; i < 2; ++i) {
        for (LONG j = 10; j < 13; ++j) {
            LONG indexes[2] = {i, j};
            LONG value = 100 * i + j;
            SafeArrayPutElement(array, indexes, &value);
        }
    }
    SetArray(m_value, VT_I4, array);
    EXPECT_EQ((Texts{"10", "11", "12"}), ValueTexts(*m_value, ""));
}

// Values a server hands over are checked, never trusted: nothing here may crash or read wide.
class ValueTextsBoundsTest : public ValueTextsTest {};

TEST_F(ValueTextsBoundsTest, InterfaceValuesAreNeverCalledInto) {
    m_value->vt = VT_UNKNOWN;
    m_value->punkVal = reinterpret_cast<IUnknown*>(1);  // a foreign process's pointer
    EXPECT_EQ(Texts{"| " + ResultText(DISP_E_TYPEMISMATCH)}, ValueTexts(*m_value, "| "));
    m_value->vt = VT_DISPATCH | VT_BYREF;
    EXPECT_EQ(Texts{"| " + ResultText(DISP_E_TYPEMISMATCH)}, ValueTexts(*m_value, "| "));
    m_value->vt = VT_EMPTY;
}

TEST_F(ValueTextsBoundsTest, ArrayOfAnotherTypeThanDeclaredGivesOneFailureText) {
    // Declared bytes, stored VARIANTs: fetching 16 bytes into the value union would overflow.
    SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    SetArray(m_value, VT_UI1, variants);
    EXPECT_EQ(Texts{"| " + ResultText(DISP_E_BADVARTYPE)}, ValueTexts(*m_value, "| "));
    // Declared strings, stored numbers: the numbers must not be taken for string pointers.
    TestVariant numbers;
    SetArray(numbers, VT_BSTR, MakeArray<LONG>(VT_I4, {1, 2}));
    EXPECT_EQ(Texts{ResultText(DISP_E_BADVARTYPE)}, ValueTexts(*numbers, ""));
    numbers->vt = VT_ARRAY | VT_I4;  // cleared as what it is
}

TEST_F(ValueTextsBoundsTest, DecimalsThatAreNoNumbersGiveAFailureText) {
    DECIMAL good;
    ASSERT_EQ(S_OK, VarDecFromI4(-5, &good));
    DECIMAL bigScale = good;
    bigScale.scale = 255;  // the system's conversion would index its tables with it
    DECIMAL oddSign = good;
    oddSign.sign = 0x7F;
    SetArray(m_value, VT_DECIMAL, MakeArray<DECIMAL>(VT_DECIMAL, {good, bigScale, oddSign}));
    EXPECT_EQ((Texts{"-5", ResultText(DISP_E_OVERFLOW), ResultText(DISP_E_OVERFLOW)}), ValueTexts(*m_value, ""));
}

TEST_F(ValueTextsBoundsTest, HugeArrayIsCutWithAMarker) {
    SetArray(m_value, VT_UI1, SafeArrayCreateVector(VT_UI1, 0, 1000000));
    const Texts texts = ValueTexts(*m_value, "| ");
    ASSERT_GT(texts.size(), 1u);
    EXPECT_LT(texts.size(), kValueTextBudget);
    EXPECT_EQ("| 0", texts.front());
    EXPECT_EQ("| ...", texts.back());
    size_t total = 0;
    for (const std::string& text : texts) {
        total += text.size() + 1;
    }
    EXPECT_LE(total, kValueTextBudget + 6);
}

TEST_F(ValueTextsBoundsTest, HugeStringIsCutWithAMarker) {
    const std::wstring text(200000, L'w');
    SetBstr(m_value, text.c_str(), static_cast<UINT>(text.size()));
    const Texts texts = ValueTexts(*m_value, "");
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(kValueTextBudget - 1, texts[0].size());
    EXPECT_EQ("...", texts[1]);
}

TEST_F(ValueTextsBoundsTest, DeepNestingIsCutWithAMarker) {
    // Each level is a one-element VARIANT array holding the next level.
    TestVariant level;
    level->vt = VT_I4;
    level->lVal = 1;
    for (int depth = 0; depth < 3 * kValueTextMaxDepth; ++depth) {
        SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
        LONG index = 0;
        SafeArrayPutElement(array, &index, &*level);
        VariantClear(&*level);
        SetArray(level, VT_VARIANT, array);
    }
    EXPECT_EQ(Texts{"| ..."}, ValueTexts(*level, "| "));
}
