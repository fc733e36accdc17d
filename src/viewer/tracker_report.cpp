#include "tracker_report.h"

#include "ask_tracker.h"
#include "view_state.h"

#include "core/report_reader.h"

#include "smsgate/rule_component_ids.h"

#include "platform/telephony/com.h"

#include <string>

#ifdef TARVO_POCKETPC
namespace {
// The Pocket PC build has no component to call: both steps do nothing.
LONG RegisterRuleComponent() {
    return 0;
}
LONG UnregisterRuleComponent() {
    return 0;
}
} // namespace
#else
#include "smsgate/smsgate.h"
#endif

LRESULT OnTrackerCopyData(HWND hwnd, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->lpData == nullptr || data->cbData == 0) {
        return 0;
    }
    // The text ends at its terminator, or at the byte count without one.
    const auto* units = static_cast<const WCHAR*>(data->lpData);
    const std::size_t count = data->cbData / sizeof(WCHAR);
    std::size_t length = 0;
    while (length < count && units[length] != 0) {
        ++length;
    }
    const std::u16string text(units, length);
    HandleTrackerReport(hwnd, text.c_str());
    return 0;
}

bool ParseTrackerReport(const WCHAR* text) {
    return ScanTrackerReport(text, &theView.gpsLongitude, &theView.gpsLatitude);
}

void HandleTrackerReport(HWND hwnd, const WCHAR* text) {
    // Whether the text held a position does not matter here: the view goes to
    // the last GPS position either way, and the text is shown.
    ParseTrackerReport(text);
    theView.centreLongitude = theView.gpsLongitude;
    theView.centreLatitude = theView.gpsLatitude;
    InvalidateRect(hwnd, nullptr, FALSE);
    MessageBeep(MB_ICONINFORMATION);
    MessageBox(nullptr, text, u"Report", MB_OK);
}

bool IsRuleComponentInstalled() {
    IUnknown* component = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_RuleComponent, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_RuleComponent, reinterpret_cast<void**>(&component));
    if (hr != S_OK) {
        return false;
    }
    component->Release();
    return true;
}

void RequestTrackerPosition() {
    if (IsRuleComponentInstalled()) {
        AskTrackerDialog();
        return;
    }
    // The message is the same whatever the registration returns; a failure
    // is written to standard error by the component itself.
    RegisterRuleComponent();
    MessageBox(nullptr, u"Component has been installed. Please reboot phone.", u"SMS", MB_OK);
}

void UninstallRuleComponent() {
    UnregisterRuleComponent(); // as for registration, the message is the same either way
    MessageBox(nullptr, u"Component has been uninstalled. Please reboot phone.", u"SMS", MB_OK);
}
