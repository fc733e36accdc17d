// UTF-16 <-> UTF-8, the program's "ANSI code page". Bytes that are not UTF-8
// (a file name in another encoding) come through FromUtf8 as the lone
// surrogates U+DC80..U+DCFF and go back to the same bytes through ToUtf8.
#pragma once

#include <string>
#include <string_view>

namespace core {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

} // namespace core
