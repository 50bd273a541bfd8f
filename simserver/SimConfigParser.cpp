#include "simserver/SimConfigParser.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "simserver/SimInterfaceWords.h"
#include "simserver/SimText.h"
#include "simserver/SimTokenizer.h"

namespace {

// Guards against a typo in a generate line eating the machine.
constexpr size_t kMaxNodes = 2000000;
constexpr DWORD kMaxArrayLength = 100000;

struct NamedType {
    const char* name;
    VARTYPE vt;
    bool bScalar;  // allowed as a scalar item, not only as an array element
};

// Options of one word that set a flag of the config.
struct SwitchWord {
    const char* word;
    bool SimConfig::*flag;
    bool value;
};

const SwitchWord kSwitchWords[] = {
    {"refuse_browse_up_at_root", &SimConfig::bAcceptBrowseUpAtRoot, false},
    {"accept_browse_up_at_root", &SimConfig::bAcceptBrowseUpAtRoot, true},
    {"endless_browse", &SimConfig::bEndlessBrowse, true},
    {"garbage_browse", &SimConfig::bGarbageBrowse, true},
    {"pad_values", &SimConfig::bPadValues, true},
    {"foreign_layout", &SimConfig::bForeignLayout, true},
    {"early_values", &SimConfig::bEarlyValues, true},
    {"da2_callbacks", &SimConfig::bDa2Callbacks, true},
};

const NamedType kTypes[] = {
    {"VT_I1", VT_I1, true},
    {"VT_UI1", VT_UI1, true},
    {"VT_I2", VT_I2, true},
    {"VT_UI2", VT_UI2, true},
    {"VT_I4", VT_I4, true},
    {"VT_UI4", VT_UI4, true},
    {"VT_R4", VT_R4, true},
    {"VT_R8", VT_R8, true},
    {"VT_BOOL", VT_BOOL, true},
    {"VT_BSTR", VT_BSTR, true},
    {"VT_DATE", VT_DATE, true},
    {"VT_CY", VT_CY, true},
    {"VT_VARIANT", VT_VARIANT, false},
};

struct NamedResult {
    const char* name;
    HRESULT hr;
};

const NamedResult kResults[] = {
    {"E_FAIL", E_FAIL},
    {"E_NOTIMPL", E_NOTIMPL},
    {"E_INVALIDARG", E_INVALIDARG},
    {"E_OUTOFMEMORY", E_OUTOFMEMORY},
    {"E_NOINTERFACE", E_NOINTERFACE},
    {"E_ACCESSDENIED", E_ACCESSDENIED},
    {"OPC_E_INVALIDHANDLE", OPC_E_INVALIDHANDLE},
    {"OPC_E_BADTYPE", OPC_E_BADTYPE},
    {"OPC_E_BADRIGHTS", OPC_E_BADRIGHTS},
    {"OPC_E_UNKNOWNITEMID", OPC_E_UNKNOWNITEMID},
    {"OPC_E_INVALIDITEMID", OPC_E_INVALIDITEMID},
    {"OPC_E_UNKNOWNPATH", OPC_E_UNKNOWNPATH},
    {"OPC_E_INVALIDFILTER", OPC_E_INVALIDFILTER},
    {"OPC_E_DUPLICATENAME", OPC_E_DUPLICATENAME},
};

struct NamedState {
    const char* name;
    OPCSERVERSTATE state;
};

const NamedState kStates[] = {
    {"running", OPC_STATUS_RUNNING},     {"failed", OPC_STATUS_FAILED}, {"noconfig", OPC_STATUS_NOCONFIG},
    {"suspended", OPC_STATUS_SUSPENDED}, {"test", OPC_STATUS_TEST},
};

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

bool ParseDate(const std::string& word, double* pDate) {
    SYSTEMTIME st = {};
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char sep = 0;
    int n = sscanf(word.c_str(), "%4u-%2u-%2u%c%2u:%2u:%2u", &y, &mo, &d, &sep, &h, &mi, &s);
    if (n != 3 && n < 6) {
        return false;
    }
    if (n >= 4 && sep != 'T' && sep != ' ') {
        return false;
    }
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    return SystemTimeToVariantTime(&st, pDate) != FALSE;
}

std::vector<std::wstring> SplitParts(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t bar = text.find(L'|', start);
        parts.push_back(text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
        if (bar == std::wstring::npos) {
            return parts;
        }
        start = bar + 1;
    }
}

}  // namespace

