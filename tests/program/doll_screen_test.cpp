// The doll panel on the screen with the data set's garments, driven with
// real input (xdotool): its pixels equal the doll composed in memory from
// the data set's pictures (the doll's frames loaded through volkg.dll and
// equal to what ImageMagick reads); a click turns her round; the take-off
// menu takes a garment off; a fabric dragged out of the opened drum onto
// the trousers fills them. The drop routing and the repaint that follows are
// the main window's; a stand-in of a few lines does both here.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstdio>

#include "controls/brush_select_win32.h"
#include "controls/garment_components_win32.h"
#include "controls/raster_dib_win32.h"
#include "controls/skinned_registry.h"
#include "extctrls.h"
#include "forms.h"
#include "host.h"
#include "layout.h"
#include "app/garment_host_win32.h"
#include "picture/kora_win32.h"
#include "program_fixture.h"
#include "settings/paths.h"
#include "settings/registry_store.h"

namespace {

const DWORD kWait = 30000;

template <class Condition>
bool PumpUntil(Condition done, DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (!done()) {
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
        Application->ProcessMessages();
        Sleep(5);
    }
    return true;
}

bool PaintPending() { return (HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT) != 0; }

// The screen's pixels under a control's client area, 0x00BBGGRR.
Raster ScreenOf(TControl* c) {
    POINT o = c->ClientToScreen(POINT{0, 0});
    Raster r(c->Width(), c->Height());
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = r.Width;
    info.bmiHeader.biHeight = -r.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, r.Width, r.Height, screen, o.x, o.y, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    // The screen's pixels in the raster's own order (0x00RRGGBB).
    for (size_t i = 0; i < r.Pixels.size(); ++i) r.Pixels[i] = p[i] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return r;
}

// Pixels where two pictures differ.
int Differences(const Raster& a, const Raster& b) {
    if (a.Width != b.Width || a.Height != b.Height) return -1;
    int n = 0;
    for (size_t i = 0; i < a.Pixels.size(); ++i) n += a.Pixels[i] != b.Pixels[i];
    return n;
}

// The doll panel, the drum and the eight categories as the main window's
// layout sets them up (slot places and the slots each one takes off).
std::string DollLayout() {
    const char* const slots[DollSlotCount] = {"Wn", "Pl", "Br", "Bl", "Hl", "Yu", "Sh", "Tf"};
    const char* const masks[DollSlotCount] = {"wn*", "pl*", "br*", "bl*", "hl*", "yu*", "sh*", "tf*"};
    const char* const names[DollSlotCount] = {"Coat",     "Dress", "Trousers", "Blouse",
                                              "Bathrobe", "Skirt", "Hat",      "Shoes"};
    const char* const places[DollSlotCount] = {"0 0 200 360", "0 0 200 360", "0 0 200 360", "0 0 200 360",
                                               "0 0 200 360", "0 0 200 360", "0 0 200 80",  "0 240 200 120"};
    const std::vector<std::string> bad[DollSlotCount] = {{"Bl", "Hl", "Yu", "Pl"},
                                                         {"Bl", "Br", "Hl", "Yu", "Wn"},
                                                         {"Hl", "Pl", "Yu"},
                                                         {"Hl", "Pl", "Wn"},
                                                         {"Bl", "Br", "Pl", "Yu", "Wn"},
                                                         {"Br", "Hl", "Pl", "Wn"},
                                                         {},
                                                         {}};
    std::string t =
        "TForm DollScreenForm\n  Bounds = 40 40 420 400\n  BorderStyle = bsNone\n  Color = clSilver\n"
        "  TImage DollImage\n    Bounds = 0 0 1 1\n    Visible = false\n  end\n"
        "  TImage Fon\n    Bounds = 0 0 1 1\n    Visible = false\n  end\n"
        "  TImage FillsImageS\n    Bounds = 0 0 60 60\n    Visible = false\n  end\n"
        "  TImage FillsImageM\n    Bounds = 0 0 60 60\n    Visible = false\n  end\n"
        "  TImage FaseBrushImage\n    Bounds = 0 0 99 103\n    Visible = false\n  end\n"
        "  TBrushSelect Drum\n    Bounds = 260 20 99 103\n    BrushsImageS = FillsImageS\n"
        "    BrushsImageM = FillsImageM\n    FaseImage = FaseBrushImage\n    CountFaseOpen = 7\n"
        "    CountFaseRotate = 5\n  end\n";
    for (int s = 0; s < DollSlotCount; ++s)
        t += std::string("  TClassModels Class") + slots[s] + "\n    Maska = \"" + masks[s] + "\"\n    NameClass = \"" +
             names[s] + "\"\n  end\n";
    t += "  TAllModels AllModels\n    Visible = false\n    BrushSelect = Drum\n";
    for (int s = 0; s < DollSlotCount; ++s) t += "    cm" + std::to_string(s) + " = Class" + slots[s] + "\n";
    t += "  end\n  TModels Models\n    Bounds = 10 10 200 360\n    SorvelImage = DollImage\n    OrgImage = Fon\n"
         "    AllModels = AllModels\n";
    for (int s = 0; s < DollSlotCount; ++s)
        t += std::string("    ModelsItem") + slots[s] + " = ModelsItem" + slots[s] + "\n";
    for (int s = 0; s < DollSlotCount; ++s) {
        t += std::string("    TModelsItem ModelsItem") + slots[s] + "\n      Bounds = " + places[s] +
             "\n      Visible = false\n      ClassModels = Class" + slots[s] + "\n";
        for (size_t b = 0; b < bad[s].size(); ++b)
            t += "      Bad" + std::to_string(b + 1) + " = ModelsItem" + bad[s][b] + "\n";
        t += "    end\n";
    }
    return t + "  end\nend\n";
}

// The take-off menu runs its own loop; this timer, run inside it, writes a
// marker once the menu's window shows, for the host script that presses
// the keys.
std::string menuMarker;
BOOL CALLBACK FindMenu(HWND hwnd, LPARAM found) {
    char name[16] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (std::string(name) == "#32768" && IsWindowVisible(hwnd)) *reinterpret_cast<HWND*>(found) = hwnd;
    return TRUE;
}
VOID CALLBACK WatchMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindMenu, reinterpret_cast<LPARAM>(&menu));
    if (menu && !GetUpdateRect(menu, nullptr, FALSE)) WriteFileBytes(menuMarker, "open\n");
}

