// Kernel services: the millisecond tick count, debug output and code-page
// conversion. The "ANSI code page" of this platform is UTF-8.
#pragma once

#include "types.h"

#include <string>
#include <string_view>

// Milliseconds since an arbitrary start, wrapping at 2^32 like the handset's.
DWORD GetTickCount();

// Writes the text to the debug output (standard error), byte for byte.
void OutputDebugStringW(LPCWSTR text);

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// Converts UTF-16 to the code page. With srcLength -1 the source ends at its
// terminator, which is converted too. With dstSize 0 returns the size needed.
// Returns the bytes written, or 0 when the destination is too small.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLength, char* dst,
                        int dstSize, const char* defaultChar, BOOL* usedDefault);

namespace platform {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

namespace testing {

using TickSource = DWORD (*)();
// Replaces the clock behind GetTickCount; null restores the real one.
// Returns the previous source.
TickSource SetTickSource(TickSource source);

// Collects everything written with OutputDebugStringW while it lives.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;
    const std::u16string& text() const { return text_; }

private:
    friend void ::OutputDebugStringW(LPCWSTR);
    std::u16string text_;
    DebugOutputCapture* previous_;
};

} // namespace testing
} // namespace platform
