#include "inbox_signal.h"

#include "core/tracker_protocol.h"

#include "app_state.h"

void SyncInboxSignal() {
    if (theApp.placeInInbox != 0) {
        if (theApp.inboxSignal != nullptr) {
            CloseHandle(theApp.inboxSignal);
            theApp.inboxSignal = nullptr;
        }
    } else if (theApp.inboxSignal == nullptr) {
        // Only its existence matters; it is never waited on or taken.
        theApp.inboxSignal = CreateMutex(nullptr, FALSE, kInboxSignalName);
    }
}