struct DollScreen : testing::Test {
    void SetUp() override {
        EnsureFramework();
        RegisterProgramControls();
        ASSERT_TRUE(HostHasTool("xdotool"));
        RunHost("xdotool mousemove 1200 1000");
        savedFolder = ProgramFolder;
        ProgramFolder = WinPath(DATASET_UNIX_DIR) + "\\";
        SHDeleteKeyA(HKEY_CURRENT_USER, ProgramKey);

        form = new TForm(Application, "TDOLLSCREEN");
        ReadLayout(form, DollLayout(), nullptr);
        form->InitializeForm();
        auto picture = [&](const char* image, const char* file, bool viaLibrary) {
            auto bitmap = std::make_unique<TBitmap>();
            const std::string path = ProgramFolder + "Resource\\" + file;
            if (viaLibrary)
                EXPECT_EQ(LoadPictureViaLibrary(*bitmap, path), 1) << file;
            else
                LoadPictureFile(*bitmap, path);
            static_cast<TImage*>(form->FindComponent(image))->Picture()->SetGraphic(bitmap.get());
        };
        // The doll's frames through the library's loader.
        picture("DollImage", "Doll.bmp", true);
        picture("Fon", "Main.bmp", false);
        picture("FillsImageS", "FillsS.bmp", false);
        picture("FillsImageM", "FillsM.bmp", false);
        picture("FaseBrushImage", "FsBrush.bmp", false);
        drum = static_cast<TBrushSelect*>(form->FindComponent("Drum"));
        all = static_cast<TAllModels*>(form->FindComponent("AllModels"));
        models = static_cast<TModels*>(form->FindComponent("Models"));
        ASSERT_TRUE(drum && all && models);
        // The window's picture under the panel, read whole and cut as the
        // panel once did: the panel's own read of its place must match it.
        TBitmap& fon = *static_cast<TImage*>(form->FindComponent("Fon"))->Picture()->Bitmap();
        background = CopyRect(RasterOfBitmap(fon), models->Left(), models->Top(), DollPanelWidth, DollPanelHeight);
        ASSERT_GT(Differences(background, Raster(DollPanelWidth, DollPanelHeight)), 1000)
            << "no picture under the panel";
        drum->PrepareDrum();
        ConnectGarmentHost();
        TRegIniFileM registry(ProgramKey);
        all->Load(239, 212, "States1", registry);
        models->SetUp();
        for (int s = 0; s < DollSlotCount; ++s) cm[s] = static_cast<TClassModels*>(all->cm[s]);
        form->Show();
        SetForegroundWindow(form->Handle());
        ASSERT_TRUE(Settled());
    }
    void TearDown() override {
        if (models) models->Release();
        if (drum) drum->ReleaseDrum();
        delete form;
        ProgramFolder = savedFolder;
        SHDeleteKeyA(HKEY_CURRENT_USER, ProgramKey);
    }

