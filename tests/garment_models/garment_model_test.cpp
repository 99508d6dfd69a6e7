// A garment model made at test time: its file, its stored fills, the
// pictures composed through its hit maps, groups, hit tests and the sheet.
#include <gtest/gtest.h>

#include "model_fixture.h"
#include "settings/text_helpers.h"

namespace {

constexpr int Q = 20, H = 30;  // quarter width and height of the picture
const PatternColour kKeys[3] = {PatternRGB(250, 0, 0), PatternRGB(0, 250, 0), PatternRGB(0, 0, 250)};
const PatternColour kGroup = PatternRGB(1, 1, 1), kNoGroup = PatternRGB(9, 9, 9);

void Box(Raster& r, int x0, int y0, int x1, int y1, RasterColor c) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) r.Set(x, y, c);
}

// A rectangular piece with a fill seed in its middle.
std::string PieceText(const std::string& name, int left, int top, int w, int h) {
    const std::string r = std::to_string(w - 1), b = std::to_string(h - 1);
    return name + "(" + std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(w) + "," +
           std::to_string(h) + ")\n  LINE(0,0) (" + r + ",0)\n  LINE(" + r + ",0) (" + r + "," + b + ")\n  LINE(" + r +
           "," + b + ") (0," + b + ")\n  LINE(0," + b + ") (0,0)\n  POINTFILL(" + std::to_string(w / 2) + "," +
           std::to_string(h / 2) + ")\n}\n";
}

struct GarmentModel : testing::Test {
    TestHost host;
    MemoryStore store;
    PlainFabrics fabrics;

    void SetUp() override {
        host.Files["models\\pl07.mdl"] = "Test dress(100,50)|@pl03,bl01\n" + PieceText("Front", 0, 0, 20, 10) +
                                         PieceText("!xBack", 30, 0, 20, 10) + PieceText("Belt", 0, 30, 60, 10) + "\n\n";
        // Front shade, front hit map, back shade, back hit map.
        Raster picture(4 * Q, H);
        for (int i = 0; i < 3; ++i) picture.Set(i, 0, kKeys[i]);
        picture.Set(0, 1, kGroup);
        picture.Set(1, 1, kNoGroup);
        picture.Set(2, 1, kGroup);
        picture.Set(0, 2, kNoGroup);
        picture.Set(4, 10, PatternRGB(0, 255, 0));  // darkens to black
        picture.Set(5, 10, PatternRGB(0, 127, 0));  // no change
        Box(picture, Q + 2, 5, Q + 7, 14, kKeys[0]);
        Box(picture, Q + 10, 5, Q + 15, 14, kKeys[1]);
        Box(picture, Q + 2, 20, Q + 15, 25, kKeys[2]);
        Box(picture, 3 * Q + 2, 5, 3 * Q + 7, 14, kKeys[1]);
        host.Pictures["models\\pl07.bmp"] = picture;
        // The preview's shade has colours of its own where the legend stands.
        Raster preview(2 * Q, H);
        for (int i = 0; i < 3; ++i) preview.Set(i, 0, PatternRGB(7, 7, 7 + i));
        Box(preview, Q + 5, 5, Q + 9, 9, kKeys[2]);
        host.Pictures["models\\pl07v.bmp"] = preview;
    }
    std::unique_ptr<TModel> Load(const std::string& name = "models\\pl07") {
        return std::make_unique<TModel>(host, name, &fabrics, 100, 50, tsUnVisible, "States1", &store);
    }
};

