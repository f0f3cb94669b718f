#include "compute/compute.hpp"
#include "files/file_io.hpp"
#include "files/gauging_file.hpp"
#include "report/section_plot.hpp"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace tarnelo {
namespace {

namespace fs = std::filesystem;

struct Drawn {
    std::string svg;
    Computation computation;
};

// Reads and computes a raw data file as 打开 and 计算 do, and draws the computation.
Drawn draw(const fs::path& file, const StopAsked& stopAsked = {}) {
    const GaugingFile read = readGaugingFile(file);
    EXPECT_TRUE(read.status == GaugingFile::Status::Opened) << file;
    Drawn drawn;
    drawn.computation = compute(read.gauging);
    drawn.svg = sectionPlotSvg(read.gauging, drawn.computation, drawn.computation.findings,
                               stopAsked);
    return drawn;
}

// Compares with the golden file byte for byte; TARNELO_UPDATE_GOLDEN=1 writes it instead.
void expectGolden(const std::string& svg, const std::string& name) {
    const fs::path golden = fs::path(TARNELO_TEST_DATA) / "plot" / name;
    if (std::getenv("TARNELO_UPDATE_GOLDEN") != nullptr) {
        ASSERT_TRUE(writeFileAtomic(golden, svg));
        return;
    }
    const std::optional<std::string> expected = readFileBytes(golden);
    ASSERT_TRUE(expected.has_value()) << golden;
    EXPECT_TRUE(svg == *expected) << name << " differs from its golden file";
}

void expectWellFormed(const std::string& svg) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(svg.data(), svg.size());
    ASSERT_TRUE(parsed) << parsed.description();
    EXPECT_STREQ(doc.document_element().name(), "svg");
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

const fs::path kExamples = fs::path(TARNELO_SOURCE_DIR) / "examples";
const fs::path kFiles = fs::path(TARNELO_TEST_DATA) / "files";

TEST(SectionPlot, GoldenPicturesOfTheBundledExamples) {
    struct Case {
        fs::path file;
        const char* golden;
        Computation::Status status;
    };
    const Case cases[] = {
        {kExamples / "vertical-25-verticals.dat", "vertical-25-verticals.svg",
         Computation::Status::Computed},
        {kExamples / "velocity-mode.dat", "velocity-mode.svg", Computation::Status::Computed},
        // Sounding-only verticals between the velocity verticals.
        {kExamples / "vertical-surface-points.dat", "vertical-surface-points.svg",
         Computation::Status::Computed},
        // Too few rows to compute: the profile alone.
        {kFiles / "vertical-3rows.dat", "incomplete-3rows.svg", Computation::Status::Incomplete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        const Drawn drawn = draw(c.file);
        EXPECT_EQ(drawn.computation.status, c.status);
        expectWellFormed(drawn.svg);
        expectGolden(drawn.svg, c.golden);
        // Same input, same bytes.
        EXPECT_EQ(draw(c.file).svg, drawn.svg);
    }
}

// Whether a share label (font size 9, centred) or "10%" touches the velocity line.
std::vector<std::string> labelsOnTheVelocityLine(const std::string& svg) {
    pugi::xml_document doc;
    doc.load_buffer(svg.data(), svg.size());
    std::vector<std::pair<double, double>> line;
    for (const pugi::xml_node node : doc.document_element().children("polyline")) {
        if (std::string(node.attribute("stroke").value()) != "#C55A11") {
            continue;
        }
        std::istringstream points(node.attribute("points").value());
        double x = 0;
        double y = 0;
        char comma = 0;
        while (points >> x >> comma >> y) {
            line.emplace_back(x, y);
        }
    }
    std::vector<std::string> crossed;
    for (const pugi::xml_node node : doc.document_element().children("text")) {
        const std::string text = node.text().get();
        const int size = node.attribute("font-size").as_int();
        if (size != 9 && text != "10%") {
            continue;
        }
        const double width = static_cast<double>(text.size()) * size * 0.55;
        const double x = node.attribute("x").as_double();
        const std::string anchor = node.attribute("text-anchor").value();
        const double left = anchor == "middle" ? x - width / 2 : anchor == "end" ? x - width : x;
        const double baseline = node.attribute("y").as_double();
        // Sample the line every half pixel across the label.
        for (std::size_t i = 0; i + 1 < line.size(); ++i) {
            const auto [x1, y1] = line[i];
            const auto [x2, y2] = line[i + 1];
            for (double at = std::max(left, x1); at <= std::min(left + width, x2); at += 0.5) {
                const double y = y1 + (y2 - y1) * (at - x1) / (x2 - x1);
                if (y >= baseline - size * 0.8 - 1 && y <= baseline + 2) {
                    crossed.push_back(text);
                    at = x2 + 1;
                    i = line.size();
                }
            }
        }
    }
    return crossed;
}

TEST(SectionPlot, NoLabelLiesOnTheVelocityLine) {
    // The velocity-measurement example once had "25.6" drawn across the line.
    for (const fs::path& file :
         {kExamples / "vertical-25-verticals.dat", kExamples / "velocity-mode.dat",
          kExamples / "vertical-surface-points.dat"}) {
        SCOPED_TRACE(file.filename().string());
        const Drawn drawn = draw(file);
        EXPECT_EQ(labelsOnTheVelocityLine(drawn.svg), std::vector<std::string>());
        // Every bar wide enough still has its share written somewhere.
        EXPECT_NE(drawn.svg.find("font-size=\"9\""), std::string::npos);
    }
}

TEST(SectionPlot, DrawsWhatTheComputationWrote) {
    const Drawn drawn = draw(kExamples / "vertical-surface-points.dat");
    const std::string& svg = drawn.svg;
    EXPECT_NE(svg.find("清溪河 龙潭"), std::string::npos);
    // The title gives the discharge with its ISO 748 uncertainty, the IVE beside it.
    EXPECT_NE(svg.find("Q = 43.6 m³/s ± "), std::string::npos);
    EXPECT_NE(svg.find(" %（ISO 748，95%）"), std::string::npos);
    EXPECT_NE(svg.find("测深垂线 13 条，测速垂线 7 条　IVE ± "), std::string::npos);
    // Four sounding-only verticals dashed (the water edges have no line), seven solid: six in
    // the plain colour, the one closing the widest spacing in the warning colour.
    EXPECT_EQ(count(svg, "stroke=\"#8C8C8C\" stroke-width=\"1.0\" stroke-dasharray"), 4u);
    EXPECT_EQ(count(svg, "stroke=\"#1F4E79\" stroke-width=\"1.2\""), 6u);
    EXPECT_NE(svg.find(">10%</text>"), std::string::npos);
    // Every partial over 10 % is drawn in the warning colour: the one finding on the largest,
    // and the further rows it names.
    std::size_t over = 0;
    for (const Finding& f : drawn.computation.findings) {
        over += f.column == col::部分流量 ? 1 + f.alsoRows.size() : 0;
    }
    ASSERT_EQ(over, 6u);
    EXPECT_EQ(count(svg, "fill=\"#F4A792\" stroke=\"#D9381E\""),
              static_cast<std::size_t>(over) + 1);
}

TEST(SectionPlot, AStopPassedInEndsTheDrawingEarly) {
    const fs::path file = kExamples / "vertical-25-verticals.dat";
    const std::string whole = draw(file).svg;
    // Asked before the first part: the heading alone, still a picture.
    int asked = 0;
    const std::string none = draw(file, [&asked] { return ++asked > 0; }).svg;
    expectWellFormed(none);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(none.find("<polygon"), std::string::npos);
    // Yes after a few bars: part of the upper panel, nothing after it.
    asked = 0;
    const std::string part = draw(file, [&asked] { return ++asked > 4; }).svg;
    expectWellFormed(part);
    EXPECT_LT(none.size(), part.size());
    EXPECT_LT(part.size(), whole.size());
    // A stop that never says yes draws the whole picture.
    EXPECT_EQ(draw(file, [] { return false; }).svg, whole);
}

TEST(SectionPlot, AnIncompleteMeasurementIsTheProfileOnly) {
    const Drawn drawn = draw(kFiles / "vertical-3rows.dat");
    EXPECT_NE(drawn.svg.find("未计算"), std::string::npos);
    EXPECT_EQ(drawn.svg.find("<polyline"), std::string::npos);
    EXPECT_EQ(drawn.svg.find("不确定度"), std::string::npos);
    EXPECT_NE(drawn.svg.find("<polygon"), std::string::npos);
}

TEST(SectionPlot, HeaderTextsAreEscapedAndControlCharactersDropped) {
    MeasuredSection section;
    section.verticals.push_back({0, 0.0, 0.0, true, false, {}, {}, {}});
    section.verticals.push_back({1, 1.0, 0.5, false, false, {}, {}, {}});
    section.verticals.push_back({2, 2.0, 0.0, true, false, {}, {}, {}});
    const std::string svg = sectionPlotSvg(section, {"A&B <站>\x1b[2J", "\"5\"月"}, {}, {}, {});
    expectWellFormed(svg);
    EXPECT_NE(svg.find("A&amp;B &lt;站&gt;[2J"), std::string::npos);
    EXPECT_NE(svg.find("&quot;5&quot;月"), std::string::npos);
    EXPECT_EQ(svg.find('\x1b'), std::string::npos);
}

TEST(SectionPlot, NothingToDrawStillGivesAPicture) {
    const std::string svg = sectionPlotSvg(MeasuredSection{}, {}, {}, {}, {});
    expectWellFormed(svg);
    EXPECT_NE(svg.find("没有可画的测深垂线"), std::string::npos);
    // One vertical alone, or all at one distance: no division by a zero width.
    MeasuredSection one;
    one.verticals.push_back({0, 3.0, 1.0, false, true, "1", 0.5, {}});
    const std::string single = sectionPlotSvg(one, {}, {}, {}, {});
    expectWellFormed(single);
    EXPECT_EQ(single.find("nan"), std::string::npos);
    EXPECT_EQ(single.find("inf"), std::string::npos);
}

} // namespace
} // namespace tarnelo

namespace tarnelo {
namespace {

TEST(SectionPlot, DrawsEveryPointOfAMultiPointVertical) {
    // Five verticals of two points and two of one: the two-point verticals show each point
    // where it was measured, the one-point verticals as before.
    const Drawn drawn = draw(kExamples / "vertical-two-point.dat");
    EXPECT_EQ(count(drawn.svg, "r=\"2.5\" fill=\"#1F4E79\""), 10u);
    EXPECT_EQ(labelsOnTheVelocityLine(drawn.svg), std::vector<std::string>());
    EXPECT_EQ(count(draw(kExamples / "velocity-five-point.dat").svg, "r=\"2.5\" fill=\"#1F4E79\""),
              20u);
}

} // namespace
} // namespace tarnelo
