// The gallery: a form read from its layout resource with skinned panels,
// bitmap buttons, a scroll bar, an edit and a popup menu, driven with real
// input (xdotool) under Xvfb. Screenshots are kept in the build tree.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "application.h"
#include "bitmap.h"
#include "extctrls.h"
#include "forms.h"
#include "host_run.h"
#include "layout.h"
#include "menus.h"
#include "pump.h"
#include "stdctrls.h"

namespace {

// A panel painted from a tiled skin bitmap, its caption centred.
class TSkinPanel : public TCustomControl {
 public:
  explicit TSkinPanel(TComponent* owner) : TCustomControl(owner) { controlStyle_ |= csOpaque | csAcceptsControls; }
  TBitmap skin;
  bool SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) override {
    if (name != "Skin") return TCustomControl::SetProperty(name, v, reader);
    skin.LoadFromResourceName(reader.Instance(), v.text);
    return true;
  }

 protected:
  void Paint() override {
    for (int y = 0; y < Height(); y += skin.Height())
      for (int x = 0; x < Width(); x += skin.Width()) Canvas()->Draw(x, y, &skin);
    Canvas()->Brush()->SetStyle(bsClear);
    RECT r = ClientRect();
    Canvas()->DrawText(r, Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
};

// A windowless button whose faces are frames of a strip: 1 normal, 2 pressed.
class TStripButton : public TGraphicControl {
 public:
  explicit TStripButton(TComponent* owner) : TGraphicControl(owner) {}
  TBitmap strip;
  bool pressed = false;
  bool SetProperty(const std::string& name, const TLayoutValue& v, TLayoutReader& reader) override {
    if (name != "Strip") return TGraphicControl::SetProperty(name, v, reader);
    strip.LoadFromResourceName(reader.Instance(), v.text);
    return true;
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    pressed = true;
    Repaint();
    TGraphicControl::MouseDown(b, s, x, y);
  }
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
    pressed = false;
    Repaint();
    TGraphicControl::MouseUp(b, s, x, y);
  }

 protected:
  void Paint() override {
    int frame = pressed ? 1 : 0;
    Canvas()->CopyRect(ClientRect(), strip.Canvas(), RECT{frame * Width(), 0, (frame + 1) * Width(), Height()});
  }
};

class TGalleryForm : public TForm {
 public:
  explicit TGalleryForm(TComponent* owner) : TForm(owner, "TGalleryForm") {
    PublishMethod("FormCreate", this, &TGalleryForm::FormCreate);
    PublishMethod("CloseClick", this, &TGalleryForm::CloseClick);
    PublishMethod("CountClick", this, &TGalleryForm::CountClick);
    PublishMethod("SourceMouseDown", this, &TGalleryForm::SourceMouseDown);
    PublishMethod("TargetDragOver", this, &TGalleryForm::TargetDragOver);
    PublishMethod("TargetDragDrop", this, &TGalleryForm::TargetDragDrop);
    PublishMethod("ScrollChange", this, &TGalleryForm::ScrollChange);
    PublishMethod("ClearClick", this, &TGalleryForm::ClearClick);
    BindField("Header", Header);
    BindField("Source", Source);
    BindField("Target", Target);
    BindField("CountButton", CountButton);
    BindField("CloseButton", CloseButton);
    BindField("Counter", Counter);
    BindField("Scroll", Scroll);
    BindField("Entry", Entry);
  }
  void FormCreate(TObject*) {
    Source->OnEndDrag = [this](TObject*, TObject* target, int, int) {
      events.push_back(std::string("end on ") + (target ? static_cast<TComponent*>(target)->Name() : "nothing"));
    };
  }
  void CloseClick(TObject*) { events.push_back("close"); }
  void CountClick(TObject*) { Counter->SetCaption(IntToStr(++clicks)); }
  void SourceMouseDown(TObject*, TMouseButton button, TShiftState shift, int, int) {
    if (button == mbLeft && shift == ssLeft) Source->BeginDrag(true);
  }
  void TargetDragOver(TObject*, TObject* source, int, int, TDragState state, bool& accept) {
    accept = source == Source;
    static const char* names[] = {"enter", "leave", "move"};
    if (events.empty() || events.back() != names[state]) events.push_back(names[state]);
    if (state == dsDragEnter) Source->SetDragCursor(crHandPoint);
  }
  void TargetDragDrop(TObject*, TObject* source, int x, int y) {
    events.push_back("drop " + static_cast<TComponent*>(source)->Name());
    dropAt = POINT{x, y};
    Target->SetCaption("Dropped");
  }
  void ScrollChange(TObject*) { events.push_back("scroll " + IntToStr(Scroll->Position())); }
  void ClearClick(TObject*) {
    events.push_back("clear");
    Target->SetCaption("Drop here");
  }

