// Categories made at test time: their order, selection, menus, and the
// fabrics of every model saved to a slot and read back by a fresh load.
#include <gtest/gtest.h>

#include "model_fixture.h"

namespace {

struct Categories : testing::Test {
    TestHost host;
    MemoryStore store;
    PlainFabrics fabrics;
    GarmentCategory skirts, coats;
    void SetUp() override {
        host.Files["models\\yu01.mdl"] = "Skirt(10,10)\nA(0,0,5,5)\n}\n";
        host.Files["models\\yu02.mdl"] = "Apron(10,10)\nA(0,0,5,5)\n}\nB(5,0,5,5)\n}\n";
        host.Files["models\\yu03.mdl"] = "Skirt(10,10)\nA(0,0,5,5)\n}\n";
        host.Files["models\\yu04.mdl"] = "skirt(10,10)\nA(0,0,5,5)\n}\n";
        host.Files["models\\wn01.mdl"] = "Coat(10,10)|yu02\nA(0,0,5,5)\n}\n";
        skirts.Maska = "yu*";
        skirts.NameClass = "Take off the skirt";
        skirts.NameClassM = "Skirts";
        coats.Maska = "wn*";
        coats.NameClass = "Take off the coat";
    }
    std::vector<std::string> Names(const GarmentCategory& c) {
        std::vector<std::string> names;
        for (const auto& m : c.Models) names.push_back(m->FileName);
        return names;
    }
};

TEST_F(Categories, SortedByTitleWhateverTheFolderOrder) {
    const std::vector<std::string> expected = {"models\\yu02", "models\\yu01", "models\\yu03", "models\\yu04"};
    for (const std::vector<std::string>& order :
         {std::vector<std::string>{"yu03.mdl", "yu01.mdl", "yu04.mdl", "yu02.mdl"},
          std::vector<std::string>{"yu01.mdl", "yu02.mdl", "yu03.mdl", "yu04.mdl"}}) {
        host.FindOrder = order;
        skirts.Load(host, "models\\", &store, &fabrics, 100, 50, "States1");
        EXPECT_EQ(Names(skirts), expected);
        EXPECT_EQ(skirts.Current, 0);
    }
    EXPECT_EQ(skirts.MenuCaptions(), (std::vector<std::string>{"Skirts", "-", "Apron", "Skirt", "Skirt", "skirt"}));
}

TEST_F(Categories, SelectionMenuAndNeighbours) {
    skirts.Load(host, "models\\", &store, &fabrics, 100, 50, "States1");
    int changes = 0, picks = 0, views = 0;
    skirts.OnChange = [&](GarmentCategory*) { ++changes; };
    skirts.OnSelect = [&] { ++picks; };
    skirts.OnViewsChanged = [&] { ++views; };
    skirts.CurrentModel()->SetShowType(tsFill);
    skirts.Select(0);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(skirts.CurrentModel()->ShowType, tsUnVisible);  // the sheet is dropped
    for (int bad : {-1, 4, 99}) skirts.Select(bad);
    EXPECT_EQ(skirts.Current, 0);
    for (int entry : {0, 1, 2}) skirts.MenuClick(entry);
    EXPECT_EQ(picks + views + changes, 0);
    skirts.MenuClick(4);
    EXPECT_EQ(skirts.Current, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(views, 1);
    EXPECT_EQ(skirts.PreviousModel(), skirts.ModelAt(0));
    EXPECT_EQ(skirts.NextModel(), skirts.ModelAt(2));
    EXPECT_EQ(skirts.SecondPreviousModel(), skirts.ModelAt(3));
    skirts.Select(3);
    skirts.SelectNext();
    EXPECT_EQ(skirts.Current, 0);
    EXPECT_EQ(skirts.ModelAt(4), nullptr);

    GarmentCategory empty;
    empty.Maska = "zz*";
    empty.NameClassM = "None";
    empty.Load(host, "models\\", &store, &fabrics, 100, 50, "States1");
    EXPECT_EQ(empty.CurrentModel(), nullptr);
    EXPECT_EQ(empty.PreviousModel(), nullptr);
    EXPECT_EQ(empty.SecondPreviousModel(), nullptr);
    empty.SelectNext();
    EXPECT_EQ(empty.MenuCaptions(), (std::vector<std::string>{"None", "-"}));
}

TEST_F(Categories, AllModelsFollowTheCurrentCategoryAndKeepFabricsPerSlot) {
    GarmentCategorySet all;
    all.cm[0] = &coats;
    all.cm[1] = &skirts;  // in the dresses' place: the category current at the start
    all.BrushSelect = &fabrics;
    int changed = 0;
    all.OnChangeModel = [&] { ++changed; };
    all.Load(host, 100, 50, "States1", &store);
    EXPECT_EQ(all.ClassModels(), &skirts);
    EXPECT_EQ(all.TypeShow, tsFill);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(all.TakeOffCaptions()[0], "Take off the coat");
    EXPECT_EQ(all.TakeOffCaptions()[2], "Not present");
    EXPECT_EQ(all.TakeOffCaptions().size(), 8u);

    // Another category's selection does not change the shown model.
    coats.Select(0);
    skirts.Select(2);
    EXPECT_EQ(changed, 2);
    skirts.CurrentModel()->Picture();
    all.SetClassModels(&coats);
    EXPECT_FALSE(skirts.ModelAt(2)->PictureLoaded());
    EXPECT_EQ(all.CurrentModel(), coats.CurrentModel());

    skirts.ModelAt(0)->Pieces[1]->SetMaterial(200);  // the apron's second piece
    coats.ModelAt(0)->Pieces[0]->SetMaterial(3);
    all.SaveFills(store, "States1");
    all.Free();
    EXPECT_TRUE(skirts.Models.empty());

    GarmentCategory skirts2 = {}, coats2 = {};
    skirts2.Maska = "yu*";
    coats2.Maska = "wn*";
    GarmentCategorySet again;
    again.cm[0] = &coats2;
    again.cm[1] = &skirts2;
    again.Load(host, 100, 50, "States1", &store);
    EXPECT_EQ(skirts2.ModelAt(0)->Pieces[0]->Material, -1);
    EXPECT_EQ(skirts2.ModelAt(0)->Pieces[1]->Material, 200);
    EXPECT_EQ(coats2.ModelAt(0)->Pieces[0]->Material, 3);
    // Another slot keeps its own fabrics.
    again.Free();
    again.Load(host, 100, 50, "States2", &store);
    EXPECT_EQ(skirts2.ModelAt(0)->Pieces[1]->Material, -1);
}

}  // namespace
