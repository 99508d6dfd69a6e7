#include "controls/skinned_registry.h"

#include "controls/app_events.h"
#include "controls/base_component.h"
#include "controls/bitmap_button.h"
#include "controls/brush_select_win32.h"
#include "controls/garment_components_win32.h"
#include "controls/paint_scroll_bar.h"
#include "controls/show_hide.h"
#include "controls/skinned_panels.h"
#include "layout.h"

void RegisterProgramControls() {
    RegisterComponentClass<TDrawPanel>("TDrawPanel");
    RegisterComponentClass<TCaptionBar>("TCaptionBar");
    RegisterComponentClass<TBitmapButton>("TBitmapButton");
    RegisterComponentClass<TPaintScrollBar>("TPaintScrollBar");
    RegisterComponentClass<TBaseComponent>("TBaseComponent");
    RegisterComponentClass<TAppEvents>("TAppEvents");
    RegisterComponentClass<TShowHide>("TShowHide");
    RegisterComponentClass<TBrushSelect>("TBrushSelect");
    RegisterComponentClass<TClassModels>("TClassModels");
    RegisterComponentClass<TAllModels>("TAllModels");
    RegisterComponentClass<TModelsItem>("TModelsItem");
    RegisterComponentClass<TModels>("TModels");
}
