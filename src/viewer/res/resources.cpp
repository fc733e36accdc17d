#include "resources.h"

#include "dialogs.h"
#include "resource_ids.h"

#include <iterator>

extern const unsigned char kTarvoIconPng[];
extern const std::size_t kTarvoIconPngSize;

namespace {

const MenuResourceItem kGoTo[] = {
    {u"Location", IDM_GOTO_LOCATION},
    {u"Last GPS pos", IDM_GOTO_LAST_GPS},
    {u"Center", IDM_GOTO_CENTER},
};

// Filled with the newest answers as it opens.
const MenuResourceItem kAnswers[] = {
    {u"No answers yet", IDM_NO_ANSWERS},
};

const MenuResourceItem kTracker[] = {
    {u"Request pos", IDM_REQUEST_POS},
    {u"Uninstall", IDM_UNINSTALL},
    Popup(u"Answers", kAnswers),
    {u"Trail", IDM_TRAIL},
};

const MenuResourceItem kDisplayFormat[] = {
    {u"Off", IDM_DISPLAY_OFF},
    {u"#.#######\u00B0", IDM_DISPLAY_OFF + 1},
    {u"##\u00B0##.###'", IDM_DISPLAY_OFF + 2},
    {u"##\u00B0##'##.#''", IDM_DISPLAY_DMS},
};

const MenuResourceItem kInputFormat[] = {
    {u"##.######\u00B0", IDM_INPUT_DEGREES},
    {u"##\u00B0##.###'", IDM_INPUT_DEGREES + 1},
    {u"##\u00B0##'##.#''", IDM_INPUT_DMS},
};

const MenuResourceItem kOptions[] = {
    Popup(u"Go to...", kGoTo),
    Popup(u"TR-101", kTracker),
    Popup(u"Display format", kDisplayFormat),
    Popup(u"Input format", kInputFormat),
    {u"About...", IDM_ABOUT},
};

const MenuResourceItem kMainMenu[] = {
    Popup(u"Options", kOptions),
    {u"Exit", IDM_EXIT},
};

const MenuResource kMenus[] = {
    Menu(IDR_MAIN_MENU, kMainMenu),
    Menu(IDR_DIALOG_MENU, kGotoMenuItems),
    Menu(IDR_ASK_TRACKER_MENU, kAskTrackerMenuItems),
};

const IconResource kIcons[] = {
    {IDI_TARVO, kTarvoIconPng, kTarvoIconPngSize},
};

const ResourceTable kResources = {kMenus,        int(std::size(kMenus)),
                                  kIcons,        int(std::size(kIcons)),
                                  kTarvoDialogs, int(std::size(kTarvoDialogs))};

} // namespace

const ResourceTable& TarvoResources() {
    return kResources;
}

const WCHAR* const kAboutText = u"tarvo v1.0\n"
                                u"Map data: GSHHG (LGPL), rendered with GMT\n"
                                u"See README.md in the tarvo sources";
