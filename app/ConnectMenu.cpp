#include "app/ConnectMenu.h"

#include "res/resource.h"

#include <cstring>

bool HasServerSwitches(const char* cmdLine) {
    return cmdLine && cmdLine[0] == '/' && cmdLine[1] == 'u';
}

std::vector<ServerEntry> ParseServerSwitches(const char* cmdLine, UINT* autoConnectId) {
    std::vector<ServerEntry> entries;
    *autoConnectId = 0;
    size_t len = strlen(cmdLine);
    for (int n = 1; n <= 5; ++n) {
        // The first 'u' directly followed by the digit, wherever it is: "/u1 Manu2x" also
        // yields an entry for 2, starting inside the first name.
        size_t pos = 1;
        while (pos < len && !(cmdLine[pos] == '0' + n && cmdLine[pos - 1] == 'u'))
            ++pos;
        if (pos >= len)
            continue;
        // The one character behind the digit is skipped, whatever it is.
        size_t start = pos + 2 < len ? pos + 2 : len;
        size_t end = start;
        while (end < len && cmdLine[end] != ' ' && cmdLine[end] != '/' && end - start < kServerNameMax)
            ++end;
        entries.push_back({ID_CONNECT_SERVER_BASE + (UINT)n, std::string(cmdLine + start, end - start)});
        *autoConnectId = n == 1 ? ID_CONNECT_SERVER1 : 0;
    }
    return entries;
}

std::string ReadRecentProject() {
    char path[kServerNameMax + 1] = {};
    GetPrivateProfileStringA("FILES 3.0", "RecentProject1", "", path, sizeof(path), "korvane.ini");
    return path;
}

std::string ProjectPath(const char* cmdLine) {
    if (!cmdLine || !cmdLine[0])
        return ReadRecentProject();
    return HasServerSwitches(cmdLine) ? std::string() : std::string(cmdLine);
}

std::vector<ServerEntry> ReadProjectServers(const char* path) {
    std::vector<ServerEntry> entries;
    // An empty name would make the profile functions look for a file named "" in the Windows
    // directory; there is no project then.
    if (!path || !path[0])
        return entries;
    for (int n = 1; n <= 5; ++n) {
        char section[16];
        wsprintfA(section, "device%d", n);
        char name[kServerNameMax + 1] = {};
        GetPrivateProfileStringA(section, "name", "", name, sizeof(name), path);
        if (name[0] && GetPrivateProfileIntA(section, "OPCServer", 0, path) != 0)
            entries.push_back({ID_CONNECT_SERVER_BASE + (UINT)n, name});
    }
    return entries;
}
