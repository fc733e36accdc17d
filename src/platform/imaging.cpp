#include "imaging.h"

#include "dc_internal.h"
#include "imaging_factory.h"
#include "tile_decoder.h"

#include <QPainter>
#include <atomic>

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
        QImage pixels = decoder_.decode(static_cast<const std::uint8_t*>(buffer), size);
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
    TileDecoder decoder_;
};

} // namespace

IUnknown* CreateImagingFactoryObject() {
    return static_cast<IImagingFactory*>(new ImagingFactory());
}

} // namespace platform
