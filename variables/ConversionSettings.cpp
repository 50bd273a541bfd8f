#include "variables/ConversionSettings.h"

#include <cstdint>
#include <utility>

#include "app/Globals.h"
#include "variables/ClipboardText.h"
#include "variables/ConversionQuestions.h"
#include "variables/ItemIdCut.h"
#include "variables/RecordLine.h"
#include "variables/TypeMapTable.h"
#include "variables/VariableSink.h"

namespace {

const int kFail = static_cast<int>(E_FAIL);
// Korvane reads sizes and offsets as signed 32-bit numbers.
constexpr uint64_t kMaxKorvaneNumber = INT32_MAX;

// Words one element of this type takes inside a driver object.
uint32_t ElementWords(VARTYPE vt) {
    switch (vt) {
        case VT_I4:
        case VT_R4:
        case VT_UI4:
            return 2;
        case VT_BSTR:
            return kTextLength;
        default:
            return 1;
    }
}

// Words an array of size elements takes as a driver object: byte arrays pack two to a word.
uint64_t DriverArrayWords(VARTYPE vt, uint32_t size) {
    switch (vt) {
        case VT_I4:
        case VT_R4:
        case VT_UI4:
            return uint64_t{size} * 2;
        case VT_I1:
        case VT_UI1:
            return size / 2;
        default:
            return size;
    }
}

// The server index is a global of the frame; the device number is one more, the channel two more.
int32_t ServerChannel() {
    return static_cast<int32_t>(g_nServerIndex) + 3;
}

}  // namespace

ConversionSettings::ConversionSettings() = default;

ConversionSettings::~ConversionSettings() = default;

void ConversionSettings::Attach(VariableSink* variables, ConversionQuestions* questions) {
    m_pVariables = variables;
    m_pQuestions = questions;
}

bool ConversionSettings::SetCutOffset(int n) {
    return std::exchange(m_cutOffset, n) != n;
}

bool ConversionSettings::SetCutLength(int n) {
    return std::exchange(m_cutLength, n) != n;
}

std::string ConversionSettings::BuildName(const std::string& itemId) const {
    if (m_driverOpen) {
        // Elements are named by what follows the object's address; foreign IDs get no name.
        if (itemId.compare(0, m_driverPrefix.size(), m_driverPrefix) == 0) {
            return itemId.substr(m_driverPrefix.size());
        }
        return std::string();
    }
    return CutItemName(itemId, m_cutOffset, m_cutLength, m_splitAtSeparator);
}

std::string ConversionSettings::BuildPrefix(const std::string& itemId) const {
    return CutItemPrefix(itemId, m_cutOffset, m_splitAtSeparator);
}

bool ConversionSettings::AskArray(const OpcItemData& item, VariableRecord* r, VARTYPE* vt) {
    if (!(*vt & VT_ARRAY)) {
        r->size = 1;
        return true;
    }
    ArrayAnswer answer;
    if (!m_pQuestions || !m_pQuestions->AskArraySize(item.itemId, &answer)) {
        return false;
    }
    *vt = static_cast<VARTYPE>(*vt & ~VT_ARRAY);
    uint64_t size = answer.size;
    if (answer.asDriverObject) {
        r->type = KrTreiber;
        size = DriverArrayWords(*vt, answer.size);
    }
    if (size > kMaxKorvaneNumber) {
        return false;
    }
    r->size = static_cast<uint32_t>(size);
    return true;
}

bool ConversionSettings::AskType(VARTYPE vt, VariableRecord* r) {
    if (r->type == KrTreiber) {
        return true;
    }
    // Types the table does not know stay Digit without a question.
    MapVarType(vt, &r->type);
    if (r->type != KrAskUser) {
        return true;
    }
    // Asked anew for every item: the answer is for this one conversion only.
    return m_pQuestions && m_pQuestions->AskUnknownType(vt, &r->type);
}

int ConversionSettings::ConvertItem(const OpcItemData& item) {
    if (!m_pVariables) {
        return -1;
    }
    const std::string name = BuildName(item.itemId);
    if (name.empty()) {
        return kFail;
    }
    VariableRecord r;
    r.kind = m_driverOpen ? KindElement : KindSingle;
    r.cycle = m_driverOpen ? 0 : 1;
    r.channel = m_driverOpen ? 0 : ServerChannel();
    r.offset = m_driverOpen ? m_driverOffset : 0;
    VARTYPE vt = item.vtCanonicalDataType;
    if (!AskArray(item, &r, &vt) || !AskType(vt, &r)) {
        return kFail;
    }
    r.reserved = 0;
    r.factor = 1.0f;
    // OPC_READABLE 1, OPC_WRITEABLE 2, both 3 become the access codes 0, 1 and 2.
    r.access = static_cast<int16_t>(item.dwAccessRights - 1);
    std::string address = item.itemId;
    if (m_driverOpen) {
        const uint64_t end = uint64_t(uint32_t(m_driverOffset)) + uint64_t{ElementWords(vt)} * r.size;
        if (end > kMaxKorvaneNumber) {
            return kFail;
        }
        m_driverOffset = static_cast<int>(end);
        address = m_driverName;
    }
    // A refused row is the list's business; the conversion itself went through.
    m_pVariables->AddVariable(name, address, std::move(r));
    return 0;
}

bool ConversionSettings::BeginDriver(uint32_t kind,
                                     const std::string& name,
                                     const std::string& prefix,
                                     int access,
                                     int cycle,
                                     const std::string& text,
                                     int firstOffset) {
    if (m_driverOpen || !m_pVariables || firstOffset < 0) {
        return false;
    }
    auto record = std::make_unique<VariableRecord>();
    record->kind = KindDriver;
    record->type = kind;
    record->cycle = cycle;
    record->channel = ServerChannel();
    record->driverText = text;
    record->access = static_cast<int16_t>(access);
    m_openDriver = std::move(record);
    m_driverOffset = firstOffset;
    m_driverName = m_pVariables->MakeUniqueName(name);
    // The elements to come form a batch of their own, below which nothing pending may remain.
    m_pVariables->Commit();
    m_driverPrefix = prefix;
    m_driverOpen = true;
    return true;
}

int ConversionSettings::EndDriver() {
    if (!m_openDriver || !m_pVariables) {
        return -1;
    }
    m_openDriver->size = static_cast<uint32_t>(m_driverOffset);
    // Inserted above its just committed elements, so its $T line precedes their $V lines.
    m_pVariables->AddVariable(m_driverName, m_driverPrefix, std::move(*m_openDriver));
    m_openDriver.reset();
    m_driverOpen = false;
    m_driverName.clear();
    return m_driverOffset;
}

void ConversionSettings::AbortDriver() {
    // Prefix and offset stay: only a new BeginDriver sets them again.
    m_driverOpen = false;
    m_openDriver.reset();
    m_driverName.clear();
}

int ConversionSettings::WriteRecord(const std::string& name, const std::string& address, const VariableRecord& record) {
    std::string line;
    const int result = FormatRecordLine(name, address, record, &line);
    if (result != 0) {
        return result;
    }
    std::wstring wide;
    if (!line.empty()) {
        const int length = MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        if (length <= 0) {
            return -1;
        }
        wide.resize(static_cast<size_t>(length));
        MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), &wide[0], length);
    }
    return AppendLine(wide);
}

int ConversionSettings::CopyToClipboard(HWND owner) {
    return PutTextOnClipboard(owner, m_text.Text(), m_text.TextLength());
}

int ConversionSettings::ClearClipboard(HWND owner) {
    return EmptyClipboardFor(owner);
}
