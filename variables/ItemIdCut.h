#pragma once
// Cutting variable names out of OPC item IDs. Positions and lengths count characters (bytes of
// the ANSI text) from 0; the separator is always '.'. Negative offsets and lengths count as 0.
#include <string>

// The name: from the first '.' at or after offset (else after the last '.'), shortened to at most
// length characters at '.' boundaries; without split, the length characters from offset.
// May be empty, when the chosen '.' ends the ID or a too long tail starts with '.'.
std::string CutItemName(const std::string& itemId, int offset, int length, bool split);

// The part of the item ID in front of the name: up to and including the '.' that CutItemName
// chose, else the first offset characters.
std::string CutItemPrefix(const std::string& itemId, int offset, bool split);
