#pragma once
// Where the Connect menu's server entries come from: "/u1".."/u5" switches on the command line,
// or the device sections of a Korvane project file.
#include <windows.h>

#include <string>
#include <vector>

struct ServerEntry {
    UINT id;           // command id 32775..32779, by switch or section number
    std::string name;  // the menu text
};

constexpr size_t kServerNameMax = 129;  // longer names are cut to this many characters

// True when the line holds server switches: it begins with "/u" (lower case only).
bool HasServerSwitches(const char* cmdLine);

// Entries of the switches, in switch order 1..5. *autoConnectId is 32775 when switch 1 is the
// last one found, else 0.
std::vector<ServerEntry> ParseServerSwitches(const char* cmdLine, UINT* autoConnectId);

// The path of the most recent Korvane project ("korvane.ini" in the Windows directory); empty
// when there is none. At most 129 characters.
std::string ReadRecentProject();

// The project file the Connect menu was filled from: the command line when it names one, else
// the most recent project; empty with server switches or when there is no project at all.
std::string ProjectPath(const char* cmdLine);

// Entries of sections device1..device5 of the project file at path that have a name and a
// non-zero "OPCServer".
std::vector<ServerEntry> ReadProjectServers(const char* path);
