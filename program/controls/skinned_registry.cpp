#include "controls/skinned_registry.h"

#include "controls/app_events.h"
#include "controls/base_component.h"
#include "controls/bitmap_button.h"
#include "controls/brush_select_win32.h"
#include "controls/garment_components_win32.h"
#include "controls/garment_views_win32.h"
#include "controls/bitmap_buttons_win32.h"
#include "controls/caption_bar_plus_win32.h"
#include "controls/fly_bitmap_win32.h"
#include "controls/paint_scroll_bar.h"
#include "controls/rx_timer_win32.h"
#include "controls/secret_panel_win32.h"
#include "controls/show_hide.h"
#include "controls/skinned_panels.h"
#include "controls/wait_cursor.h"
#include "controls/zamor_win32.h"
#include "layout.h"
#include "rtf/rtf_view_win32.h"

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
    RegisterComponentClass<TModelShow>("TModelShow");
    RegisterComponentClass<TModelView>("TModelView");
    RegisterComponentClass<TParts>("TParts");
    RegisterComponentClass<TRxTimer>("TRxTimer");
    RegisterComponentClass<TSecretPanel>("TSecretPanel");
    RegisterComponentClass<TCaptionBarPlus>("TCaptionBarPlus");
    RegisterComponentClass<TBitmapButtons>("TBitmapButtons");
    RegisterComponentClass<TItemBitmapButtons>("TItemBitmapButtons");
    RegisterComponentClass<TMinWindow>("TMinWindow");
    RegisterComponentClass<TFlyBitmap>("TFlyBitmap");
    RegisterComponentClass<TZamorI>("TZamorI");
    RegisterComponentClass<TZamorIv>("TZamorIv");
    RegisterComponentClass<TZamor>("TZamor");
    RegisterComponentClass<TrtfViewWindow>("TrtfView");
    TrtfViewWindow::SetWaitCursor(BeginWaitCursor, EndWaitCursor);
}
