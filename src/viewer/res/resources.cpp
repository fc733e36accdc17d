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

const MenuResourceItem kTracker[] = {
    {u"Request pos", IDM_REQUEST_POS},
    {u"Uninstall", IDM_UNINSTALL},
};

const MenuResourceItem kDisplayFormat[] = {
    {u"Off", 32793},
    {u"#.#######\u00B0", 32794},
    {u"##\u00B0##.###'", 32795},
    {u"##\u00B0##'##.#''", 32796},
};

const MenuResourceItem kInputFormat[] = {
    {u"##.######\u00B0", 32797},
    {u"##\u00B0##.###'", 32798},
    {u"##\u00B0##'##.#''", 32799},
};

const MenuResourceItem kOptions[] = {
    {u"Go to...", 0, kGoTo, 3},
    {u"TR-101", 0, kTracker, 2},
    {u"Display format", 0, kDisplayFormat, 4},
    {u"Input format", 0, kInputFormat, 3},
    {u"About...", IDM_ABOUT},
};

const MenuResourceItem kMainMenu[] = {
    {u"Options", 0, kOptions, 5},
    {u"Exit", IDM_EXIT},
};

const MenuResource kMenus[] = {
    {IDR_MAIN_MENU, kMainMenu, 2},
    {IDR_DIALOG_MENU, kGotoMenuItems, kGotoMenuItemCount},
    {IDR_ASK_TRACKER_MENU, kAskTrackerMenuItems, kAskTrackerMenuItemCount},
};

const IconResource kIcons[] = {
    {IDI_TARVO, kTarvoIconPng, kTarvoIconPngSize},
};

const ResourceTable kResources = {kMenus, int(std::size(kMenus)), kIcons,
                                  1,      kTarvoDialogs,          kTarvoDialogCount};

} // namespace

const ResourceTable& TarvoResources() {
    return kResources;
}

const WCHAR* const kAboutText = u"tarvo v1.0\n"
                                u"Map data: GSHHG (LGPL), rendered with GMT\n"
                                u"See README.md in the tarvo sources";
