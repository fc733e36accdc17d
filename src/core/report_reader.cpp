#include "report_reader.h"

#include "c_numbers.h"

#include <algorithm>
#include <string>

namespace {

constexpr int kTokenBytes = 100; // 99 characters and the terminator

// Converts the token t[first..last] as atof does, one byte per character.
float convert(const char16_t* text, int first, int last) {
    char bytes[kTokenBytes];
    const int length = std::min(last - first + 1, kTokenBytes - 1);
    for (int i = 0; i < length; ++i) {
        bytes[i] = char(text[first + i] & 0xFF);
    }
    bytes[length] = 0;
    return float(core::CStringToDouble(bytes));
}

// Steps back from *at over units of one kind (number or separator); false
// when that would step onto the first character.
bool stepBackOver(const char16_t* text, int* at, bool numbers) {
    while (IsNumberChar(text[*at]) == numbers) {
        if (--*at == 0) {
            return false;
        }
    }
    return true;
}

// The token ending at *at, which moves to the separator before it.
bool readToken(const char16_t* text, int* at, float* value) {
    const int last = *at;
    if (!stepBackOver(text, at, true)) {
        return false;
    }
    *value = convert(text, *at + 1, last);
    return true;
}

} // namespace

bool IsNumberChar(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'.';
}

bool ScanTrackerReport(const char16_t* text, float* longitude, float* latitude) {
    const int n = int(std::char_traits<char16_t>::length(text));
    if (n < 2) {
        return false;
    }
    int at = n - 1;
    return stepBackOver(text, &at, false) && readToken(text, &at, longitude) &&
           stepBackOver(text, &at, false) && readToken(text, &at, latitude);
}

int CountNumberTokens(const char16_t* text, int length) {
    int count = 0;
    bool inToken = false, hasDigit = false;
    for (int i = 0; i <= length; ++i) {
        const bool number = i < length && IsNumberChar(text[i]);
        if (number) {
            hasDigit = hasDigit || text[i] != u'.';
        } else if (inToken) {
            count += hasDigit ? 1 : 0;
            hasDigit = false;
        }
        inToken = number;
    }
    return count;
}
