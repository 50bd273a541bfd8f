#include "simserver/SimInterfaceWords.h"

#include <cstdlib>

#include "simserver/SimText.h"

namespace {
const char* const kInterfaces[] = {"browse", "common", "asyncio", "syncio", "itemmgt", "dataobject", "groupstatemgt"};

// "hide" names the interfaces a newer server may lack by their own names.
struct HiddenInterface {
    const char* name;
    const char* keyword;
};
const HiddenInterface kHideable[] = {
    {"IOPCAsyncIO", "asyncio"},
    {"IDataObject", "dataobject"},
    {"IOPCBrowseServerAddressSpace", "browse"},
};

// Elements per IOPCBrowse::Browse answer without a page size.
const unsigned long kDefaultBrowsePage = 1000;
}  // namespace

bool IsInterfaceWord(const std::string& keyword) {
    return keyword == "withhold" || keyword == "hide" || keyword == "da3_browse";
}

std::string ParseInterfaceWords(const std::vector<std::string>& words, SimConfig* pConfig) {
    const size_t n = words.size();
    const std::string keyword = words.empty() ? std::string() : words[0];
    if (SameKeyword(keyword, "withhold") && n == 2) {
        for (const char* known : kInterfaces) {
            if (SameKeyword(words[1], known)) {
                pConfig->withheld.insert(known);
                return std::string();
            }
        }
        return "unknown interface \"" + words[1] + "\" to withhold";
    }
    if (SameKeyword(keyword, "hide") && n == 2) {
        for (const HiddenInterface& known : kHideable) {
            if (SameKeyword(words[1], known.name)) {
                pConfig->withheld.insert(known.keyword);
                return std::string();
            }
        }
        return "\"" + words[1] + "\" cannot be hidden (IOPCAsyncIO, IDataObject, IOPCBrowseServerAddressSpace)";
    }
    if (SameKeyword(keyword, "da3_browse") && n <= 2) {
        char* end = nullptr;
        const unsigned long page = n == 2 ? strtoul(words[1].c_str(), &end, 10) : kDefaultBrowsePage;
        if (n == 2 && (words[1].empty() || *end || page == 0 || page > 1000000)) {
            return "da3_browse takes a page size of 1 to 1000000 elements";
        }
        pConfig->da3BrowsePage = page;
        return std::string();
    }
    return "wrong number of words for \"" + keyword + "\"";
}
