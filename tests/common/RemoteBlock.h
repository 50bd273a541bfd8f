#pragma once
// A block of memory inside another process, for messages to its windows whose parameters point
// to memory.
#include <windows.h>

#include <string>
#include <vector>

class RemoteBlock {
  public:
    RemoteBlock(HANDLE process, SIZE_T size) : m_process(process), m_size(size) {
        m_p = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (m_p)
            VirtualFreeEx(m_process, m_p, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    char* Address(SIZE_T offset = 0) const { return static_cast<char*>(m_p) + offset; }
    void Write(const void* data, SIZE_T size, SIZE_T offset = 0) {
        WriteProcessMemory(m_process, Address(offset), data, size, nullptr);
    }
    void Read(void* data, SIZE_T size, SIZE_T offset = 0) const {
        ReadProcessMemory(m_process, Address(offset), data, size, nullptr);
    }
    std::string ReadText(SIZE_T offset) const {
        std::vector<char> text(m_size - offset + 1, '\0');
        Read(text.data(), m_size - offset, offset);
        return text.data();
    }

  private:
    HANDLE m_process;
    SIZE_T m_size;
    void* m_p;
};
