#include "imaging.h"

#include "dc_internal.h"
#include "imaging_factory.h"
#include "reduced_tiles.h"
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

// What the factory shares with its images: the decoder and the reduced
// drawings of tiles.
struct DecodingContext {
    TileDecoder decoder;
    ReducedTiles reduced;
};

// A tile. A PNG is decoded when it is made, unless a reduced drawing of it is
// kept; a JPEG keeps its encoded bytes (as the handset's image keeps the
// buffer it adopts) and is decoded when drawn, at the size drawn: TurboJPEG
// decodes at 1/2, 1/4 or 1/8 for a fraction of the work. Pixels decoded at a
// size serve every draw at that size or smaller; a larger draw decodes again
// from the kept bytes. At zoom 1 and above every tile is decoded at full
// size, once. A whole tile drawn at a quarter of its side or less is kept
// reduced (shared by every image of the same bytes), so a zoomed-out view
// decodes each tile once, not on every paint.
class TileImage final : public RefCounted<IImage, IID_IImage> {
public:
    // Decoded already: full-size pixels; the bytes are not needed.
    TileImage(std::shared_ptr<DecodingContext> context, TileKey key, QImage pixels)
        : context_(std::move(context)), key_(key), width_(pixels.width()), height_(pixels.height()),
          pixels_(std::move(pixels)) {}

    // Decoded when drawn: keeps the bytes, its own copy unless adopted.
    TileImage(std::shared_ptr<DecodingContext> context, TileKey key, const std::uint8_t* bytes,
              std::size_t size, bool adopted, bool jpeg, int width, int height)
        : context_(std::move(context)), key_(key), bytes_(bytes), size_(size), adopted_(adopted),
          jpeg_(jpeg), width_(width), height_(height) {
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
        const bool reduced = src == nullptr &&
                             target.width() * ReducedTiles::kMinReduction <= width_ &&
                             target.height() * ReducedTiles::kMinReduction <= height_;
        QImage small;
        if (reduced && context_->reduced.find(key_, target.width(), target.height(), &small)) {
            p.drawImage(target.topLeft(), small);
            return S_OK;
        }
        if (!decodeFor(source, target)) {
            // Drawn as a cell without a tile.
            const COLORREF window = GetSysColor(COLOR_WINDOW);
            p.fillRect(target, QColor(GetRValue(window), GetGValue(window), GetBValue(window)));
            return E_FAIL;
        }
        if (reduced) {
            small = pixels_.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            context_->reduced.insert(key_, small);
            p.drawImage(target.topLeft(), small);
            return S_OK;
        }
        const double scale = 1.0 / denominator_;
        const QRectF scaled(source.x() * scale, source.y() * scale, source.width() * scale,
                            source.height() * scale);
        // Filtering only helps when shrinking, where dropping pixels would
        // make thin roads and rivers flicker in and out; at 1:1 it changes
        // nothing and enlarging stays crisp without it.
        p.setRenderHint(QPainter::SmoothPixmapTransform,
                        target.width() < scaled.width() || target.height() < scaled.height());
        p.drawImage(QRectF(target), pixels_, scaled);
        return S_OK;
    }

private:
    ~TileImage() override {
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
        const int needed = jpeg_ ? denominatorFor(source, target) : 1;
        if (pixels_.isNull() || denominator_ > needed) {
            pixels_ = jpeg_ ? context_->decoder.decodeJpeg(bytes_, size_, needed)
                            : context_->decoder.decode(bytes_, size_);
            denominator_ = needed;
            failed_ = pixels_.isNull();
        }
        return !failed_;
    }

    std::shared_ptr<DecodingContext> context_;
    TileKey key_;
    const std::uint8_t* bytes_ = nullptr;
    std::size_t size_ = 0;
    bool adopted_ = false;
    bool jpeg_ = false;
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
        const TileKey key = context_->reduced.keyOf(bytes, size);
        int width = 0, height = 0;
        if (context_->decoder.jpegHeader(bytes, size, &width, &height)) {
            *image = new TileImage(context_, key, bytes, size, adopt, true, width, height);
            return S_OK;
        }
        // Bytes drawn reduced before decoded then; they need no decoding now.
        if (context_->reduced.contains(key) && ReadEncodedImageSize(bytes, size, &width, &height)) {
            *image = new TileImage(context_, key, bytes, size, adopt, false, width, height);
            return S_OK;
        }
        QImage pixels = context_->decoder.decode(bytes, size);
        if (pixels.isNull()) {
            return E_FAIL;
        }
        *image = new TileImage(context_, key, std::move(pixels));
        // The image owns the buffer from here on; having decoded it up front
        // it has no further use for the encoded bytes and frees them now.
        if (adopt) {
            CoTaskMemFree(const_cast<void*>(buffer));
        }
        return S_OK;
    }

private:
    std::shared_ptr<DecodingContext> context_ = std::make_shared<DecodingContext>();
};

} // namespace

IUnknown* CreateImagingFactoryObject() {
    return static_cast<IImagingFactory*>(new ImagingFactory());
}

} // namespace platform
