// Feeds arbitrary UTF-16 texts (two bytes a unit) to the tracker report
// parser, as any local program can send the viewer one.
#include "core/report_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);
    float longitude = 0, latitude = 0;
    (void)ScanTrackerReport(text.c_str(), &longitude, &latitude); // stops at the first NUL
    (void)CountNumberTokens(text.data(), int(text.size()));
    return 0;
}
