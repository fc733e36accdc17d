// Resource numbers and menu command identifiers, defined once for the
// menus, the command dispatch and the check marks.
#pragma once

constexpr int IDI_TARVO = 101;
constexpr int IDD_GOTO_DEGREES = 107;
constexpr int IDD_GOTO_DEGREES_MINUTES = 108;
constexpr int IDD_GOTO_DEGREES_MINUTES_SECONDS = 109;
constexpr int IDD_ASK_TRACKER = 110;
constexpr int IDR_MAIN_MENU = 129;
constexpr int IDR_DIALOG_MENU = 130;
constexpr int IDR_ASK_TRACKER_MENU = 131;
constexpr int IDR_ACCELERATORS = 2; // looked for by the Pocket PC loop; there is none

constexpr unsigned IDM_EXIT = 8;
constexpr unsigned IDM_GOTO_LOCATION = 32780;
constexpr unsigned IDM_REQUEST_POS = 32783;
constexpr unsigned IDM_UNINSTALL = 32788;
constexpr unsigned IDM_GOTO_LAST_GPS = 32790;
constexpr unsigned IDM_GOTO_CENTER = 32791;
constexpr unsigned IDM_ABOUT = 32792;
constexpr unsigned IDM_DISPLAY_OFF = 32793; // 32793..32796: display formats 0..3
constexpr unsigned IDM_DISPLAY_DMS = 32796;
constexpr unsigned IDM_INPUT_DEGREES = 32797; // 32797..32799: input formats 0..2
constexpr unsigned IDM_INPUT_DMS = 32799;
constexpr unsigned IDM_TRAIL = 32800;
constexpr unsigned IDM_NO_ANSWERS = 32809;   // the Answers menu before it is filled
constexpr unsigned IDM_ANSWER_FIRST = 32810; // 32810..32819: the newest answers
constexpr unsigned IDM_ANSWER_LAST = 32819;
constexpr unsigned IDM_REQUEST_FROM_FIRST = 32830; // 32830..32834: "Request from" a number

constexpr int IDC_TRACKER_NUMBER = 1015;
constexpr int IDC_DONT_PLACE_TO_INBOX = 1016;
