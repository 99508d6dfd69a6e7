#include "models/doll_panel.h"

namespace {

std::string SlotValueName(DollSlot slot) { return std::string("ModelsItem") + DollSlotSuffix(slot); }

}  // namespace

TModel* DressedDoll::Model(DollSlot slot) const {
    GarmentCategory* category = Categories[slot];
    return category ? category->ModelAt(Dressing.NumModel[slot]) : nullptr;
}

int DressedDoll::DollFrame() const {
    const TModel* hat = Model(SlotSh);
    return hat && hat->OtherDollFrame ? 1 : 0;
}

void DressedDoll::CheckAllCompatible(const GarmentCategory& view) {
    const TModel* chosen = view.CurrentModel();
    for (int s = 0; s < DollSlotCount; ++s) {
        const DollSlot slot = DollSlot(s);
        if (!Dressing.Worn(slot)) continue;
        const TModel* worn = Model(slot);
        if (!worn || (chosen && !ModelsCompatible(*chosen, *worn))) Dressing.TakeOff(slot);
    }
}

bool DressedDoll::PutOnFromView(const GarmentCategory& view) {
    for (int s = 0; s < DollSlotCount; ++s) {
        if (Categories[s] != &view) continue;
        if (!view.CurrentModel()) return false;
        Dressing.PutOn(DollSlot(s), view.Current);
        return true;
    }
    return false;
}

int DressedDoll::PieceAt(DollSlot slot, int x, int y, bool front) {
    TModel* model = Model(slot);
    if (!model) return -1;
    const SlotPlace place = DollSlotPlace(slot);
    return front ? model->PieceAtFront(x - place.Left, y - place.Top)
                 : model->PieceAtBack(x - place.Left, y - place.Top);
}

int DressedDoll::ItemAt(int x, int y) {
    return SlotAt([&](DollSlot slot) { return PieceAt(slot, x, y, Face); });
}

bool DressedDoll::OnDoll(int x, int y) const {
    return PointOnDoll(DollFrames, DollPanelWidth, Face, DollFrame() == 1, x, y);
}

bool DressedDoll::FillAt(int x, int y, int fill, bool all) {
    const int slot = ItemAt(x, y);
    if (slot < 0) return false;
    TModel* model = Model(DollSlot(slot));
    return model->Fill(PieceAt(DollSlot(slot), x, y, Face), fill, Face, true, all);
}

Raster DressedDoll::Compose(bool front, const Raster* background) {
    auto worn = [&](DollSlot slot) -> const Raster* {
        TModel* model = Model(slot);
        if (!model) return nullptr;
        return front ? &model->FrontPicture() : &model->BackPicture();
    };
    return ComposeDoll(DollFrames, DollPanelWidth, DollPanelHeight, front, DollFrame() == 1, worn, background,
                       FadeStep);
}

std::vector<std::string> DressedDoll::WornTitles() {
    std::vector<std::string> titles;
    for (DollSlot slot : PrintOrder())
        if (TModel* model = Model(slot)) titles.push_back(model->Title);
    return titles;
}

void DressedDoll::LoadSlot(SlotStore& registry, const std::string& section) {
    for (int s = 0; s < DollSlotCount; ++s)
        Dressing.NumModel[s] = registry.ReadInteger(section, SlotValueName(DollSlot(s)), -1);
}

void DressedDoll::SaveSlot(SlotStore& registry, const std::string& section) const {
    for (int s = 0; s < DollSlotCount; ++s)
        registry.WriteInteger(section, SlotValueName(DollSlot(s)), Dressing.NumModel[s]);
}
