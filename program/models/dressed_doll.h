// The rules of the dressed doll, apart from the panel that shows it: the
// eight worn-garment slots with their places and conflicts, the order in
// which garments are layered and hit-tested, and the composition of the
// doll picture from the doll's frames and the garments' pictures.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "models/raster.h"

// In the order the slots are stored, listed in menus and numbered.
enum DollSlot { SlotWn, SlotPl, SlotBr, SlotBl, SlotHl, SlotYu, SlotSh, SlotTf, DollSlotCount };

// "Wn" ... "Tf".
const char* DollSlotSuffix(DollSlot slot);
// Place of the slot's pictures inside the 200 x 360 doll panel.
struct SlotPlace {
    int Left, Top, Width, Height;
};
SlotPlace DollSlotPlace(DollSlot slot);
constexpr int DollPanelWidth = 200;
constexpr int DollPanelHeight = 360;

// The slots taken off when the slot is put on.
const std::vector<DollSlot>& DollSlotConflicts(DollSlot slot);

// Garments drawn over the doll, first to last.
const std::array<DollSlot, DollSlotCount>& FrontLayerOrder();  // Tf Br Yu Bl Wn Pl Hl Sh
const std::array<DollSlot, DollSlotCount>& BackLayerOrder();   // Tf Br Yu Bl Hl Pl Wn Sh (overlay before Sh)
// Garments asked for a hit, first to last: the one on top first.
const std::array<DollSlot, DollSlotCount>& HitOrder();  // Sh Wn Pl Hl Bl Yu Br Tf
// Titles on the printed doll.
const std::array<DollSlot, DollSlotCount>& PrintOrder();  // Sh Wn Pl Hl Bl Br Yu Tf

// Which models are worn: per slot the model's index in its category, -1 none.
class DollDressing {
public:
    DollDressing();
    std::array<int, DollSlotCount> NumModel;
    // The slots each slot takes off (the table of DollSlotConflicts unless
    // the panel's layout says otherwise).
    std::array<std::vector<DollSlot>, DollSlotCount> Conflicts;

    bool Worn(DollSlot slot) const { return NumModel[slot] >= 0; }
    // Wears the model and takes off every slot that conflicts.
    void PutOn(DollSlot slot, int modelIndex);
    void TakeOff(DollSlot slot) { NumModel[slot] = -1; }
    void TakeOffAll() { NumModel.fill(-1); }
    bool AnyWorn() const;
};

// Frame x positions of the doll picture: frames of the panel's width side
// by side; front 0 (1 with an other-frame hat), back 2 (3), back overlay 4 (5).
int DollFrameIndex(bool front, bool otherFrame);

// True when the doll picture's pixel at (x, y) of the shown frame differs
// from its background key, pixel (0, 0).
bool PointOnDoll(const Raster& dollFrames, int panelWidth, bool front, bool otherFrame, int x, int y);

// The picture of the garment worn in a slot on the side shown; null when none.
using WornPictureFn = std::function<const Raster*(DollSlot)>;

// The dressed doll at the panel's size: the doll's frame, each worn garment
// at its slot's place with white transparent in the side's layer order (the
// back's overlay frame above every garment but the hat). With a background
// (the panel's place cut from the window's picture) the doll is laid over it
// through the fade level.
Raster ComposeDoll(const Raster& dollFrames, int panelWidth, int panelHeight, bool front, bool otherFrame,
                   const WornPictureFn& worn, const Raster* background = nullptr, int fadeStep = 0);

// The first slot, in hit order, whose garment has a piece at the point; -1 none.
int SlotAt(const std::function<int(DollSlot)>& pieceAt);