TEST_F(GarmentModel, ReadsTheFileAndTheStoredFills) {
    // A stored value longer than the pieces: what fits is used. Bytes above
    // 127 are fabrics; 255 none.
    store.Values["States1/pl07"] = {200, 3, 255, 9, 9};
    auto m = Load();
    EXPECT_EQ(m->Title, "Test dress");
    EXPECT_EQ(m->ModelWidth, 100);
    EXPECT_TRUE(m->OtherDollFrame);
    EXPECT_EQ(m->Incompatible, (std::vector<std::string>{"pl03", "bl01"}));
    ASSERT_EQ(m->Pieces.size(), 3u);  // the blank lines at the end make no piece
    EXPECT_EQ(m->Pieces[1]->DisplayName(), "Back");
    EXPECT_EQ(m->Pieces[0]->Material, 200);
    EXPECT_EQ(m->Pieces[1]->Material, 3);
    EXPECT_EQ(m->Pieces[2]->Material, -1);
    EXPECT_EQ(m->Piece(3), nullptr);
    EXPECT_EQ(m->Piece(-1), nullptr);
    // Another slot has no value: no fabrics.
    TModel other(host, "models\\pl07", &fabrics, 100, 50, tsUnVisible, "States2", &store);
    for (auto& p : other.Pieces) EXPECT_EQ(p->Material, -1);
}

TEST_F(GarmentModel, FrontBackAndPreviewComposedThroughTheHitMaps) {
    auto m = Load();
    m->Pieces[0]->SetMaterial(1);
    m->Pieces[1]->SetMaterial(2);
    const Raster& front = m->FrontPicture();
    ASSERT_EQ(front.Width, Q);
    ASSERT_EQ(front.Height, H);
    EXPECT_EQ(front.At(2, 6), ToRaster(FabricColour(1)));
    EXPECT_EQ(front.At(5, 10), ToRaster(FabricColour(1)));  // shade 127: unchanged
    EXPECT_EQ(front.At(4, 10), RasterBlack);                // shade 255: darkened to black
    EXPECT_EQ(front.At(12, 6), ToRaster(FabricColour(2)));
    EXPECT_EQ(front.At(8, 22), RasterBlack);   // no fabric paints black
    EXPECT_EQ(front.At(18, 18), RasterWhite);  // no piece there
    EXPECT_EQ(front.At(Q - 1, 0), RasterWhite);
    const Raster& back = m->BackPicture();
    EXPECT_EQ(back.At(4, 6), ToRaster(FabricColour(2)));
    EXPECT_EQ(back.At(12, 6), RasterWhite);
    // The preview's hit map is read with the picture's keys: its own pixels
    // where the picture has its legend are shade, not keys.
    m->Pieces[2]->SetMaterial(4);
    const Raster& preview = m->PreviewImage();
    ASSERT_EQ(preview.Width, Q);
    EXPECT_EQ(preview.At(6, 6), ToRaster(FabricColour(4)));
    EXPECT_EQ(preview.At(12, 12), RasterWhite);
}

TEST_F(GarmentModel, FillFollowsTheGroups) {
    struct Case {
        int piece;
        bool all;
        int expected[3];
    } const cases[] = {
        {0, false, {5, -1, 5}},  // pieces 0 and 2 share a group
        {2, false, {5, -1, 5}},
        {1, false, {-1, 5, -1}},  // no group: the piece alone
        {1, true, {5, 5, 5}},
    };
    for (const Case& c : cases) {
        auto m = Load();
        ASSERT_TRUE(m->Fill(c.piece, 5, true, true, c.all));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(m->Pieces[i]->Material, c.expected[i]) << c.piece << " " << i;
        // Only the shown side was composed again.
        EXPECT_TRUE(m->HasFront());
        EXPECT_FALSE(m->HasBack());
    }
    auto m = Load();
    EXPECT_FALSE(m->Fill(-1, 5, true, true, false));
    EXPECT_FALSE(m->Fill(3, 5, true, true, false));
    ASSERT_TRUE(m->Fill(1, 6, false, true, false));
    EXPECT_TRUE(m->HasBack());
    EXPECT_FALSE(m->HasFront());
    EXPECT_EQ(m->BackPicture().At(4, 6), ToRaster(FabricColour(6)));
}

