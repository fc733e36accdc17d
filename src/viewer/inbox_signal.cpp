#include "inbox_signal.h"

#include "app_state.h"

#include "core/tracker_protocol.h"

void SyncInboxSignal() {
    if (theApp.placeInInbox != 0) {
        if (theApp.inboxSignal != nullptr) {
            CloseHandle(theApp.inboxSignal);
            theApp.inboxSignal = nullptr;
        }
    } else if (theApp.inboxSignal == nullptr) {
        // Only its existence matters; it is never waited on or taken. A
        // creation that fails leaves null, and the answers stay in the inbox.
        theApp.inboxSignal = CreateMutex(nullptr, FALSE, kInboxSignalName);
    }
}
