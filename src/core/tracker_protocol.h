// What the viewer, its rule component and the gate agree on: the request
// the tracker answers, the viewer's window by which the gate finds it, and
// the named mutex by which the viewer asks for answers to stay out of the
// inbox.
#pragma once

// The SMS body that asks a TR-101 for its position.
constexpr char16_t kRequestText[] = u"request";

// The viewer's main window: its class and title.
constexpr char16_t kViewerWindowClass[] = u"TARVO";
constexpr char16_t kViewerWindowTitle[] = u"tarvo";

// Exists while a viewer runs with "Don't place to inbox" chosen.
constexpr char16_t kInboxSignalName[] = u"tarvomutex";
