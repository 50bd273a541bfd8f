// Checks the linked resource script: templates that the dialog classes load, the ids they look
// up, the menus and tables the frame builds on, and that German texts arrive as proper UTF-16.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "res/resource.h"

namespace {

struct WindowCloser {
    void operator()(HWND hwnd) const { DestroyWindow(hwnd); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser>;

struct MenuCloser {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuCloser>;

INT_PTR CALLBACK TrivialDialogProc(HWND, UINT msg, WPARAM, LPARAM) {
    return msg == WM_INITDIALOG;
}

HINSTANCE Module() {
    return GetModuleHandleA(nullptr);
}

std::wstring WindowText(HWND hwnd) {
    wchar_t buf[512] = {};
    GetWindowTextW(hwnd, buf, 512);
    return buf;
}

std::string ClassOf(HWND hwnd) {
    char buf[64] = {};
    GetClassNameA(hwnd, buf, sizeof(buf));
    return buf;
}

std::wstring LoadText(UINT id) {
    wchar_t buf[512] = {};
    LoadStringW(Module(), id, buf, 512);
    return buf;
}

std::vector<std::wstring> ChildTexts(HWND parent) {
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        texts.push_back(WindowText(child));
    }
    return texts;
}

struct MenuEntry {
    UINT id;  // 0 for a separator
    std::wstring text;
    bool checked;
};

std::vector<MenuEntry> Entries(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 256;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        const bool separator = (info.fType & MFT_SEPARATOR) != 0;
        entries.push_back({separator ? 0u : info.wID, text, (info.fState & MFS_CHECKED) != 0});
    }
    return entries;
}

// A dialog created modelessly from a linked template. Child templates get a hidden parent,
// because a child window cannot be created without one.
class TemplateWindow {
  public:
    TemplateWindow(UINT idd, bool child) : m_idd(idd) {
        if (child) {
            m_parent.reset(
                CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, Module(), nullptr));
        }
        m_dialog.reset(CreateDialogParamA(Module(), MAKEINTRESOURCEA(idd), m_parent.get(), TrivialDialogProc, 0));
    }
    UINT Idd() const { return m_idd; }
    HWND get() const { return m_dialog.get(); }
    HWND Item(int id) const { return GetDlgItem(m_dialog.get(), id); }
    DWORD Style() const { return GetWindowLongA(m_dialog.get(), GWL_STYLE); }
    DWORD Style(int id) const { return GetWindowLongA(Item(id), GWL_STYLE); }

