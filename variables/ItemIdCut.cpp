#include "variables/ItemIdCut.h"

#include <algorithm>

namespace {

size_t NonNegative(int n) {
    return n > 0 ? static_cast<size_t>(n) : 0;
}

std::string PlainCut(const std::string& itemId, size_t offset, size_t length) {
    if (itemId.size() > offset) {
        return itemId.substr(offset, length);
    }
    // IDs too short for the offset keep their end instead of coming out empty.
    return itemId.substr(itemId.size() - std::min(itemId.size(), length));
}

// The '.' that ends the prefix: the first one at or after offset, else the last one.
size_t SplitDot(const std::string& itemId, size_t offset) {
    const size_t dot = offset < itemId.size() ? itemId.find('.', offset) : std::string::npos;
    return dot != std::string::npos ? dot : itemId.rfind('.');
}

}  // namespace

std::string CutItemName(const std::string& itemId, int offset, int length, bool split) {
    const size_t start = NonNegative(offset);
    const size_t limit = NonNegative(length);
    if (!split) {
        return PlainCut(itemId, start, limit);
    }
    const size_t dot = SplitDot(itemId, start);
    std::string tail = dot != std::string::npos ? itemId.substr(dot + 1) : PlainCut(itemId, start, limit);
    // Drop whole trailing parts while possible, so the name ends at a part boundary.
    while (tail.size() > limit) {
        size_t cut = tail.find('.', limit + 1);
        if (cut == std::string::npos) {
            cut = tail.rfind('.');
        }
        tail.resize(cut != std::string::npos ? cut : limit);
    }
    return tail;
}

std::string CutItemPrefix(const std::string& itemId, int offset, bool split) {
    const size_t start = NonNegative(offset);
    if (split) {
        const size_t dot = SplitDot(itemId, start);
        if (dot != std::string::npos) {
            return itemId.substr(0, dot + 1);
        }
    }
    return itemId.substr(0, start);
}
