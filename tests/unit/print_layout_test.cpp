#include "render/print_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/texts.h"

namespace kresbon {
namespace {

TEST(FitDrawingToPage, PortraitPageWithStretchFour)
{
    // d = min(6814 / 600, 4760 / 800) = 5.95, so 5.95 / 4 floors to 1.
    const PrintLayout layout = FitDrawingToPage(4760, 6814, 1, 800, 600, 4);
    EXPECT_EQ(layout.scale, 1);
    EXPECT_EQ(layout.bitmapWidth, 800);
    EXPECT_EQ(layout.bitmapHeight, 600);
    EXPECT_EQ(layout.placedWidth, 3200);
    EXPECT_EQ(layout.placedHeight, 2400);
}

TEST(FitDrawingToPage, StretchOneUsesTheWholeResolution)
{
    const PrintLayout layout = FitDrawingToPage(4760, 6814, 1, 800, 600, 1);
    EXPECT_EQ(layout.scale, 5);
    EXPECT_EQ(layout.bitmapWidth, 4000);
    EXPECT_EQ(layout.bitmapHeight, 3000);
    EXPECT_EQ(layout.placedWidth, 4000);
    EXPECT_EQ(layout.placedHeight, 3000);
}

TEST(FitDrawingToPage, TheTighterDimensionDecidesAndTheScreenScaleCancels)
{
    // A tall drawing on a landscape page: the height limits it.
    const PrintLayout tall = FitDrawingToPage(6814, 4760, 2, 100, 400, 1);
    EXPECT_EQ(tall.scale, 11);  // floor(2 * 4760 / 800)
    EXPECT_EQ(tall.bitmapHeight, 4400);
    EXPECT_LE(tall.placedHeight, 4760);
    // An exact fit is not lost to rounding.
    EXPECT_EQ(FitDrawingToPage(4800, 9000, 3, 800, 100, 1).scale, 6);
    EXPECT_EQ(FitDrawingToPage(4800, 9000, 3, 800, 100, 2).scale, 3);
}

TEST(FitDrawingToPage, FractionalDrawingSizeFloorsTheBitmap)
{
    const PrintLayout layout = FitDrawingToPage(1000, 1000, 1, 10.5, 7.25, 4);
    EXPECT_EQ(layout.scale, 23);  // floor(1000 / 10.5 / 4)
    EXPECT_EQ(layout.bitmapWidth, 241);  // floor(23 * 10.5)
    EXPECT_EQ(layout.bitmapHeight, 166);  // floor(23 * 7.25)
    EXPECT_EQ(layout.placedWidth, 966);  // floor(4 * 23 * 10.5)
    EXPECT_EQ(layout.placedHeight, 667);
}

TEST(FitDrawingToPage, ScaleBelowOneGivesAnEmptyBitmap)
{
    // 4760 / 800 / 10 is below one.
    const PrintLayout layout = FitDrawingToPage(4760, 6814, 1, 800, 600, 10);
    EXPECT_EQ(layout.scale, 0);
    EXPECT_EQ(layout.bitmapWidth, 0);
    EXPECT_EQ(layout.bitmapHeight, 0);
    EXPECT_EQ(layout.placedWidth, 0);
    EXPECT_EQ(layout.placedHeight, 0);
}

TEST(FitDrawingToPage, DegenerateInputsNeverDivideByZero)
{
    EXPECT_EQ(FitDrawingToPage(4760, 6814, 1, 0, 0, 4).scale, 0);
    EXPECT_EQ(FitDrawingToPage(0, 0, 1, 0, 0, 4).scale, 0);
    EXPECT_EQ(FitDrawingToPage(4760, 6814, 0, 800, 600, 4).scale, 0);
    EXPECT_EQ(FitDrawingToPage(4760, 6814, 1, 800, 600, 0).scale, 0);
    EXPECT_EQ(FitDrawingToPage(0, 6814, 1, 800, 600, 1).scale, 0);
    // A drawing without height fits by its width alone and has no rows.
    const PrintLayout flat = FitDrawingToPage(4760, 6814, 1, 800, 0, 1);
    EXPECT_EQ(flat.scale, 5);
    EXPECT_EQ(flat.bitmapWidth, 4000);
    EXPECT_EQ(flat.bitmapHeight, 0);
    // A vanishingly small drawing cannot overflow the scale.
    const PrintLayout tiny = FitDrawingToPage(4760, 6814, 1, 1e-30L, 1e-30L, 1);
    EXPECT_GT(tiny.scale, 0);
    EXPECT_LE(tiny.bitmapWidth, 4760);
}

TEST(PrintStamp, FormatsDayMonthYearAndTime)
{
    EXPECT_EQ(FormatStamp("20261207090503"), "07/12/2026 09:05:03");
    EXPECT_EQ(FormatStamp(""), "");
    const std::string now = NowStamp();
    ASSERT_EQ(now.size(), 14u);
    EXPECT_EQ(now.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(FormatStamp(now).size(), 19u);
}

TEST(PrintCentimetres, TwoDecimalsRoundedHalfUp)
{
    EXPECT_EQ(CentimetresText(4760, 600), "20.15");
    EXPECT_EQ(CentimetresText(0, 600), "0.00");
    EXPECT_EQ(CentimetresText(600, 600), "2.54");
    EXPECT_EQ(CentimetresText(1, 4), "0.64");  // 0.635 exactly
    EXPECT_EQ(CentimetresText(3, 1200), "0.01");  // 0.00635
    EXPECT_EQ(CentimetresText(1, 1200), "0.00");  // 0.0021
    EXPECT_EQ(CentimetresText(14031, 1200), "29.70");
    EXPECT_EQ(CentimetresText(100, 0), "0.00");
}

std::vector<std::string> LogLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2)
        lines.push_back(text.substr(from, end - from));
    EXPECT_EQ(from, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(PrintLog, ElevenLinesWithPaddedLabels)
{
    PrintRecord record;
    record.scriptName = "/home/jana/plan.krs";
    record.stamp = "20261207090503";
    record.printer = "Laser on CUPS";
    record.dpiX = 600;
    record.dpiY = 600;
    record.pageWidth = 4760;
    record.pageHeight = 6814;
    record.physicalWidth = 4960;
    record.physicalHeight = 7014;
    record.landscape = true;
    const std::vector<std::string> expected = {
        "ScriptName:        /home/jana/plan.krs",
        "Date:              07/12/2026 09:05:03",
        "Printer:           Laser on CUPS",
        "PixelsPerInch:     600 dpi x 600 dpi",
        "PageWidth:         4760",
        "PageHeight:        6814",
        "PageRes:           4760 x 6814",
        "PageRes (cm):      20.15 x 28.85",
        "PhysPageSize:      4960 x 7014",
        "PhysPageSize (cm): 21.00 x 29.69",
        "Orientation:       Landscape",
    };
    EXPECT_EQ(LogLines(PrintLogText(record)), expected);
}

TEST(PrintLog, EmptyScriptNameAndPortraitAndUnequalResolutions)
{
    PrintRecord record;
    record.stamp = "20260101000000";
    record.dpiX = 300;
    record.dpiY = 600;
    record.pageWidth = 300;
    record.pageHeight = 600;
    const std::vector<std::string> lines = LogLines(PrintLogText(record));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "ScriptName:        ");
    EXPECT_EQ(lines[3], "PixelsPerInch:     300 dpi x 600 dpi");
    EXPECT_EQ(lines[7], "PageRes (cm):      2.54 x 2.54");
    EXPECT_EQ(lines[10], "Orientation:       Portrait");
}

TEST(PrintLog, WriteReplacesTheFileAndNamesItOnFailure)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kresbon_print_log_test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "LastPrint.log").string();
    WritePrintLog(path, "a much longer first text\r\n", EnglishBase);
    WritePrintLog(path, "short\r\n", EnglishBase);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "short\r\n");

    const std::string missing = (folder / "no such folder" / "LastPrint.log").string();
    try {
        WritePrintLog(missing, "x", CzechBase);
        ADD_FAILURE() << "no error for an unwritable log";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()).find(TextUtf8(CzechBase, 571) + '"' + missing + '"'), 0u) << error.what();
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kresbon
