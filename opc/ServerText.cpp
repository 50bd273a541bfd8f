#include "opc/ServerText.h"

namespace {
size_t FindCloser(const std::string& text, char closer) {
    for (size_t i = 2; i < 100 && i < text.size(); ++i) {
        if (text[i] == closer)
            return i;
    }
    return std::string::npos;
}
}  // namespace

ServerTextParts SplitServerText(const std::string& text) {
    ServerTextParts st;
    if (!text.empty() && text[0] == '<') {
        size_t close = FindCloser(text, '>');
        std::string machine = close == std::string::npos ? std::string() : text.substr(1, close - 1);
        st.machine = machine.compare(0, 1, "\\") == 0 ? machine : "\\\\" + machine;
        st.server = close == std::string::npos ? text : text.substr(close + 1);
    } else if (!text.empty() && text[0] == '\\') {
        size_t close = FindCloser(text, ':');
        if (close != std::string::npos) {
            st.machine = text.substr(0, close);
            st.server = text.substr(close + 1);
        } else {
            st.server = text;
        }
    } else {
        st.server = text;
    }
    return st;
}
