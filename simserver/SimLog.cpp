#include "simserver/SimLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "simserver/SimModule.h"

namespace {

// Tests may read from another thread than the apartment that writes.
class LogLock {
  public:
    LogLock() {
        static bool s_bInit = [] {
            InitializeCriticalSection(&s_section);
            return true;
        }();
        (void)s_bInit;
        EnterCriticalSection(&s_section);
    }
    ~LogLock() { LeaveCriticalSection(&s_section); }

  private:
    static CRITICAL_SECTION s_section;
};
CRITICAL_SECTION LogLock::s_section;

// A fast timer left running for long must not eat the memory: the older half goes first.
constexpr size_t kMaxLogBytes = 4u << 20;

ZZSimCounters EmptyCounters() {
    ZZSimCounters counters;
    memset(&counters, 0, sizeof(counters));
    counters.cbSize = sizeof(counters);
    return counters;
}

std::string g_log;
ZZSimCounters g_counters = EmptyCounters();

}  // namespace

namespace SimLog {

void Write(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    LogLock lock;
    if (g_log.size() > kMaxLogBytes) {
        size_t cut = g_log.find('\n', g_log.size() / 2);
        g_log.erase(0, cut == std::string::npos ? g_log.size() : cut + 1);
    }
    g_log += line;
    g_log += '\n';
}

std::string Text() {
    LogLock lock;
    return g_log;
}

void Clear() {
    LogLock lock;
    g_log.clear();
    g_counters = EmptyCounters();
}

ZZSimCounters& Counters() {
    return g_counters;
}

ZZSimCounters Snapshot() {
    LogLock lock;
    ZZSimCounters copy = g_counters;
    copy.nServers = SimModule::LiveObjects(SimObjectKind::Server);
    copy.nGroups = SimModule::LiveObjects(SimObjectKind::Group);
    copy.nEnumerators = SimModule::LiveObjects(SimObjectKind::Enumerator);
    copy.nClassFactories = SimModule::LiveObjects(SimObjectKind::ClassFactory);
    copy.nLocks = SimModule::Locks();
    copy.nCallbacksUnderWay = SimModule::CallbacksUnderWay();
    return copy;
}

}  // namespace SimLog
