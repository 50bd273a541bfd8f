#pragma once
// A command target's commands as one table: id range, handler, and the rule that gives the
// command's state to menus and tool bars. A rule only reads state; a command without a rule is
// always enabled. An id that no table along the route lists has no handler and shows disabled.
#include <cstddef>

#include "framework/Wnd.h"

struct CommandState {
    BOOL enabled = TRUE;
    int check = -1;  // -1: the rule leaves the check mark as it is
};

template <class T>
struct CommandEntry {
    UINT firstId;
    UINT lastId;
    void (T::*handler)(UINT id);
    CommandState (T::*rule)(UINT id) const;  // null: always enabled
};

// Answers one OnCmdMsg request from the table; FALSE when the table does not list the id.
template <class T, size_t N>
BOOL RouteCommand(T* target, const CommandEntry<T> (&table)[N], UINT id, int code, CCmdUI* pUI) {
    for (const CommandEntry<T>& entry : table) {
        if (id < entry.firstId || id > entry.lastId)
            continue;
        if (code == CN_COMMAND) {
            (target->*entry.handler)(id);
        } else if (code == CN_UPDATE_COMMAND_UI && pUI) {
            const CommandState state = entry.rule ? (target->*entry.rule)(id) : CommandState();
            pUI->Enable(state.enabled);
            if (state.check >= 0)
                pUI->SetCheck(state.check);
        }
        return TRUE;
    }
    return FALSE;
}
