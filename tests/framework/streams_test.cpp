// File and memory streams, and the stream forms of pictures.
#include <gtest/gtest.h>

#include <memory>

#include "bitmap.h"
#include "host.h"
#include "metafile.h"
#include "picture.h"
#include "streams.h"

namespace {

std::string WinTemp(const std::string& name) {
    std::string p = "Z:" + TestTempPath(name);
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

// A metafile drawn by GDI: a red rectangle over the left half of a 100 x 50
// window on white.
std::string RecordedMetafile() {
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 100, 50, nullptr);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255)), red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, white);
    Rectangle(dc, 0, 0, 101, 51);
    SelectObject(dc, red);
    Rectangle(dc, 0, 0, 51, 51);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    HMETAFILE mf = CloseMetaFile(dc);
    DeleteObject(white);
    DeleteObject(red);
    UINT size = GetMetaFileBitsEx(mf, 0, nullptr);
    std::string bytes(size, '\0');
    GetMetaFileBitsEx(mf, size, bytes.data());
    DeleteMetaFile(mf);
    return bytes;
}

}  // namespace

// The lexer's and the cache's file: read while another reader has it open,
// seek, the position, short reads at the end; a missing file is an error.
TEST(Streams, FileStreamsShareReadingSeekAndReportTheirPosition) {
    std::string name = WinTemp("stream.bin");
    {
        TFileStream out(name, fmCreate);
        out.WriteBuffer("0123456789", 10);
        EXPECT_EQ(out.Position(), 10);
    }
    TFileStream first(name, fmOpenRead | fmShareDenyWrite);
    TFileStream second(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW(TFileStream(name, fmOpenWrite | fmShareDenyNone), EFOpenError) << "readers deny writing";
    EXPECT_EQ(first.Size(), 10);
    EXPECT_EQ(first.Seek(4, soBeginning), 4);
    char buffer[8] = {};
    EXPECT_EQ(first.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "456");
    EXPECT_EQ(first.Position(), 7);
    EXPECT_EQ(first.Seek(-2, soCurrent), 5);
    EXPECT_EQ(first.Seek(-1, soEnd), 9);
    EXPECT_EQ(first.Read(buffer, 8), 1) << "a short read at the end";
    EXPECT_EQ(first.Read(buffer, 8), 0);
    first.SetPosition(8);
    EXPECT_THROW(first.ReadBuffer(buffer, 3), EReadError);
    EXPECT_EQ(second.Read(buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "01") << "each stream has its own position";
    EXPECT_THROW(TFileStream(WinTemp("no-such-file.bin"), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream("Z:\\no-such-folder-here\\x.bin", fmCreate), EFCreateError);
}

// A picture goes into a stream with its class and comes back the same, a
// bitmap and a metafile alike; a copy keeps the class; an unknown class fails.
TEST(Streams, PicturesKeepTheirClassInTheirStreamForm) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(3, 2);
    bitmap.Canvas()->SetPixel(2, 1, clBlue);
    TMetafile metafile;
    std::string wmf = RecordedMetafile();
    metafile.LoadFromBytes(wmf.data(), wmf.size());
    metafile.SetWidth(100);
    metafile.SetHeight(50);

    TMemoryStream stream;
    TPicture a, b;
    a.SetGraphic(&bitmap);
    a.SaveToStream(&stream);
    b.SetGraphic(&metafile);
    EXPECT_NE(dynamic_cast<TMetafile*>(b.Graphic()), nullptr) << "a copy keeps its class";
    b.SaveToStream(&stream);
    TPicture none;
    none.SaveToStream(&stream);

    stream.SetPosition(0);
    TPicture back;
    back.LoadFromStream(&stream);
    auto* bmp = dynamic_cast<TBitmap*>(back.Graphic());
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->Width(), 3);
    EXPECT_EQ(bmp->Canvas()->Pixels(2, 1), clBlue);
    back.LoadFromStream(&stream);
    auto* mf = dynamic_cast<TMetafile*>(back.Graphic());
    ASSERT_NE(mf, nullptr);
    EXPECT_EQ(mf->Width(), 0) << "a plain metafile's size is the caller's";
    back.LoadFromStream(&stream);
    EXPECT_EQ(back.Graphic(), nullptr);
    EXPECT_EQ(stream.Position(), stream.Size());

    TMemoryStream unknown;
    unknown.WriteBuffer("\x06TThing\0\0\0\0", 11);
    unknown.SetPosition(0);
    EXPECT_THROW(back.LoadFromStream(&unknown), EInvalidGraphic);
}

// A metafile made from bytes: the count its header gives is used, so a longer
// buffer works and a shorter one is refused; it plays stretched.
TEST(Metafile, MadeFromBytesAndDrawnStretched) {
    std::string wmf = RecordedMetafile();
    TMetafile exact, longer, shorter;
    exact.LoadFromBytes(wmf.data(), wmf.size());
    std::string padded = wmf + std::string(3, '\0');
    longer.LoadFromBytes(padded.data(), padded.size());
    EXPECT_FALSE(longer.Empty());
    EXPECT_THROW(shorter.LoadFromBytes(wmf.data(), wmf.size() - 1), EInvalidGraphic);
    EXPECT_THROW(shorter.LoadFromBytes("not a metafile at all", 21), EInvalidGraphic);
    EXPECT_TRUE(shorter.Empty());

    exact.SetWidth(100);
    exact.SetHeight(50);
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(40, 10);
    target.Canvas()->StretchDraw(RECT{0, 0, 40, 10}, &exact);
    EXPECT_EQ(target.Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(target.Canvas()->Pixels(35, 5), clWhite);
    target.Canvas()->Brush()->SetColor(clBlack);
    target.Canvas()->FillRect(RECT{0, 0, 40, 10});
    target.Canvas()->StretchDraw(RECT{0, 0, 20, 10}, &longer);
    EXPECT_EQ(target.Canvas()->Pixels(3, 5), clRed);
    EXPECT_EQ(target.Canvas()->Pixels(17, 5), clWhite);
    EXPECT_EQ(target.Canvas()->Pixels(30, 5), clBlack) << "nothing outside the rectangle";

    // A file through the picture registry by its extension.
    std::string name = TestTempPath("drawing.wmf");
    WriteFileBytes(name, wmf);
    TPicture picture;
    std::string winName = "Z:" + name;
    for (char& c : winName)
        if (c == '/') c = '\\';
    picture.LoadFromFile(winName);
    EXPECT_NE(dynamic_cast<TMetafile*>(picture.Graphic()), nullptr);
}