    bool Settled() {
        return PumpUntil([&] { return IsWindowVisible(form->Handle()) && !PaintPending(); }, kWait);
    }
    // Whether the panel on the screen comes to show the doll composed in memory.
    ::testing::AssertionResult ShowsComposedDoll() {
        int diff = -2;
        const bool same = PumpUntil(
            [&] {
                Application->ProcessMessages();
                diff = Differences(ScreenOf(models), models->Doll().Compose(models->Face(), &background));
                return diff == 0;
            },
            10000);
        if (same) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << diff << " pixels differ from the composed doll";
    }
    void Click(TControl* c, POINT p, int button = 1) {
        POINT s = c->ClientToScreen(p);
        RunHost("xdotool mousemove " + std::to_string(s.x) + " " + std::to_string(s.y) + " click " +
                std::to_string(button));
    }
    // A point of the panel where the slot's garment is on top.
    POINT PointOf(int slot) {
        for (int y = 0; y < models->Height(); y += 2)
            for (int x = 0; x < models->Width(); x += 2)
                if (models->Doll().ItemAt(x, y) == slot) return POINT{x, y};
        return POINT{-1, -1};
    }
    void Shot(const std::string& name) {
        RECT r;
        GetWindowRect(form->Handle(), &r);
        RunHost("xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- -crop " + std::to_string(r.right - r.left) + "x" +
                std::to_string(r.bottom - r.top) + "+" + std::to_string(r.left) + "+" + std::to_string(r.top) + " '" +
                TestTempPath(name + ".png") + "'");
    }

    std::string savedFolder;
    TForm* form = nullptr;
    TBrushSelect* drum = nullptr;
    TAllModels* all = nullptr;
    TModels* models = nullptr;
    TClassModels* cm[DollSlotCount] = {};
    Raster background;
};

}  // namespace

