// The machine description traced at start-up (GetSystemInfoText, declared in Trace.h).
#include "trace/Trace.h"

#include "framework/Handles.h"

#include <direct.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr REGSAM kKeyAccess = 0xF003F;  // KEY_ALL_ACCESS
constexpr DWORD kValueBufferSize = 130;

// Registry strings need not be zero-terminated: the text ends at the data's end at the latest.
// A value longer than the buffer or not a string reads as empty.
std::string ReadString(const UniqueHKey& key, const char* name) {
    if (!key) {
        return std::string();
    }
    char buffer[kValueBufferSize] = {};
    DWORD type = 0;
    DWORD size = kValueBufferSize;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::string();
    }
    // A value filling the buffer without its zero byte loses its last character.
    buffer[size < kValueBufferSize ? size : kValueBufferSize - 1] = '\0';
    return buffer;
}

DWORD ReadNumber(const UniqueHKey& key, const char* name) {
    if (!key) {
        return 0;
    }
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
        return 0;
    }
    return value;
}

UniqueHKey OpenMachineKey(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, kKeyAccess, &key) != ERROR_SUCCESS) {
        return UniqueHKey();
    }
    return UniqueHKey(key);
}

std::string MachinePart() {
    std::string os;
    std::string processorCount;
    {
        const UniqueHKey environment = OpenMachineKey("SYSTEM\\ControlSet001\\Control\\Session Manager\\Environment");
        os = ReadString(environment, "OS");
        processorCount = ReadString(environment, "NUMBER_OF_PROCESSORS");
    }
    DWORD megahertz = 0;
    std::string identifier;
    std::string vendor;
    {
        const UniqueHKey cpu = OpenMachineKey("HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0");
        megahertz = ReadNumber(cpu, "~MHz");
        identifier = ReadString(cpu, "Identifier");
        vendor = ReadString(cpu, "VendorIdentifier");
    }
    for (char& c : os) {
        if (c == '_') {
            c = ' ';  // Windows_NT names the key "Windows NT"
        }
    }
    const std::string versionPath = "SOFTWARE\\Microsoft\\" + os + "\\CurrentVersion";
    const UniqueHKey version = OpenMachineKey(versionPath.c_str());
    const std::string currentVersion = ReadString(version, "CurrentVersion");
    const std::string servicePack = ReadString(version, "CSDVersion");
    const std::string plusVersion = ReadString(version, "Plus! VersionNumber");

    char text[1000];
    std::snprintf(text, sizeof(text), "%s %s - %s\r\n%s\r\n%u Processor(en) %s %s, %uMHz\r\n", os.c_str(),
                  currentVersion.c_str(), servicePack.c_str(), plusVersion.c_str(),
                  static_cast<unsigned>(std::strtoul(processorCount.c_str(), nullptr, 10)), vendor.c_str(),
                  identifier.c_str(), static_cast<unsigned>(megahertz));
    return text;
}

std::string MemoryAndDiskPart() {
    MEMORYSTATUS memory = {};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatus(&memory);

    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    unsigned long long freeKb = 0;
    unsigned long long usedPercent = 100;
    if (GetDiskFreeSpaceA(nullptr, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
        // Cluster and sector sizes are small: the product fits 64 bits for any drive.
        freeKb = static_cast<unsigned long long>(sectorsPerCluster) * bytesPerSector * freeClusters / 1024;
        // A drive reporting no clusters at all counts as full rather than dividing by zero.
        if (totalClusters != 0 && freeClusters <= totalClusters) {
            usedPercent = static_cast<unsigned long long>(totalClusters - freeClusters) * 100 / totalClusters;
        }
    }
    const char driveLetter = static_cast<char>('A' - 1 + _getdrive());

    // %llu throughout: more than 4 TB free, and the 128 TB address space of a 64-bit process,
    // must not wrap around (unsigned long has 32 bits on Windows).
    char text[130];
    std::snprintf(text, sizeof(text),
                  "%lluKB RAM \r\n%lluKB Virtueller Speicher\r\n%llu KB frei auf Laufwerk %c: (%llu%% belegt)",
                  static_cast<unsigned long long>(memory.dwTotalPhys >> 10),
                  static_cast<unsigned long long>(memory.dwTotalVirtual >> 10), freeKb, driveLetter, usedPercent);
    return text;
}

}  // namespace

char* GetSystemInfoText() {
    const std::string text = MachinePart() + MemoryAndDiskPart();
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}
