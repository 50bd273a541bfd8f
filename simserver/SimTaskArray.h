#pragma once
// A zeroed CoTaskMem array that is freed unless handed to the COM caller with release().
#include <windows.h>
#include <objbase.h>
#include <cstring>

template <typename T>
class SimTaskArray {
  public:
    explicit SimTaskArray(size_t count) : m_p(static_cast<T*>(CoTaskMemAlloc(count ? count * sizeof(T) : 1))) {
        if (m_p) {
            memset(static_cast<void*>(m_p), 0, count * sizeof(T));
        }
    }
    ~SimTaskArray() { CoTaskMemFree(m_p); }
    SimTaskArray(const SimTaskArray&) = delete;
    SimTaskArray& operator=(const SimTaskArray&) = delete;

    explicit operator bool() const { return m_p != nullptr; }
    T& operator[](size_t index) { return m_p[index]; }
    T* release() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

  private:
    T* m_p;
};
