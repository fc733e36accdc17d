#include "kernel.h"

#include "ui_record.h"

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

platform::testing::TickSource tickSource = nullptr;
std::string moduleFileOverride;
platform::testing::DebugOutputCapture* activeCapture = nullptr;

} // namespace

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
    const std::u16string wide = platform::FromUtf8(path);
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
    if (activeCapture != nullptr) {
        activeCapture->text_.append(view);
        return;
    }
    std::string bytes = platform::ToUtf8(view);
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
    std::string bytes = platform::ToUtf8(view);
    if (dstSize == 0) {
        return int(bytes.size());
    }
    if (dst == nullptr || bytes.size() > std::size_t(dstSize)) {
        return 0;
    }
    std::memcpy(dst, bytes.data(), bytes.size());
    return int(bytes.size());
}

namespace platform {

// UTF-8 with the bytes that are not UTF-8 kept: each such byte b becomes
// the lone surrogate U+DC00 + b, and turns back into b, so that a file name
// of any bytes survives the trip through UTF-16.
std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xDC80 && c < 0xDD00) {
            out += char(c - 0xDC00); // an escaped byte
            continue;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD; // any other lone surrogate
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

// The code point of the well-formed UTF-8 sequence at text[i], and its
// length; 0 when the bytes there are no such sequence.
int decodeUtf8(std::string_view text, std::size_t i, std::uint32_t* c) {
    const auto b = [&](std::size_t k) { return std::uint8_t(text[i + k]); };
    const std::uint8_t lead = b(0);
    int length = lead < 0x80                   ? 1
                 : lead >= 0xC2 && lead < 0xE0 ? 2
                 : lead >= 0xE0 && lead < 0xF0 ? 3
                 : lead >= 0xF0 && lead < 0xF5 ? 4
                                               : 0;
    if (length == 0 || i + std::size_t(length) > text.size()) {
        return 0;
    }
    std::uint32_t v = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((b(std::size_t(k)) & 0xC0) != 0x80) {
            return 0;
        }
        v = (v << 6) | (b(std::size_t(k)) & 0x3F);
    }
    static const std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < kLeast[length] || v > 0x10FFFF || (v >= 0xD800 && v < 0xE000)) {
        return 0; // overlong, beyond Unicode, or a surrogate
    }
    *c = v;
    return length;
}

} // namespace

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t c = 0;
        const int length = decodeUtf8(text, i, &c);
        if (length == 0) {
            out += char16_t(0xDC00 + std::uint8_t(text[i])); // kept as an escaped byte
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += std::size_t(length);
    }
    return out;
}

namespace testing {

void SetModuleFileName(const std::string& path) {
    moduleFileOverride = path;
}

TickSource SetTickSource(TickSource source) {
    TickSource previous = tickSource;
    tickSource = source;
    return previous;
}

DebugOutputCapture::DebugOutputCapture() : previous_(activeCapture) {
    activeCapture = this;
}

DebugOutputCapture::~DebugOutputCapture() {
    activeCapture = previous_;
}

} // namespace testing
} // namespace platform
