// The rule component: the companion library the viewer registers and
// unregisters, and whose class the viewer creates to learn whether it is
// registered. Its gate daemon (smsgate) hands tracker reports to the viewer.
#pragma once

#include "rule_component_ids.h"

// The file name of the XDG autostart entry that starts the gate daemon at
// login, in $XDG_CONFIG_HOME/autostart.
inline constexpr char kGateAutostartName[] = "tarvo-smsgate.desktop";

extern "C" {
// Registers the class (its registry entry names this library) and the
// daemon's autostart entry, which starts the daemon found next to this
// library. S_OK, or a failure when a file cannot be written. Idempotent.
LONG RegisterRuleComponent();
// Removes both entries; S_OK also when they were not there.
LONG UnregisterRuleComponent();
// The class-object entry point of the registry.
HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
}
