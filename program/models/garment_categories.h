// The eight garment categories: each finds its model files, keeps its
// models sorted by title and knows the current one; all of them together
// follow the current category and the save slot's fabrics. The menus that
// list the models are built from the captions given here (Windows side).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "models/garment_model.h"

// A category of garments (the Windows component TClassModels adds its menu).
class GarmentCategory {
public:
    virtual ~GarmentCategory() = default;
    std::string NameClass;   // caption of the take-off entry
    std::string NameClassM;  // the category's title
    std::string Maska;       // file mask, "wn*"
    int Tag = 0;             // 1 for the six clothes categories
    std::vector<std::unique_ptr<TModel>> Models;
    int Current = 0;
    std::function<void()> OnSelect;                  // a model picked from the menu
    std::function<void(GarmentCategory*)> OnChange;  // the current model changed
    std::function<void()> OnViewsChanged;            // the views-changed notification

    // Finds path + mask + ".mdl", reads every model (sorted by title, equal
    // titles by file name) and selects model 0. A model that cannot be read
    // stops the load and its error reaches the caller.
    virtual void Load(ModelHost& host, const std::string& path, ModelStore* registry, FabricSource* brushSelect,
                      int viewWidth, int viewHeight, const std::string& section);
    virtual void Free() { Models.clear(); }
    void SaveFills(ModelStore& registry, const std::string& section) const;

    // Out-of-range indices (a damaged slot value) are ignored.
    void Select(int i);
    void SelectNext();
    int Count() const { return static_cast<int>(Models.size()); }
    // None for an empty category.
    TModel* CurrentModel() const { return ModelAt(Current); }
    TModel* PreviousModel() const;
    TModel* NextModel() const;
    TModel* SecondPreviousModel() const;
    TModel* ModelAt(int i) const { return i >= 0 && i < Count() ? Models[i].get() : nullptr; }
    // Every model drops its pictures, unless they are to be kept.
    void ReleasePictures(bool bigMemory);

    // The menu: the title (shown bold), a separator, one entry per model.
    std::vector<std::string> MenuCaptions() const;
    // A click on the entry of that component index (0 the menu itself,
    // 1 the title, 2 the separator, models from 3).
    void MenuClick(int componentIndex);
};

// The eight categories together (the Windows component TAllModels).
class GarmentCategorySet {
public:
    virtual ~GarmentCategorySet() = default;
    std::array<GarmentCategory*, 8> cm{};  // Wn Pl Br Bl Hl Yu Sh Tf; any may be missing
    TTypeShow TypeShow = tsFill;
    std::string Path = "models\\";
    FabricSource* BrushSelect = nullptr;
    bool BigMemory = false;
    std::function<void()> OnChangeModel;
    std::function<void()> OnViewsChanged;

    void Load(ModelHost& host, int viewWidth, int viewHeight, const std::string& section, ModelStore* registry);
    void Free();
    void SaveFills(ModelStore& registry, const std::string& section) const;
    // Captions of the eight take-off entries: each category's NameClass, or
    // "Not present" in its place.
    std::vector<std::string> TakeOffCaptions() const;
    void SetTypeShow(TTypeShow value) { TypeShow = value; }
    TModel* CurrentModel() const { return classModels_ ? classModels_->CurrentModel() : nullptr; }
    GarmentCategory* ClassModels() const { return classModels_; }
    void SetClassModels(GarmentCategory* category);
    void CategoryChanged(GarmentCategory* category);

private:
    GarmentCategory* classModels_ = nullptr;
};
