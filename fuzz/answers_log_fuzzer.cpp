// The answers log as read back after a crash or an edit: any bytes parse
// without fault, and every answer read writes back to the same line.
#include "core/answers_log.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const core::LoggedAnswer& answer : core::ParseAnswersLog(bytes)) {
        const std::string line = core::FormatAnswerLine(answer);
        core::LoggedAnswer again;
        if (!core::ParseAnswerLine(std::string_view(line).substr(0, line.size() - 1), &again) ||
            core::FormatAnswerLine(again) != line) {
            std::abort();
        }
    }
    return 0;
}
