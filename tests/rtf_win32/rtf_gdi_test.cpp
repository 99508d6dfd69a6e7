#include <gtest/gtest.h>

#include <windows.h>

#include "clipboard.h"
#include "forms.h"
#include "host.h"
#include "program_fixture.h"
#include "rtf_view_win32.h"

namespace {

// A metafile made by GDI: a red rectangle over its whole 100 x 50 extent.
std::string RedMetafile() {
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowExtEx(dc, 100, 50, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(dc, red);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 0, 0, 101, 51);
    HMETAFILE mf = CloseMetaFile(dc);
    DeleteObject(red);
    std::string bytes(GetMetaFileBitsEx(mf, 0, nullptr), '\0');
    GetMetaFileBitsEx(mf, UINT(bytes.size()), bytes.data());
    DeleteMetaFile(mf);
    return bytes;
}

TColor CentreOf(const RtfPicture& picture) {
    auto* graphic = static_cast<const GdiRtfPicture&>(picture).Graphic();
    auto bitmap = MakeBitmap(picture.Width(), picture.Height(), clWhite);
    bitmap->Canvas()->StretchDraw(RECT{0, 0, picture.Width(), picture.Height()}, graphic);
    return PixelAt(*bitmap, picture.Width() / 2, picture.Height() / 2);
}

TEST(RtfGdi, EmbeddedMetafileGetsEveryByte) {
    EnsureFramework();
    std::string wmf = RedMetafile();
    auto picture = MakeGdiPicture(RtfPictureKind::Metafile, wmf, 40, 20);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 40);
    EXPECT_EQ(picture->Height(), 20);
    EXPECT_EQ(Hex(CentreOf(*picture)), "0000FF");
    // One byte short is not a metafile: no picture rather than a broken one.
    EXPECT_EQ(MakeGdiPicture(RtfPictureKind::Metafile, wmf.substr(0, wmf.size() - 1), 40, 20), nullptr);
}

TEST(RtfGdi, EmbeddedDibAndItsBounds) {
    EnsureFramework();
    // 2 x 1 pixels, 24 bits, bottom-up: blue then green (rows padded to 8 bytes).
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h, h.biWidth = 2, h.biHeight = 1, h.biPlanes = 1, h.biBitCount = 24;
    std::string dib(reinterpret_cast<const char*>(&h), sizeof h);
    dib += std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00", 8);
    auto picture = MakeGdiPicture(RtfPictureKind::Dib, dib, 2, 1);
    ASSERT_NE(picture, nullptr);
    auto bitmap = MakeBitmap(2, 1, clWhite);
    bitmap->Canvas()->StretchDraw(RECT{0, 0, 2, 1}, static_cast<GdiRtfPicture&>(*picture).Graphic());
    EXPECT_EQ(Hex(PixelAt(*bitmap, 0, 0)), "FF0000");
    EXPECT_EQ(Hex(PixelAt(*bitmap, 1, 0)), "00FF00");
    // Bits cut short, a height of 0, too many colours: refused.
    EXPECT_EQ(MakeGdiPicture(RtfPictureKind::Dib, dib.substr(0, dib.size() - 1), 2, 1), nullptr);
    std::string bad = dib;
    reinterpret_cast<BITMAPINFOHEADER*>(bad.data())->biHeight = 0;
    EXPECT_EQ(MakeGdiPicture(RtfPictureKind::Dib, bad, 2, 1), nullptr);
    bad = dib;
    reinterpret_cast<BITMAPINFOHEADER*>(bad.data())->biClrUsed = 100000;
    EXPECT_EQ(MakeGdiPicture(RtfPictureKind::Dib, bad, 2, 1), nullptr);
}

TEST(RtfGdi, CanvasTextColoursAndTransparency) {
    EnsureFramework();
    auto bitmap = MakeBitmap(200, 40, clYellow);
    GdiRtfCanvas canvas(bitmap->Canvas());
    RtfFont font{"Arial", 0, 32, 20, true, false, false};
    int w = canvas.TextWidth(font, "WWW");
    EXPECT_GT(w, canvas.TextWidth(font, "W"));
    RtfFont small = font;
    small.size = 8;
    EXPECT_LT(canvas.TextWidth(small, "WWW"), w);
    canvas.TextOut(0, 0, font, "WWW", 0x0000FF, 0xFFFFFF, true);
    canvas.TextOut(100, 0, font, "WWW", 0x0000FF, 0x00FF00, false);
    int red = 0, green = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            TColor c = PixelAt(*bitmap, x, y);
            red += c == 0x0000FF;
            green += x >= 100 && c == 0x00FF00;
        }
    EXPECT_GT(red, 20);                                 // the text in its colour
    EXPECT_GT(green, 20);                               // an opaque background behind the second
    EXPECT_EQ(Hex(PixelAt(*bitmap, 1, 39)), "00FFFF");  // transparent: the yellow stays
}

TEST(RtfGdi, ClipboardGetsRtfAndText) {
    EnsureFramework();
    ASSERT_TRUE(PutRtfOnClipboard("{\\rtf1 Hello\\par}", "Hello\r\n"));
    TClipboard* clipboard = Clipboard();
    clipboard->Open();
    std::string rtf = clipboard->GetBuffer(TClipboard::RegisterFormat("Rich Text Format"));
    std::string text = clipboard->AsText();
    clipboard->Close();
    EXPECT_EQ(rtf.substr(0, rtf.find('\0')), "{\\rtf1 Hello\\par}");
    EXPECT_EQ(text, "Hello\r\n");
}

TEST(RtfGdi, WindowShowsATopicThroughItsEngine) {
    EnsureFramework();
    std::string dir = TestTempPath("rtf_gdi_window");
    CreateDirectoryA(dir.c_str(), nullptr);
    WriteFileBytes(dir + "/doc.rtf",
                   "{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}\\plain Hello {\\uldb there}{\\v T}\\par"
                   "\\page #{\\footnote T}\\plain Target\\par}");
    // The view measures with its window's canvas: a control gets a window
    // only on a parent.
    TForm form(nullptr, "RTFVIEWTEST");
    form.SetBounds(50, 50, 320, 220);
    TrtfViewWindow window(&form);
    window.SetParent(&form);
    window.SetBounds(0, 0, 300, 200);
    window.View().LoadDocument(dir + "/doc.rtf", dir + "/doc.rtc");
    window.View().GoContents();
    ASSERT_EQ(window.View().Lines().size(), 1u);
    EXPECT_GT(window.View().Lines()[0].Height(), 0);
    // Measured with the device's fonts: every text has a width.
    for (const auto& e : window.View().Elements()) {
        if (dynamic_cast<TRTFText*>(e.get())) {
            EXPECT_GT(e->width, 0);
        }
    }
    EXPECT_TRUE(window.View().JumpTo("T"));
    EXPECT_EQ(window.View().ClipboardText(), "Target\r\n");
}

}  // namespace
