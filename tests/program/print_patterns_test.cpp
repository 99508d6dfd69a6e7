// A garment's patterns printed to the PDF printer: the title, then the
// description with its marked numbers scaled, then the pieces below them.
#include <gtest/gtest.h>

#include "forms.h"
#include "host.h"
#include "app/garment_host_win32.h"
#include "forms/pattern_print_job_win32.h"
#include "printers.h"
#include "program_fixture.h"
#include "rtf/rtf_view_win32.h"

namespace {

// Restores the program folder when the test ends.
struct FolderGuard {
    std::string saved = ProgramFolder;
    ~FolderGuard() { ProgramFolder = saved; }
};

}  // namespace

TEST(PrintPatterns, TitleDescriptionAndPiecesOnThePdfPrinter) {
    EnsureFramework();
    ASSERT_FALSE(Printer()->Printers().empty()) << "no printer: scripts/test starts CUPS with the PDF queue";
    ASSERT_TRUE(HostHasTool("pdftotext")) << "pdftotext is missing: scripts/setup installs it";
    FolderGuard guard;
    const std::string folder = TestTempPath("print_patterns");
    RunHost("mkdir -p '" + folder + "/models'");
    WriteFileBytes(folder + "/models/pl07.mdl",
                   "Printed dress(100,50)\nFront(0,0,40,20)\n  LINE(0,0) (39,0)\n  LINE(39,0) (39,19)\n"
                   "  LINE(39,19) (0,19)\n  LINE(0,19) (0,0)\n}\n");
    WriteFileBytes(folder + "/models/pl07.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Hem !X10 cm\\par}");
    ProgramFolder = WinPath(folder) + "\\";

    ProgramModelHost host;
    TModel model(host, "models\\pl07", nullptr, 200, 100, tsUnVisible, "States1", nullptr);
    // The view measures with its window's canvas, as on the print form.
    TForm form(nullptr, "PRINTPATTERNSTEST");
    TrtfViewWindow view(&form);
    view.SetParent(&form);
    view.View().ScaleX = [] { return 1.5L; };
    view.View().ScaleY = [] { return 1.0L; };

    const std::string title = "volkgpatterns" + std::to_string(GetCurrentProcessId());
    const std::string marker = TestTempPath(title + ".start");
    RunHost("touch '" + marker + "'");
    Printer()->SetTitle(title);
    PrintPatterns(model, view, nullptr, 1.0, 1.0);

    const std::string list = TestTempPath(title + ".found");
    const std::string find = "for i in $(seq 60); do f=$(find \"$HOME/PDF\" /var/spool/cups-pdf -name '*" + title +
                             "*.pdf' -newer '" + marker +
                             "' 2>/dev/null | head -1); [ -n \"$f\" ] && sleep 1 && echo \"$f\" > '" + list +
                             "' && exit 0; sleep 0.5; done; exit 1";
    ASSERT_EQ(RunHost(find), 0) << "no PDF arrived for " << title;
    std::string pdf = ReadFileBytes(list);
    pdf.erase(pdf.find_last_not_of("\n") + 1);
    const std::string text = TestTempPath(title + ".txt");
    ASSERT_EQ(RunHost("pdftotext '" + pdf + "' '" + text + "'"), 0);
    const std::string printed = ReadFileBytes(text);
    const size_t titleAt = printed.find("Printed dress"), hemAt = printed.find("Hem 15 cm");
    ASSERT_NE(titleAt, std::string::npos) << printed;
    ASSERT_NE(hemAt, std::string::npos) << printed;
    EXPECT_LT(titleAt, hemAt);
}
