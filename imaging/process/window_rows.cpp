#include "process/window_rows.h"

#include <algorithm>
#include <cstring>

WindowRows::WindowRows(BitmapRecord* bitmap, WindowShape shape) : bitmap_(bitmap), shape_(shape), work_(bitmap) {
    grey_ = bitmap->BitsPerPixel == 8 && !work_.Dithers();
    channels_ = grey_ ? 1 : 3;
}

int WindowRows::Start() {
    if (!grey_) {
        int rc = work_.Begin();
        if (rc != K_OK) return rc;
    }
    const int64_t w = bitmap_->Width, window = static_cast<int64_t>(shape_.above) + shape_.below + 1;
    ringRows_ = static_cast<int>(std::min<int64_t>(window, bitmap_->Height));
    const int64_t slot = (w + 2 * static_cast<int64_t>(shape_.pad)) * channels_;
    if (slot > INT32_MAX / 2 || slot * ringRows_ > INT32_MAX) return K_ERR_MEMORY;
    slotBytes_ = static_cast<int>(slot);
    ring_.emplace(static_cast<size_t>(slot) * ringRows_);
    out_.emplace(static_cast<size_t>(std::max<int64_t>(work_.RowBytes(), w * channels_)));
    raw_.emplace(static_cast<size_t>(work_.RowBytes()));
    pointerBlock_.emplace(static_cast<size_t>(window) * sizeof(unsigned char*));
    if (!*ring_ || !*out_ || !*raw_ || !*pointerBlock_) return K_ERR_MEMORY;
    pointers_ = reinterpret_cast<const unsigned char**>(pointerBlock_->get());
    return K_OK;
}

int WindowRows::Fetch(int index) {
    const int h = bitmap_->Height;
    const int y = shape_.displayOrder && bitmap_->ViewPerspective == K_BOTTOM_UP ? h - 1 - index : index;
    const int c = channels_, w = bitmap_->Width, pad = shape_.pad;
    unsigned char* slot = ring_->get() + static_cast<size_t>(index % ringRows_) * slotBytes_;
    unsigned char* raw = slot + static_cast<size_t>(pad) * c;
    // Grey rows go straight into their slot; work rows through the frame's
    // conversion (a stored row may be longer than the slot's pixels).
    int rc;
    if (grey_) {
        rc = RowTransferResult(K_GetBitmapRow(bitmap_, raw, y, w), w);
    } else {
        rc = work_.Read(y, raw_->get());
        if (rc == K_OK) std::memcpy(raw, raw_->get(), static_cast<size_t>(w) * c);
    }
    if (rc != K_OK) return rc;
    for (int i = 0; i < pad; ++i) {
        std::memcpy(slot + static_cast<size_t>(i) * c, raw, c);
        std::memcpy(slot + static_cast<size_t>(pad + w + i) * c, raw + static_cast<size_t>(w - 1) * c, c);
    }
    return K_OK;
}

int WindowRows::Store(int index, unsigned char* out) {
    const int h = bitmap_->Height;
    const int y = shape_.displayOrder && bitmap_->ViewPerspective == K_BOTTOM_UP ? h - 1 - index : index;
    if (!grey_) return work_.Write(y, out);
    const int bytes = bitmap_->BytesPerLine;
    if (bytes > bitmap_->Width) std::memset(out + bitmap_->Width, 0, static_cast<size_t>(bytes - bitmap_->Width));
    return RowTransferResult(K_PutBitmapRow(bitmap_, out, y, bytes), bytes);
}
