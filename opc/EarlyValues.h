#pragma once
// Values that arrive for the items of an AddItems call still waiting for its answer. While the
// call waits, the apartment serves incoming calls, so a server that notifies from threads of its
// own (or through a proxy) can deliver the new items' first values before their rows exist.
// Dropped there, a value that never changes would never be shown; kept here, it is shown once
// the rows are in. Per item only what the row would show at the end is kept.
#include <vector>

#include "opc/DataChangeTexts.h"

class EarlyValues {
  public:
    // Starts keeping values for client handles first .. first + count - 1. False, and nothing
    // changes, while a call is already being held.
    bool Open(OPCHANDLE first, size_t count);
    // Keeps the text if it belongs to the open call (a skipped value keeps the value text kept
    // before, as the row would); false when it does not.
    bool Keep(const DataChangeText& text);
    // Ends keeping: the kept texts, one per item that had any, in handle order.
    std::vector<DataChangeText> Take();

  private:
    bool m_bOpen = false;
    OPCHANDLE m_first = 0;
    size_t m_count = 0;
    std::vector<DataChangeText> m_texts;  // by handle - m_first, made on the first kept text
    std::vector<bool> m_kept;
};
