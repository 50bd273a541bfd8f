// Resource ids of ZIZAZOzivuvi, shared by res/ZIZAZOzivuvi.rc and the C++ code.
// Only #defines: windres reads this file too. Controls of different dialogs may share a
// value; each name is defined once. Framework-standard ids keep their classic values from
// the 0xE000 block.
#ifndef ZZ_RES_RESOURCE_H
#define ZZ_RES_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- Resources owned by the main frame -------------------------------------------------
// Menu, accelerators, icon and title string all use 128.
#define IDR_MAINFRAME 128
// Tool bar: bitmap 157 (three 16x16 images side by side) plus RCDATA 157 describing the
// buttons as WORDs: version 1, image width 16, height 16, button count 3, then the command of
// each image in order (ID_EDIT_DELETE_ALL, ID_EDIT_ADD_ALL, ID_EDIT_ACCEPT).
#define IDR_TOOLBAR 157
#define ZZ_TOOLBAR_IMAGE_SIZE 16
#define ZZ_TOOLBAR_BUTTON_COUNT 3

// ---- Context menus (each holds one popup of the same name) -----------------------------
#define IDR_MENU_OPC_ITEM 135
#define IDR_MENU_KR_VARIABLE 136
#define IDR_MENU_NODE 138

// ---- Dialog templates ------------------------------------------------------------------
#define IDD_ABOUTBOX 100
#define IDD_CUTBAR 128  // child template of the cut bar (a dialog bar, no caption)
#define IDD_SEPARATOR 132
#define IDD_NUMBERING 133
#define IDD_TYPE_CONVERSION 134
#define IDD_EDIT_NAME 149
#define IDD_ITEM_ID 159
#define IDD_UNKNOWN_TYPE 161
#define IDD_ARRAY 162
#define IDD_OPC_STATUS 163
#define IDD_DRIVER 164
#define IDD_SERVER_CHOOSER 165
#define IDD_REPLACE_ENTRY 166
#define IDD_PROGRESS 167

// ---- Menu "&Datei" ---------------------------------------------------------------------
#define ID_FILE_COPY 32815
#define ID_FILE_COPY_EXIT 32791
#define ID_APP_EXIT 57665

// ---- Menu "&Bearbeiten" (1003, 1005 and 1023 are also the tool bar buttons) -----------
#define ID_EDIT_UNDO 57643
#define ID_EDIT_ADD_ALL 1003
#define ID_EDIT_DELETE_ALL 1023
#define ID_EDIT_ACCEPT 1005
#define ID_EDIT_DELETE_ALL_VARIABLES 32800
#define ID_EDIT_NEW_ITEM 32809
// Clipboard commands: reached only by accelerators; nothing handles them.
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637

// ---- Menu "&Verbinden" -----------------------------------------------------------------
#define ID_CONNECT_BROWSE_SERVER 32780
#define ID_CONNECT_SELECT_PROJECT 32781
#define ID_CONNECT_DISCONNECT 32803
// Server entries appended at run time: switch /uN or project section deviceN gets
// ID_CONNECT_SERVER_BASE + N.
#define ID_CONNECT_SERVER1 32775
#define ID_CONNECT_SERVER2 32776
#define ID_CONNECT_SERVER3 32777
#define ID_CONNECT_SERVER4 32778
#define ID_CONNECT_SERVER5 32779
#define ID_CONNECT_SERVER_BASE (ID_CONNECT_SERVER1 - 1)
#define ID_CONNECT_SERVER_FIRST ID_CONNECT_SERVER1
#define ID_CONNECT_SERVER_LAST ID_CONNECT_SERVER5

// ---- Menu "Optionen" -------------------------------------------------------------------
#define ID_OPTIONS_SEPARATOR 32783
#define ID_OPTIONS_NUMBERING 32787
#define ID_OPTIONS_TYPE_CONVERSION 32785
#define ID_OPTIONS_OFFLINE 32807
#define ID_OPTIONS_ACCEPT_DELETE 32789
#define ID_OPTIONS_HEXDUMP 32808
#define ID_OPTIONS_USE_SEPARATOR 32813

// ---- Menu "&Ansicht" -------------------------------------------------------------------
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393
#define ID_VIEW_CUTBAR 32805

// ---- Menu "&?" and help ----------------------------------------------------------------
#define ID_APP_ABOUT 57664
#define ID_HELP_FINDER 57667
#define ID_CONTEXT_HELP 57669
#define ID_HELP 57670
#define ID_DEFAULT_HELP 57671

// ---- Pane switching (accelerators F6 / Shift+F6) ---------------------------------------
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

// ---- Context menu commands -------------------------------------------------------------
// "Löschen" in OPC_ITEM and "Delete" in KR_VARIABLE: each view deletes its own selection.
#define ID_DELETE_SELECTED 32794
#define ID_ITEM_ADD_AS_STRUCT 32810  // OPC_ITEM "Als Struktur hinzufügen"
#define ID_VARIABLE_EDIT_NAME 32796  // KR_VARIABLE "Edit"
#define ID_NODE_ADD_ITEMS 32799      // NODE "Add Items"
// OPC_ITEM "Übernemen" is ID_EDIT_ACCEPT.

// ---- Frame child windows (framework control ids) ---------------------------------------
#define AFX_IDW_TOOLBAR 0xE800
#define AFX_IDW_STATUS_BAR 0xE801
#define AFX_IDW_REBAR 0xE804
#define AFX_IDW_DIALOGBAR 0xE805
#define AFX_IDW_PANE_FIRST 0xE900

