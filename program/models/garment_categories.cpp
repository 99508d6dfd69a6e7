#include "models/garment_categories.h"

#include "models/category_order.h"

void GarmentCategory::Load(ModelHost& host, const std::string& path, ModelStore* registry, FabricSource* brushSelect,
                           int viewWidth, int viewHeight, const std::string& section) {
    Models.clear();
    std::vector<CategoryKey> keys;
    for (const std::string& found : host.FindFiles(path + Maska + ".mdl")) {
        if (found.size() < 4) continue;
        const std::string name = path + found.substr(0, found.size() - 4);
        auto model =
            std::make_unique<TModel>(host, name, brushSelect, viewWidth, viewHeight, tsUnVisible, section, registry);
        const CategoryKey key{model->Title, model->FileName};
        const std::size_t at = CategoryInsertPosition(keys, key);
        keys.insert(keys.begin() + at, key);
        Models.insert(Models.begin() + at, std::move(model));
    }
    Current = -1;
    Select(0);
    if (Models.empty()) Current = 0;
}

void GarmentCategory::SaveFills(ModelStore& registry, const std::string& section) const {
    for (const auto& model : Models) model->SaveFills(registry, section);
}

void GarmentCategory::Select(int i) {
    if (i < 0 || i >= Count()) return;
    if (TModel* current = CurrentModel()) current->SetShowType(tsUnVisible);
    const int old = Current;
    Current = i;
    if (i != old && OnChange) OnChange(this);
}

void GarmentCategory::SelectNext() {
    if (Count() == 0) return;
    if (TModel* current = CurrentModel()) current->SetShowType(tsUnVisible);
    Select(Current + 1 >= Count() ? 0 : Current + 1);
}

TModel* GarmentCategory::PreviousModel() const { return ModelAt(PreviousModelIndex(Current, Count())); }
TModel* GarmentCategory::NextModel() const { return ModelAt(NextModelIndex(Current, Count())); }
TModel* GarmentCategory::SecondPreviousModel() const { return ModelAt(SecondPreviousModelIndex(Current, Count())); }

void GarmentCategory::ReleasePictures(bool bigMemory) {
    if (bigMemory) return;
    for (auto& model : Models) model->FreePictures();
}

std::vector<std::string> GarmentCategory::MenuCaptions() const {
    std::vector<std::string> captions{NameClassM, "-"};
    for (const auto& model : Models) captions.push_back(model->Title);
    return captions;
}

void GarmentCategory::MenuClick(int componentIndex) {
    if (componentIndex < 3) return;
    Select(componentIndex - 3);
    if (OnSelect) OnSelect();
    if (OnViewsChanged) OnViewsChanged();
}

void GarmentCategorySet::Load(ModelHost& host, int viewWidth, int viewHeight, const std::string& section,
                              ModelStore* registry) {
    TypeShow = tsFill;
    for (GarmentCategory* category : cm) {
        if (!category) continue;
        category->Load(host, Path, registry, BrushSelect, viewWidth, viewHeight, section);
        category->OnChange = [this](GarmentCategory* c) { CategoryChanged(c); };
    }
    if (!classModels_) SetClassModels(cm[1]);
}

void GarmentCategorySet::Free() {
    for (GarmentCategory* category : cm)
        if (category) category->Free();
}

void GarmentCategorySet::SaveFills(ModelStore& registry, const std::string& section) const {
    for (GarmentCategory* category : cm)
        if (category) category->SaveFills(registry, section);
}

std::vector<std::string> GarmentCategorySet::TakeOffCaptions() const {
    std::vector<std::string> captions;
    for (GarmentCategory* category : cm) captions.push_back(category ? category->NameClass : "Not present");
    return captions;
}

void GarmentCategorySet::SetClassModels(GarmentCategory* category) {
    if (category == classModels_) return;
    if (classModels_) classModels_->ReleasePictures(BigMemory);
    classModels_ = category;
    if (OnChangeModel) OnChangeModel();
    if (OnViewsChanged) OnViewsChanged();
}

void GarmentCategorySet::CategoryChanged(GarmentCategory* category) {
    if (category == classModels_ && OnChangeModel) OnChangeModel();
}
