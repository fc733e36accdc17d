// The program's resources: menus, icon and texts.
#pragma once

#include "platform/windows/resources.h"

const ResourceTable& TarvoResources();

// The About box: "tarvo v1.0", a credit line and where to find the project.
extern const WCHAR* const kAboutText;
