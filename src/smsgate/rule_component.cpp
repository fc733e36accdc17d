#include "smsgate.h"

#include "platform/system/files.h"
#include "platform/system/private_files.h"
#include "platform/telephony/class_registry.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The component as the registry creates it: an object that answers its
// interface. Creating it is the viewer's whole test of registration.
class RuleComponent final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (!(iid == IID_IUnknown || iid == IID_RuleComponent)) {
            return E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<IUnknown*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

private:
    ~RuleComponent() = default;
    std::atomic<ULONG> references_{1};
};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    // One static factory lives as long as the library.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* component = new RuleComponent;
        const HRESULT hr = component->QueryInterface(iid, object);
        component->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

std::string autostartPath() {
    const std::string home = platform::ConfigHome();
    return home.empty() ? home : home + "/autostart/" + kGateAutostartName;
}

// This library's own file, wherever it was loaded from.
std::string libraryPath() {
    Dl_info info{};
    char resolved[PATH_MAX];
    if (dladdr(reinterpret_cast<void*>(&RegisterRuleComponent), &info) == 0 ||
        info.dli_fname == nullptr || realpath(info.dli_fname, resolved) == nullptr) {
        return {};
    }
    return resolved;
}

// A desktop entry's Exec value: the path in double quotes, with the characters
// desktop entries escape inside them escaped.
std::string quoted(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

std::string autostartEntry(const std::string& daemon) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=tarvo SMS gate\n"
           "Comment=Hands TR-101 tracker reports to the tarvo map viewer\n"
           "Exec=" +
           quoted(daemon) +
           "\n"
           "NoDisplay=true\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool writeAutostart(const std::string& daemon, std::string* reason) {
    const std::string path = autostartPath();
    if (path.empty()) {
        *reason = "no configuration folder (neither XDG_CONFIG_HOME nor HOME is set)";
        return false;
    }
    return platform::SavePrivateFile(path, autostartEntry(daemon), 0644, reason);
}

} // namespace

// The viewer shows the same message whatever this returns, so why it failed
// goes to standard error, where a desktop session's journal keeps it.
extern "C" LONG RegisterRuleComponent() {
    const std::string library = libraryPath();
    std::string reason = "cannot find the library's own file";
    const std::string daemon = library.substr(0, library.find_last_of('/')) + "/smsgate";
    if (library.empty() || !platform::WriteClassEntry(CLSID_RuleComponent, library, &reason) ||
        !writeAutostart(daemon, &reason)) {
        std::fprintf(stderr, "smsgate: the rule component is not registered: %s\n", reason.c_str());
        return E_FAIL;
    }
    return S_OK;
}

extern "C" LONG UnregisterRuleComponent() {
    const bool entry = platform::RemoveClassEntry(CLSID_RuleComponent);
    const std::string path = autostartPath();
    const bool autostart = path.empty() || ::unlink(path.c_str()) == 0 || errno == ENOENT;
    return entry && autostart ? S_OK : E_FAIL;
}

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!(clsid == CLSID_RuleComponent)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    static Factory factory;
    return factory.QueryInterface(iid, object);
}
