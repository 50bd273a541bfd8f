#pragma once
// The three forms of a server text in the Connect menu: "ProgID", "<machine>ProgID" and
// "\\machine:ProgID".
#include <string>

struct ServerTextParts {
    std::string machine;  // empty for the local machine
    std::string server;   // the ProgID
};

// The closing '>' or ':' is looked for at positions 2 to 99 only; without it the machine part
// stays empty (two backslashes for the '<' form) and the whole text is the server.
ServerTextParts SplitServerText(const std::string& text);
