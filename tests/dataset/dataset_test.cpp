// The generated data set read the way the program reads it: every picture
// through the library at the size its reader expects, hit maps holding only
// their garment's key colours, garment files through the model file rules,
// the first-run registry file through the program's importer, documents
// through unrtf, link files and songs as the main window opens them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "dataset_reader.h"
#include "host_tools.h"
#include "settings/text_helpers.h"
#include "rtf_document.h"
#include "rtf_lexer.h"
#include "settings/reg_file.h"

namespace {

const std::string kDir = DATASET_DIR;
const std::string kModels = kDir + "/models/";
const std::string kRes = kDir + "/Resource/";
constexpr uint32_t kWhite = 0xFFFFFF;

RgbPicture Load(const std::string& path) {
    RgbPicture p;
    int code = 0;
    EXPECT_TRUE(LoadPicture(path, p, code)) << path << " gives " << code;
    return p;
}

struct Category {
    const char* prefix;
    int slotW, slotH;        // worn picture quarter: the doll panel's slot
    int previewW, previewH;  // preview half: fits the category's preview
};
// Slots of the doll panel (200 x 360; hats 200 x 80, shoes 200 x 120) and
// previews (big 136 x 165, skirts 136 x 170, hats 117 x 86, shoes 47 x 71).
const Category kCategories[] = {
    {"wn", 200, 360, 136, 165}, {"pl", 200, 360, 136, 165}, {"br", 200, 360, 136, 165}, {"bl", 200, 360, 136, 165},
    {"hl", 200, 360, 136, 165}, {"yu", 200, 360, 136, 170}, {"sh", 200, 80, 117, 86},   {"tf", 200, 120, 47, 71},
};

// Skins at the sizes and origins the program cuts them at.
TEST(DatasetSkins, PicturesLoadAtTheirSizes) {
    struct Expect {
        const char* name;
        int width, height;
    };
    const Expect table[] = {
        {"Main.bmp", 640, 480},
        {"Resource.bmp", 1275, 583},           // faces up to (840 + 435, 329 + 254)
        {"Letters.bmp", 662, 80},              // notices 220 x 80 at x 0, 221, 442
        {"FsBrush.bmp", 1 + 8 * 99, 4 * 103},  // closed lid + seven opening frames, four rows
        {"FsWindow.bmp", 3 * 317, 3 * 306},    // nine cells of the pattern view
        {"Doll.bmp", 1200, 360},
        {"title.jpg", 640, 480},
    };
    for (const Expect& e : table) {
        RgbPicture p = Load(kRes + e.name);
        EXPECT_EQ(p.width, e.width) << e.name;
        EXPECT_EQ(p.height, e.height) << e.name;
    }
    for (const char* name : {"FsView.bmp", "Zamor.bmp", "about.bmp"}) {
        RgbPicture p = Load(kRes + name);
        EXPECT_GT(p.width, 0) << name;
    }
}

TEST(DatasetSkins, FabricAtlasesAndDrumKeys) {
    int fabrics = 0;
    for (const char* name : {"FillsS.bmp", "FillsM.bmp"}) {
        RgbPicture p = Load(kRes + name);
        EXPECT_EQ(p.width % 60, 0) << name;
        EXPECT_EQ(p.height % 60, 0) << name;
        fabrics += (p.width / 60) * (p.height / 60);
    }
    EXPECT_GT(fabrics, 0);
    EXPECT_LE(fabrics, 127);  // fabric numbers are stored as signed bytes

    // Window keys in column 0; frame 0 of row 2 is the hit map of the five windows.
    RgbPicture drum = Load(kRes + "FsBrush.bmp");
    std::set<uint32_t> keys;
    for (int k = 0; k < 5; ++k) keys.insert(drum.At(0, k));
    ASSERT_EQ(keys.size(), 5u);
    std::set<uint32_t> seen;
    for (int y = 0; y < 103; ++y)
        for (int x = 0; x < 99; ++x)
            if (keys.count(drum.At(x + 1, y + 2 * 103))) seen.insert(drum.At(x + 1, y + 2 * 103));
    EXPECT_EQ(seen, keys);
}

TEST(DatasetSkins, DollFramesOnAWhiteKey) {
    RgbPicture doll = Load(kRes + "Doll.bmp");
    ASSERT_EQ(doll.width, 1200);
    EXPECT_EQ(doll.At(0, 0), kWhite);  // the background key, white as the compositing expects
    // The body frames have the doll at the panel's centre; the overlays do not cover her legs.
    for (int f = 0; f < 4; ++f) EXPECT_NE(doll.At(f * 200 + 100, 150), kWhite) << "frame " << f;
    for (int f = 4; f < 6; ++f) EXPECT_EQ(doll.At(f * 200 + 100, 300), kWhite) << "frame " << f;
}

// The pictures are plain BMPs: ImageMagick reads the same pixels as our library.
TEST(DatasetSkins, SamePixelsInImageMagick) {
    for (const char* name : {"Main.bmp", "Doll.bmp"}) {
        RgbPicture ours = Load(kRes + name);
        std::string out = TestTempPath(std::string("im_") + name + ".rgb");
        Host(kConvert + " '" + kRes + name + "' -depth 8 rgb:'" + out + "'");
        std::string theirs = ReadFileBytes(out);
        ASSERT_EQ(theirs.size(), ours.pixels.size() * 3) << name;
        size_t diff = 0;
        for (size_t i = 0; i < ours.pixels.size(); ++i) {
            uint32_t c = (uint32_t(uint8_t(theirs[i * 3])) << 16) | (uint32_t(uint8_t(theirs[i * 3 + 1])) << 8) |
                         uint8_t(theirs[i * 3 + 2]);
            diff += c != ours.pixels[i];
        }
        EXPECT_EQ(diff, 0u) << name;
    }
}

std::set<uint32_t> ColoursIn(const RgbPicture& p, int x0, int w) {
    std::set<uint32_t> s;
    for (int y = 0; y < p.height; ++y)
        for (int x = x0; x < x0 + w; ++x) s.insert(p.At(x, y));
    return s;
}

bool InsidePolygon(const std::vector<std::pair<TXY, TXY>>& edges, double x, double y) {
    bool in = false;
    for (const auto& [a, b] : edges)
        if ((a.Y <= y) != (b.Y <= y) && x < a.X + (y - a.Y) * (b.X - a.X) / double(b.Y - a.Y)) in = !in;
    return in;
}

// One garment's files agree with each other and with the program's readers.
void CheckGarment(const Category& c, const std::string& code) {
    SCOPED_TRACE(code);
    GarmentFile g = ReadGarmentFile(kModels + code + ".mdl");
    EXPECT_FALSE(g.title.empty());
    ASSERT_GT(g.width, 0);
    ASSERT_GT(g.height, 0);
    const size_t n = g.pieces.size();
    ASSERT_GT(n, 0u);
    ASSERT_LE(n, 64u);  // the model's fill buffer

    for (const PatternPiece& p : g.pieces) {
        SCOPED_TRACE(p.name);
        // The piece lies on the sheet, its points inside its own box.
        EXPECT_GE(p.left, 0);
        EXPECT_GE(p.top, 0);
        EXPECT_LE(p.left + p.width, g.width);
        EXPECT_LE(p.top + p.height, g.height);
        std::vector<std::pair<TXY, TXY>> outline;
        const TXY* seed = nullptr;
        for (const Primitive& prim : p.primitives) {
            for (const TXY& pt : prim.points) {
                EXPECT_TRUE(pt.X >= 0 && pt.X <= p.width && pt.Y >= 0 && pt.Y <= p.height)
                    << prim.keyword << " (" << pt.X << "," << pt.Y << ")";
            }
            if (prim.keyword == "LINESG") outline.emplace_back(prim.points.at(0), prim.points.at(1));
            if (prim.keyword == "POINTFILL") seed = &prim.points.at(0);
        }
        // The flood fill of the fill view starts inside the solid outline.
        ASSERT_NE(seed, nullptr);
        ASSERT_GE(outline.size(), 3u);
        EXPECT_TRUE(InsidePolygon(outline, seed->X + 0.25, seed->Y + 0.25));
    }

    RgbPicture pic = Load(kModels + code + ".bmp");
    ASSERT_EQ(pic.width, 4 * c.slotW);
    ASSERT_EQ(pic.height, c.slotH);
    std::set<uint32_t> keys;
    for (size_t i = 0; i < n; ++i) {
        uint32_t k = pic.At(int(i), 0);
        EXPECT_NE(k, kWhite) << "key of piece " << i;
        keys.insert(k);
    }
    ASSERT_EQ(keys.size(), n) << "key colours must differ";
    const uint32_t noGroup = pic.At(0, 2);
    for (size_t i = 0; i < n; ++i) {
        uint32_t group = pic.At(int(i), 1);
        EXPECT_TRUE(group == noGroup || keys.count(group)) << "group colour of piece " << i;
    }
    // Hit maps: only the keys and white; every piece can be hit on one side.
    std::set<uint32_t> hit;
    for (int quarter : {1, 3}) {
        for (uint32_t colour : ColoursIn(pic, quarter * c.slotW, c.slotW)) {
            EXPECT_TRUE(colour == kWhite || keys.count(colour)) << std::hex << colour << " in quarter " << quarter;
            hit.insert(colour);
        }
    }
    for (uint32_t k : keys) EXPECT_TRUE(hit.count(k)) << std::hex << "key " << k << " is on neither side";
    // Shade pictures are grey.
    for (int quarter : {0, 2})
        for (int y = 3; y < c.slotH; ++y)
            for (int x = quarter * c.slotW; x < (quarter + 1) * c.slotW; ++x) {
                uint32_t v = pic.At(x, y);
                if ((v >> 16) != (v & 0xFF) || ((v >> 8) & 0xFF) != (v & 0xFF)) {
                    ADD_FAILURE() << "colour " << std::hex << v << " in shade quarter " << std::dec << quarter;
                    return;
                }
            }

    RgbPicture preview = Load(kModels + code + "v.bmp");
    ASSERT_EQ(preview.width, 2 * c.previewW);
    ASSERT_EQ(preview.height, c.previewH);
    std::set<uint32_t> previewHit = ColoursIn(preview, c.previewW, c.previewW);
    for (uint32_t colour : previewHit) EXPECT_TRUE(colour == kWhite || keys.count(colour)) << std::hex << colour;
    EXPECT_GT(previewHit.size(), 1u) << "the preview shows nothing";

    // The description carries scaled sizes.
    std::string rtf = ReadWholeFile(kModels + code + ".rtf");
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(rtf.find("!X"), std::string::npos);
    EXPECT_NE(rtf.find("!Y"), std::string::npos);
}

TEST(DatasetModels, EveryCategoryHasGarmentsThatAgree) {
    for (const Category& c : kCategories) {
        std::vector<std::string> files = ListFiles(kModels, c.prefix, ".mdl");
        EXPECT_GE(files.size(), 3u) << c.prefix;
        std::set<std::string> titles;
        for (const std::string& f : files) {
            std::string code = f.substr(0, f.size() - 4);
            CheckGarment(c, code);
            titles.insert(ReadGarmentFile(kModels + f).title);
        }
        // Distinct titles: the order by title, which slot indices rely on, is unique.
        EXPECT_EQ(titles.size(), files.size()) << c.prefix;
    }
}

// Incompatibility tokens name garments that exist; a "@" hat exists for the second doll frames.
TEST(DatasetModels, TokensNameExistingGarments) {
    bool otherFrame = false;
    for (const std::string& f : ListFiles(kModels, "", ".mdl")) {
        GarmentFile g = ReadGarmentFile(kModels + f);
        for (const std::string& t : g.incompatible)
            EXPECT_TRUE(std::ifstream(kModels + t + ".mdl").good()) << f << " names " << t;
        if (g.otherDollFrame) {
            EXPECT_EQ(f.substr(0, 2), "sh") << f;
            otherFrame = true;
        }
    }
    EXPECT_TRUE(otherFrame);
}

// Collects what the program's importer would write.
struct RegCollector : RegFileSink {
    std::map<std::string, std::map<std::string, std::string>> strings;
    std::map<std::string, std::map<std::string, std::vector<unsigned char>>> binaries;
    std::string key;
    bool currentUser = false;
    void OpenKey(RegRoot root, const std::string& path) override {
        key = path;
        currentUser = root == RegRoot::CurrentUser;
        EXPECT_TRUE(currentUser) << path;
    }
    void WriteString(const std::string& name, const std::string& text) override { strings[key][name] = text; }
    void WriteBinary(const std::string& name, const std::vector<unsigned char>& bytes) override {
        binaries[key][name] = bytes;
    }
};

TEST(DatasetRegistry, FirstRunFileImportsEightSlots) {
    std::string text = ReadWholeFile(kRes + "pupetta.reg");
    // ANSI text as regedit's REGEDIT4 format has it: no BOM, no NUL, CR LF lines.
    ASSERT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;

    RegCollector reg;
    ApplyRegText(text, reg);
    const std::string root = "\\Software\\Quenvo\\Pupetta";
    EXPECT_EQ(reg.strings[root]["DefaultSlot"], "1");
    EXPECT_EQ(reg.strings[root]["Sound"], "1");
    EXPECT_EQ(reg.strings[root + "\\Pupetta"]["BigMemory"], "0");

    int fabrics = 0;
    for (const char* name : {"FillsS.bmp", "FillsM.bmp"}) {
        RgbPicture p = Load(kRes + name);
        fabrics += (p.width / 60) * (p.height / 60);
    }
    for (int slot = 1; slot <= 8; ++slot) {
        SCOPED_TRACE(slot);
        const std::string key = root + "\\States" + std::to_string(slot);
        ASSERT_TRUE(reg.strings.count(key));
        auto& values = reg.strings[key];
        for (const Category& c : kCategories) {
            std::string cat = std::string(1, char(c.prefix[0] - 32)) + c.prefix[1];
            int count = int(ListFiles(kModels, c.prefix, ".mdl").size());
            int worn = ReadIntegerDef(values["ModelsItem" + cat], -99);
            EXPECT_TRUE(worn >= -1 && worn < count) << cat << " worn " << worn;
            int shown = ReadIntegerDef(values["ModelView" + cat], -99);
            EXPECT_TRUE(shown >= 0 && shown < count) << cat << " shown " << shown;
        }
        int view = ReadIntegerDef(values["ModelView"], -99);
        EXPECT_TRUE(view >= 0 && view <= 5);
        EXPECT_EQ(values["Width"], "6.5");
        EXPECT_EQ(values["Height"], "30.0");
        // One fill byte per piece, each a fabric of the drum or 255.
        for (const auto& [name, bytes] : reg.binaries[key]) {
            GarmentFile g = ReadGarmentFile(kModels + name + ".mdl");
            EXPECT_EQ(bytes.size(), g.pieces.size()) << name;
            for (unsigned char b : bytes) EXPECT_TRUE(b == 255 || b < fabrics) << name << " fabric " << int(b);
        }
    }
}

RtfDocument ScanDocument(const std::string& path) {
    std::string text = ReadWholeFile(path);
    LexMemoryInput input(text);
    RtfLexer lexer;
    lexer.SetInput(&input);
    lexer.Seek(0);
    RtfDocument doc;
    doc.Reset("View Font");
    EXPECT_TRUE(doc.Parse(lexer)) << path;
    return doc;
}

// The program's scanner finds the topics the windows open, with their titles;
// every document also reads in unrtf.
TEST(DatasetDocuments, HelpTopicsAndRtfThroughUnrtf) {
    RtfDocument help = ScanDocument(kRes + "Help/help.rtf");
    ASSERT_FALSE(help.topics.empty());
    EXPECT_EQ(help.topics[0].name, "Contents");
    for (const char* topic : {"main", "key_opsvform", "key_print_d", "key_print_v"}) {
        const TTopic* t = help.FindTopic(topic);
        ASSERT_NE(t, nullptr) << topic;
        EXPECT_FALSE(t->title.empty()) << topic;
    }
    for (const std::string& f : ListFiles(kModels, "", ".rtf")) {
        RtfDocument d = ScanDocument(kModels + f);
        EXPECT_EQ(d.topics.size(), 1u) << f;
        EXPECT_GE(d.fonts.size(), 2u) << f << ": its font table";
    }

    std::vector<std::string> docs = {kRes + "Help/help.rtf", kRes + "describe.rtf"};
    for (const std::string& f : ListFiles(kModels, "", ".rtf")) docs.push_back(kModels + f);
    for (const std::string& doc : docs) {
        std::string text = ReadWholeFile(doc);
        int depth = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\')
                ++i;
            else if (text[i] == '{')
                ++depth;
            else if (text[i] == '}' && --depth < 0)
                break;
        }
        EXPECT_EQ(depth, 0) << doc << ": unbalanced groups";
        std::string out = TestTempPath("unrtf.txt");
        ASSERT_EQ(RunHost("unrtf --text '" + doc + "' > '" + out + "' 2>/dev/null"), 0) << doc;
        EXPECT_GT(ReadFileBytes(out).size(), 40u) << doc;
    }
}

