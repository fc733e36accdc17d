// Reading a large image a band of rows at a time, so that memory stays
// bounded by the band, whatever the size of the image.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace mapcut {

class ImageSource {
public:
    virtual ~ImageSource() = default;
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    // Reads the next `rows` rows as RGBA, each width() * 4 bytes.
    virtual bool readRows(std::uint8_t* rgba, std::uint32_t rows, std::string* error) = 0;

protected:
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
};

// Opens a PNG, JPEG or TIFF file, telling them apart by their first bytes.
std::unique_ptr<ImageSource> OpenImage(const std::string& path, std::string* error);

} // namespace mapcut