std::shared_ptr<const SimConfig> SimConfigParser::LoadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        auto config = std::make_shared<SimConfig>();
        config->path = path;
        config->error = "cannot open config file \"" + path + "\"";
        return config;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return LoadText(text.str(), path);
}

std::shared_ptr<const SimConfig> SimConfigParser::LoadText(const std::string& text, const std::string& path) {
    auto config = std::make_shared<SimConfig>();
    config->path = path;
    config->root.bBranch = true;
    SimConfigParser parser(config.get());
    parser.m_stack.push_back(&config->root);
    std::istringstream lines(text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text);
    std::string line;
    int number = 0;
    std::vector<std::string> words;
    while (std::getline(lines, line)) {
        ++number;
        std::string error;
        bool bOk =
            SimTokenizer::Split(line, &words, &error) ? (words.empty() || parser.ParseLine(words)) : parser.Fail(error);
        if (!bOk) {
            auto failed = std::make_shared<SimConfig>();
            failed->path = path;
            failed->error = path + "(" + std::to_string(number) + "): " + config->error;
            return failed;
        }
    }
    if (!parser.Finish()) {
        auto failed = std::make_shared<SimConfig>();
        failed->path = path;
        failed->error = path + ": " + config->error;
        return failed;
    }
    return config;
}

bool SimConfigParser::Fail(const std::string& message) {
    m_pConfig->error = message;
    return false;
}

bool SimConfigParser::Finish() {
    if (m_stack.size() > 1) {
        return Fail("branch \"" + WideToUtf8(m_stack.back()->name) + "\" has no 'end'");
    }
    return true;
}

bool SimConfigParser::ParseLine(const std::vector<std::string>& words) {
    const std::string keyword = Lower(words[0]);
    if (keyword == "branch") {
        if (words.size() != 2) {
            return Fail("usage: branch <name>");
        }
        SimNode* node = AddNode(m_stack.back(), Utf8ToWide(words[1]), true);
        if (!node) {
            return false;
        }
        m_stack.push_back(node);
        return true;
    }
    if (keyword == "end") {
        if (m_stack.size() < 2) {
            return Fail("'end' without an open branch");
        }
        m_stack.pop_back();
        return true;
    }
    if (keyword == "item") {
        return ParseItem(words);
    }
    if (keyword == "generate") {
        return ParseGenerate(words);
    }
    if (keyword == "state") {
        return ParseState(words);
    }
    bool bHandled = false;
    bool bOk = ParseOption(words, &bHandled);
    return bHandled ? bOk : Fail("unknown keyword \"" + words[0] + "\"");
}