// The main window opens the second line of a link file after its first four characters.
TEST(DatasetDocuments, LinksSongsAndCredits) {
    for (const char* name : {"website.url", "moregames.url", "tellafriend.url", "subscribe.url", "play.url"}) {
        std::vector<std::string> lines = SplitLines(ReadWholeFile(kRes + name));
        ASSERT_GE(lines.size(), 2u) << name;
        std::string target = lines[1].substr(std::min<size_t>(4, lines[1].size()));
        EXPECT_TRUE(target.find("http:") != std::string::npos || target.find("mailto:") != std::string::npos)
            << name << ": " << target;
    }
    int waves = 0;
    for (int song = 0; song <= 6; ++song) {
        std::string base = kRes + "Song" + std::to_string(song);
        if (std::ifstream(base + ".mid").good()) {
            std::string mid = ReadWholeFile(base + ".mid");
            ASSERT_GE(mid.size(), 22u);
            EXPECT_EQ(mid.substr(0, 4), "MThd");
            EXPECT_EQ(mid.substr(14, 4), "MTrk");
            size_t length = (size_t(uint8_t(mid[18])) << 24) | (size_t(uint8_t(mid[19])) << 16) |
                            (size_t(uint8_t(mid[20])) << 8) | uint8_t(mid[21]);
            EXPECT_EQ(length + 22, mid.size()) << "song " << song;
            EXPECT_EQ(mid.substr(mid.size() - 3), std::string("\xFF\x2F\x00", 3)) << "song " << song;
        } else {
            std::string wav = ReadWholeFile(base + ".wav");
            EXPECT_EQ(wav.substr(0, 4), "RIFF") << "song " << song;
            EXPECT_EQ(wav.substr(8, 4), "WAVE") << "song " << song;
            ++waves;
        }
    }
    EXPECT_EQ(waves, 1);
    EXPECT_GT(SplitLines(ReadWholeFile(kRes + "about.txt")).size(), 3u);
}

}  // namespace

