#include "ask_tracker.h"

#include "app_state.h"
#include "forms.h"
#include "inbox_signal.h"

#include "core/tracker_protocol.h"
#include "core/utf8.h"

#include "viewer/res/resource_ids.h"

#include "platform/dialogs/dialog.h"
#include "platform/system/kernel.h"
#include "platform/telephony/sms.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

namespace {

constexpr int kNumberUnits = 128; // 127 characters and the terminator

// The number the form opens with when it is not the saved one.
std::u16string offeredNumber;

// The form's own initialisation; the order is the one the shell expects.
bool initialise(HWND dialog) {
    if (!SetUpFormBar(dialog, IDR_ASK_TRACKER_MENU)) {
        return false;
    }
    if (GetDlgItem(dialog, IDC_TRACKER_NUMBER) != nullptr) {
        SetDlgItemText(dialog, IDC_TRACKER_NUMBER,
                       offeredNumber.empty() ? theApp.trackerNumber : offeredNumber.c_str());
    }
    if (theApp.placeInInbox == 0) {
        SendDlgItemMessage(dialog, IDC_DONT_PLACE_TO_INBOX, BM_SETCHECK, BST_CHECKED, 0);
    }
    return true;
}

void readChoices(HWND dialog) {
    GetDlgItemText(dialog, IDC_TRACKER_NUMBER, theApp.trackerNumber, kNumberUnits);
    const LRESULT check = SendDlgItemMessage(dialog, IDC_DONT_PLACE_TO_INBOX, BM_GETCHECK, 0, 0);
    // An unchanged choice keeps the byte as it was read.
    if (check == LRESULT(BST_CHECKED)) {
        theApp.placeInInbox = 0;
    } else if (theApp.placeInInbox == 0) {
        theApp.placeInInbox = 1;
    }
}

// A failed close costs the user nothing; it is only noted.
void closeService(SMS_HANDLE sms) {
    if (FAILED(SmsClose(sms))) {
        char line[256];
        std::snprintf(line, sizeof line, "%s: DEBUGCHK failed in file %s at line %d \r\n",
                      "Unknown", __FILE__, __LINE__);
        OutputDebugStringW(core::FromUtf8(line).c_str());
    }
}

} // namespace

// The form's result is not used: its Ok does its work before it ends, and a
// form that cannot be shown leaves everything as it was.
void AskTrackerDialog(const std::u16string& number) {
    offeredNumber = number.substr(0, kNumberUnits - 1);
    DialogBoxParam(theApp.instance, MAKEINTRESOURCE(IDD_ASK_TRACKER), nullptr, AskTrackerDialogProc,
                   0);
    offeredNumber.clear();
}

BOOL AskTrackerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    static const FormActions kActions{initialise, SendPositionRequest};
    return FormProcedure(kActions, dialog, message, wParam, lParam);
}

void SendPositionRequest(HWND dialog) {
    readChoices(dialog);
    SyncInboxSignal();
    SMS_HANDLE sms = nullptr;
    if (FAILED(SmsOpen(SMS_MSGTYPE_TEXT, SMS_MODE_SEND, &sms, nullptr))) {
        MessageBox(nullptr, u"Error in SmsOpen()!", u"Error", MB_ICONERROR);
        return;
    }
    SMS_ADDRESS destination{};
    destination.smsatAddressType = SMSAT_INTERNATIONAL;
    std::char_traits<char16_t>::copy(
        destination.ptsAddress, theApp.trackerNumber,
        std::min<std::size_t>(std::char_traits<char16_t>::length(theApp.trackerNumber),
                              SMS_MAX_ADDRESS_LENGTH));
    TEXT_PROVIDER_SPECIFIC_DATA provider;
    std::memset(&provider, 0, sizeof provider);
    provider.dwMessageOptions = 0; // no status report
    provider.psMessageClass = PS_MESSAGE_CLASS1;
    provider.psReplaceOption = PSRO_NONE;
    provider.dwHeaderDataSize = 0;
    SMS_MESSAGE_ID id = 0;
    const HRESULT sent = SmsSendMessage(
        sms, nullptr, &destination, nullptr, reinterpret_cast<const BYTE*>(kRequestText),
        DWORD((std::size(kRequestText) - 1) * sizeof(WCHAR)),
        reinterpret_cast<const BYTE*>(&provider), DWORD(sizeof provider), SMSDE_OPTIMAL, 0, &id);
    if (FAILED(sent)) {
        MessageBox(nullptr, u"Error sending message.", u"Send SMS", MB_ICONERROR);
    } else {
        MessageBox(nullptr, u"Message has been sent.", u"Send SMS", MB_OK);
    }
    closeService(sms);
}
