// Opens a map package whose tile file is the fuzzer's bytes (the description
// takes its 3 x 2 grid from the first byte), then draws it, so the table
// checks, the reads behind them and the decoder all see hostile input.
#include "package_writer.h"

#include "core/utf8.h"

#include "map/map_package.h"

#include "platform/drawing/offscreen_dc.h"
#include "platform/system/kernel.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string Folder() {
    static std::string folder = [] {
        char pattern[] = "/tmp/tarvo-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string prefix = Folder() + "/map";
    static bool archiveWritten = false;
    if (!archiveWritten) {
        std::string error;
        mapcut::WriteZipArchive(prefix + ".dt1",
                                {{"desc.txt", mapcut::FormatDescription(768, 512, {0, 2, 3, 0})}},
                                &error);
        archiveWritten = true;
    }
    std::FILE* f = std::fopen((prefix + ".dt2").c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    MapPackage map(core::FromUtf8(prefix).c_str());
    if (map.isOpen()) {
        static platform::OffscreenDC dc(64, 64);
        map.draw(dc.hdc(), 1.5f, 1.0f, RECT{0, 0, 64, 64}, 0.125f);
    }
    return 0;
}
