// Creation of the built-in imaging factory class, for the class table of com.cpp.
#pragma once

#include "imaging.h"

namespace platform {
IUnknown* CreateImagingFactoryObject();
}
