// Number conversions with the C library's rules in the "C" locale, whatever
// locale the process runs in: '.' is always the decimal point.
#pragma once

namespace core {

// As atof: leading white space, optional sign, digits with at most one '.',
// optional exponent; stops at the first other character; 0 without digits.
double CStringToDouble(const char* text);

// As atoi: leading white space, optional sign, digits up to the first other
// character; 0 without digits. Values beyond 32 bits saturate.
int CStringToInt(const char* text);

} // namespace core
