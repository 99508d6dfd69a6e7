// The garment's title line, the sheet's fit into the view, compatibility
// and the fill bytes of a save slot.
#include <gtest/gtest.h>

#include "models/garment_file.h"
#include "models/pattern_piece.h"
#include "settings/text_helpers.h"

namespace {

TEST(GarmentTitle, LinesOfTheModelFile) {
    struct Case {
        const char* line;
        const char* title;
        int w, h;
        bool other;
        std::vector<std::string> tokens;
    } const cases[] = {
        {"Summer dress(120,300)|@pl03,bl01", "Summer dress", 120, 300, true, {"pl03", "bl01"}},
        {"Hat(40,30)", "Hat", 40, 30, false, {}},
        {"Coat(100,200)|", "Coat", 100, 200, false, {}},
        {"Coat(100,200)|@", "Coat", 100, 200, true, {}},
        {"Coat(100,200", "Coat", 100, 200, false, {}},
        {"Rain coat(90,210)|yu01", "Rain coat", 90, 210, false, {"yu01"}},
        {"Cap(40,30)||@sh02,,tf01", "Cap", 40, 30, true, {"sh02", "tf01"}},
    };
    for (const Case& c : cases) {
        const GarmentTitle t = ParseGarmentTitle(c.line);
        EXPECT_EQ(t.Title, c.title) << c.line;
        EXPECT_EQ(t.ModelWidth, c.w) << c.line;
        EXPECT_EQ(t.ModelHeight, c.h) << c.line;
        EXPECT_EQ(t.OtherDollFrame, c.other) << c.line;
        EXPECT_EQ(t.Incompatible, c.tokens) << c.line;
    }
}

TEST(GarmentTitle, LinesWithoutAUsableSizeAreRefused) {
    for (const char* line : {"Coat", "Coat|wn01", "Coat(0,200)", "Coat(100,0)", "Coat(-5,20)", "Coat(100)",
                             "Coat(1x,20)", "", "(100,200)"})
        EXPECT_THROW(ParseGarmentTitle(line), ConvertError) << line;
}

TEST(SheetFit, SmallerFactorBothWaysAndCentred) {
    const SheetFit f = FitSheet(239, 212, 100, 400);
    EXPECT_DOUBLE_EQ(f.ScaleX, 0.53);
    EXPECT_DOUBLE_EQ(f.ScaleY, 0.53);
    EXPECT_EQ(f.OffsetX, 93);
    EXPECT_EQ(f.OffsetY, 0);
    const SheetFit wide = FitSheet(200, 100, 50, 10);  // 4 across, 10 down: 4
    EXPECT_DOUBLE_EQ(wide.ScaleY, 4.0);
    EXPECT_EQ(wide.OffsetX, 0);
    EXPECT_EQ(wide.OffsetY, 30);
}

TEST(SheetFit, NoSizeNeverDivides) {
    const SheetFit none = FitSheet(0, 0, 100, 100);
    EXPECT_DOUBLE_EQ(none.ScaleX, 0.0001);
    EXPECT_DOUBLE_EQ(none.ScaleY, 0.0001);
    const SheetFit zeroModel = FitSheet(100, 50, 0, 0);  // counts as 1 x 1
    EXPECT_DOUBLE_EQ(zeroModel.ScaleX, 50.0);
    EXPECT_EQ(zeroModel.OffsetX, 25);
}

TEST(GarmentCompatibility, EitherSideNamingTheOtherExcludes) {
    const std::vector<std::string> none, namesPl01{"PL01"}, namesBl02{"bl02"};
    EXPECT_TRUE(TitlesCompatible(none, "models\\bl02", none, "models\\pl01"));
    EXPECT_FALSE(TitlesCompatible(namesPl01, "models\\bl02", none, "models\\pl01"));
    EXPECT_FALSE(TitlesCompatible(none, "models\\pl01", namesPl01, "models\\bl02"));
    EXPECT_FALSE(TitlesCompatible(namesBl02, "models\\pl01", namesPl01, "models\\bl02"));
    EXPECT_TRUE(TitlesCompatible(namesBl02, "models\\pl01", none, "models\\bl03"));
    EXPECT_EQ(FileNamePart("C:\\a\\models\\pl01"), "pl01");
}

TEST(FillBytes, ValueNameAndUnsignedBytes) {
    EXPECT_EQ(FillsValueName("models\\pl03"), "pl03");
    EXPECT_EQ(FillsValueName("MODELS\\pl03"), "pl03");
    EXPECT_EQ(FillsValueName("other\\pl03"), "other\\pl03");
    // Bytes above 127 are fabrics, not none: only 255 is none.
    EXPECT_EQ(MaterialFromStored(255), -1);
    EXPECT_EQ(MaterialFromStored(200), 200);
    EXPECT_EQ(MaterialFromStored(128), 128);
    EXPECT_EQ(MaterialFromStored(0), 0);
    EXPECT_EQ(StoredMaterial(-1), 255);
    EXPECT_EQ(StoredMaterial(200), 200);
    EXPECT_EQ(StoredMaterial(300), 255);
    for (int m = 0; m < 255; ++m) EXPECT_EQ(MaterialFromStored(StoredMaterial(m)), m);
}

TEST(FillBytes, StoredValuesOfAnyLengthUseWhatFits) {
    EXPECT_EQ(FitFillBytes({1, 2, 3, 4, 5}, 3), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(FitFillBytes({7}, 3), (std::vector<std::uint8_t>{7, 255, 255}));
    EXPECT_EQ(FitFillBytes({}, 2), (std::vector<std::uint8_t>{255, 255}));
    EXPECT_EQ(FitFillBytes(std::vector<std::uint8_t>(100, 4), 80).size(), 80u);
}

}  // namespace
