#pragma once
// Splits one config line into words. Double quotes keep blanks and '#' inside a word, where a
// backslash escapes a quote or a backslash; a '#' at the start of a word starts a comment.
#include <string>
#include <vector>

class SimTokenizer {
  public:
    // False with a message when a quote is left open.
    static bool Split(const std::string& line, std::vector<std::string>* words, std::string* error);
};