TEST_F(DollScreen, DressedTurnedUndressedAndFilledWithRealInput) {
    // The frames the library loaded are Doll.bmp as ImageMagick reads it.
    const std::string ppm = TestTempPath("doll-frames.ppm");
    ASSERT_EQ(RunHost("/usr/bin/convert-im6.q16 '" DATASET_UNIX_DIR "/Resource/Doll.bmp' -depth 8 ppm:'" + ppm + "'"),
              0);
    const std::string bytes = ReadFileBytes(ppm);
    const Raster& frames = models->Doll().DollFrames;
    ASSERT_EQ(frames.Width, 1200);
    ASSERT_EQ(frames.Height, 360);
    const size_t header = bytes.size() - size_t(1200) * 360 * 3;
    ASSERT_EQ(bytes.compare(0, 2, "P6"), 0);
    int frameDiffs = 0;
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 1200; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(&bytes[header + (size_t(y) * 1200 + x) * 3]);
            frameDiffs += frames.At(x, y) != RasterRGB(p[0], p[1], p[2]);
        }
    EXPECT_EQ(frameDiffs, 0);

    // Dressed in the order a user would: trousers, a blouse, a coat (which
    // takes the blouse off, as the coat's slot says), a hat and shoes.
    for (int s : {SlotBr, SlotBl, SlotWn, SlotSh, SlotTf}) {
        models->CheckAllCompatible(*cm[s]);
        models->PutOnFromView(*cm[s]);
    }
    const DollDressing& worn = models->Doll().Dressing;
    EXPECT_TRUE(worn.Worn(SlotBr));
    EXPECT_FALSE(worn.Worn(SlotBl));
    EXPECT_TRUE(worn.Worn(SlotWn));
    EXPECT_TRUE(ShowsComposedDoll()) << "front";
    Shot("doll-front");

    // A click on her (where no garment is: a press on a garment starts its
    // drag) turns her round.
    POINT bare{-1, -1};
    for (int y = 0; y < models->Height() && bare.x < 0; y += 2)
        for (int x = 0; x < models->Width() && bare.x < 0; x += 2)
            if (models->Doll().OnDoll(x, y) && models->Doll().ItemAt(x, y) < 0 && models->Doll().OnDoll(x + 2, y) &&
                models->Doll().ItemAt(x + 2, y) < 0)
                bare = POINT{x + 1, y};
    ASSERT_GE(bare.x, 0);
    Click(models, bare);
    ASSERT_TRUE(PumpUntil([&] { return !models->Face(); }, kWait)) << "the click never turned the doll";
    EXPECT_TRUE(ShowsComposedDoll()) << "back";
    Shot("doll-back");
    Click(models, bare);
    ASSERT_TRUE(PumpUntil([&] { return models->Face(); }, kWait));

    // The take-off menu: its first entry (the coat) chosen with the keys
    // once the menu shows.
    menuMarker = TestTempPath("doll-menu-" + std::to_string(GetCurrentProcessId()));
    std::remove(menuMarker.c_str());
    ASSERT_EQ(RunHost("(for i in $(seq 600); do [ -e '" + menuMarker +
                      "' ] && break; sleep 0.05; done; "
                      "xdotool key Down Return) >/dev/null 2>&1 &"),
              0);
    UINT_PTR timer = SetTimer(nullptr, 0, 20, WatchMenu);
    Click(models, POINT{5, 5}, 3);
    const bool off = PumpUntil([&] { return !models->Doll().Dressing.Worn(SlotWn); }, kWait);
    KillTimer(nullptr, timer);
    std::remove(menuMarker.c_str());
    ASSERT_TRUE(off) << "the coat is still worn";
    EXPECT_TRUE(models->Doll().Dressing.Worn(SlotBr));
    EXPECT_TRUE(ShowsComposedDoll()) << "without the coat";

    // The drum opens on a click; a fabric dragged out of its middle window
    // onto the trousers fills the trousers' piece there.
    models->OnDragOver = [&](TObject*, TObject* source, int, int, TDragState, bool& accept) {
        accept = source == drum;
    };
    // (The main window repaints its views when the fill posts its notice.)
    models->OnDragDrop = [&](TObject*, TObject*, int x, int y) {
        models->FillAt(x, y);
        models->Invalidate();
    };
    Click(drum, POINT{50, 50});
    ASSERT_TRUE(PumpUntil([&] { return drum->Drum().Opened && drum->Drum().Phase == 0; }, kWait))
        << "the drum never opened";
    POINT window{-1, -1};
    for (int y = 0; y < drum->Height() && window.x < 0; ++y)
        for (int x = 0; x < drum->Width() && window.x < 0; ++x)
            if (drum->WindowAt(x, y) == 0) window = POINT{x, y};
    ASSERT_GE(window.x, 0) << "no middle window";
    const POINT trousers = PointOf(SlotBr);
    ASSERT_GE(trousers.x, 0);
    const int piece = models->Doll().PieceAt(SlotBr, trousers.x, trousers.y, true);
    const int fabric = drum->WrapIndex(0);
    ASSERT_NE(models->Doll().Model(SlotBr)->Pieces[piece]->Material, fabric);
    const Raster before = ScreenOf(models);
    POINT from = drum->ClientToScreen(window), to = models->ClientToScreen(trousers);
    RunHost("xdotool mousemove " + std::to_string(from.x) + " " + std::to_string(from.y) + " mousedown 1 mousemove " +
            std::to_string((from.x + to.x) / 2) + " " + std::to_string((from.y + to.y) / 2) + " mousemove " +
            std::to_string(to.x) + " " + std::to_string(to.y) + " mouseup 1");
    ASSERT_TRUE(PumpUntil([&] { return models->Doll().Model(SlotBr)->Pieces[piece]->Material == fabric; }, kWait))
        << "the drop never filled the trousers";
    EXPECT_TRUE(ShowsComposedDoll()) << "filled";
    EXPECT_GT(Differences(before, ScreenOf(models)), 100) << "the fabric is not on the screen";
    Shot("doll-filled");
}
