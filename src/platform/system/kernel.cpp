#include "kernel.h"

#include "kernel_internal.h"

#include "core/utf8.h"

#include "platform/windows/ui_record.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

DWORD monotonicTicks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    auto ms = static_cast<unsigned long long>(now.tv_sec) * 1000ull +
              static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
    return static_cast<DWORD>(ms);
}

} // namespace

namespace platform::internal {

std::string moduleFileOverride;
DWORD (*tickSource)() = nullptr;
void (*debugSink)(std::u16string_view, void*) = nullptr;
void* debugSinkContext = nullptr;

} // namespace platform::internal

using platform::internal::debugSink;
using platform::internal::moduleFileOverride;
using platform::internal::tickSource;

DWORD GetModuleFileName(void*, LPWSTR buffer, DWORD size) {
    std::string path = moduleFileOverride;
    if (path.empty()) {
        char link[4096];
        ssize_t n = readlink("/proc/self/exe", link, sizeof link - 1);
        if (n <= 0) {
            return 0;
        }
        path.assign(link, std::size_t(n));
    }
    const std::u16string wide = core::FromUtf8(path);
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const std::size_t length = std::min<std::size_t>(wide.size(), size - 1);
    std::char_traits<char16_t>::copy(buffer, wide.data(), length);
    buffer[length] = 0;
    // A path that does not fit is cut, and the whole buffer's size returned.
    return wide.size() < size ? DWORD(length) : size;
}

DWORD GetTickCount() {
    return tickSource != nullptr ? tickSource() : monotonicTicks();
}

void OutputDebugStringW(LPCWSTR text) {
    if (text == nullptr) {
        return;
    }
    std::u16string_view view(text);
    if (debugSink != nullptr) {
        debugSink(view, platform::internal::debugSinkContext);
        return;
    }
    std::string bytes = core::ToUtf8(view);
    if (platform::RecordingUi()) {
        platform::RecordUiEvent("debug", {bytes});
    }
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

int WideCharToMultiByte(UINT, DWORD, LPCWSTR src, int srcLength, char* dst, int dstSize,
                        const char*, BOOL* usedDefault) {
    if (usedDefault != nullptr) {
        *usedDefault = FALSE;
    }
    if (src == nullptr || srcLength < -1 || dstSize < 0) {
        return 0;
    }
    std::u16string_view view =
        srcLength == -1 ? std::u16string_view(src, std::char_traits<char16_t>::length(src) + 1)
                        : std::u16string_view(src, std::size_t(srcLength));
    std::string bytes = core::ToUtf8(view);
    if (dstSize == 0) {
        return int(bytes.size());
    }
    if (dst == nullptr || bytes.size() > std::size_t(dstSize)) {
        return 0;
    }
    std::memcpy(dst, bytes.data(), bytes.size());
    return int(bytes.size());
}
