#include "variables/RecordLine.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

// printf into a string of exactly the needed size.
__attribute__((format(gnu_printf, 2, 3))) void Format(std::string* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length > 0) {
        out->resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&(*out)[0], out->size(), format, again);
        out->resize(static_cast<size_t>(length));
    } else {
        out->clear();
    }
    va_end(again);
}

int Int(uint32_t n) {
    // Korvane reads signed decimals.
    return static_cast<int>(n);
}

int SingleLine(const char* n, const char* a, const VariableRecord& r, std::string* line) {
    switch (r.type) {
        case KrDigit:
            Format(line, "$E%d %s \"\" %d \"%s\" %d 0 %d 1 #", 0, n, r.channel, a, 0, r.access);
            return 0;
        case KrWord:
        case KrFloat:
        case KrLong:
        case KrWordUnsigned:
        case KrLongUnsigned:
            Format(line, "$E%d %s \"\" %d \"%s\" %d 1 0 %d 1 #", Int(r.type), n, r.channel, a, Int(r.size), r.access);
            return 0;
        case KrText:
            Format(line, "$E%d %s \"\" %d \"%s\" %d 0 %d 1 #", 6, n, r.channel, a, kTextLength, r.access);
            return 0;
        case KrTreiber:
            // An array taken as a driver object: a driver line set off by empty lines, cycle 1.
            Format(line, "\r\n$T0 %s \"\" %d \"%s\" %d %d 1 #\r\n", n, r.channel, a, Int(r.size), r.access);
            return 0;
        default:
            return -1;
    }
}

int ElementLine(const char* n, const char* a, const VariableRecord& r, std::string* line) {
    switch (r.type) {
        case KrDigit:
            Format(line, "$V%d %s \"\" %s %d %d 1 #", 0, n, a, r.offset, 0);
            return 0;
        case KrWord:
        case KrFloat:
        case KrLong:
        case KrLongUnsigned:
            Format(line, "$V%d %s \"\" %s %d %d 1 1 #", Int(r.type), n, a, r.offset, Int(r.size));
            return 0;
        case KrText:
            Format(line, "$V%d %s \"\" %s %d %d 1 #", 6, n, a, r.offset, kTextLength);
            return 0;
        case KrWordUnsigned:
            Format(line, "$V%d %s \"\" %s %d %d 1 1 0 #", 8, n, a, r.offset, Int(r.size));
            return 0;
        default:
            return -1;
    }
}

int DriverLine(const char* n, const char* a, const VariableRecord& r, std::string* line) {
    const char* text = r.driverText.c_str();
    // Abtast objects are numbered 4 in Korvane's grammar.
    switch (r.type) {
        case DriverStandard:
            Format(line, "\r\n$T0 %s \"\" %d \"%s\" %d %d %d #", n, r.channel, a, Int(r.size), r.access, r.cycle);
            return 0;
        case DriverRezept:
            Format(line, "\r\n$T1 %s \"\" %d \"%s\" %d \"%s\" #", n, r.channel, a, Int(r.size), text);
            return 0;
        case DriverBild:
            Format(line, "\r\n$T2 %s \"\" %d \"%s\" %d %d %d \"%s\" #", n, r.channel, a, Int(r.size), r.access, r.cycle,
                   text);
            return 0;
        case DriverAbtast:
            Format(line, "\r\n$T4 %s \"\" %d \"%s\" %d %d \"%s\" #", n, r.channel, a, Int(r.size), r.access, text);
            return 0;
        default:
            return static_cast<int>(E_FAIL);
    }
}

}  // namespace

int FormatRecordLine(const std::string& name, const std::string& address, const VariableRecord& r, std::string* line) {
    switch (r.kind) {
        case KindSingle:
            return SingleLine(name.c_str(), address.c_str(), r, line);
        case KindElement:
            return ElementLine(name.c_str(), address.c_str(), r, line);
        case KindDriver:
            return DriverLine(name.c_str(), address.c_str(), r, line);
        default:
            return -1;
    }
}