TEST_F(GarmentModel, HitTests) {
    auto m = Load();
    EXPECT_EQ(m->PieceAtFront(3, 6), 0);
    EXPECT_EQ(m->PieceAtFront(11, 6), 1);
    EXPECT_EQ(m->PieceAtFront(3, 21), 2);
    EXPECT_EQ(m->PieceAtFront(18, 28), -1);  // white: no key
    EXPECT_EQ(m->PieceAtFront(-1, 6), -1);
    EXPECT_EQ(m->PieceAtFront(Q + 3, 6), -1);  // beyond the quarter
    EXPECT_EQ(m->PieceAtBack(3, 6), 1);
    EXPECT_EQ(m->PieceAtBack(11, 6), -1);
    EXPECT_EQ(m->PieceAtPreview(6, 6), 2);
    EXPECT_EQ(m->PieceAtPreview(0, 0), -1);
    RasterBitmap legend(m->Picture().Image);
    EXPECT_EQ(m->PieceByKey(legend, kKeys[1]), 1);
    EXPECT_EQ(m->PieceByKey(legend, PatternRGB(3, 3, 3)), -1);
}

TEST_F(GarmentModel, SheetFitsTheViewAndAnswersHits) {
    auto m = Load();
    EXPECT_EQ(m->Sheet->Width(), 0);
    m->SetShowType(tsFill);
    EXPECT_DOUBLE_EQ(m->ScaleX, 1.0);
    EXPECT_EQ(m->Sheet->Width(), 100);
    EXPECT_EQ(m->Sheet->Height(), 50);
    EXPECT_EQ(m->PieceAtSheet(10, 5), 0);
    EXPECT_EQ(m->PieceAtSheet(40, 5), 1);
    EXPECT_EQ(m->PieceAtSheet(50, 35), 2);
    EXPECT_EQ(m->PieceAtSheet(80, 20), -1);
    // No fabric: black inside the pieces, white between them.
    EXPECT_EQ(m->Sheet->Pixel(10, 5), PatternBlack);
    EXPECT_EQ(m->Sheet->Pixel(80, 20), PatternWhite);
    EXPECT_EQ(m->ToUnitsX(25), 25);
    m->SetShowType(tsUnVisible);
    EXPECT_EQ(m->Sheet->Width(), 0);
    EXPECT_EQ(m->PieceAtSheet(10, 5), -1);
}

// A model of 2 x 2 units drawn at 50 pixels a unit, with a piece of 60 x
// 30 units (3000 x 1500 pixels at that scale): no piece of a sound file is
// larger than its sheet, so the piece's bitmap is cut to the sheet's 100 x
// 100 pixels, and a file of many such pieces costs no more than its sheets
// (before, each piece kept a bitmap of up to 4096 x 4096).
TEST_F(GarmentModel, PiecesLargerThanTheSheetAreCutToIt) {
    host.Files["models\\big.mdl"] = "Hat(2,2)|\n" + PieceText("Crown", 0, 0, 60, 30) + PieceText("Brim", 1, 1, 1, 1);
    auto m = std::make_unique<TModel>(host, "models\\big", &fabrics, 100, 100, tsUnVisible, "States1", &store);
    m->SetShowType(tsFill);
    ASSERT_EQ(m->Sheet->Width(), 100);
    ASSERT_EQ(m->Sheet->Height(), 100);
    ASSERT_TRUE(m->Pieces[0]->Mask);
    EXPECT_EQ(m->Pieces[0]->Mask->Width(), 100);
    EXPECT_EQ(m->Pieces[0]->Mask->Height(), 100);
    // A piece inside the sheet keeps its size.
    EXPECT_EQ(m->Pieces[1]->Mask->Width(), 50);
    EXPECT_EQ(m->Pieces[1]->Mask->Height(), 50);
}

TEST_F(GarmentModel, PicturesAreDroppedAfterComposingUnlessBigMemory) {
    auto m = Load();
    m->FrontPicture();
    EXPECT_FALSE(m->PictureLoaded());
    m->BackPicture();
    EXPECT_EQ(host.PictureLoads, 2);
    host.KeepPictures = true;
    m->FreePictures();
    m->FrontPicture();
    m->BackPicture();
    EXPECT_TRUE(m->PictureLoaded());
    EXPECT_EQ(host.PictureLoads, 3);
    EXPECT_GT(host.Waits, 0);
}

