#include "simserver/SimTokenizer.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

bool SimTokenizer::Split(const std::string& line, std::vector<std::string>* words, std::string* error) {
    words->clear();
    size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') {
            break;
        }
        std::string word;
        bool bQuoted = false;
        while (i < line.size() && (bQuoted || !IsBlank(line[i]))) {
            char c = line[i++];
            if (c == '"') {
                bQuoted = !bQuoted;
            } else if (bQuoted && c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                word += line[i++];
            } else {
                word += c;
            }
        }
        if (bQuoted) {
            *error = "unterminated quote";
            return false;
        }
        words->push_back(word);
    }
    return true;
}
