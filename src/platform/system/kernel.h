// Kernel services: the millisecond tick count, debug output and code-page
// conversion. The "ANSI code page" of this platform is UTF-8.
#pragma once

#include "types.h"

#include <string>
#include <string_view>

using HANDLE = void*;

// The full path of the running executable (from /proc/self/exe), as UTF-16,
// at most size - 1 units plus the terminator. Returns the length; `size`
// when the path did not fit (it is then cut); 0 on failure.
DWORD GetModuleFileName(void* module, LPWSTR buffer, DWORD size);

// A named mutex exists while any live process holds a handle to it. The
// viewer only ever creates and closes one: its existence is the signal.
HANDLE CreateMutex(void* attributes, BOOL initialOwner, LPCWSTR name);
BOOL CloseHandle(HANDLE handle);

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

// Whether a process holds a mutex of that name. Asks without taking it.
bool NamedMutexExists(LPCWSTR name);

} // namespace platform
