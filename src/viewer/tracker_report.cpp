#include "tracker_report.h"

#include "answers_log.h"
#include "ask_tracker.h"
#include "view_state.h"

#include "core/report_reader.h"
#include "core/utf8.h"

#include "smsgate/rule_component_ids.h"

#include "platform/telephony/com.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
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

namespace {

// A sender's number: digits with an optional leading '+', as the gate
// writes it; anything else is not taken.
bool plausibleNumber(std::u16string_view number) {
    if (number.empty() || number.size() > 32) {
        return false;
    }
    for (std::size_t i = 0; i < number.size(); ++i) {
        const char16_t c = number[i];
        if (!(c >= u'0' && c <= u'9') && !(c == u'+' && i == 0)) {
            return false;
        }
    }
    return true;
}

// Appends the answer to the log; a failure is said on standard error (the
// user still sees the answer).
void logAnswer(const std::u16string& text, const std::u16string& number,
               const TrackerReport& read) {
    core::LoggedAnswer answer;
    answer.received = std::int64_t(std::time(nullptr));
    answer.number = core::ToUtf8(number);
    answer.text = text;
    answer.read = read;
    std::string reason;
    if (!TheAnswersLog().add(answer, &reason)) {
        std::fprintf(stderr, "tarvo: answer not logged: %s\n", reason.c_str());
    }
}

// For an answer without a position: how old the last position is and what
// it was ("; last position 12 min ago: 50.45012 N 30.52341 E, GPS fix").
std::u16string lastFixLine() {
    const std::vector<core::LoggedAnswer>& answers = TheAnswersLog().answers();
    for (auto it = answers.rbegin(); it != answers.rend(); ++it) {
        if (it->read.hasPosition()) {
            const std::int64_t age = std::max<std::int64_t>(0, std::time(nullptr) - it->received);
            return u"; last position " + core::DescribeAge(age) + u" ago: " +
                   DescribeTrackerReport(it->read);
        }
    }
    return {};
}

} // namespace

// The text ends at its terminator, or at the byte count without one. The
// gate puts the sender's number after the terminator, within the count: a
// reader that stops at the terminator sees the text alone.
LRESULT OnTrackerCopyData(HWND hwnd, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->lpData == nullptr || data->cbData == 0) {
        return 0;
    }
    const auto* units = static_cast<const WCHAR*>(data->lpData);
    const std::size_t count = data->cbData / sizeof(WCHAR);
    std::size_t length = 0;
    while (length < count && units[length] != 0) {
        ++length;
    }
    const std::u16string text(units, length);
    std::u16string number;
    for (std::size_t i = length + 1; i < count && units[i] != 0; ++i) {
        number += units[i];
    }
    HandleTrackerReport(hwnd, text.c_str(), plausibleNumber(number) ? number : std::u16string());
    return 0;
}

bool ParseTrackerReport(const WCHAR* text) {
    return ParseTrackerReport(text, nullptr);
}

bool ParseTrackerReport(const WCHAR* text, TrackerReport* read) {
    const TrackerReport report = ReadTrackerReport(text);
    if (report.hasPosition()) {
        theView.gpsLongitude = float(report.longitude);
        theView.gpsLatitude = float(report.latitude);
    }
    if (read != nullptr) {
        *read = report;
    }
    return report.hasPosition();
}

// An answer without a position still moves the view to the last one, beeps
// and is shown: the user sees the tracker answered, and what it said.
void HandleTrackerReport(HWND hwnd, const WCHAR* text, const std::u16string& number) {
    TrackerReport report;
    ParseTrackerReport(text, &report);
    const std::u16string lastFix = report.hasPosition() ? std::u16string() : lastFixLine();
    logAnswer(text, number, report);
    theView.centreLongitude = theView.gpsLongitude;
    theView.centreLatitude = theView.gpsLatitude;
    InvalidateRect(hwnd, nullptr, FALSE);
    MessageBeep(MB_ICONINFORMATION);
    const std::u16string shown =
        std::u16string(text) + u"\n" + DescribeTrackerReport(report) + lastFix;
    MessageBox(nullptr, shown.c_str(), u"Report", MB_OK);
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

void RequestTrackerPosition(const std::u16string& number) {
    if (IsRuleComponentInstalled()) {
        AskTrackerDialog(number);
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