  TSkinPanel *Header = nullptr, *Source = nullptr, *Target = nullptr;
  TStripButton *CountButton = nullptr, *CloseButton = nullptr;
  TLabel* Counter = nullptr;
  TScrollBar* Scroll = nullptr;
  TEdit* Entry = nullptr;
  std::vector<std::string> events;
  int clicks = 0;
  POINT dropAt{-1, -1};
};

class Gallery : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterComponentClass<TSkinPanel>("TSkinPanel");
    RegisterComponentClass<TStripButton>("TStripButton");
  }
  void SetUp() override {
    ASSERT_TRUE(HostTool("xdotool"));
    form = NewForm<TGalleryForm>(Application);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump(400);
  }
  void TearDown() override { FreeAndNil(form); }

  // Screen point of a control's client point.
  static POINT At(TControl* c, int x, int y) { return c->ClientToScreen(POINT{x, y}); }
  static void Xdo(const std::string& args) { ASSERT_EQ(RunHostWait("xdotool " + args), 0) << args; }
  void MoveTo(POINT p) {
    Xdo("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y));
    Pump(80);
  }
  void Button(const char* what) {
    Xdo(what);
    Pump(80);
  }
  static void Shot(const std::string& name) {
    Pump(200);  // windows just shown get their expose and paint first
    RunHostWait("xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- " + std::string(FW_SCREENSHOT_DIR) + "/" + name + ".png");
  }
  // Colour of the screen at a point, as the X server shows it.
  static TColor ScreenPixel(POINT p) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, p.x, p.y);
    ReleaseDC(nullptr, dc);
    return static_cast<TColor>(c);
  }

  TGalleryForm* form = nullptr;
};

}  // namespace

TEST_F(Gallery, SkinsArePaintedFromTheLayoutsBitmaps) {
  Shot("gallery-start");
  // The header's tile: (0,0) is the dark tone of the checker, (8,0) the light one.
  EXPECT_EQ(ScreenPixel(At(form->Header, 0, 0)), static_cast<TColor>(RGB(40, 90, 160)));
  EXPECT_EQ(ScreenPixel(At(form->Header, 8, 0)), static_cast<TColor>(RGB(60, 120, 200)));
  // The button shows frame 1 of its strip (red face, black edge).
  EXPECT_EQ(ScreenPixel(At(form->CountButton, 10, 10)), static_cast<TColor>(RGB(200, 60, 60)));
  EXPECT_EQ(ScreenPixel(At(form->CountButton, 0, 10)), clBlack);
}

TEST_F(Gallery, BitmapButtonsClickAndShowTheirPressedFrame) {
  POINT p = At(form->CountButton, 20, 12);
  MoveTo(p);
  Button("mousedown 1");
  EXPECT_EQ(ScreenPixel(At(form->CountButton, 10, 10)), static_cast<TColor>(RGB(60, 160, 60))) << "pressed frame";
  Shot("gallery-pressed");
  Button("mouseup 1");
  EXPECT_EQ(ScreenPixel(At(form->CountButton, 10, 10)), static_cast<TColor>(RGB(200, 60, 60)));
  Button("click 1");
  EXPECT_EQ(form->Counter->Caption(), "2");
  // Pressed on the button, released elsewhere: no click.
  Button("mousedown 1");
  MoveTo(At(form->Header, 5, 5));
  Button("mouseup 1");
  EXPECT_EQ(form->clicks, 2);
  // The button inside the skinned header.
  MoveTo(At(form->CloseButton, 20, 12));
  Button("click 1");
  EXPECT_EQ(form->events, std::vector<std::string>{"close"});
}

