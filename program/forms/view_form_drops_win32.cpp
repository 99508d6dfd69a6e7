// Drag and drop between the fabric drum, the previews, the pattern view and
// the doll: which target accepts which source, with which cursor, and what a
// drop does.
#include "controls/brush_select_win32.h"
#include "controls/garment_components_win32.h"
#include "forms/view_form_win32.h"

namespace {
// Drag cursors of the main window's cursor set.
constexpr TCursor kDrumCursor = 1, kDrumShiftCursor = 7, kOwnPlaceCursor = 4, kOffDollCursor = 5, kOnDollCursor = 6;
}  // namespace

void TViewForm::SetDrumCursor() {
    BrushSelect->SetDragCursor(BrushSelect->ShiftDrag() ? kDrumShiftCursor : kDrumCursor);
}

// ---- the drum ---------------------------------------------------------------

void TViewForm::DragOverDrum(TObject*, TObject* source, int, int, TDragState, bool& accept) {
    accept = source == BrushSelect;
    if (accept) BrushSelect->SetDragCursor(kOwnPlaceCursor);
}

void TViewForm::DragDropDrum(TObject*, TObject* source, int x, int y) {
    if (source != BrushSelect) return;
    // A drag that ends on the drum is a click on it.
    if (!BrushSelect->Drum().Opened) {
        BrushSelect->OpenDrum();
        return;
    }
    const int window = BrushSelect->WindowAt(x, y);
    if (window >= -3 && window <= -1)
        BrushSelect->RotateForward();
    else if (window >= 0 && window <= 1)
        BrushSelect->RotateBackward();
    else
        BrushSelect->CloseDrum();
}

// ---- the pattern view -------------------------------------------------------

void TViewForm::DragOverShow(TObject*, TObject* source, int, int, TDragState, bool& accept) {
    accept = source == BrushSelect && AllModels->TypeShow == tsFill;
    if (accept) SetDrumCursor();
}

void TViewForm::DragDropShow(TObject*, TObject* source, int x, int y) {
    if (source != BrushSelect) return;
    ShowFillAt(x, y);
    Modified = true;
    BrushSelect->BeginDragFlag();
}

// ---- the previews -----------------------------------------------------------

void TViewForm::DragOverView(TObject*, TObject* source, int, int, TDragState, bool& accept) {
    if (source == BrushSelect) {
        accept = true;
        SetDrumCursor();
    } else if (source == Models) {
        accept = true;
        Models->SetDragCursor(kOffDollCursor);
    } else if (auto* view = AsView(source)) {
        accept = true;
        ViewSetDragCursor(view, kOwnPlaceCursor);
    } else {
        accept = false;
    }
}

void TViewForm::DragDropView(TObject* sender, TObject* source, int x, int y) {
    TModelView* target = AsView(sender);
    if (source == BrushSelect) {
        if (target) ViewFillAt(target, x, y);
        BrushSelect->BeginDragFlag();
        Modified = true;
    } else if (source == Models) {
        TakeOffToView();
    } else if (TModelView* view = AsView(source)) {
        // Normally the preview dropped on itself: a click, which acts on
        // the dragged preview (its next model, its category current).
        ViewClickAt(view, x, y);
        RefreshViews();
    }
}

void TViewForm::TakeOffToView() {
    const int slot = Models->DragItem();
    if (slot < 0 || slot >= DollSlotCount || !Models->Items[slot]) return;
    TModelsItem* item = Models->Items[slot];
    TClassModels* category = item->ClassModels;
    if (category && category->GarmentCategory::Tag == 1) {
        // The garment goes back to its own preview, which shows it.
        TModelView* view = ViewOf(category);
        const int index = ViewIndex(view);
        if (IsMainView(index))
            for (int i = 0; i < MainViewCount; ++i)
                if (ModelView[i]) SetViewVisible(ModelView[i], i == index);
        AllModels->SetClassModels(category);
        category->Select(item->NumModel);
        if (view) ViewUpdateMenu(view);
    }
    item->NumModel = -1;
    Models->UpdateMenu();
    Models->Invalidate();
    Modified = true;
}

// ---- the doll ---------------------------------------------------------------

void TViewForm::DragOverModels(TObject*, TObject* source, int x, int y, TDragState, bool& accept) {
    const bool onGarment = Models->Doll().ItemAt(x, y) >= 0;
    const bool onDoll = onGarment || Models->Doll().OnDoll(x, y);
    if (source == BrushSelect) {
        accept = onGarment;
        if (accept) SetDrumCursor();
    } else if (TModelView* view = AsView(source)) {
        accept = onDoll;
        if (accept) ViewSetDragCursor(view, kOffDollCursor);
    } else if (source == Models) {
        accept = onDoll;
        if (accept) Models->SetDragCursor(kOnDollCursor);
    } else {
        accept = false;
    }
}

void TViewForm::DragDropModels(TObject*, TObject* source, int x, int y) {
    if (source == BrushSelect) {
        Models->FillAt(x, y);
        BrushSelect->BeginDragFlag();
        Modified = true;
    } else if (TModelView* view = AsView(source)) {
        TClassModels* category = ViewCategory(view);
        ViewMarkDragged(view);
        if (!category) return;
        Models->PutOnFromView(*category);
        Modified = true;
    } else if (source == Models) {
        if (Models->Doll().ItemAt(x, y) >= 0 || Models->Doll().OnDoll(x, y))
            Models->FlipFace();
        else if (IsOverShowButton(x, y))
            bShowModelClick(Models);
    }
}
