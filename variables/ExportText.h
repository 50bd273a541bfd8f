#pragma once
// The growing export text: record lines, each ended by CR LF, kept as wide characters until the
// clipboard hand-over converts them back to the ANSI code page.
#include <cstddef>
#include <cstdint>
#include <vector>

class ExportText {
  public:
    static constexpr uint32_t kGrowStep = 0xFFFF;

    ExportText();

    // Appends line and CR LF. 0, or -1 when the buffer cannot grow (the text stays as it was).
    int AppendLine(const wchar_t* line, size_t length);

    // Characters accounted: the text's true length plus 2, which leaves room for the terminator.
    uint32_t Length() const { return m_textLength; }
    uint32_t Capacity() const { return m_textCapacity; }
    // The zero-terminated text.
    const wchar_t* Text() const { return m_text.data(); }
    size_t TextLength() const { return m_textLength - 2; }

  private:
    uint32_t m_textLength = 2;
    uint32_t m_textCapacity = kGrowStep;
    std::vector<wchar_t> m_text;
};
