// Resize while loading: nearest-neighbour scaling by whole replication
// counts per source column and row, spread by 256-entry pick maps.
#pragma once

#include "volkg.h"

// Marks n entries of a 256-byte map evenly; returns 65280 / n (0 for n 0).
int BuildResizePickMap(int n, unsigned char* map);
// The step computation of K_StartResize for callers that keep their own
// maps. Sizes are taken modulo 2^24.
void ComputeResizeSteps(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, unsigned char* xPick,
                        unsigned char* yPick, int* xStep, int* yStep);

// Owns a resize context for a scope; empty when no resize is needed.
class ResizeScope {
public:
    ResizeScope() = default;
    ~ResizeScope() {
        if (context_) K_StopResize(context_);
    }
    ResizeScope(const ResizeScope&) = delete;
    ResizeScope& operator=(const ResizeScope&) = delete;
    int Start(int oldWidth, int oldHeight, int newWidth, int newHeight) {
        return K_StartResize(oldWidth, oldHeight, newWidth, newHeight, &context_);
    }
    ResizeContext* get() const { return context_; }

private:
    ResizeContext* context_ = nullptr;
};
