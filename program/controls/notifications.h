// Messages the main window's parts post to it, so that every reaction runs
// later from the message loop. Both parameters are 0.
#pragma once

#include <windows.h>

constexpr UINT WM_VIEWS_CHANGED = WM_USER;        // repaint every view
constexpr UINT WM_SHOW_PATTERNS = WM_USER + 1;    // start of the show chain
constexpr UINT WM_HIDE_PATTERNS = WM_USER + 2;    // start of the hide chain
constexpr UINT WM_DOLL_HIDDEN = WM_USER + 3;      // doll's hide animation ended
constexpr UINT WM_PATTERNS_CLOSED = WM_USER + 4;  // pattern view's close animation ended
constexpr UINT WM_PATTERNS_OPENED = WM_USER + 5;  // pattern view's open animation ended
constexpr UINT WM_DOLL_SHOWN = WM_USER + 6;       // doll's show animation ended

// Each posts its message to MainViewerForm, and does nothing before the
// main window exists.
void NotifyViewsChanged();
void NotifyDollHidden();
void NotifyPatternsOpened();
void RequestHidePatterns();
void NotifyPatternsClosed();
void NotifyDollShown();
// Calls the main window's AnimationHook, then posts WM_SHOW_PATTERNS.
void RequestShowPatterns();
void CallAnimationHook();
