// The SMS service of the handset platform, on ModemManager over D-Bus: the
// system bus (DBUS_SYSTEM_BUS_ADDRESS points it at another bus), the first
// enabled modem with Messaging. Send only; one text provider.
#pragma once

#include "platform/system/kernel.h"
#include "platform/system/types.h"

struct SMS_HANDLE__;
using SMS_HANDLE = SMS_HANDLE__*;
using SMS_MESSAGE_ID = DWORD;

inline constexpr WCHAR SMS_MSGTYPE_TEXT[] = u"Microsoft Text SMS Protocol";
constexpr DWORD SMS_MODE_RECEIVE = 1;
constexpr DWORD SMS_MODE_SEND = 2;

enum SMS_ADDRESS_TYPE : DWORD {
    SMSAT_UNKNOWN = 0,
    SMSAT_INTERNATIONAL = 1,
    SMSAT_NATIONAL = 2,
};
constexpr int SMS_MAX_ADDRESS_LENGTH = 256;
struct SMS_ADDRESS {
    SMS_ADDRESS_TYPE smsatAddressType;
    WCHAR ptsAddress[SMS_MAX_ADDRESS_LENGTH];
};

enum SMS_DATA_ENCODING : DWORD {
    SMSDE_OPTIMAL = 0,
    SMSDE_GSM = 1,
    SMSDE_UCS2 = 2,
};

enum PROVIDER_SPECIFIC_MESSAGE_CLASS : DWORD {
    PS_MESSAGE_CLASS0 = 0,
    PS_MESSAGE_CLASS1 = 1,
    PS_MESSAGE_CLASS2 = 2,
    PS_MESSAGE_CLASS3 = 3,
};
enum PROVIDER_SPECIFIC_REPLACE_OPTION : DWORD {
    PSRO_NONE = 0,
};

// The text provider's record. Its size differs between the two handsets the
// program is built for: 164 bytes on the Pocket PC, 688 on the Smartphone,
// whose record carries more fields after these. The service takes both.
constexpr DWORD kTextProviderDataSizePocketPc = 164;
constexpr DWORD kTextProviderDataSizeSmartphone = 688;
struct TEXT_PROVIDER_SPECIFIC_DATA {
    DWORD dwMessageOptions;
    PROVIDER_SPECIFIC_MESSAGE_CLASS psMessageClass;
    PROVIDER_SPECIFIC_REPLACE_OPTION psReplaceOption;
    DWORD dwHeaderDataSize;
    BYTE pbHeaderData[140];
    BOOL fMessageContainsEMSHeaders;
    DWORD dwProtocolID;
#ifndef TARVO_POCKETPC
    BYTE smartphoneFields[kTextProviderDataSizeSmartphone - kTextProviderDataSizePocketPc];
#endif
};
#ifdef TARVO_POCKETPC
static_assert(sizeof(TEXT_PROVIDER_SPECIFIC_DATA) == kTextProviderDataSizePocketPc);
#else
static_assert(sizeof(TEXT_PROVIDER_SPECIFIC_DATA) == kTextProviderDataSizeSmartphone);
#endif

// Failures of the service, besides E_INVALIDARG and E_NOTIMPL.
constexpr HRESULT SMS_E_INVALIDPROTOCOL = HRESULT(0x82000001u);
constexpr HRESULT SMS_E_PROVIDERSPECIFICBUFFERWRONGSIZE = HRESULT(0x82000103u);
// No bus, no ModemManager, or no enabled modem with Messaging.
constexpr HRESULT SMS_E_SERVICEUNAVAILABLE = HRESULT(0x82000200u);
// ModemManager refused the message or could not send it (its error is
// written to the debug output).
constexpr HRESULT SMS_E_SENDFAILED = HRESULT(0x82000201u);

// Opens the service for sending with the text provider. The event is for
// receiving, which this service does not do: it comes back null.
HRESULT SmsOpen(LPCWSTR provider, DWORD mode, SMS_HANDLE* handle, HANDLE* messageAvailableEvent);

// Sends the text (UTF-16 bytes, no terminator) to the destination's number
// with the message class of the provider record; returns when ModemManager
// has sent it, or after 60 s at most. The service centre and validity
// period are the modem's own.
HRESULT SmsSendMessage(SMS_HANDLE handle, const SMS_ADDRESS* serviceCentre,
                       const SMS_ADDRESS* destination, const void* validity, const BYTE* data,
                       DWORD dataSize, const BYTE* providerData, DWORD providerDataSize,
                       SMS_DATA_ENCODING encoding, DWORD options, SMS_MESSAGE_ID* messageId);

HRESULT SmsClose(SMS_HANDLE handle);
