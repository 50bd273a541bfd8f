// DXMTrace [/stdout] [/file <path>] [/exitafter <seconds>] [/return0]
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/TraceViewer.h"

namespace {

constexpr unsigned kMaxExitAfterSeconds = 4000000;  // the timer counts milliseconds in 32 bits

bool ParseSeconds(const char* text, unsigned& seconds) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end || value == 0 || value > kMaxExitAfterSeconds) {
        return false;
    }
    seconds = static_cast<unsigned>(value);
    return true;
}

bool ParseOptions(int argc, char** argv, ViewerOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (_stricmp(arg, "/stdout") == 0) {
            options.toStdout = true;
        } else if (_stricmp(arg, "/return0") == 0) {
            options.refuseRecords = true;
        } else if (_stricmp(arg, "/file") == 0 && hasValue) {
            options.filePath = argv[++i];
        } else if (_stricmp(arg, "/exitafter") == 0 && hasValue) {
            if (!ParseSeconds(argv[++i], options.exitAfterSeconds)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int showCommand) {
    // Lines end in "\n" alone, also when stdout is a pipe read on the Unix side of Wine.
    _setmode(_fileno(stdout), _O_BINARY);
    ViewerOptions options;
    if (!ParseOptions(__argc, __argv, options)) {
        std::fputs("usage: DXMTrace [/stdout] [/file <path>] [/exitafter <seconds>] [/return0]\n", stderr);
        return 2;
    }
    TraceViewer viewer(options);
    std::string error;
    if (!viewer.Create(hInstance, showCommand, error)) {
        std::fprintf(stderr, "DXMTrace: %s\n", error.c_str());
        return 1;
    }
    return viewer.Run();
}
