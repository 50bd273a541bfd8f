#pragma once
// Module-wide state of the simulator (DLL or EXE): its handle, the live COM objects (which decide
// DllCanUnloadNow, or when the EXE ends) and the server lock count.
#include <windows.h>
#include <string>

enum class SimObjectKind { Server, Group, Enumerator, ClassFactory, Control, Count };

namespace SimModule {
void SetInstance(HINSTANCE hInstance);
HINSTANCE Instance();
std::string ModulePath();
std::string ModuleDirectory();  // with a trailing backslash
void ObjectCreated(SimObjectKind kind);
void ObjectDestroyed(SimObjectKind kind);
LONG LiveObjects(SimObjectKind kind);
void Lock(bool bLock);
LONG Locks();
bool CanUnload();
// Objects and locks that keep ZZSimServer.exe running (registered class objects do not).
LONG Busy();
// Called on the thread that released the last object or lock, when Busy() has dropped to 0.
void SetIdleCallback(void (*callback)());
// Calls into clients that have not returned yet (out of process the client serves them when
// it gets round to it).
void CallbackStarted();
void CallbackEnded();
LONG CallbacksUnderWay();
}  // namespace SimModule

// Member of every COM object of the DLL: counts it as live for exactly its lifetime.
template <SimObjectKind Kind>
class SimLiveObject {
  public:
    SimLiveObject() { SimModule::ObjectCreated(Kind); }
    ~SimLiveObject() { SimModule::ObjectDestroyed(Kind); }
    SimLiveObject(const SimLiveObject&) = delete;
    SimLiveObject& operator=(const SimLiveObject&) = delete;
};
