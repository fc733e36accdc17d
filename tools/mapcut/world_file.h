// ESRI world files: the six numbers that place an image on the earth.
#pragma once

#include "package_writer.h"

#include <cstdint>
#include <string>

namespace mapcut {

// The world file that belongs to an image, by the usual names: the
// extension's first and last letter plus 'w' (map.pgw), the extension plus
// 'w' (map.pngw), or .wld. Empty when there is none.
std::string FindWorldFile(const std::string& imagePath);

// Reads a world file (x pixel size, two rotation terms, y pixel size, and the
// centre of the top-left pixel) and gives the outer edges of a width x height
// image. Rotated images are refused: the map must be north-up and linear.
bool ReadWorldFile(const std::string& path, std::uint32_t width, std::uint32_t height,
                   Bounds* bounds, std::string* error);

} // namespace mapcut
