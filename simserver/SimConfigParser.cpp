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
    const std::string keyword = AsciiLower(words[0]);
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
    const std::string keyword = AsciiLower(words[0]);
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
        std::string kind = n == 2 ? AsciiLower(words[1]) : std::string();
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
    if (keyword == "getstatus" && n == 2 && AsciiLower(words[1]) == "fail") {
        m_pConfig->fails["getstatus"] = E_FAIL;
        return true;
    }
    if (keyword == "fail" && (n == 2 || n == 3)) {
        HRESULT hr = E_FAIL;
        if (n == 3 && !ParseHresult(words[2], &hr)) {
            return Fail("bad result code \"" + words[2] + "\"");
        }
        m_pConfig->fails[AsciiLower(words[1])] = hr;
        return true;
    }
    if (keyword == "call_delay_ms" && n == 2) {
        return ParseCount(words[1], &m_pConfig->callDelayMs);
    }
    if (keyword == "slow" && n == 3) {
        return ParseCount(words[2], &m_pConfig->slow[AsciiLower(words[1])]);
    }
    if (keyword == "broken_additems" && n == 2) {
        const std::string how = AsciiLower(words[1]);
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
        std::string name = AsciiLower(words[i]);
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
