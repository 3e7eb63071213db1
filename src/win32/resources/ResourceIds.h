#pragma once

// Identifiers of the program's resources and of the controls in its dialogs, read by
// the resource compiler and by the code. Plain defines: windres reads this file too.

// ---- Icons ----------------------------------------------------------------------
#define IDI_PROGRAM 128
// The tray icon's capture animation, five frames in order.
#define IDI_FRAME_FIRST 184
#define IDI_FRAME_LAST 188
// Tool buttons of the main window.
#define IDI_NEW 200
#define IDI_OPEN 201
#define IDI_SAVE 202
#define IDI_SAVE_AS 203
#define IDI_ADD 204
#define IDI_DELETE 205
#define IDI_EDIT 206
#define IDI_UP 207
#define IDI_DOWN 208
#define IDI_OPTIONS 209
#define IDI_HELP 210
#define IDI_COMB_MOZILLA 211
#define IDI_COMB_IE 212
#define IDI_COMB 213

// ---- Main window ------------------------------------------------------------------
#define IDD_MAIN 102
#define IDC_FILTER_LIST 1001
#define IDC_OPEN 1002
#define IDC_SAVE 1003
#define IDC_ADD 1004
#define IDC_DELETE 1005
#define IDC_EDIT 1006
#define IDC_UP 1007
#define IDC_DOWN 1008
#define IDC_OPTIONS 1010
#define IDC_HELP_BUTTON 1011
#define IDC_SAVE_AS 1012
#define IDC_NEW 1023
#define IDC_COMB_MOZILLA 1026
#define IDC_COMB_IE 1027
// Captures a Chromium-family cache; its arrow offers every browser of the family.
#define IDC_COMB_CHROMIUM 1028
// The main window's keys (Ctrl+N, Insert, F1...).
#define IDA_MAIN 102

// Tray menu commands.
#define IDM_TRAY_EXIT 4097
#define IDM_TRAY_OPTIONS 4098
#define IDM_TRAY_ABOUT 4099
#define IDM_TRAY_VISIT 4100
#define IDM_TRAY_DOWNLOAD 4101
#define IDM_TRAY_HELP 4103
#define IDM_TRAY_FILTERS 4104
#define IDM_TRAY_OPEN_SAVED 4105
#define IDM_TRAY_PAUSE 4106
// "Capture now" entries: this base + the browser's code.
#define IDM_CAPTURE_NOW_FIRST 4160
// The capture buttons' browser menus: this base + the browser's code.
#define IDM_CAPTURE_BROWSER_FIRST 4192
// List menu commands.
#define IDM_LIST_ADD 4353
#define IDM_LIST_EDIT 4354
#define IDM_LIST_DELETE 4355
#define IDM_LIST_UP 4356
#define IDM_LIST_DOWN 4357
#define IDM_LIST_OPEN_FOLDER 4358
#define IDM_LIST_CHECK_ALL 4359
#define IDM_LIST_UNCHECK_ALL 4360
#define IDM_LIST_SAVE_AS 4361

// ---- Capture popup ------------------------------------------------------------------
#define IDD_PROGRESS 129
#define IDC_PROGRESS 1000

// ---- Filter editor ------------------------------------------------------------------
#define IDD_EDIT_FILTER 137
#define IDC_EDIT_CONTENT_TYPE_LABEL 1009
#define IDC_EDIT_CONTENT_TYPE 1010
#define IDC_EDIT_URL_LABEL 1011
#define IDC_EDIT_MIN_SIZE_LABEL 1012
#define IDC_EDIT_MIN_WIDTH_LABEL 1013
#define IDC_EDIT_MIN_HEIGHT_LABEL 1014
#define IDC_EDIT_DIRECTORY_LABEL 1015
#define IDC_EDIT_FILE_NAME_LABEL 1016
#define IDC_EDIT_MIN_SIZE 1017
#define IDC_EDIT_DIRECTORY 1018
#define IDC_EDIT_MIN_HEIGHT 1019
#define IDC_EDIT_URL 1020
#define IDC_EDIT_MIN_WIDTH 1021
#define IDC_EDIT_FILE_NAME 1022
#define IDC_EDIT_BROWSE 1023

// ---- Options ------------------------------------------------------------------------
// The dialog holds the tabs; each tab is a page dialog of its own.
#define IDD_OPTIONS 144
#define IDD_OPTIONS_MAIN 150
#define IDD_OPTIONS_BROWSERS 151
#define IDD_OPTIONS_FILTERS 152
#define IDC_OPT_TABS 1052
#define IDC_OPT_START_WITH_WINDOWS 1029
#define IDC_OPT_MAIN 1030
#define IDC_OPT_BROWSERS 1031
#define IDC_OPT_FILTERS 1032
#define IDC_OPT_LANGUAGE_LABEL 1033
#define IDC_OPT_LANGUAGE 1034
#define IDC_OPT_USE_IE 1035
#define IDC_OPT_USE_MOZILLA 1036
#define IDC_OPT_FIND_CACHE 1037
#define IDC_OPT_ONE_COPY 1038
#define IDC_OPT_SKIP_DUPLICATES 1039
#define IDC_OPT_FILE_NAME_LABEL 1040
#define IDC_OPT_DEFAULT_FOLDER_LABEL 1041
#define IDC_OPT_SHOW_PROGRESS 1042
#define IDC_OPT_USE_MAXTHON 1043
#define IDC_OPT_CACHE_PATH_LABEL 1044
#define IDC_OPT_DECODE_CONTENT 1045
#define IDC_OPT_KEEP_SERVER_TIME 1050
#define IDC_OPT_CAPTURE_WHILE_RUNNING 1051
#define IDC_OPT_GROUP_MOZILLA 1053
#define IDC_OPT_GROUP_URL_CACHE 1054
#define IDC_OPT_GROUP_CHROMIUM 1055
#define IDC_OPT_CACHE_PATH 1017
#define IDC_OPT_DEFAULT_FOLDER 1018
#define IDC_OPT_FILE_NAME 1019
#define IDC_OPT_CACHE_PATH_BROWSE 1023
#define IDC_OPT_DEFAULT_FOLDER_BROWSE 1024
// Watcher switches of the browsers made at run time from the browser table: this base
// + the browser's code.
#define IDC_OPT_USE_BROWSER_FIRST 1100

// ---- About box ------------------------------------------------------------------------
#define IDD_ABOUT 146
#define IDC_ABOUT_COMMENTS 1046
#define IDC_ABOUT_NOTICE 1047
#define IDC_ABOUT_PRODUCT 1048
#define IDC_ABOUT_LINK 1049
