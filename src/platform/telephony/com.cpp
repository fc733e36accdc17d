#include "com.h"

#include "class_registry.h"
#include "com_internal.h"

#include "core/utf8.h"

#include "platform/drawing/imaging_factory.h"
#include "platform/system/kernel.h"

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <vector>

namespace {

thread_local int initCount = 0;

using platform::internal::BuiltinClass;
using platform::internal::FindBuiltinClass;
using platform::internal::outstandingTaskMemBlocks;

std::vector<BuiltinClass>& builtinClasses() {
    static std::vector<BuiltinClass> classes = {
        {&CLSID_ImagingFactory, &platform::CreateImagingFactoryObject, true},
    };
    return classes;
}

// An object of a class from the registry. The library stays loaded: objects
// and factories of it may live anywhere in the process.
HRESULT createRegistered(REFCLSID clsid, REFIID iid, void** object) {
    std::string library, reason;
    switch (platform::FindClassLibrary(clsid, &library, &reason)) {
    case platform::ClassLookup::NotRegistered:
        return REGDB_E_CLASSNOTREG;
    case platform::ClassLookup::Untrusted:
        // Callers may take this for "not registered" and say nothing, so the
        // reason is written where the user can find it.
        OutputDebugStringW(core::FromUtf8("the class " + platform::ClsidString(clsid) +
                                          " is not loaded: " + reason + "\n")
                               .c_str());
        return E_ACCESSDENIED;
    case platform::ClassLookup::Found:
        break;
    }
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return CO_E_DLLNOTFOUND;
    }
    auto entry = reinterpret_cast<DllGetClassObjectFunction>(dlsym(handle, kClassObjectEntryPoint));
    if (entry == nullptr) {
        return CO_E_ERRORINDLL;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = entry(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || factory == nullptr) {
        return FAILED(hr) ? hr : CO_E_ERRORINDLL;
    }
    hr = factory->CreateInstance(nullptr, iid, object);
    factory->Release();
    if (SUCCEEDED(hr) && *object == nullptr) {
        hr = E_NOINTERFACE;
    }
    return hr;
}

} // namespace

HRESULT CoInitializeEx(void*, DWORD) {
    return initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initCount > 0) {
        --initCount;
    }
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (initCount == 0) {
        return CO_E_NOTINITIALIZED;
    }
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if ((context & CLSCTX_INPROC_SERVER) == 0) {
        return REGDB_E_CLASSNOTREG;
    }
    BuiltinClass* c = FindBuiltinClass(clsid);
    if (c == nullptr) {
        return createRegistered(clsid, iid, object);
    }
    if (!c->available) {
        return REGDB_E_CLASSNOTREG;
    }
    IUnknown* instance = c->create();
    if (instance == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = instance->QueryInterface(iid, object);
    instance->Release();
    return hr;
}

void* CoTaskMemAlloc(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) {
        ++outstandingTaskMemBlocks;
    }
    return block;
}

void CoTaskMemFree(void* block) {
    if (block != nullptr) {
        --outstandingTaskMemBlocks;
        std::free(block);
    }
}

namespace platform::internal {

std::atomic<long> outstandingTaskMemBlocks{0};

BuiltinClass* FindBuiltinClass(REFCLSID clsid) {
    for (auto& c : builtinClasses()) {
        if (*c.clsid == clsid) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace platform::internal
