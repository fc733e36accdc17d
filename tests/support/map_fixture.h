// Building map packages for tests: temporary folders, descriptions, solid
// tiles whose colour encodes their tile number, and whole packages.
#pragma once

#include "platform/system/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct MapShape {
    std::uint32_t width;
    std::uint32_t height;
    double left;
    double top;
    double right;
    double bottom;
};

std::string DescriptionText(const MapShape& shape);

// The colour of tile n in maps made by WriteNumberedMap; never white, the
// colour of cells without a tile.
COLORREF TileColour(std::uint32_t n);

// A side x side PNG (or JPEG) filled with one colour.
std::string SolidTile(COLORREF colour, int side = 256, bool jpeg = false);

// prefix.dt1 holding desc.txt with `desc`, and prefix.dt2 holding the tiles.
void WriteMap(const std::string& prefix, const std::string& desc,
              const std::vector<std::string>& tiles);

// A map of that size whose every tile is solid in TileColour(n).
void WriteNumberedMap(const std::string& prefix, const MapShape& shape);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::u16string Wide(const std::string& text);

} // namespace testsupport
