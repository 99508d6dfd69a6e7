#include "app/startup.h"

#include "application.h"
#include "controls/screen_cursors.h"
#include "controls/skinned_registry.h"
#include "controls/wait_cursor.h"
#include "picture/kora_win32.h"
#include "settings/registry_store.h"
#include "settings/settings.h"

bool ScreenHasHighColour() {
    HDC screen = GetDC(nullptr);
    int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits >= 16;
}

bool ImportDefaultsOnFirstRun() {
    if (ReadRegInteger(ProgramKey, "DefaultSlot", -1) >= 0) return false;
    ImportRegFile(ResolveProgramPath("Resource\\pupetta.reg"));
    return true;
}

void WaitWhileHandlingMessages(const std::function<bool()>& done) {
    // HandleMessage sleeps until a message (a timer tick of the title
    // screen among them) arrives instead of spinning.
    while (!done() && !Application->Terminated()) Application->HandleMessage();
}

void AddCaptionToApplicationWindow() {
    // Added arithmetically: the framework's application window starts without a caption.
    HWND app = Application->Handle();
    SetWindowLongA(app, GWL_STYLE, static_cast<LONG>(static_cast<DWORD>(GetWindowLongA(app, GWL_STYLE)) + WS_CAPTION));
}

namespace {
// The framework lives for the main block: on every way out its forms are
// hidden and destroyed, the last created first, while the application stands.
struct FrameworkLifetime {
    FrameworkLifetime() { InitializeFramework(); }
    ~FrameworkLifetime() { FinalizeFramework(); }
    FrameworkLifetime(const FrameworkLifetime&) = delete;
    FrameworkLifetime& operator=(const FrameworkLifetime&) = delete;
};
}  // namespace

int RunProgram() {
    InitSettings();
    FrameworkLifetime framework;
    RegisterProgramCursors();
    RegisterProgramControls();
    RegisterKoraFormats();
    try {
        AddCaptionToApplicationWindow();

        if (!ScreenHasHighColour()) {
            Application->MessageBox(HighColourMessage, "", MB_ICONWARNING);
            return 0;
        }
        ImportDefaultsOnFirstRun();

        BeginWaitCursor();
        // The forms join here: main window first, then the pattern print
        // form, help, about box, doll print form and the slot dialog.
        EndWaitCursor();

        if (Application->MainForm()) Application->Run();
    } catch (Exception& error) {
        Application->ShowException(error);
        return 1;
    } catch (std::exception& error) {
        Application->ShowException(Exception(error.what()));
        return 1;
    }
    return 0;
}