  private:
    UINT m_idd;
    UniqueWindow m_parent;  // destroyed last
    UniqueWindow m_dialog;
};

// ---- Dialog templates ------------------------------------------------------------------

struct ControlSpec {
    int id;
    const char* cls;
};

struct TemplateSpec {
    UINT idd;
    const wchar_t* caption;  // nullptr: child template without caption
    bool sysMenu;
    std::vector<ControlSpec> controls;
};

const char* const kEdit = "Edit";
const char* const kButton = "Button";
const char* const kStatic = "Static";
const char* const kTrackBar = "msctls_trackbar32";

const std::vector<TemplateSpec>& Templates() {
    static const std::vector<TemplateSpec> specs = {
        {IDD_ABOUTBOX, L"Info \u00fcber ZIZAZOzivuvi", true, {{IDOK, kButton}}},
        {IDD_CUTBAR,
         nullptr,
         false,
         {{IDC_CUT_OFFSET_LABEL, kStatic},
          {IDC_CUT_OFFSET_SLIDER, kTrackBar},
          {IDC_CUT_OFFSET_VALUE, kStatic},
          {IDC_CUT_LENGTH_LABEL, kStatic},
          {IDC_CUT_LENGTH_SLIDER, kTrackBar},
          {IDC_CUT_LENGTH_VALUE, kStatic}}},
        {IDD_SEPARATOR,
         L"Trennzeichen der ItemID",
         true,
         {{IDC_SEPARATOR_DOT, kButton},
          {IDC_SEPARATOR_SLASH, kButton},
          {IDC_SEPARATOR_OTHER, kButton},
          {IDC_SEPARATOR_OTHER_CHAR, kEdit},
          {IDOK, kButton},
          {IDCANCEL, kButton}}},
        {IDD_NUMBERING,
         L"Nummerierung",
         true,
         {{IDC_NUMBERING_DIGITS, kButton},
          {IDC_NUMBERING_LOWER, kButton},
          {IDC_NUMBERING_UPPER, kButton},
          {IDC_NUMBERING_USE_SEPARATOR, kButton},
          {IDC_NUMBERING_SEPARATOR, kEdit},
          {IDOK, kButton},
          {IDCANCEL, kButton}}},
        {IDD_TYPE_CONVERSION,
         L"Umwandlung der Datentypen",
         true,
         {{IDC_TYPEMAP_LIST, "SysListView32"}, {IDOK, kButton}, {IDCANCEL, kButton}}},
        {IDD_EDIT_NAME,
         L"Variablenname Editieren",
         true,
         {{IDC_VARNAME_EDIT, kEdit}, {IDOK, kButton}, {IDCANCEL, kButton}}},
        {IDD_ITEM_ID, L"Item ID", false, {{IDC_ITEMID_EDIT, kEdit}, {IDOK, kButton}, {IDCANCEL, kButton}}},
        {IDD_UNKNOWN_TYPE,
         L"Unbekannter Datentyp",
         true,
         {{IDC_UNKNOWN_QUESTION, kEdit},
          {IDC_UNKNOWN_DIGIT, kButton},
          {IDC_UNKNOWN_WORD, kButton},
          {IDC_UNKNOWN_LONG, kButton},
          {IDC_UNKNOWN_TEXT, kButton},
          {IDC_UNKNOWN_UWORD, kButton},
          {IDC_UNKNOWN_ULONG, kButton},
          {IDC_UNKNOWN_FLOAT, kButton},
          {IDOK, kButton},
          {IDCANCEL, kButton}}},
        {IDD_ARRAY,
         L"Array",
         true,
         {{IDC_ARRAY_SIZE, kEdit}, {IDC_ARRAY_AS_DRIVER, kButton}, {IDOK, kButton}, {IDCANCEL, kButton}}},
        {IDD_OPC_STATUS,
         L"Status OPC - Server",
         true,
         {{IDC_STATUS_TEXT, kEdit}, {IDC_STATUS_PROGRESS, "msctls_progress32"}, {IDCANCEL, kButton}}},
        {IDD_DRIVER,
         L"Treiberauswahl",
         true,
         {{IDC_DRV_KIND, "ComboBox"},
          {IDC_DRV_NAME, kEdit},
          {IDC_DRV_CYCLE_LABEL, kStatic},
          {IDC_DRV_CYCLE, kEdit},
          {IDC_DRV_ACCESS, "ComboBox"},
          {IDC_DRV_TEXT_LABEL, kStatic},
          {IDC_DRV_TEXT, kEdit},
          {IDC_DRV_FIRST_OFFSET, kEdit},
          {IDC_DRV_PREFIX, kEdit},
          {IDC_DRV_OFFSET_SLIDER, kTrackBar},
          {IDC_DRV_OFFSET, kEdit},
          {IDC_DRV_SPLIT, kButton},
          {IDC_DRV_PREVIEW, kButton},
          {IDOK, kButton},
          {IDCANCEL, kButton}}},
    };
    return specs;
}

TEST(DialogTemplateTest, EveryTemplateCreatesWithItsControlsAndCaption) {
    for (const TemplateSpec& spec : Templates()) {
        SCOPED_TRACE("dialog " + std::to_string(spec.idd));
        TemplateWindow dlg(spec.idd, spec.caption == nullptr);
        ASSERT_NE(nullptr, dlg.get()) << "error " << GetLastError();
        const DWORD style = dlg.Style();
        if (spec.caption) {
            EXPECT_EQ(spec.caption, WindowText(dlg.get()));
            EXPECT_EQ(WS_POPUP | WS_CAPTION | DS_MODALFRAME, style & (WS_POPUP | WS_CAPTION | DS_MODALFRAME));
        } else {
            EXPECT_EQ(WS_CHILD, style & (WS_CHILD | WS_CAPTION));
        }
        EXPECT_EQ(spec.sysMenu, (style & WS_SYSMENU) != 0);
        for (const ControlSpec& control : spec.controls) {
            HWND item = dlg.Item(control.id);
            ASSERT_NE(nullptr, item) << "control " << control.id;
            EXPECT_STRCASEEQ(control.cls, ClassOf(item).c_str()) << "control " << control.id;
            EXPECT_TRUE(control.id == IDC_DRV_PREVIEW || (dlg.Style(control.id) & WS_VISIBLE))
                << "control " << control.id << " is hidden";
        }
    }
}

// Styles the dialog code depends on: radio groups for data exchange, controls that must start
// disabled, read-only or hidden, and the list and slider looks.
TEST(DialogTemplateTest, ControlsCarryTheStylesTheCodeReliesOn) {
    struct StyleRule {
        UINT idd;
        int id;
        DWORD required;  // for buttons the low nibble is the button type, compared as a whole
        DWORD forbidden;
    };
    const StyleRule rules[] = {
        {IDD_NUMBERING, IDC_NUMBERING_DIGITS, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0},
        {IDD_NUMBERING, IDC_NUMBERING_LOWER, BS_AUTORADIOBUTTON, WS_GROUP},
        {IDD_NUMBERING, IDC_NUMBERING_UPPER, BS_AUTORADIOBUTTON, WS_GROUP},
        {IDD_NUMBERING, IDC_NUMBERING_USE_SEPARATOR, BS_AUTOCHECKBOX | WS_GROUP, 0},
        {IDD_NUMBERING, IDC_NUMBERING_SEPARATOR, ES_AUTOHSCROLL | WS_TABSTOP, 0},
        {IDD_NUMBERING, IDOK, BS_DEFPUSHBUTTON, 0},
        {IDD_SEPARATOR, IDC_SEPARATOR_OTHER, BS_AUTOCHECKBOX, 0},
        {IDD_SEPARATOR, IDC_SEPARATOR_OTHER_CHAR, ES_AUTOHSCROLL, 0},
        {IDD_ITEM_ID, IDC_ITEMID_EDIT, ES_AUTOHSCROLL | WS_TABSTOP, 0},
        {IDD_ITEM_ID, IDOK, BS_DEFPUSHBUTTON, 0},
        {IDD_CUTBAR, IDC_CUT_OFFSET_SLIDER, TBS_AUTOTICKS | TBS_BOTH | TBS_NOTICKS | WS_TABSTOP, 0},
        {IDD_CUTBAR, IDC_CUT_LENGTH_SLIDER, TBS_BOTH | TBS_NOTICKS | WS_TABSTOP, 0},
        {IDD_OPC_STATUS, IDC_STATUS_TEXT, ES_READONLY | ES_CENTER, 0},
        {IDD_OPC_STATUS, IDCANCEL, BS_DEFPUSHBUTTON, 0},
        {IDD_TYPE_CONVERSION, IDC_TYPEMAP_LIST, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS, 0},
        {IDD_UNKNOWN_TYPE, IDC_UNKNOWN_QUESTION, ES_MULTILINE | ES_READONLY, 0},
        {IDD_UNKNOWN_TYPE, IDC_UNKNOWN_DIGIT, BS_AUTORADIOBUTTON | WS_GROUP, 0},
        {IDD_UNKNOWN_TYPE, IDC_UNKNOWN_FLOAT, BS_AUTORADIOBUTTON, WS_GROUP},
        {IDD_UNKNOWN_TYPE, IDOK, BS_DEFPUSHBUTTON | WS_DISABLED, 0},
        {IDD_ARRAY, IDC_ARRAY_AS_DRIVER, BS_AUTOCHECKBOX, 0},
        {IDD_DRIVER, IDC_DRV_KIND, CBS_DROPDOWNLIST, 0},
        {IDD_DRIVER, IDC_DRV_ACCESS, CBS_DROPDOWNLIST, 0},
        {IDD_DRIVER, IDC_DRV_TEXT_LABEL, SS_RIGHT | WS_DISABLED, 0},
        {IDD_DRIVER, IDC_DRV_TEXT, WS_DISABLED, 0},
        {IDD_DRIVER, IDC_DRV_CYCLE, 0, WS_DISABLED},
        {IDD_DRIVER, IDC_DRV_PREFIX, ES_READONLY, 0},
        {IDD_DRIVER, IDC_DRV_OFFSET, ES_NUMBER, 0},
        {IDD_DRIVER, IDC_DRV_SPLIT, BS_AUTOCHECKBOX, 0},
        {IDD_DRIVER, IDC_DRV_PREVIEW, BS_PUSHBUTTON, WS_VISIBLE},
    };
    std::unique_ptr<TemplateWindow> dlg;  // rules are grouped by dialog: create each once
    for (const StyleRule& rule : rules) {
        SCOPED_TRACE("dialog " + std::to_string(rule.idd) + " control " + std::to_string(rule.id));
        if (!dlg || dlg->Idd() != rule.idd) {
            dlg.reset();
            dlg = std::make_unique<TemplateWindow>(rule.idd, rule.idd == IDD_CUTBAR);
        }
        ASSERT_NE(nullptr, dlg->Item(rule.id));
        const DWORD style = dlg->Style(rule.id);
        const DWORD typeMask = ClassOf(dlg->Item(rule.id)) == kButton ? BS_TYPEMASK : 0;
        EXPECT_EQ(rule.required & typeMask, style & typeMask);
        EXPECT_EQ(rule.required & ~typeMask, style & rule.required & ~typeMask);
        EXPECT_EQ(0u, style & rule.forbidden);
    }
}

TEST(DialogTemplateTest, GermanTextsArriveAsUtf16) {
    TemplateWindow cutBar(IDD_CUTBAR, true);
    wchar_t text[64] = {};
    GetDlgItemTextW(cutBar.get(), IDC_CUT_LENGTH_LABEL, text, 64);
    EXPECT_STREQ(L"L\u00e4nge", text);
    GetDlgItemTextW(cutBar.get(), IDC_CUT_OFFSET_VALUE, text, 64);
    EXPECT_STREQ(L"000", text);

    TemplateWindow separator(IDD_SEPARATOR, false);
    const auto texts = ChildTexts(separator.get());
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(),
                                     L"Die Trennzeichen werden zur K\u00fcrzung der ItemID ben\u00f6tigt"));

    TemplateWindow driver(IDD_DRIVER, false);
    const auto driverTexts = ChildTexts(driver.get());
    EXPECT_NE(driverTexts.end(), std::find(driverTexts.begin(), driverTexts.end(), L"\"Adresse\""));
}

