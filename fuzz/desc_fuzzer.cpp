// Feeds arbitrary bytes to the description parser and its checks.
#include "map/map_desc.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMapDesc d = ParseMapDescription(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)CheckMapDescription(d);
    return 0;
}