bool SimConfigParser::ParseOption(const std::vector<std::string>& words, bool* pHandled) {
    const std::string keyword = Lower(words[0]);
    const size_t n = words.size();
    *pHandled = true;
    const SwitchWord* pSwitch = nullptr;
    for (const SwitchWord& option : kSwitchWords) {
        pSwitch = keyword == option.word ? &option : pSwitch;
    }
    if (pSwitch && n == 1) {
        m_pConfig->*pSwitch->flag = pSwitch->value;
        return true;
    }
    if (IsInterfaceWord(keyword)) {
        const std::string error = ParseInterfaceWords(words, m_pConfig);
        return error.empty() || Fail(error);
    }
    if (keyword == "organization" || keyword == "organisation") {
        std::string kind = n == 2 ? Lower(words[1]) : std::string();
        if (kind != "hierarchical" && kind != "flat") {
            return Fail("usage: organization hierarchical|flat");
        }
        m_pConfig->organization = kind == "flat" ? OPC_NS_FLAT : OPC_NS_HIERARCHIAL;
        return true;
    }
    if (keyword == "vendor" && n == 2) {
        m_pConfig->vendor = Utf8ToWide(words[1]);
        return true;
    }
    if (keyword == "revise_rate" && n == 2) {
        return ParseCount(words[1], &m_pConfig->reviseRate);
    }
    if (keyword == "reject" && (n == 2 || n == 3)) {
        HRESULT hr = OPC_E_UNKNOWNITEMID;
        if (n == 3 && !ParseHresult(words[2], &hr)) {
            return Fail("bad result code \"" + words[2] + "\"");
        }
        m_pConfig->rejects[Utf8ToWide(words[1])] = hr;
        return true;
    }
    if (keyword == "getstatus" && n == 2 && Lower(words[1]) == "fail") {
        m_pConfig->fails["getstatus"] = E_FAIL;
        return true;
    }
    if (keyword == "fail" && (n == 2 || n == 3)) {
        HRESULT hr = E_FAIL;
        if (n == 3 && !ParseHresult(words[2], &hr)) {
            return Fail("bad result code \"" + words[2] + "\"");
        }
        m_pConfig->fails[Lower(words[1])] = hr;
        return true;
    }
    if (keyword == "call_delay_ms" && n == 2) {
        return ParseCount(words[1], &m_pConfig->callDelayMs);
    }
    if (keyword == "slow" && n == 3) {
        return ParseCount(words[2], &m_pConfig->slow[Lower(words[1])]);
    }
    if (keyword == "broken_additems" && n == 2) {
        const std::string how = Lower(words[1]);
        if (how != "null" && how != "short" && how != "noerrors") {
            return Fail("broken_additems takes null, short or noerrors");
        }
        m_pConfig->brokenAddItems = how;
        return true;
    }
    if (keyword == "fail_browse_down" && n == 2) {
        m_pConfig->failBrowseDown.insert(Utf8ToWide(words[1]));
        return true;
    }
    *pHandled = keyword == "organization" || keyword == "vendor" || keyword == "revise_rate" || keyword == "reject" ||
                keyword == "getstatus" || keyword == "fail" || keyword == "slow" || keyword == "call_delay_ms" ||
                keyword == "fail_browse_down" || keyword == "broken_additems" || pSwitch != nullptr;
    return Fail("wrong number of words for \"" + words[0] + "\"");
}

bool SimConfigParser::ParseState(const std::vector<std::string>& words) {
    if (words.size() < 2) {
        return Fail("usage: state <state> [<polls>] ...");
    }
    std::vector<SimStateStep> steps;
    for (size_t i = 1; i < words.size(); ++i) {
        SimStateStep step;
        std::string name = Lower(words[i]);
        bool bNamed = false;
        for (const NamedState& known : kStates) {
            if (name == known.name) {
                step.state = known.state;
                bNamed = true;
            }
        }
        DWORD value = 0;
        if (!bNamed) {
            if (!ParseCount(words[i], &value)) {
                return false;
            }
            step.state = static_cast<OPCSERVERSTATE>(value);
        }
        // A number right after a state is how many GetStatus calls that state lasts.
        if (i + 1 < words.size() && isdigit(static_cast<unsigned char>(words[i + 1][0]))) {
            if (!ParseCount(words[++i], &step.polls)) {
                return false;
            }
        }
        steps.push_back(step);
    }
    steps.back().polls = 0;
    m_pConfig->states = steps;
    return true;
}

bool SimConfigParser::ParseItem(const std::vector<std::string>& words) {
    if (words.size() < 3) {
        return Fail("usage: item <name> <type> [R|W|RW] [behaviour]");
    }
    SimItemDef def;
    if (!ParseItemDef(words, 2, &def)) {
        return false;
    }
    SimNode* node = AddNode(m_stack.back(), Utf8ToWide(words[1]), false);
    if (!node) {
        return false;
    }
    node->item = def;
    return true;
}

