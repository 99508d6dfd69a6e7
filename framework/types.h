// Basic types shared by every unit of the framework: colours, cursors,
// shift states, messages and the event signatures.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class TObject;

// A colour: an RGB value (0x00BBGGRR), a system colour (0x80000000 | COLOR_xxx),
// or one of the two special values below.
using TColor = int;
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                 clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = static_cast<int>(0x80000000);
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;  // 0x80000018
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// RGB value of a colour; system colours are looked up.
COLORREF ColorToRGB(TColor color);

// Screen cursors: 0 and below are built in, positive numbers are the
// program's own (TScreen::SetCursorHandle).
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
                  crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
                  crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

// Keyboard and mouse-button state of an input event, a set of flags.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64;
// Shift state from the MK_xxx flags of a mouse message (plus Alt from the keyboard).
TShiftState ShiftStateFromMouse(WPARAM keys);
TShiftState ShiftStateFromKeyboard();

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragMode { dmManual, dmAutomatic };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
                       mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO;

// A window message as the control's message handlers see it.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

inline RECT Rect(int left, int top, int right, int bottom) { return RECT{left, top, right, bottom}; }
inline RECT Bounds(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }
inline POINT Point(int x, int y) { return POINT{x, y}; }

// Event signatures.
using TNotifyEvent = std::function<void(TObject* sender)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
// sender: the control under the pointer; source: the control being dragged.
using TDragOverEvent =
    std::function<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;
// target: the control dropped on, or null when the drag was cancelled or refused.
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
