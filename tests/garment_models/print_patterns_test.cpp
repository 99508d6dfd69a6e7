// Printing a model's patterns: the title centred at the top, the description
// below it, the pieces below the description; the label and the job end
// even when the description fails.
#include <gtest/gtest.h>

#include <stdexcept>

#include "memory_canvas.h"
#include "model_fixture.h"

namespace {

class RecordingJob : public PatternJob {
public:
    RecordingJob(int pageWidth, int descriptionHeight) : printer(pageWidth, 3300, 300), height_(descriptionHeight) {}
    MemoryPrinter printer;
    std::vector<std::string> log;
    bool failDescription = false;
    PatternPrinter& Printer() override { return printer; }
    void BeginDoc() override { log.push_back("begin"); }
    void EndDoc() override { log.push_back("end"); }
    void SetPrintFont(int points) override { log.push_back("font " + std::to_string(points)); }
    int PrintDescription(const std::string& fileName, int y) override {
        log.push_back("description " + fileName + " " + std::to_string(y));
        if (failDescription) throw std::runtime_error("no printer");
        return y + height_;
    }

private:
    int height_;
};

std::string Rectangle(const std::string& name, int w, int h) {
    const std::string r = std::to_string(w - 1), b = std::to_string(h - 1);
    return name + "(0,0," + std::to_string(w) + "," + std::to_string(h) + ")\n  LINE(0,0) (" + r + ",0)\n  LINE(" + r +
           ",0) (" + r + "," + b + ")\n}\n";
}

struct PrintPatterns : testing::Test {
    TestHost host;
    MemoryStore store;
    PlainFabrics fabrics;
    MemoryStatus label;
    std::unique_ptr<TModel> Load() {
        host.Files["models\\pl07.mdl"] =
            "Test dress(100,50)\n" + Rectangle("Front", 20, 10) + Rectangle("Back", 20, 10) + Rectangle("Belt", 60, 10);
        return std::make_unique<TModel>(host, "models\\pl07", &fabrics, 100, 50, tsUnVisible, "States1", &store);
    }
};

TEST_F(PrintPatterns, TitleThenDescriptionThenPieces) {
    auto model = Load();
    RecordingJob job(2401, 500);
    model->PrintPatterns(job, &label, 1.0, 1.0);

    const int titleHeight = MemoryBitmap::CharHeight;
    const std::vector<std::string> expected = {
        "begin", "font 20", "description models\\pl07 " + std::to_string(titleHeight), "font 10", "end"};
    EXPECT_EQ(job.log, expected);
    ASSERT_EQ(job.printer.pages.size(), 1u);
    MemoryBitmap& page = *job.printer.pages[0];
    // Centred with the division truncating: (2401 - 10 * 6) / 2.
    ASSERT_FALSE(page.texts.empty());
    EXPECT_EQ(page.texts[0].text, "Test dress");
    EXPECT_EQ(page.texts[0].x, 1170);
    EXPECT_EQ(page.texts[0].y, 0);
    // The pieces' top edges stand where the description ended (within the
    // pen's footprint), side by side.
    const int top = titleHeight + 500 - 2;
    EXPECT_EQ(page.Count(PatternBlack, 0, 0, page.Width(), top), 0);
    EXPECT_GT(page.Count(PatternBlack, 0, top, page.Width(), top + 4), 0);
    const int frontWidth = MillimetresToDots(20, 10, 300, 300).x;
    EXPECT_GT(page.Count(PatternBlack, 2 * frontWidth + 2, top, page.Width(), top + 4), 0);
    ASSERT_GE(label.texts.size(), 2u);
    EXPECT_EQ(label.texts.front(), "Preparing page 1");
    EXPECT_EQ(label.texts.back(), "");
}

TEST_F(PrintPatterns, PiecesBelowALongDescriptionGoOnTheNextPage) {
    auto model = Load();
    RecordingJob job(2400, 3250);
    model->PrintPatterns(job, &label, 1.0, 1.0);
    ASSERT_EQ(job.printer.pages.size(), 2u);
    EXPECT_EQ(job.printer.pages[0]->Count(PatternBlack), 0);
    EXPECT_GT(job.printer.pages[1]->Count(PatternBlack, 0, 0, 2400, 3), 0);
    EXPECT_EQ(label.texts.back(), "");
    EXPECT_EQ(job.log.back(), "end");
}

TEST_F(PrintPatterns, AFailedDescriptionStillEndsTheJob) {
    auto model = Load();
    RecordingJob job(2400, 0);
    job.failDescription = true;
    EXPECT_THROW(model->PrintPatterns(job, &label, 1.0, 1.0), std::runtime_error);
    EXPECT_EQ(job.log.back(), "end");
    EXPECT_EQ(label.texts.back(), "");
    EXPECT_EQ(job.printer.pages[0]->Count(PatternBlack), 0);
}

}  // namespace
