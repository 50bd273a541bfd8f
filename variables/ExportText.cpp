#include "variables/ExportText.h"

#include <cstring>
#include <limits>
#include <new>

ExportText::ExportText() : m_text(kGrowStep, L'\0') {}

int ExportText::AppendLine(const wchar_t* line, size_t length) {
    constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
    if (length > kMax - kGrowStep - m_textLength - 2) {
        return -1;
    }
    const uint32_t newLength = m_textLength + static_cast<uint32_t>(length) + 2;
    uint32_t newCapacity = m_textCapacity;
    // Step by step, so that even a line longer than one step fits whole.
    while (newLength >= newCapacity) {
        newCapacity += kGrowStep;
    }
    if (newCapacity != m_textCapacity) {
        try {
            m_text.resize(newCapacity, L'\0');
        } catch (const std::bad_alloc&) {
            return -1;
        }
        m_textCapacity = newCapacity;
    }
    wchar_t* end = m_text.data() + TextLength();
    if (length > 0) {
        std::memcpy(end, line, length * sizeof(wchar_t));
    }
    end[length] = L'\r';
    end[length + 1] = L'\n';
    end[length + 2] = L'\0';
    m_textLength = newLength;
    return 0;
}