bool SimConfigParser::ParseGenerate(const std::vector<std::string>& words) {
    // generate <prefix> <count> [<prefix> <count>]... <type> [access] [behaviour]
    std::vector<std::pair<std::wstring, DWORD>> levels;
    size_t i = 1;
    while (i + 1 < words.size() && Lower(words[i]).compare(0, 3, "vt_") != 0) {
        DWORD count = 0;
        if (!ParseCount(words[i + 1], &count)) {
            return false;
        }
        levels.emplace_back(Utf8ToWide(words[i]), count);
        i += 2;
    }
    if (levels.empty() || i >= words.size()) {
        return Fail("usage: generate <prefix> <count> [<prefix> <count>]... <type> [R|W|RW] [behaviour]");
    }
    SimItemDef def;
    if (!ParseItemDef(words, i, &def)) {
        return false;
    }
    double total = 1.0;
    for (const auto& level : levels) {
        total *= level.second;
    }
    if (total + static_cast<double>(m_nodeCount) > kMaxNodes) {
        return Fail("generate asks for too many nodes");
    }
    // Depth-first so that the config order is the natural one: Channel1.Tag1, Channel1.Tag2, ...
    std::vector<std::pair<SimNode*, size_t>> work{{m_stack.back(), 0}};
    while (!work.empty()) {
        SimNode* parent = work.back().first;
        size_t depth = work.back().second;
        work.pop_back();
        bool bLeaves = depth + 1 == levels.size();
        std::vector<SimNode*> created;
        for (DWORD k = 1; k <= levels[depth].second; ++k) {
            SimNode* node = AddNode(parent, levels[depth].first + std::to_wstring(k), !bLeaves);
            if (!node) {
                return false;
            }
            if (bLeaves) {
                node->item = def;
            } else {
                created.push_back(node);
            }
        }
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
            work.emplace_back(*it, depth + 1);
        }
    }
    return true;
}

bool SimConfigParser::ParseItemDef(const std::vector<std::string>& words, size_t first, SimItemDef* pDef) {
    if (!ParseType(words[first], pDef)) {
        return false;
    }
    size_t next = first + 1;
    if (next < words.size()) {
        std::string access = Lower(words[next]);
        if (access == "r" || access == "w" || access == "rw") {
            pDef->accessRights = (access.find('r') != std::string::npos ? OPC_READABLE : 0) |
                                 (access.find('w') != std::string::npos ? OPC_WRITEABLE : 0);
            ++next;
        }
    }
    return ParseBehaviour(words, next, pDef);
}

bool SimConfigParser::ParseType(const std::string& word, SimItemDef* pDef) {
    std::string name = word;
    size_t bracket = word.find('[');
    if (bracket != std::string::npos) {
        if (word.back() != ']' ||
            !ParseCount(word.substr(bracket + 1, word.size() - bracket - 2), &pDef->arrayLength)) {
            return Fail("bad array type \"" + word + "\"; use e.g. VT_UI1[8]");
        }
        if (pDef->arrayLength > kMaxArrayLength) {
            return Fail("array too long in \"" + word + "\"");
        }
        pDef->bArray = true;
        name = word.substr(0, bracket);
    }
    for (const NamedType& type : kTypes) {
        if (SameKeyword(name, type.name) && (type.bScalar || pDef->bArray)) {
            pDef->vt = type.vt;
            return true;
        }
    }
    return Fail("unknown or unsupported type \"" + word + "\"");
}

bool SimConfigParser::ParseBehaviour(const std::vector<std::string>& words, size_t first, SimItemDef* pDef) {
    size_t end = words.size();
    for (size_t i = first; i < words.size(); ++i) {
        if (Lower(words[i]) == "quality") {
            DWORD quality = 0;
            if (i + 2 != words.size() || !ParseCount(words[i + 1], &quality) || quality > 0xFFFF) {
                return Fail("usage: ... quality <number> at the end of the line");
            }
            pDef->quality = static_cast<WORD>(quality);
            end = i;
            break;
        }
    }
    SimBehaviour& b = pDef->behaviour;
    if (first >= end) {
        return true;
    }
    const std::string kind = Lower(words[first]);
    const size_t argc = end - first - 1;
    double args[3] = {};
    auto numbers = [&](size_t maxArgs) {
        if (argc > maxArgs) {
            return Fail("too many values after \"" + words[first] + "\"");
        }
        for (size_t k = 0; k < argc; ++k) {
            if (!ParseNumber(words[first + 1 + k], &args[k])) {
                return false;
            }
        }
        return true;
    };
    if (kind == "fixed") {
        return argc == 1 ? ParseFixedValue(words[first + 1], pDef) : Fail("usage: fixed <value>");
    }
    if (kind == "ramp") {
        b.kind = SimValueKind::Ramp;
        if (!numbers(3)) {
            return false;
        }
        b.start = argc > 0 ? args[0] : 0.0;
        b.step = argc > 1 ? args[1] : 1.0;
        b.limit = argc > 2 ? args[2] : 100.0;
        return true;
    }
    if (kind == "toggle") {
        b.kind = SimValueKind::Toggle;
        return argc == 0 || Fail("toggle takes no values");
    }
    if (kind == "random") {
        b.kind = SimValueKind::Random;
        if (!numbers(3) || argc == 2) {
            return argc == 2 ? Fail("usage: random [<seed> [<low> <high>]]") : false;
        }
        b.seed = argc > 0 ? static_cast<unsigned>(args[0]) : 1u;
        b.low = argc > 2 ? args[1] : 0.0;
        b.high = argc > 2 ? args[2] : 100.0;
        return true;
    }
    // A bare value is a fixed one.
    return argc == 0 ? ParseFixedValue(words[first], pDef) : Fail("unknown behaviour \"" + words[first] + "\"");
}

