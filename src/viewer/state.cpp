#include "app_state.h"
#include "view_state.h"

AppState theApp{};
ViewState theView{};
