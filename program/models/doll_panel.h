// The dressed doll as the doll panel shows it: which model each slot
// wears, dressing from a category's preview, the composed picture, what
// lies under a point, fabric drops and the slot values of a save slot.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "models/dressed_doll.h"
#include "models/garment_categories.h"

// The save slots' integer values (the registry on Windows).
class SlotStore {
public:
    virtual ~SlotStore() = default;
    virtual int ReadInteger(const std::string& section, const std::string& name, int fallback) = 0;
    virtual void WriteInteger(const std::string& section, const std::string& name, int value) = 0;
};

class DressedDoll {
public:
    // The category of each slot (Wn ... Tf); any may be missing.
    std::array<GarmentCategory*, DollSlotCount> Categories{};
    DollDressing Dressing;
    bool Face = true;  // front
    int FadeStep = 0;
    // Resource\Doll.bmp: six frames of the panel's size side by side.
    Raster DollFrames;

    // The worn model; none when nothing is worn or the index names no model.
    TModel* Model(DollSlot slot) const;
    // 1 while the hat slot wears a model with OtherDollFrame.
    int DollFrame() const;

    // Takes off every worn garment that cannot be worn with the view's
    // current model (and any whose stored index names no model).
    void CheckAllCompatible(const GarmentCategory& view);
    // The first slot of the view's category wears its current model; false
    // when no slot has that category or it has no models.
    bool PutOnFromView(const GarmentCategory& view);

    // Piece of the slot's garment at the panel point, -1 none.
    int PieceAt(DollSlot slot, int x, int y, bool front);
    // The slot whose garment lies on top at the point, -1 none.
    int ItemAt(int x, int y);
    bool OnDoll(int x, int y) const;
    // A fabric dropped at the point: the garment there fills the piece (its
    // group, or every piece with all) and composes the shown side again.
    bool FillAt(int x, int y, int fill, bool all);
    void FlipFace() { Face = !Face; }

    // The panel's picture; with a background (the panel's place cut from
    // the window's picture) laid over it at the fade step.
    Raster Compose(bool front, const Raster* background = nullptr);

    // Worn titles in the order the printed doll lists them.
    std::vector<std::string> WornTitles();

    // One integer per slot, "ModelsItemWn" ... "ModelsItemTf", -1 none.
    void LoadSlot(SlotStore& registry, const std::string& section);
    void SaveSlot(SlotStore& registry, const std::string& section) const;
};
