#include "models/dressed_doll.h"

#include <vector>

namespace {

const char* const kSuffixes[DollSlotCount] = {"Wn", "Pl", "Br", "Bl", "Hl", "Yu", "Sh", "Tf"};

const SlotPlace kPlaces[DollSlotCount] = {
    {0, 0, 200, 360}, {0, 0, 200, 360}, {0, 0, 200, 360}, {0, 0, 200, 360},
    {0, 0, 200, 360}, {0, 0, 200, 360}, {0, 0, 200, 80},  {0, 240, 200, 120},
};

}  // namespace

const char* DollSlotSuffix(DollSlot slot) { return kSuffixes[slot]; }
SlotPlace DollSlotPlace(DollSlot slot) { return kPlaces[slot]; }

const std::vector<DollSlot>& DollSlotConflicts(DollSlot slot) {
    static const std::vector<DollSlot> kConflicts[DollSlotCount] = {
        {SlotBl, SlotHl, SlotYu, SlotPl},          // Wn
        {SlotBl, SlotBr, SlotHl, SlotYu, SlotWn},  // Pl
        {SlotHl, SlotPl, SlotYu},                  // Br
        {SlotHl, SlotPl, SlotWn},                  // Bl
        {SlotBl, SlotBr, SlotPl, SlotYu, SlotWn},  // Hl
        {SlotBr, SlotHl, SlotPl, SlotWn},          // Yu
        {},                                        // Sh
        {},                                        // Tf
    };
    return kConflicts[slot];
}

const std::array<DollSlot, DollSlotCount>& FrontLayerOrder() {
    static const std::array<DollSlot, DollSlotCount> order = {SlotTf, SlotBr, SlotYu, SlotBl,
                                                              SlotWn, SlotPl, SlotHl, SlotSh};
    return order;
}
const std::array<DollSlot, DollSlotCount>& BackLayerOrder() {
    static const std::array<DollSlot, DollSlotCount> order = {SlotTf, SlotBr, SlotYu, SlotBl,
                                                              SlotHl, SlotPl, SlotWn, SlotSh};
    return order;
}
const std::array<DollSlot, DollSlotCount>& HitOrder() {
    static const std::array<DollSlot, DollSlotCount> order = {SlotSh, SlotWn, SlotPl, SlotHl,
                                                              SlotBl, SlotYu, SlotBr, SlotTf};
    return order;
}
const std::array<DollSlot, DollSlotCount>& PrintOrder() {
    static const std::array<DollSlot, DollSlotCount> order = {SlotSh, SlotWn, SlotPl, SlotHl,
                                                              SlotBl, SlotBr, SlotYu, SlotTf};
    return order;
}

DollDressing::DollDressing() {
    NumModel.fill(-1);
    for (int s = 0; s < DollSlotCount; ++s) Conflicts[s] = DollSlotConflicts(DollSlot(s));
}

void DollDressing::PutOn(DollSlot slot, int modelIndex) {
    NumModel[slot] = modelIndex;
    for (DollSlot other : Conflicts[slot])
        if (other != slot) TakeOff(other);
}

bool DollDressing::AnyWorn() const {
    for (int n : NumModel)
        if (n >= 0) return true;
    return false;
}

int DollFrameIndex(bool front, bool otherFrame) { return (otherFrame ? 1 : 0) + (front ? 0 : 2); }

bool PointOnDoll(const Raster& dollFrames, int panelWidth, bool front, bool otherFrame, int x, int y) {
    if (x < 0 || x >= panelWidth) return false;
    const RasterColor c = dollFrames.At(x + DollFrameIndex(front, otherFrame) * panelWidth, y);
    return c != RasterNoPixel && c != dollFrames.At(0, 0);
}

Raster ComposeDoll(const Raster& dollFrames, int panelWidth, int panelHeight, bool front, bool otherFrame,
                   const WornPictureFn& worn, const Raster* background, int fadeStep) {
    const int frame = DollFrameIndex(front, otherFrame);
    Raster doll = CopyRect(dollFrames, frame * panelWidth, 0, panelWidth, panelHeight);
    const auto& order = front ? FrontLayerOrder() : BackLayerOrder();
    for (DollSlot slot : order) {
        if (slot == SlotSh && !front) {
            const Raster overlay = CopyRect(dollFrames, (frame + 2) * panelWidth, 0, panelWidth, panelHeight);
            DrawMasked(0, 0, doll, overlay);
        }
        if (const Raster* picture = worn(slot)) {
            const SlotPlace place = DollSlotPlace(slot);
            DrawMasked(place.Left, place.Top, doll, *picture);
        }
    }
    if (!background) return doll;
    Raster under = CopyRect(*background, 0, 0, panelWidth, panelHeight);
    ApplyDitherLevel(under, doll, fadeStep);
    return under;
}

int SlotAt(const std::function<int(DollSlot)>& pieceAt) {
    for (DollSlot slot : HitOrder())
        if (pieceAt(slot) >= 0) return slot;
    return -1;
}
