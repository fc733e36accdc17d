#include "imaging.h"

#include "dc_internal.h"
#include "gdi.h"
#include "imaging_factory.h"
#include "pixel_scaling.h"
#include "tile_decoder.h"

#include <QPainter>
#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace platform {

namespace {

// Reference counting and QueryInterface for an object of one interface.
template <class Interface, const IID& kIid> class RefCounted : public Interface {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == kIid) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    virtual ~RefCounted() = default;

private:
    std::atomic<ULONG> refs_{1};
};

// A tile. A PNG is decoded when it is made; a JPEG keeps its encoded bytes
// (as the handset's image keeps the buffer it adopts) and is decoded when
// drawn, at the size drawn: TurboJPEG decodes at 1/2, 1/4 or 1/8 for a
// fraction of the work. Pixels decoded at a size serve every draw at that
// size or smaller; a larger draw decodes again from the kept bytes. At zoom
// 1 and above every tile is decoded at full size, once.
class TileImage final : public RefCounted<IImage, IID_IImage> {
public:
    // Decoded already: the pixels are all it needs.
    TileImage(std::shared_ptr<TileDecoder> decoder, QImage pixels)
        : decoder_(std::move(decoder)), width_(pixels.width()), height_(pixels.height()),
          pixels_(std::move(pixels)) {}

    // Decoded when drawn: keeps the bytes, its own copy unless adopted.
    TileImage(std::shared_ptr<TileDecoder> decoder, const std::uint8_t* bytes, std::size_t size,
              bool adopted, int width, int height)
        : decoder_(std::move(decoder)), bytes_(bytes), size_(size), adopted_(adopted),
          width_(width), height_(height) {
        if (!adopted_) {
            copy_.assign(bytes, bytes + size);
            bytes_ = copy_.data();
        }
    }

    HRESULT GetImageInfo(ImageInfo* info) override {
        if (info == nullptr) {
            return E_POINTER;
        }
        info->Width = UINT(width_);
        info->Height = UINT(height_);
        return S_OK;
    }

    HRESULT Draw(HDC dc, const RECT* dst, const RECT* src) override {
        if (dc == nullptr || dc->painter == nullptr || dst == nullptr) {
            return E_INVALIDARG;
        }
        const QRect target = ToQRect(*dst);
        const QRect source = src != nullptr ? ToQRect(*src) : QRect(0, 0, width_, height_);
        if (target.isEmpty() || source.isEmpty()) {
            return S_OK;
        }
        QPainter& p = *dc->painter;
        if (!decodeFor(source.size(), target.size())) {
            // Drawn as a cell without a tile.
            const COLORREF window = GetSysColor(COLOR_WINDOW);
            p.fillRect(target, QColor(GetRValue(window), GetGValue(window), GetBValue(window)));
            return E_FAIL;
        }
        const double scale = 1.0 / denominator_;
        const QRectF scaled(source.x() * scale, source.y() * scale, source.width() * scale,
                            source.height() * scale);
        if (scaled.size() == QSizeF(target.size())) {
            p.drawImage(target.topLeft(), pixels_, scaled.toRect());
            return S_OK;
        }
        // Filtering only helps when shrinking, where dropping pixels would
        // make thin roads and rivers flicker in and out; enlarging stays
        // crisp without it.
        p.setRenderHint(QPainter::SmoothPixmapTransform,
                        target.width() < scaled.width() || target.height() < scaled.height());
        p.drawImage(QRectF(target), pixels_, scaled);
        return S_OK;
    }

    HRESULT GetThumbnail(UINT width, UINT height, IImage** thumbnail) override {
        if (thumbnail == nullptr) {
            return E_POINTER;
        }
        *thumbnail = nullptr;
        const QSize size(int(std::min<UINT>(width, kMaxTileSide)),
                         int(std::min<UINT>(height, kMaxTileSide)));
        if (size.isEmpty()) {
            return E_INVALIDARG;
        }
        if (!decodeFor(QSize(width_, height_), size)) {
            return E_FAIL;
        }
        QImage pixels = ReducedImage(pixels_, size);
        if (pixels.isNull()) {
            return E_OUTOFMEMORY;
        }
        *thumbnail = new TileImage(decoder_, std::move(pixels));
        return S_OK;
    }

    HRESULT Decode(UINT width, UINT height) override {
        const QSize size(int(std::min<UINT>(width, kMaxTileSide)),
                         int(std::min<UINT>(height, kMaxTileSide)));
        if (size.isEmpty()) {
            return E_INVALIDARG;
        }
        return decodeFor(QSize(width_, height_), size) ? S_OK : E_FAIL;
    }

private:
    ~TileImage() override {
        if (adopted_) {
            CoTaskMemFree(const_cast<std::uint8_t*>(bytes_));
        }
    }

    // The coarsest of 1/1 to 1/8 that still has a pixel for every pixel drawn.
    static int denominatorFor(const QSize& source, const QSize& target) {
        int d = 8;
        while (d > 1 &&
               (source.width() / d < target.width() || source.height() / d < target.height())) {
            d /= 2;
        }
        return d;
    }

    bool decodeFor(const QSize& source, const QSize& target) {
        if (failed_) {
            return false;
        }
        if (bytes_ == nullptr) {
            return true; // decoded when made
        }
        const int needed = denominatorFor(source, target);
        if (pixels_.isNull() || denominator_ > needed) {
            pixels_ = decoder_->decodeJpeg(bytes_, size_, needed);
            denominator_ = needed;
            failed_ = pixels_.isNull();
        }
        return !failed_;
    }

    std::shared_ptr<TileDecoder> decoder_;
    const std::uint8_t* bytes_ = nullptr; // a JPEG's, until it is released
    std::size_t size_ = 0;
    bool adopted_ = false;
    std::vector<std::uint8_t> copy_; // the bytes, when the caller keeps its buffer
    int width_, height_;
    QImage pixels_;
    int denominator_ = 1;
    bool failed_ = false;
};

class ImagingFactory final : public RefCounted<IImagingFactory, IID_IImagingFactory> {
public:
    HRESULT CreateImageFromBuffer(const void* buffer, UINT size, BufferDisposalFlag flag,
                                  IImage** image) override {
        if (image == nullptr) {
            return E_POINTER;
        }
        *image = nullptr;
        if (buffer == nullptr ||
            (flag != BufferDisposalFlagNone && flag != BufferDisposalFlagCoTaskMemFree)) {
            return E_INVALIDARG;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        const bool adopt = flag == BufferDisposalFlagCoTaskMemFree;
        int width = 0, height = 0;
        if (decoder_->jpegHeader(bytes, size, &width, &height)) {
            *image = new TileImage(decoder_, bytes, size, adopt, width, height);
            return S_OK;
        }
        QImage pixels = decoder_->decode(bytes, size);
        if (pixels.isNull()) {
            return E_FAIL;
        }
        *image = new TileImage(decoder_, std::move(pixels));
        // The image owns the buffer from here on; having decoded it up front
        // it has no further use for the encoded bytes and frees them now.
        if (adopt) {
            CoTaskMemFree(const_cast<void*>(buffer));
        }
        return S_OK;
    }

private:
    std::shared_ptr<TileDecoder> decoder_ = std::make_shared<TileDecoder>();
};

} // namespace

IUnknown* CreateImagingFactoryObject() {
    return static_cast<IImagingFactory*>(new ImagingFactory());
}

} // namespace platform