// ---- Menus -----------------------------------------------------------------------------

TEST(MenuResourceTest, MainMenuHasTheSixPopupsInOrder) {
    UniqueMenu menu(LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    ASSERT_NE(nullptr, menu.get());
    const std::wstring expected[] = {L"&Datei", L"&Bearbeiten", L"&Verbinden", L"Optionen", L"&Ansicht", L"&?"};
    const auto entries = Entries(menu.get());
    ASSERT_EQ(6u, entries.size());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(expected[i], entries[i].text);
        EXPECT_NE(nullptr, GetSubMenu(menu.get(), i)) << i;
    }
}

TEST(MenuResourceTest, MainMenuEntriesAndInitialChecks) {
    UniqueMenu menu(LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    ASSERT_NE(nullptr, menu.get());
    struct Expected {
        int popup;
        std::vector<UINT> ids;  // 0 marks a separator
    };
    const Expected expected[] = {
        {0, {ID_FILE_COPY, 0, ID_FILE_COPY_EXIT, ID_APP_EXIT}},
        {1,
         {ID_EDIT_UNDO, 0, ID_EDIT_ADD_ALL, ID_EDIT_DELETE_ALL, ID_EDIT_ACCEPT, 0, ID_EDIT_DELETE_ALL_VARIABLES, 0,
          ID_EDIT_NEW_ITEM}},
        // The trailing separator divides the fixed entries from the appended server entries.
        {2, {ID_CONNECT_BROWSE_SERVER, ID_CONNECT_SELECT_PROJECT, 0, ID_CONNECT_DISCONNECT, 0}},
        {3,
         {ID_OPTIONS_SEPARATOR, ID_OPTIONS_NUMBERING, ID_OPTIONS_TYPE_CONVERSION, 0, ID_OPTIONS_OFFLINE, 0,
          ID_OPTIONS_ACCEPT_DELETE, ID_OPTIONS_HEXDUMP, ID_OPTIONS_USE_SEPARATOR}},
        {4, {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_CUTBAR}},
        {5, {ID_HELP_FINDER, 0, ID_APP_ABOUT}},
    };
    const std::set<UINT> checkedAtStart = {ID_OPTIONS_ACCEPT_DELETE, ID_OPTIONS_HEXDUMP, ID_OPTIONS_USE_SEPARATOR};
    for (const Expected& popup : expected) {
        SCOPED_TRACE("popup " + std::to_string(popup.popup));
        const auto entries = Entries(GetSubMenu(menu.get(), popup.popup));
        ASSERT_EQ(popup.ids.size(), entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(popup.ids[i], entries[i].id) << "position " << i;
            EXPECT_EQ(checkedAtStart.count(entries[i].id) == 1, entries[i].checked) << "id " << entries[i].id;
        }
    }
    // Texts with umlauts, a tab and a deliberate trailing blank.
    struct Text {
        UINT id;
        const wchar_t* text;
    };
    const Text texts[] = {
        {ID_EDIT_UNDO, L"&R\u00fcckg\u00e4ngig\tStrg+Z"},
        {ID_EDIT_ACCEPT, L"\u00dc&bernehmen"},
        {ID_OPTIONS_ACCEPT_DELETE, L"\u00dcbernehmen + &L\u00f6schen"},
        {ID_OPTIONS_USE_SEPARATOR, L"Benutze Trennzeichen "},
        {ID_APP_ABOUT, L"Inf&o \u00fcber ZIZAZOzivuvi..."},
        {ID_FILE_COPY, L"K&opieren"},
    };
    for (const Text& t : texts) {
        wchar_t buf[128] = {};
        GetMenuStringW(menu.get(), t.id, buf, 128, MF_BYCOMMAND);
        EXPECT_STREQ(t.text, buf);
    }
}

TEST(MenuResourceTest, ContextMenusHoldOneNamedPopupWithTheirCommands) {
    struct Expected {
        UINT id;
        const wchar_t* name;
        std::vector<UINT> commands;
        const wchar_t* firstText;
    };
    const Expected expected[] = {
        {IDR_MENU_OPC_ITEM, L"OPC_ITEM", {ID_DELETE_SELECTED, ID_ITEM_ADD_AS_STRUCT, ID_EDIT_ACCEPT}, L"L\u00f6schen"},
        {IDR_MENU_KR_VARIABLE, L"KR_VARIABLE", {ID_VARIABLE_EDIT_NAME, ID_DELETE_SELECTED}, L"Edit"},
        {IDR_MENU_NODE, L"NODE", {ID_NODE_ADD_ITEMS}, L"Add Items"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.id);
        UniqueMenu menu(LoadMenuA(Module(), MAKEINTRESOURCEA(e.id)));
        ASSERT_NE(nullptr, menu.get());
        const auto top = Entries(menu.get());
        ASSERT_EQ(1u, top.size());
        EXPECT_EQ(e.name, top[0].text);
        const auto entries = Entries(GetSubMenu(menu.get(), 0));
        ASSERT_EQ(e.commands.size(), entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(e.commands[i], entries[i].id);
        }
        EXPECT_EQ(e.firstText, entries[0].text);
    }
}

// ---- Accelerators, tool bar, icon ------------------------------------------------------

TEST(FrameResourceTest, AcceleratorTableHasTheTwelveVirtualKeyEntries) {
    HACCEL table = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(nullptr, table);
    ACCEL accels[32] = {};
    const int count = CopyAcceleratorTableA(table, accels, 32);
    ASSERT_EQ(12, count);
    std::set<std::vector<int>> actual;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(accels[i].fVirt & FVIRTKEY) << i;
        actual.insert({accels[i].fVirt & ~FVIRTKEY, accels[i].key, accels[i].cmd});
    }
    const std::set<std::vector<int>> expected = {
        {FCONTROL, 'C', ID_EDIT_COPY},
        {FCONTROL, VK_INSERT, ID_EDIT_COPY},
        {FCONTROL, 'V', ID_EDIT_PASTE},
        {FSHIFT, VK_INSERT, ID_EDIT_PASTE},
        {FCONTROL, 'X', ID_EDIT_CUT},
        {FSHIFT, VK_DELETE, ID_EDIT_CUT},
        {FCONTROL, 'Z', ID_EDIT_UNDO},
        {FALT, VK_BACK, ID_EDIT_UNDO},
        {0, VK_F6, ID_NEXT_PANE},
        {FSHIFT, VK_F6, ID_PREV_PANE},
        {0, VK_F1, ID_HELP},
        {FSHIFT, VK_F1, ID_CONTEXT_HELP},
    };
    EXPECT_EQ(expected, actual);
}

