#include "c_numbers.h"

#include <climits>
#include <cstdlib>
#include <locale.h>

namespace core {

namespace {

locale_t cLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

} // namespace

double CStringToDouble(const char* text) {
    return strtod_l(text, nullptr, cLocale());
}

int CStringToInt(const char* text) {
    long long value = strtoll_l(text, nullptr, 10, cLocale());
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return int(value);
}

} // namespace core
