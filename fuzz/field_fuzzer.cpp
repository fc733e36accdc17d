// Feeds arbitrary go-to fields (lines of the input, at most 127 units each,
// as a form gives them) to the field parser of every input format, and the
// result back to the field filler.
#include "core/coordinate_formats.h"
#include "core/utf8.h"

#include "platform/system/kernel.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string fields[3];
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (std::u16string& field : fields) {
        const std::size_t end = rest.find('\n');
        field = core::FromUtf8(rest.substr(0, end)).substr(0, 127);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    for (std::int32_t format : {InputDegrees, InputDegreesMinutes, InputDegreesMinutesSeconds}) {
        const float v = ParseFieldTexts(format, fields);
        (void)FillFieldTexts(format, v);
        (void)PositionText(DegreesMinutesSeconds, v, v);
    }
    return 0;
}
