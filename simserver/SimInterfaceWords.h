#pragma once
// Config statements that decide which interfaces the server offers beyond its items:
// "withhold <keyword>", "hide <interface>" and "da3_browse [<page>]".
#include <string>
#include <vector>

#include "simserver/SimConfig.h"

// Whether the (lower-case) keyword starts one of these statements.
bool IsInterfaceWord(const std::string& keyword);
// Applies the statement to the config; what is wrong with it, or "" when it was fine.
std::string ParseInterfaceWords(const std::vector<std::string>& words, SimConfig* pConfig);