namespace {

// The faces the program asks for, as fontforge reads the two files: the
// TrueType font's family, and the family and strikes of the bitmap font library.
TEST(DatasetFonts, FilesProvideTheFacesTheProgramNames) {
    std::string out = TestTempPath("faces.txt");
    Host(
        "/usr/bin/python3 -c \"import fontforge, sys\n"
        "for n in sys.argv[1:]:\n"
        "    f = fontforge.open(n)\n"
        "    print(f.familyname, ' '.join(str(s) for s in f.bitmapSizes))\" '" +
        kDir + "/metip___.ttf' '" + kDir + "/rirezoz.fon' > '" + out + "' 2>/dev/null");
    std::vector<std::string> lines = SplitLines(ReadFileBytes(out));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Ridided ");
    EXPECT_EQ(lines[1].rfind("Zuvi ", 0), 0u) << lines[1];
    EXPECT_GE(CountWords(lines[1], BlankSet), 3) << "strikes: " << lines[1];
}

}  // namespace

namespace {

// The generators give the same bytes on every run: a fresh run matches the build's set.
TEST(DatasetGenerators, SameBytesEveryRun) {
    std::string again = TestTempPath("dataset_again");
    Host("rm -rf '" + again + "' && " DATASET_PYTHON " -B '" DATASET_GENERATOR "' '" + again + "'");
    Host("diff -r -q '" + again + "' '" + kDir + "'");
}

}  // namespace
