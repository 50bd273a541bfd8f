#include "simserver/SimModule.h"

namespace {
HINSTANCE g_hInstance = nullptr;
LONG g_objects[static_cast<int>(SimObjectKind::Count)] = {};
LONG g_locks = 0;
LONG g_callbacks = 0;
void (*g_idleCallback)() = nullptr;

void CheckIdle() {
    if (g_idleCallback && SimModule::Busy() == 0) {
        g_idleCallback();
    }
}
}  // namespace

namespace SimModule {

void SetInstance(HINSTANCE hInstance) {
    g_hInstance = hInstance;
}

HINSTANCE Instance() {
    return g_hInstance;
}

std::string ModulePath() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(g_hInstance, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : 0);
}

std::string ModuleDirectory() {
    std::string path = ModulePath();
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void ObjectCreated(SimObjectKind kind) {
    InterlockedIncrement(&g_objects[static_cast<int>(kind)]);
}

void ObjectDestroyed(SimObjectKind kind) {
    InterlockedDecrement(&g_objects[static_cast<int>(kind)]);
    CheckIdle();
}

LONG LiveObjects(SimObjectKind kind) {
    return g_objects[static_cast<int>(kind)];
}

void Lock(bool bLock) {
    if (bLock) {
        InterlockedIncrement(&g_locks);
    } else {
        InterlockedDecrement(&g_locks);
        CheckIdle();
    }
}

LONG Locks() {
    return g_locks;
}

bool CanUnload() {
    LONG total = g_locks;
    for (LONG n : g_objects) {
        total += n;
    }
    return total == 0;
}

LONG Busy() {
    LONG total = g_locks;
    for (int kind = 0; kind < static_cast<int>(SimObjectKind::Count); ++kind) {
        total += kind == static_cast<int>(SimObjectKind::ClassFactory) ? 0 : g_objects[kind];
    }
    return total;
}

void SetIdleCallback(void (*callback)()) {
    g_idleCallback = callback;
}

void CallbackStarted() {
    InterlockedIncrement(&g_callbacks);
}

void CallbackEnded() {
    InterlockedDecrement(&g_callbacks);
}

LONG CallbacksUnderWay() {
    return g_callbacks;
}

}  // namespace SimModule
