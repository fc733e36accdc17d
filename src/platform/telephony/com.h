// The component object model of the handset platform: GUIDs, IUnknown, the
// per-thread initialisation count, object creation and the task allocator.
#pragma once

#include "platform/system/types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
            return false;
        }
        for (int i = 0; i < 8; ++i) {
            if (a.Data4[i] != b.Data4[i]) {
                return false;
            }
        }
        return true;
    }
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The base of every object interface. Objects are reference counted; the
// destructor is protected so an interface pointer is only ever Released.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Makes objects of one class; a class's library hands it out from its
// class-object entry point.
struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};
constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The entry point a class library exports with C linkage under this name.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
inline constexpr char kClassObjectEntryPoint[] = "DllGetClassObject";

constexpr DWORD COINIT_MULTITHREADED = 0;
constexpr DWORD CLSCTX_INPROC_SERVER = 1;

// Counts per thread: the first call returns S_OK, later ones S_FALSE; each
// successful call needs one CoUninitialize.
HRESULT CoInitializeEx(void* reserved, DWORD flags);
void CoUninitialize();

// Creates an object of a built-in class or of one in the per-user class
// registry (see class_registry.h), whose library is loaded into the process.
// Returns exactly S_OK only when the object exists. Fails with
// CO_E_NOTINITIALIZED when the calling thread has not initialised COM,
// CLASS_E_NOAGGREGATION for an outer object, REGDB_E_CLASSNOTREG for a class
// that is not registered, E_ACCESSDENIED for a registration that is not the
// user's own, CO_E_DLLNOTFOUND for a library that does not load,
// CO_E_ERRORINDLL for one without the entry point, and with the class's own
// failure (E_NOINTERFACE for an interface it does not have) otherwise.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block);