TEST_F(Gallery, ImmediateDragAndDropWithAcceptance) {
  MoveTo(At(form->Source, 60, 60));
  Button("mousedown 1");
  EXPECT_TRUE(form->Source->Dragging()) << "the drag starts at once";
  MoveTo(At(form->Header, 200, 20));  // over a control that accepts nothing
  EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop));
  MoveTo(At(form->Target, 50, 50));
  MoveTo(At(form->Target, 80, 60));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint)) << "the source's drag cursor over an accepting target";
  Shot("gallery-dragging");
  Button("mouseup 1");
  EXPECT_FALSE(form->Source->Dragging());
  EXPECT_EQ(form->events, (std::vector<std::string>{"enter", "move", "drop Source", "end on Target"}));
  EXPECT_EQ(form->dropAt.x, 80);
  EXPECT_EQ(form->dropAt.y, 60);
  EXPECT_EQ(form->Target->Caption(), "Dropped");
  // A drop where nothing accepts ends the drag without a target.
  form->events.clear();
  MoveTo(At(form->Source, 60, 60));
  Button("mousedown 1");
  MoveTo(At(form->Header, 100, 20));
  Button("mouseup 1");
  EXPECT_EQ(form->events, std::vector<std::string>{"end on nothing"});
  Shot("gallery-dropped");
}

TEST_F(Gallery, HoverShowsTheHintWindow) {
  Application->SetHintPause(200);
  MoveTo(At(form->CountButton, 10, 10));
  MoveTo(At(form->CountButton, 12, 12));
  ASSERT_TRUE(PumpUntil([] { return Application->HintWindow() && Application->HintWindow()->IsHintShown(); }, 3000));
  EXPECT_EQ(Application->HintWindow()->Caption(), "Counts the clicks");
  RECT r;
  GetWindowRect(Application->HintWindow()->Handle(), &r);
  POINT cursor = At(form->CountButton, 12, 12);
  EXPECT_GT(r.top, cursor.y) << "below the pointer";
  Shot("gallery-hint");
  // Leaving the control takes the hint away.
  MoveTo(At(form->Source, 5, 5));
  EXPECT_FALSE(Application->HintWindow()->IsHintShown());
  // OnShowHint may place the hint: here at the control's bottom-left corner.
  Application->OnShowHint = [](std::string& text, bool& canShow, THintInfo& info) {
    info.HintPos = info.HintControl->ClientToScreen(POINT{0, info.HintControl->Height()});
    text = "[" + text + "]";
  };
  MoveTo(At(form->CountButton, 10, 10));
  MoveTo(At(form->CountButton, 11, 11));
  bool shown = PumpUntil([] { return Application->HintWindow()->IsHintShown(); }, 3000);
  Application->OnShowHint = nullptr;
  ASSERT_TRUE(shown);
  GetWindowRect(Application->HintWindow()->Handle(), &r);
  POINT corner = At(form->CountButton, 0, form->CountButton->Height());
  EXPECT_EQ(r.left, corner.x);
  EXPECT_EQ(r.top, corner.y);
  EXPECT_EQ(Application->HintWindow()->Caption(), "[Counts the clicks]");
  MoveTo(At(form->Source, 5, 5));
}

TEST_F(Gallery, ScrollBarEditAndPopupMenuTakeRealInput) {
  // The scroll bar's right arrow steps by one, the track by the large change.
  POINT arrow = At(form->Scroll, form->Scroll->Width() - 5, 8);
  MoveTo(arrow);
  Button("click 1");
  EXPECT_EQ(form->Scroll->Position(), 1);
  MoveTo(At(form->Scroll, form->Scroll->Width() - 60, 8));
  Button("click 1");
  EXPECT_EQ(form->Scroll->Position(), 4);
  // Typing into the edit.
  MoveTo(At(form->Entry, 10, 10));
  Button("click 1");
  Button("type 42");
  EXPECT_EQ(form->Entry->Text(), "42");
  // The target's popup menu, chosen with the keyboard while it is open.
  form->Target->SetCaption("Dropped");
  MoveTo(At(form->Target, 30, 30));
  // The menu runs its own loop: the screenshot and the keys come from the host meanwhile.
  RunHostWait("(sleep 1; xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- " + std::string(FW_SCREENSHOT_DIR) +
              "/gallery-menu.png; xdotool key Down Return) >/dev/null 2>&1 &");
  Button("click 3");
  EXPECT_TRUE(PumpUntil([&] { return form->Target->Caption() == "Drop here"; }, 4000));
  Shot("gallery-end");
  EXPECT_EQ(form->events, (std::vector<std::string>{"scroll 1", "scroll 4", "clear"}));
}