TEST(FrameResourceTest, ToolBarBitmapAndButtonListMatch) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(Module(), MAKEINTRESOURCEA(IDR_TOOLBAR), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(nullptr, bitmap);
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    DeleteObject(bitmap);
    EXPECT_EQ(ZZ_TOOLBAR_IMAGE_SIZE * ZZ_TOOLBAR_BUTTON_COUNT, info.bmWidth);
    EXPECT_EQ(ZZ_TOOLBAR_IMAGE_SIZE, info.bmHeight);

    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(IDR_TOOLBAR), MAKEINTRESOURCEA(10));  // RT_RCDATA
    ASSERT_NE(nullptr, found);
    ASSERT_EQ(7 * sizeof(WORD), SizeofResource(Module(), found));
    const WORD* words = static_cast<const WORD*>(LockResource(LoadResource(Module(), found)));
    const std::vector<WORD> expected = {1, 16, 16, 3, ID_EDIT_DELETE_ALL, ID_EDIT_ADD_ALL, ID_EDIT_ACCEPT};
    EXPECT_EQ(expected, std::vector<WORD>(words, words + 7));
    // Every button shows a status-line prompt.
    for (int i = 4; i < 7; ++i) {
        EXPECT_FALSE(LoadText(words[i]).empty()) << words[i];
    }
}