TEST_F(GarmentModel, MissingPicturesComposeWhiteAndHitNothing) {
    host.Pictures.clear();
    auto m = Load();
    m->Pieces[0]->SetMaterial(1);
    EXPECT_EQ(m->FrontPicture().Width, 0);
    EXPECT_EQ(m->PieceAtFront(3, 6), -1);
    EXPECT_EQ(m->PieceAtBack(3, 6), -1);
    EXPECT_EQ(m->PieceAtPreview(6, 6), -1);
    EXPECT_TRUE(m->Fill(0, 2, true, true, false));
    EXPECT_EQ(m->Pieces[0]->Material, 2);
}

TEST_F(GarmentModel, FillsOfManyPiecesSurviveASaveAndAReload) {
    // Far more pieces than the 64 the stored value once had room for.
    std::string text = "Patchwork(100,100)\n";
    for (int i = 0; i < 80; ++i) text += "P" + std::to_string(i) + "(0,0,1,1)\n}\n";
    host.Files["models\\yu09.mdl"] = text;
    auto m = Load("models\\yu09");
    ASSERT_EQ(m->Pieces.size(), 80u);
    for (int i = 0; i < 80; ++i) m->Pieces[i]->SetMaterial(i % 3 == 0 ? -1 : 100 + i);
    m->SaveFills(store, "States4");
    ASSERT_EQ(store.Values["States4/yu09"].size(), 80u);
    const std::vector<std::uint8_t> saved = store.Values["States4/yu09"];
    TModel again(host, "models\\yu09", &fabrics, 100, 50, tsUnVisible, "States4", &store);
    ASSERT_EQ(again.Pieces.size(), 80u);
    for (int i = 0; i < 80; ++i) EXPECT_EQ(again.Pieces[i]->Material, i % 3 == 0 ? -1 : 100 + i) << i;
    // The reloaded model stores exactly what was saved, the last piece included.
    again.SaveFills(store, "States5");
    EXPECT_EQ(store.Values["States5/yu09"], saved);
    EXPECT_NE(saved[79], saved[78]) << "piece 78 is plain, 79 has a fabric";
}

TEST_F(GarmentModel, BrokenFilesAreRefused) {
    EXPECT_THROW(Load("models\\none"), ModelFileError);
    host.Files["models\\zz01.mdl"] = "Flat(0,40)\n" + PieceText("A", 0, 0, 5, 5);
    EXPECT_THROW(Load("models\\zz01"), ConvertError);
    host.Files["models\\zz02.mdl"] = "Dress(40,40)\nA(0,x,5,5)\n}\n";
    EXPECT_THROW(Load("models\\zz02"), ConvertError);
}

TEST_F(GarmentModel, CompatibilityNamesFilesEitherWay) {
    auto dress = Load();
    host.Files["models\\bl01.mdl"] = "Blouse(10,10)\n";
    host.Files["models\\bl02.mdl"] = "Blouse(10,10)|PL07\n";
    host.Files["models\\br01.mdl"] = "Trousers(10,10)\n";
    TModel bl01(host, "models\\bl01", &fabrics, 10, 10, tsUnVisible, "", nullptr);
    TModel bl02(host, "models\\bl02", &fabrics, 10, 10, tsUnVisible, "", nullptr);
    TModel br01(host, "models\\br01", &fabrics, 10, 10, tsUnVisible, "", nullptr);
    EXPECT_FALSE(ModelsCompatible(*dress, bl01));
    EXPECT_FALSE(ModelsCompatible(bl01, *dress));
    EXPECT_FALSE(ModelsCompatible(bl02, *dress));
    EXPECT_TRUE(ModelsCompatible(*dress, br01));
}

}  // namespace
