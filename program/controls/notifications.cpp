#include "controls/notifications.h"

#include "controls/form_links.h"
#include "settings/settings.h"

static void PostToMain(UINT message) {
    if (MainViewerForm) PostMessageA(MainViewerForm->Handle(), message, 0, 0);
}

void NotifyViewsChanged() { PostToMain(WM_VIEWS_CHANGED); }
void NotifyDollHidden() { PostToMain(WM_DOLL_HIDDEN); }
void NotifyPatternsOpened() { PostToMain(WM_PATTERNS_OPENED); }
void RequestHidePatterns() { PostToMain(WM_HIDE_PATTERNS); }
void NotifyPatternsClosed() { PostToMain(WM_PATTERNS_CLOSED); }
void NotifyDollShown() { PostToMain(WM_DOLL_SHOWN); }

void CallAnimationHook() {
    if (MainViewerForm) MainViewerForm->AnimationHook();
}

void RequestShowPatterns() {
    CallAnimationHook();
    PostToMain(WM_SHOW_PATTERNS);
}
