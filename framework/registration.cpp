// The framework's classes that layouts may name.
#include "extctrls.h"
#include "forms.h"
#include "layout.h"
#include "menus.h"
#include "mplayer.h"
#include "printers.h"
#include "stdctrls.h"
#include "timer.h"

void RegisterFrameworkClasses() {
    RegisterComponentClass<TPanel>("TPanel");
    RegisterComponentClass<TLabel>("TLabel");
    RegisterComponentClass<TEdit>("TEdit");
    RegisterComponentClass<TScrollBar>("TScrollBar");
    RegisterComponentClass<TImage>("TImage");
    RegisterComponentClass<TPaintBox>("TPaintBox");
    RegisterComponentClass<TPopupMenu>("TPopupMenu");
    RegisterComponentClass<TMenuItem>("TMenuItem");
    RegisterComponentClass<TTimer>("TTimer");
    RegisterComponentClass<TMediaPlayer>("TMediaPlayer");
    RegisterComponentClass<TPrinterSetupDialog>("TPrinterSetupDialog");
}
