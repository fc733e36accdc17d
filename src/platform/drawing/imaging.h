// The imaging service: a factory that builds decoded images from encoded
// bytes (PNG or JPEG), and images that draw themselves into a device context.
#pragma once

#include "gdi.h"

#include "platform/telephony/com.h"

constexpr CLSID CLSID_ImagingFactory = {
    0x327ABDA8, 0x072B, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr IID IID_IImagingFactory = {
    0x327ABDA7, 0x072B, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr IID IID_IImage = {
    0x327ABDA9, 0x072B, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

// Who frees a buffer handed to CreateImageFromBuffer once the image exists.
enum BufferDisposalFlag {
    BufferDisposalFlagNone = 0,       // the caller keeps the buffer
    BufferDisposalFlagGlobalFree = 1, // not supported here
    BufferDisposalFlagCoTaskMemFree = 2,
    BufferDisposalFlagUnmapView = 3, // not supported here
};

struct ImageInfo {
    UINT Width;
    UINT Height;
};

struct IImage : IUnknown {
    virtual HRESULT GetImageInfo(ImageInfo* info) = 0;
    // Draws the source rectangle of the image (the whole image when src is
    // null) stretched into dst.
    virtual HRESULT Draw(HDC dc, const RECT* dst, const RECT* src) = 0;
    // A new image of width x height holding the whole image reduced (or
    // enlarged), made once so that drawing it at that size costs no
    // scaling. A JPEG is decoded only as finely as the thumbnail needs.
    virtual HRESULT GetThumbnail(UINT width, UINT height, IImage** thumbnail) = 0;
    // Decodes now what drawing the whole image at width x height needs (a
    // JPEG otherwise decodes in its first draw at a finer size), so that
    // another thread can do that work before the image is drawn. One thread
    // at a time may use an image; E_FAIL when the bytes do not decode.
    virtual HRESULT Decode(UINT width, UINT height) = 0;

protected:
    ~IImage() = default;
};

struct IImagingFactory : IUnknown {
    // Decodes the buffer at once. On success the image owns the buffer as the
    // disposal flag says. On failure *image is null and the buffer is not
    // adopted: it still belongs to the caller.
    virtual HRESULT CreateImageFromBuffer(const void* buffer, UINT size, BufferDisposalFlag flag,
                                          IImage** image) = 0;

protected:
    ~IImagingFactory() = default;
};
