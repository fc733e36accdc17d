#include "composed_view.h"

ComposedView::~ComposedView() {
    clear();
}

HDC ComposedView::begin(const ViewKey& key) {
    valid_ = false;
    if (bitmap_ != nullptr && (key.width != key_.width || key.height != key_.height)) {
        clear();
    }
    key_ = key;
    if (bitmap_ == nullptr) {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(nullptr, key.width, key.height);
        if (bitmap_ == nullptr) {
            clear();
            return nullptr;
        }
        initial_ = SelectObject(dc_, bitmap_);
    }
    return dc_;
}

void ComposedView::copyTo(HDC dc, const RECT& rect) const {
    if (valid_) {
        BitBlt(dc, rect.left, rect.top, key_.width, key_.height, dc_, 0, 0, SRCCOPY);
    }
}

void ComposedView::clear() {
    valid_ = false;
    if (dc_ != nullptr && initial_ != nullptr) {
        SelectObject(dc_, initial_);
    }
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
    if (dc_ != nullptr) {
        DeleteDC(dc_);
    }
    dc_ = nullptr;
    bitmap_ = nullptr;
    initial_ = nullptr;
}

std::size_t ComposedView::bytes() const {
    return bitmap_ != nullptr ? std::size_t(key_.width) * std::size_t(key_.height) * 4 : 0;
}
