// Feeds arbitrary UTF-16 texts (two bytes a unit) to the tracker report
// reader, as any local program can send the viewer one: whatever it reads
// must be a position on the earth.
#include "core/report_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);
    const TrackerReport r = ReadTrackerReport(text);
    if (r.hasPosition() && !(std::isfinite(r.latitude) && std::isfinite(r.longitude) &&
                             std::fabs(r.latitude) <= 90 && std::fabs(r.longitude) <= 180)) {
        std::abort();
    }
    (void)DescribeTrackerReport(r);
    return 0;
}
