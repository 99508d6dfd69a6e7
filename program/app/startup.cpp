#include "app/startup.h"

#include <memory>

#include "app/garment_host_win32.h"
#include "application.h"
#include "controls/screen_cursors.h"
#include "controls/skinned_registry.h"
#include "controls/wait_cursor.h"
#include "forms/about_box_win32.h"
#include "forms/begin_avi_form_win32.h"
#include "forms/doll_print_form_win32.h"
#include "forms/help_form_win32.h"
#include "forms/open_save_form_win32.h"
#include "forms/pattern_print_form_win32.h"
#include "forms/view_form_win32.h"
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

void CreateProgramForms() {
    TViewForm* main = nullptr;
    Application->CreateForm(main);
    TSForm* patternPrint = nullptr;
    Application->CreateForm(patternPrint);
    THelpForm* help = nullptr;
    Application->CreateForm(help);
    TAboutBox* about = nullptr;
    Application->CreateForm(about);
    TPCForm* dollPrint = nullptr;
    Application->CreateForm(dollPrint);
    TOpenSaveForm* slots = nullptr;
    Application->CreateForm(slots);
}

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

        // The title screen covers the start; it is no main form.
        std::unique_ptr<TBeginAviForm> title(NewForm<TBeginAviForm>(Application));
        title->PicturePath = ProgramFilePath("Resource\\title.jpg");
        // The zoom may end before the main window exists: the music then
        // waits for it.
        bool soundPending = false;
        title->OnRestoreSound = [&soundPending] {
            if (ViewForm)
                ViewForm->RestoreSound();
            else
                soundPending = true;
        };
        title->Show();
        title->Update();

        BeginWaitCursor();
        try {
            ConnectGarmentHost();
            CreateProgramForms();
            ViewForm->StartUp();
        } catch (...) {
            EndWaitCursor();
            throw;
        }
        EndWaitCursor();
        if (soundPending) ViewForm->RestoreSound();

        title->SetMayFinish(true);
        WaitWhileHandlingMessages([&title] { return title->Finished(); });
        title->Hide();
        title.reset();

        if (Application->MainForm() && !Application->Terminated()) Application->Run();
    } catch (Exception& error) {
        Application->ShowException(error);
        return 1;
    } catch (std::exception& error) {
        Application->ShowException(Exception(error.what()));
        return 1;
    }
    return 0;
}
