#include "utf8.h"

#include <cstdint>

namespace core {

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

} // namespace core
