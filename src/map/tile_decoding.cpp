#include "tile_decoding.h"

#include "platform/telephony/com.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

bool ReadTileBytes(const TileSource& source, void* buffer) {
    if (source.offset < 0) {
        return false;
    }
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < source.length) {
        const ssize_t n = ::pread(source.fd, bytes + done, source.length - done,
                                  off_t(source.offset + std::int64_t(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false; // an error, or the file ends early
        }
        done += std::size_t(n);
    }
    return true;
}

IImage* DecodeTile(IImagingFactory* factory, const TileSource& source, std::uint32_t side,
                   int drawn) {
    void* buffer = CoTaskMemAlloc(source.length);
    if (buffer == nullptr) {
        return nullptr;
    }
    if (!ReadTileBytes(source, buffer)) {
        CoTaskMemFree(buffer);
        return nullptr;
    }
    IImage* image = nullptr;
    HRESULT hr = factory->CreateImageFromBuffer(buffer, UINT(source.length),
                                                BufferDisposalFlagCoTaskMemFree, &image);
    if (FAILED(hr) || image == nullptr) {
        // A failed creation adopts nothing: the buffer is still ours.
        CoTaskMemFree(buffer);
        return nullptr;
    }
    if (side == 0) {
        const auto size = UINT(std::clamp(drawn, 1, 1 << 16));
        if (FAILED(image->Decode(size, size))) {
            image->Release(); // a tile that does not decode
            return nullptr;
        }
        return image;
    }
    IImage* thumbnail = nullptr;
    if (FAILED(image->GetThumbnail(side, side, &thumbnail))) {
        thumbnail = nullptr; // a tile that does not decode
    }
    image->Release();
    return thumbnail;
}