TEST(FrameResourceTest, IconExistsInBothSizes) {
    for (int size : {16, 32}) {
        HICON icon =
            static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        ASSERT_NE(nullptr, icon) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask = {};
        GetObjectA(info.hbmMask, sizeof(mask), &mask);
        EXPECT_EQ(size, mask.bmWidth);
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
}

// ---- Strings ---------------------------------------------------------------------------

TEST(StringTableTest, FrameTextsAndPromptsRoundTripWithUmlauts) {
    struct Expected {
        UINT id;
        const wchar_t* text;
    };
    const Expected expected[] = {
        {IDR_MAINFRAME, L"ZIZAZOzivuvi"},
        {AFX_IDS_APP_TITLE, L"ZIZAZOzivuvi"},
        {AFX_IDS_IDLEMESSAGE, L"Dr\u00fccken Sie F1, um Hilfe zu erhalten."},
        {AFX_IDS_HELPMODEMESSAGE, L"W\u00e4hlen Sie das Objekt, zu dem Sie Hilfe w\u00fcnschen."},
        {ID_INDICATOR_CAPS, L"UF"},
        {ID_INDICATOR_NUM, L"NUM"},
        {ID_INDICATOR_SCRL, L"RF"},
        {ID_EDIT_DELETE_ALL, L"Alle Items L\u00f6schen"},
        {ID_APP_EXIT, L"Verl\u00e4\u00dft die Anwendung; fragt, ob Dokumente gespeichert werden sollen.\nBeenden"},
        {ID_NEXT_PANE, L"Wechselt zum n\u00e4chsten Fensterausschnitt.\nN\u00e4chster Ausschnitt"},
        {AFX_IDP_PARSE_STRING_SIZE, L"Geben Sie bitte nicht mehr als %1 Zeichen ein."},
        {AFX_IDP_PARSE_RADIO_BUTTON, L"W\u00e4hlen Sie bitte eine Schaltfl\u00e4che."},
    };
    for (const Expected& e : expected) {
        EXPECT_EQ(e.text, LoadText(e.id)) << e.id;
    }
    // The tool tip of About is "Info", after the status-line sentence.
    const std::wstring about = LoadText(ID_APP_ABOUT);
    EXPECT_EQ(L"\nInfo", about.substr(about.find(L'\n')));
}

TEST(StringTableTest, EveryFrameworkPromptAndValidationMessageExists) {
    const UINT ids[] = {ID_EDIT_ADD_ALL,
                        ID_EDIT_ACCEPT,
                        ID_EDIT_UNDO,
                        ID_HELP_FINDER,
                        ID_CONTEXT_HELP,
                        ID_HELP,
                        ID_PREV_PANE,
                        ID_VIEW_TOOLBAR,
                        ID_VIEW_STATUS_BAR,
                        AFX_IDP_PARSE_INT,
                        AFX_IDP_PARSE_REAL,
                        AFX_IDP_PARSE_INT_RANGE,
                        AFX_IDP_PARSE_REAL_RANGE,
                        AFX_IDP_PARSE_BYTE,
                        AFX_IDP_PARSE_UINT};
    for (UINT id : ids) {
        const std::wstring text = LoadText(id);
        EXPECT_FALSE(text.empty()) << id;
        // Framework prompts carry a tool tip; the program's own commands and messages do not.
        const bool own = id == ID_EDIT_ADD_ALL || id == ID_EDIT_ACCEPT || id >= AFX_IDP_PARSE_INT;
        EXPECT_EQ(!own, text.find(L'\n') != std::wstring::npos) << id;
    }
    EXPECT_EQ(L"Geben Sie bitte eine ganze Zahl zwischen %1 und %2 ein.", LoadText(AFX_IDP_PARSE_INT_RANGE));
    EXPECT_EQ(L"Geben Sie bitte eine positive ganze Zahl ein.", LoadText(AFX_IDP_PARSE_UINT));
}

// "a.b.c.d" of a file's fixed version block, or "" when the file has none.
std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length) || length < sizeof(*info)) {
        return "";
    }
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

// Every shipped file carries the version the About box shows.
TEST(VersionResourceTest, ShippedFilesCarryTheAboutBoxVersion) {
    UniqueWindow about(CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_ABOUTBOX), nullptr, TrivialDialogProc, 0));
    ASSERT_TRUE(about);
    std::wstring shown;
    for (const std::wstring& text : ChildTexts(about.get())) {
        if (text.rfind(L"ZIZAZOzivuvi Version ", 0) == 0) {
            shown = text.substr(21);
        }
    }
    ASSERT_FALSE(shown.empty());
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string build(self);
    build.resize(build.find_last_of('\\'));  // the tests folder
    build.resize(build.find_last_of('\\') + 1);  // the build folder above it
    for (const char* file :
         {"ZIZAZOzivuvi.exe", "tools\\DXMTrace.exe", "ZZSimServer.dll", "ZZSimServer.exe", "ZZOpcProxy.dll"}) {
        EXPECT_EQ(std::string(shown.begin(), shown.end()), FileVersion(build + file)) << file;
    }
}

}  // namespace
