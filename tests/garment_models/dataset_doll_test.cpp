// The data set's own garments and doll: every category loads in title
// order, every model composes its fabrics through its hit maps, and a doll
// dressed from several categories paints each pixel from the garment on top.
#include <gtest/gtest.h>

#include "model_fixture.h"

namespace {

const char* const kMasks[8] = {"wn*", "pl*", "br*", "bl*", "hl*", "yu*", "sh*", "tf*"};

struct DatasetDoll : testing::Test {
    TestHost host;
    MemoryStore store;
    PlainFabrics fabrics;
    std::array<GarmentCategory, 8> categories;
    GarmentCategorySet all;
    void SetUp() override {
        host.Folder = DATASET_DIR;
        for (int i = 0; i < 8; ++i) {
            categories[i].Maska = kMasks[i];
            all.cm[i] = &categories[i];
        }
        all.BrushSelect = &fabrics;
        all.Load(host, 239, 212, "States1", &store);
    }
};

TEST_F(DatasetDoll, EveryCategoryLoadsInTitleOrder) {
    for (const GarmentCategory& c : categories) {
        ASSERT_EQ(c.Count(), 3) << c.Maska;
        for (int i = 1; i < c.Count(); ++i) {
            const TModel &a = *c.Models[i - 1], &b = *c.Models[i];
            EXPECT_TRUE(a.Title < b.Title || (a.Title == b.Title && a.FileName < b.FileName)) << a.FileName;
        }
    }
}

TEST_F(DatasetDoll, ModelsComposeFabricsWhereTheirKeysAre) {
    for (GarmentCategory& c : categories)
        for (auto& m : c.Models) {
            for (std::size_t i = 0; i < m->Pieces.size(); ++i) m->Pieces[i]->SetMaterial(static_cast<int>(i) + 1);
            Raster picture = m->Picture().Image;
            ASSERT_FALSE(picture.Empty()) << m->FileName;
            const int q = picture.Width / 4;
            const Raster front = m->FrontPicture(), back = m->BackPicture();
            ASSERT_EQ(front.Width, q);
            int checked = 0;
            // Every third pixel each way is plenty, and quick.
            for (int y = 2; y < picture.Height; y += 3)
                for (int x = 0; x < q; x += 3) {
                    for (const auto& [hit, composed, pieceAt] : {std::tuple{3 * q, &back, &TModel::PieceAtBack},
                                                                 std::tuple{q, &front, &TModel::PieceAtFront}}) {
                        const PatternColour key = picture.At(x + hit, y);
                        const int piece = ((*m).*pieceAt)(x, y);
                        if (piece < 0) {
                            continue;
                        }
                        EXPECT_EQ(picture.At(piece, 0), key) << m->FileName;
                        EXPECT_NE(composed->At(x, y), RasterWhite) << m->FileName << " " << x << "," << y;
                        ++checked;
                    }
                }
            EXPECT_GT(checked, 30) << m->FileName;
        }
}

TEST_F(DatasetDoll, DressedDollPaintsTheTopGarmentAtEveryPixel) {
    DressedDoll doll;
    ASSERT_TRUE(LoadRaster(std::string(DATASET_DIR) + "/Resource/Doll.bmp", doll.DollFrames));
    ASSERT_EQ(doll.DollFrames.Width, 6 * DollPanelWidth);
    for (int i = 0; i < 8; ++i) doll.Categories[i] = &categories[i];
    // Trousers, a blouse, a coat over them is refused by nothing: the coat
    // takes the blouse off; a hat and shoes go with everything.
    for (int i : {2, 3, 0, 6, 7}) {
        doll.CheckAllCompatible(categories[i]);
        ASSERT_TRUE(doll.PutOnFromView(categories[i]));
    }
    EXPECT_TRUE(doll.Dressing.Worn(SlotBr));
    EXPECT_FALSE(doll.Dressing.Worn(SlotBl));
    EXPECT_TRUE(doll.Dressing.Worn(SlotWn));
    for (bool front : {true, false}) {
        const Raster shown = doll.Compose(front);
        const int frame = doll.DollFrame() + (front ? 0 : 2);
        const auto& order = front ? FrontLayerOrder() : BackLayerOrder();
        int garmentPixels = 0;
        for (int y = 0; y < DollPanelHeight; ++y)
            for (int x = 0; x < DollPanelWidth; ++x) {
                // Top to bottom: the hat, the back's overlay, the garments, the doll.
                RasterColor expected = doll.DollFrames.At(frame * DollPanelWidth + x, y);
                bool fromGarment = false;
                for (DollSlot slot : order) {
                    if (slot == SlotSh && !front) {
                        const RasterColor o = doll.DollFrames.At((frame + 2) * DollPanelWidth + x, y);
                        if (o != RasterWhite) expected = o, fromGarment = false;
                    }
                    if (TModel* m = doll.Model(slot)) {
                        const SlotPlace p = DollSlotPlace(slot);
                        const Raster& g = front ? m->FrontPicture() : m->BackPicture();
                        const RasterColor c = g.At(x - p.Left, y - p.Top);
                        if (c != RasterWhite && c != RasterNoPixel) expected = c, fromGarment = true;
                    }
                }
                ASSERT_EQ(shown.At(x, y), expected) << x << "," << y << (front ? " front" : " back");
                garmentPixels += fromGarment;
            }
        EXPECT_GT(garmentPixels, 2000) << front;
    }
    // A point of the trousers that the coat and the shoes leave free is the
    // trousers'; a fabric dropped there fills them.
    int tx = -1, ty = -1;
    for (int y = 0; y < DollPanelHeight && tx < 0; ++y)
        for (int x = 0; x < DollPanelWidth && tx < 0; ++x)
            if (doll.PieceAt(SlotBr, x, y, true) >= 0 && doll.PieceAt(SlotWn, x, y, true) < 0 &&
                doll.PieceAt(SlotTf, x, y, true) < 0)
                tx = x, ty = y;
    ASSERT_GE(tx, 0);
    EXPECT_EQ(doll.ItemAt(tx, ty), SlotBr);
    EXPECT_TRUE(doll.OnDoll(tx, ty));
    EXPECT_FALSE(doll.OnDoll(1, 1));
    EXPECT_EQ(doll.ItemAt(1, 1), -1);
    const int piece = doll.PieceAt(SlotBr, tx, ty, true);
    EXPECT_TRUE(doll.FillAt(tx, ty, 9, false));
    EXPECT_EQ(doll.Model(SlotBr)->Pieces[piece]->Material, 9);
    EXPECT_FALSE(doll.FillAt(1, 1, 9, false));
    EXPECT_EQ(doll.WornTitles().size(), 4u);

    MemorySlots slots;
    doll.SaveSlot(slots, "States3");
    DressedDoll restored;
    restored.LoadSlot(slots, "States3");
    EXPECT_EQ(restored.Dressing.NumModel, doll.Dressing.NumModel);
    EXPECT_EQ(slots.Values.size(), 8u);
}

}  // namespace
