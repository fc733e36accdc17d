// The inbox signal: the named mutex "tarvomutex" exists while this viewer
// runs with "Don't place to inbox" chosen, telling the rule component to keep
// tracker reports out of the inbox.
#pragma once

#include "platform/system/types.h"

// Creates or closes the mutex to match AppState::placeInInbox.
void SyncInboxSignal();