// ---- Status bar ------------------------------------------------------------------------
#define ID_SEPARATOR 0  // the message pane in an indicator list
#define ID_INDICATOR_CAPS 59137
#define ID_INDICATOR_NUM 59138
#define ID_INDICATOR_SCRL 59139

// ---- Framework strings -----------------------------------------------------------------
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345
#define AFX_IDS_HELPMODEMESSAGE 57346

// Standard validation messages of dialog data exchange; %1 and %2 are the limits.
#define AFX_IDP_PARSE_INT 0xF110
#define AFX_IDP_PARSE_REAL 0xF111
#define AFX_IDP_PARSE_INT_RANGE 0xF112
#define AFX_IDP_PARSE_REAL_RANGE 0xF113
#define AFX_IDP_PARSE_STRING_SIZE 0xF114
#define AFX_IDP_PARSE_RADIO_BUTTON 0xF115
#define AFX_IDP_PARSE_BYTE 0xF116
#define AFX_IDP_PARSE_UINT 0xF117

// ---- Controls: cut bar (IDD_CUTBAR) ----------------------------------------------------
#define IDC_CUT_OFFSET_LABEL 1026
#define IDC_CUT_OFFSET_SLIDER 1004
#define IDC_CUT_OFFSET_VALUE 1024
#define IDC_CUT_LENGTH_LABEL 1027
#define IDC_CUT_LENGTH_SLIDER 1017
#define IDC_CUT_LENGTH_VALUE 1025

// ---- Controls: Item ID dialog (IDD_ITEM_ID) --------------------------------------------
#define IDC_ITEMID_EDIT 1002

// ---- Controls: numbering dialog (IDD_NUMBERING) ----------------------------------------
// The radio ids double as the numbering style handed to the variable list.
#define IDC_NUMBERING_DIGITS 1013
#define IDC_NUMBERING_LOWER 1014
#define IDC_NUMBERING_UPPER 1015
#define IDC_NUMBERING_USE_SEPARATOR 1029
#define IDC_NUMBERING_SEPARATOR 1004

// ---- Controls: separator dialog (IDD_SEPARATOR) ----------------------------------------
#define IDC_SEPARATOR_DOT 1016
#define IDC_SEPARATOR_SLASH 1030
#define IDC_SEPARATOR_OTHER 1031
#define IDC_SEPARATOR_OTHER_CHAR 1002

// ---- Controls: OPC server status wait (IDD_OPC_STATUS) ---------------------------------
#define IDC_STATUS_TEXT 1045
#define IDC_STATUS_PROGRESS 1046

// ---- Controls: variable name dialog (IDD_EDIT_NAME) ------------------------------------
#define IDC_VARNAME_EDIT 1002

// ---- Controls: array dialog (IDD_ARRAY) ------------------------------------------------
#define IDC_ARRAY_SIZE 1043
#define IDC_ARRAY_AS_DRIVER 1044

// ---- Controls: type conversion dialog (IDD_TYPE_CONVERSION) ----------------------------
#define IDC_TYPEMAP_LIST 1021

// ---- Controls: unknown-type dialog (IDD_UNKNOWN_TYPE) ----------------------------------
// Choices are the ids 1035..1042; 1040 is unused and must be ignored as a choice.
#define IDC_UNKNOWN_QUESTION 1002
#define IDC_UNKNOWN_DIGIT 1041
#define IDC_UNKNOWN_WORD 1042
#define IDC_UNKNOWN_LONG 1035
#define IDC_UNKNOWN_TEXT 1036
#define IDC_UNKNOWN_UWORD 1037
#define IDC_UNKNOWN_ULONG 1038
#define IDC_UNKNOWN_FLOAT 1039
#define IDC_UNKNOWN_CHOICE_FIRST IDC_UNKNOWN_LONG
#define IDC_UNKNOWN_CHOICE_LAST IDC_UNKNOWN_WORD
#define IDC_UNKNOWN_CHOICE_UNUSED 1040

// ---- Controls: driver selection dialog (IDD_DRIVER) ------------------------------------
#define IDC_DRV_KIND 1000
#define IDC_DRV_NAME 1046
#define IDC_DRV_CYCLE_LABEL 1053
#define IDC_DRV_CYCLE 1047
#define IDC_DRV_ACCESS 1045
#define IDC_DRV_TEXT_LABEL 1051
#define IDC_DRV_TEXT 1052
#define IDC_DRV_FIRST_OFFSET 1054
#define IDC_DRV_PREFIX 1049
#define IDC_DRV_OFFSET_SLIDER 1004
#define IDC_DRV_OFFSET 1050
#define IDC_DRV_SPLIT 1048
#define IDC_DRV_PREVIEW 1003  // hidden "Vorschau" button; ends the dialog with 1003

// ---- Controls: server chooser (IDD_SERVER_CHOOSER) -------------------------------------
#define IDC_CHOOSER_HOST 1060
#define IDC_CHOOSER_SEARCH 1061
#define IDC_CHOOSER_LIST 1062
#define IDC_CHOOSER_STATUS 1063

// ---- Controls: entry to replace (IDD_REPLACE_ENTRY) ------------------------------------
#define IDC_REPLACE_TEXT 1064
#define IDC_REPLACE_LIST 1065

// ---- Controls: progress of a long operation (IDD_PROGRESS) -----------------------------
#define IDC_PROGRESS_TEXT 1066

#endif  // ZZ_RES_RESOURCE_H
