#include "map_fixture.h"

#include "package_writer.h"
#include "tile_encoder.h"

#include "core/utf8.h"

#include "platform/system/kernel.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string DescriptionText(const MapShape& s) {
    return mapcut::FormatDescription(s.width, s.height, {s.left, s.top, s.right, s.bottom});
}

COLORREF TileColour(std::uint32_t n) {
    return RGB(BYTE(n), BYTE(n >> 8), 0x40);
}

std::string SolidTile(COLORREF colour, int side, bool jpeg) {
    std::vector<std::uint8_t> rgba(std::size_t(side) * side * 4);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = GetRValue(colour);
        rgba[i + 1] = GetGValue(colour);
        rgba[i + 2] = GetBValue(colour);
        rgba[i + 3] = 0xFF;
    }
    mapcut::EncoderOptions options;
    options.format = jpeg ? mapcut::TileFormat::Jpeg : mapcut::TileFormat::Png;
    options.jpegQuality = 95;
    std::string out, error;
    if (!mapcut::EncodeTile(rgba.data(), side, options, &out, &error)) {
        throw std::runtime_error(error);
    }
    return out;
}

void WriteMap(const std::string& prefix, const std::string& desc,
              const std::vector<std::string>& tiles) {
    std::string error;
    if (!mapcut::WriteZipArchive(prefix + ".dt1", {{"desc.txt", desc}}, &error) ||
        !mapcut::WriteTileFile(prefix + ".dt2", tiles, &error)) {
        throw std::runtime_error(error);
    }
}

void WriteNumberedMap(const std::string& prefix, const MapShape& shape) {
    std::vector<std::string> tiles;
    const std::uint32_t count = (shape.width / 256) * (shape.height / 256);
    for (std::uint32_t n = 1; n <= count; ++n) {
        tiles.push_back(SolidTile(TileColour(n)));
    }
    WriteMap(prefix, DescriptionText(shape), tiles);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::u16string Wide(const std::string& text) {
    return core::FromUtf8(text);
}

} // namespace testsupport
