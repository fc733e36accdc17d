#include "com.h"

#include "imaging_factory.h"

#include <atomic>
#include <cstdlib>
#include <vector>

namespace {

thread_local int initCount = 0;
std::atomic<long> outstandingBlocks{0};

struct BuiltinClass {
    const CLSID* clsid;
    IUnknown* (*create)();
    bool available;
};

std::vector<BuiltinClass>& builtinClasses() {
    static std::vector<BuiltinClass> classes = {
        {&CLSID_ImagingFactory, &platform::CreateImagingFactoryObject, true},
    };
    return classes;
}

BuiltinClass* findBuiltin(REFCLSID clsid) {
    for (auto& c : builtinClasses()) {
        if (*c.clsid == clsid) {
            return &c;
        }
    }
    return nullptr;
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
    BuiltinClass* c = findBuiltin(clsid);
    if ((context & CLSCTX_INPROC_SERVER) == 0 || c == nullptr || !c->available) {
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
        ++outstandingBlocks;
    }
    return block;
}

void CoTaskMemFree(void* block) {
    if (block != nullptr) {
        --outstandingBlocks;
        std::free(block);
    }
}

namespace platform::testing {

long OutstandingTaskMemBlocks() {
    return outstandingBlocks.load();
}

void SetBuiltinClassAvailable(REFCLSID clsid, bool available) {
    if (BuiltinClass* c = findBuiltin(clsid)) {
        c->available = available;
    }
}

} // namespace platform::testing