bool SimConfigParser::ParseFixedValue(const std::string& word, SimItemDef* pDef) {
    SimBehaviour& b = pDef->behaviour;
    b.kind = SimValueKind::Fixed;
    b.text = Utf8ToWide(word);
    if (pDef->bArray && word.find('|') != std::string::npos) {
        b.parts = SplitParts(b.text);
    }
    if (pDef->vt == VT_BSTR) {
        return true;
    }
    // Numbers are resolved now, so that a bad value is a config error and not a silent zero.
    b.partValues.clear();
    for (const std::wstring& part : b.parts.empty() ? std::vector<std::wstring>{b.text} : b.parts) {
        double value = 0.0;
        std::string narrow = WideToUtf8(part);
        std::string lower = Lower(narrow);
        if (pDef->vt == VT_BOOL && (lower == "true" || lower == "on")) {
            value = 1.0;
        } else if (pDef->vt == VT_BOOL && (lower == "false" || lower == "off")) {
            value = 0.0;
        } else if (!(pDef->vt == VT_DATE && ParseDate(narrow, &value)) && !ParseNumber(narrow, &value)) {
            return false;
        }
        b.partValues.push_back(value);
    }
    b.start = b.partValues.front();
    if (b.parts.empty()) {
        b.partValues.clear();
    }
    return true;
}

bool SimConfigParser::ParseNumber(const std::string& word, double* pValue) {
    const char* text = word.c_str();
    char* end = nullptr;
    errno = 0;
    double value = strtod(text, &end);
    if (word.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
        return Fail("\"" + word + "\" is not a number");
    }
    *pValue = value;
    return true;
}

bool SimConfigParser::ParseCount(const std::string& word, DWORD* pValue) {
    const char* text = word.c_str();
    char* end = nullptr;
    errno = 0;
    unsigned long long value = strtoull(text, &end, 0);
    if (word.empty() || word[0] == '-' || *end != '\0' || errno == ERANGE || value > 0xFFFFFFFFull) {
        return Fail("\"" + word + "\" is not a count");
    }
    *pValue = static_cast<DWORD>(value);
    return true;
}

bool SimConfigParser::ParseHresult(const std::string& word, HRESULT* pResult) {
    for (const NamedResult& known : kResults) {
        if (SameKeyword(word, known.name)) {
            *pResult = known.hr;
            return true;
        }
    }
    char* end = nullptr;
    errno = 0;
    unsigned long long value = strtoull(word.c_str(), &end, 0);
    if (word.empty() || *end != '\0' || errno == ERANGE || value > 0xFFFFFFFFull) {
        return false;
    }
    *pResult = static_cast<HRESULT>(static_cast<DWORD>(value));
    return true;
}

SimNode* SimConfigParser::AddNode(SimNode* parent, const std::wstring& name, bool bBranch) {
    if (name.empty()) {
        Fail("empty name");
        return nullptr;
    }
    if (++m_nodeCount > kMaxNodes) {
        Fail("too many nodes");
        return nullptr;
    }
    auto node = std::make_unique<SimNode>();
    node->name = name;
    node->fullId = parent->fullId.empty() ? name : parent->fullId + L"." + name;
    node->bBranch = bBranch;
    node->parent = parent;
    auto& index = bBranch ? m_pConfig->branches : m_pConfig->leaves;
    if (!index.emplace(node->fullId, node.get()).second) {
        Fail("duplicate " + std::string(bBranch ? "branch" : "item") + " \"" + WideToUtf8(node->fullId) + "\"");
        return nullptr;
    }
    parent->children.push_back(std::move(node));
    return parent->children.back().get();
}
