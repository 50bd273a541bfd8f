#pragma once
// Owned Win32 resources: one movable, non-copyable holder per kind.
#include <windows.h>
#include <oleauto.h>

#include <utility>

template <typename T, typename Close, T Invalid = T()>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : m_h(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o)
            reset(o.release());
        return *this;
    }

    T get() const { return m_h; }
    explicit operator bool() const { return m_h != Invalid; }
    T release() { return std::exchange(m_h, Invalid); }
    void reset(T h = Invalid) {
        if (m_h != Invalid)
            Close()(m_h);
        m_h = h;
    }
    // Releases the old value first, so passing it as an out-parameter never leaks.
    T* put() {
        reset();
        return &m_h;
    }

  private:
    T m_h = Invalid;
};

struct RegKeyCloser {
    void operator()(HKEY h) const { RegCloseKey(h); }
};
struct MenuDestroyer {
    void operator()(HMENU h) const { DestroyMenu(h); }
};
struct GlobalFreer {
    void operator()(HGLOBAL h) const { GlobalFree(h); }
};

using UniqueHKey = UniqueHandle<HKEY, RegKeyCloser>;
using UniqueHMenu = UniqueHandle<HMENU, MenuDestroyer>;
using UniqueHGlobal = UniqueHandle<HGLOBAL, GlobalFreer>;

// Locks a global memory block for the scope; the block itself stays with its owner.
class GlobalLockScope {
  public:
    explicit GlobalLockScope(HGLOBAL h) : m_h(h), m_p(h ? GlobalLock(h) : nullptr) {}
    ~GlobalLockScope() {
        if (m_p)
            GlobalUnlock(m_h);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    void* get() const { return m_p; }
    SIZE_T size() const { return m_p ? GlobalSize(m_h) : 0; }

  private:
    HGLOBAL m_h;
    void* m_p;
};

// A VARIANT that is cleared when it goes out of scope.
class ScopedVariant {
  public:
    ScopedVariant() { VariantInit(&m_v); }
    ~ScopedVariant() { VariantClear(&m_v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* get() { return &m_v; }
    const VARIANT* get() const { return &m_v; }

  private:
    VARIANT m_v;
};
