// Neighbourhood operations in place: every output row is made from a window
// of source rows around it, each source row read and converted once and
// kept in a ring until no later window needs it, so writing in place is
// safe. Rows are B, G, R work rows of the processing frame, or plain grey
// levels for an 8-bit grey-ramp bitmap (one channel instead of three: its
// three components are equal, so the result is the same).
#pragma once

#include <cstdint>
#include <optional>

#include "process/process_frame.h"

struct WindowShape {
    int above;          // rows of the window before the output row
    int below;          // rows after it
    int pad;            // edge pixels repeated on each side of every row
    bool displayOrder;  // rows taken top line first, else storage order
};

// What a window operation sees for one output row.
struct Window {
    const unsigned char* const* rows;  // above + below + 1 rows, clamped into the picture
    int width;                         // pixels
    int channels;                      // 1 (grey levels) or 3 (B, G, R)
};

class WindowRows {
public:
    WindowRows(BitmapRecord* bitmap, WindowShape shape);
    // Makes a row op(const Window&, unsigned char* out) for every output
    // row, with progress from 0 to 100; 1, -1, a row transfer's code, the
    // frame's dithering code or the callback's result.
    template <typename RowOp>
    int Run(RowOp&& op);

private:
    int Start();
    int Fetch(int index);  // converts source row index into its ring slot
    int Store(int index, unsigned char* out);

    BitmapRecord* bitmap_;
    WindowShape shape_;
    WorkRows work_;
    bool grey_;
    int channels_ = 3;
    int ringRows_ = 0;
    int slotBytes_ = 0;
    std::optional<GlobalBuffer> ring_, out_, raw_, pointerBlock_;
    const unsigned char** pointers_ = nullptr;
};

template <typename RowOp>
int WindowRows::Run(RowOp&& op) {
    int rc = Start();
    if (rc != K_OK) return rc;
    const int h = bitmap_->Height, window = shape_.above + shape_.below + 1;
    BitmapLock lock(bitmap_);
    SpanProgress progress(0, 100, h);
    rc = progress.Begin();
    int fetched = 0;  // rows 0 .. fetched - 1 are in the ring
    for (int o = 0; o < h && rc == K_OK; ++o) {
        const int lastNeeded = o + shape_.below < h - 1 ? o + shape_.below : h - 1;
        while (fetched <= lastNeeded && rc == K_OK) rc = Fetch(fetched++);
        if (rc != K_OK) break;
        for (int k = 0; k < window; ++k) {
            int64_t r = static_cast<int64_t>(o) - shape_.above + k;
            r = r < 0 ? 0 : r > h - 1 ? h - 1 : r;
            pointers_[k] = ring_->get() + static_cast<size_t>(r % ringRows_) * slotBytes_ +
                           static_cast<size_t>(shape_.pad) * channels_;
        }
        op(Window{pointers_, bitmap_->Width, channels_}, out_->get());
        if ((rc = Store(o, out_->get())) != K_OK) break;
        rc = progress.Step();
    }
    return rc;
}
