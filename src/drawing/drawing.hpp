// A picture as data: its size, its font and the items drawn on it in order, from the back to the
// front. The section picture and the stage–discharge relation are built as one; svgOf writes it
// as an SVG file and the page renderer's painter draws it on screen, into PNGs and on paper, so
// that every road shows the same items. Coordinates are in the picture's units (one to a pixel
// at its own size), y downward.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarnelo::drawing {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// Colours are "#RRGGBB" or "none" (nothing painted); an empty stroke draws no outline.
struct Line {
    Point from;
    Point to;
    std::string colour;
    double width = 1.0;
    // Dash and gap lengths as the SVG writes them ("6,4", "3 3"); empty for a solid line.
    std::string dash;
};

struct Polyline {
    std::vector<Point> points;
    std::string colour;
    double width = 1.0;
};

struct Polygon {
    std::vector<Point> points;
    std::string fill;
    std::string stroke;
    double strokeWidth = 1.0;
};

struct Rect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    std::string fill;
    std::string stroke;
    double strokeWidth = 1.0;
};

struct Circle {
    Point centre;
    double radius = 1.0;
    std::string fill;
    std::string stroke;
    double strokeWidth = 1.0;
};

// Straight segments through the points, closed back to the first when `closed`.
struct Path {
    std::vector<Point> points;
    bool closed = false;
    std::string fill;
    double fillOpacity = 1.0;
    std::string stroke;
    double strokeWidth = 0.0;
    std::string dash;
};

// The fonts the pictures ask for, first choice first: Chinese fonts of Linux and Windows.
inline constexpr std::string_view kPictureFonts =
    "WenQuanYi Micro Hei, Noto Sans CJK SC, Source Han Sans SC, Microsoft YaHei, SimHei, "
    "sans-serif";

enum class Anchor { Start, Middle, End };

// One line of text on its baseline at `at`; `upward` turns it a quarter to the left about that
// point (a vertical axis title).
struct Text {
    Point at;
    std::string content;
    double size = 12.0;
    Anchor anchor = Anchor::Start;
    std::string colour;
    bool bold = false;
    bool upward = false;
    // How the SVG file writes the font size and the x of the text (decimals): the two pictures
    // have always written them differently, and their files stay as they were.
    int sizeDecimals = 0;
    int xDecimals = 1;
};

using Item = std::variant<Line, Polyline, Polygon, Rect, Circle, Path, Text>;

// The two heads the pictures' SVG files have: with an XML declaration and the size in whole
// units, or bare with the size to one decimal.
enum class SvgHead { Declared, Bare };

struct Drawing {
    double width = 0.0;
    double height = 0.0;
    // The font families, first choice first, as CSS lists them.
    std::string fontFamily;
    std::string background = "#FFFFFF";
    SvgHead svgHead = SvgHead::Declared;
    std::vector<Item> items;
};

// The drawing as an SVG document (UTF-8); the same drawing always gives the same bytes.
std::string svgOf(const Drawing& drawing);

// Text for XML: the five special characters escaped, control characters left out.
std::string xmlText(std::string_view text);

} // namespace tarnelo::drawing
