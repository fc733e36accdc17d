#include "imaging.h"

#include "dc_internal.h"
#include "imaging_factory.h"
#include "tile_decoder.h"

#include "gdi.h"

#include <QPainter>
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

class DecodedImage final : public RefCounted<IImage, IID_IImage> {
public:
    explicit DecodedImage(QImage pixels) : pixels_(std::move(pixels)) {}

    HRESULT GetImageInfo(ImageInfo* info) override {
        if (info == nullptr) {
            return E_POINTER;
        }
        info->Width = UINT(pixels_.width());
        info->Height = UINT(pixels_.height());
        return S_OK;
    }

    HRESULT Draw(HDC dc, const RECT* dst, const RECT* src) override {
        if (dc == nullptr || dc->painter == nullptr || dst == nullptr) {
            return E_INVALIDARG;
        }
        QRect target = ToQRect(*dst);
        QRect source = src != nullptr ? ToQRect(*src) : pixels_.rect();
        if (target.isEmpty() || source.isEmpty()) {
            return S_OK;
        }
        // Filtering only helps when shrinking, where dropping pixels would
        // make thin roads and rivers flicker in and out; at 1:1 it changes
        // nothing and enlarging stays crisp without it.
        bool shrinking = target.width() < source.width() || target.height() < source.height();
        QPainter& p = *dc->painter;
        p.setRenderHint(QPainter::SmoothPixmapTransform, shrinking);
        p.drawImage(target, pixels_, source);
        return S_OK;
    }

private:
    QImage pixels_;
};

// A JPEG tile keeps its encoded bytes (as the handset's image keeps the
// buffer it adopts) and is decoded when it is drawn, at the size it is
// drawn: TurboJPEG decodes at 1/2, 1/4 or 1/8 for a fraction of the work, so
// a zoomed-out view does not decode every tile at full size only to shrink
// it. Pixels decoded at a size serve every draw at that size or smaller; a
// larger draw decodes again from the kept bytes. At zoom 1 and above every
// tile is decoded at full size, once, on its first draw.
class JpegImage final : public RefCounted<IImage, IID_IImage> {
public:
    JpegImage(std::shared_ptr<TileDecoder> decoder, const std::uint8_t* bytes, std::size_t size,
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
        if (!decodeFor(source, target)) {
            // Drawn as a cell without a tile.
            const COLORREF window = GetSysColor(COLOR_WINDOW);
            dc->painter->fillRect(target,
                                  QColor(GetRValue(window), GetGValue(window), GetBValue(window)));
            return E_FAIL;
        }
        const double scale = 1.0 / denominator_;
        const QRectF scaled(source.x() * scale, source.y() * scale, source.width() * scale,
                            source.height() * scale);
        QPainter& p = *dc->painter;
        p.setRenderHint(QPainter::SmoothPixmapTransform,
                        target.width() < scaled.width() || target.height() < scaled.height());
        p.drawImage(QRectF(target), pixels_, scaled);
        return S_OK;
    }

private:
    ~JpegImage() override {
        if (adopted_) {
            CoTaskMemFree(const_cast<std::uint8_t*>(bytes_));
        }
    }

    // The coarsest of 1/1 to 1/8 that still has a pixel for every pixel drawn.
    static int denominatorFor(const QRect& source, const QRect& target) {
        int d = 8;
        while (d > 1 &&
               (source.width() / d < target.width() || source.height() / d < target.height())) {
            d /= 2;
        }
        return d;
    }

    bool decodeFor(const QRect& source, const QRect& target) {
        if (failed_) {
            return false;
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
    const std::uint8_t* bytes_;
    std::size_t size_;
    bool adopted_;
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
        int width = 0, height = 0;
        if (decoder_->jpegHeader(bytes, size, &width, &height)) {
            *image = new JpegImage(decoder_, bytes, size, flag == BufferDisposalFlagCoTaskMemFree,
                                   width, height);
            return S_OK;
        }
        QImage pixels = decoder_->decode(bytes, size);
        if (pixels.isNull()) {
            return E_FAIL;
        }
        *image = new DecodedImage(std::move(pixels));
        // The image owns the buffer from here on; having decoded it up front
        // it has no further use for the encoded bytes and frees them now.
        if (flag == BufferDisposalFlagCoTaskMemFree) {
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
