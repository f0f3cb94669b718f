#include "drawing/drawing.hpp"

#include "measure/numtext.hpp"

namespace tarnelo::drawing {

namespace {

std::string n1(double value) {
    return num::fixedText(value, 1);
}

std::string_view anchorName(Anchor anchor) {
    switch (anchor) {
    case Anchor::Middle:
        return "middle";
    case Anchor::End:
        return "end";
    case Anchor::Start:
        break;
    }
    return "start";
}

class Writer {
  public:
    explicit Writer(std::string& out) : out_(out) {}

    void operator()(const Line& l) {
        out_ += "<line x1=\"" + n1(l.from.x) + "\" y1=\"" + n1(l.from.y) + "\" x2=\"" + n1(l.to.x) +
                "\" y2=\"" + n1(l.to.y) + "\" stroke=\"" + l.colour + "\" stroke-width=\"" +
                n1(l.width) + "\"";
        dash(l.dash);
        out_ += "/>\n";
    }
    void operator()(const Polyline& p) {
        out_ += "<polyline points=\"";
        points(p.points);
        out_ +=
            "\" fill=\"none\" stroke=\"" + p.colour + "\" stroke-width=\"" + n1(p.width) + "\"/>\n";
    }
    void operator()(const Polygon& p) {
        out_ += "<polygon points=\"";
        points(p.points);
        out_ += "\" fill=\"" + p.fill + "\"";
        outline(p.stroke, p.strokeWidth);
        out_ += "/>\n";
    }
    void operator()(const Rect& r) {
        out_ += "<rect x=\"" + n1(r.x) + "\" y=\"" + n1(r.y) + "\" width=\"" + n1(r.width) +
                "\" height=\"" + n1(r.height) + "\" fill=\"" + r.fill + "\"";
        outline(r.stroke, r.strokeWidth);
        out_ += "/>\n";
    }
    void operator()(const Circle& c) {
        out_ += "<circle cx=\"" + n1(c.centre.x) + "\" cy=\"" + n1(c.centre.y) + "\" r=\"" +
                n1(c.radius) + "\" fill=\"" + c.fill + "\"";
        outline(c.stroke, c.strokeWidth);
        out_ += "/>\n";
    }
    void operator()(const Path& p) {
        out_ += "<path d=\"";
        for (std::size_t i = 0; i < p.points.size(); ++i) {
            out_ += (i == 0 ? "M" : " L") + n1(p.points[i].x) + " " + n1(p.points[i].y);
        }
        out_ += std::string(p.closed ? " Z" : "") + "\" fill=\"" + p.fill + "\"";
        if (p.fillOpacity < 1.0) {
            out_ += " fill-opacity=\"" + num::plainText(p.fillOpacity) + "\"";
        }
        if (!p.stroke.empty()) {
            out_ += " stroke=\"" + p.stroke + "\"";
        }
        if (p.strokeWidth > 0.0) {
            out_ += " stroke-width=\"" + num::plainText(p.strokeWidth) + "\"";
        }
        dash(p.dash);
        out_ += "/>\n";
    }
    void operator()(const Text& t) {
        const std::string x = num::fixedText(t.at.x, t.xDecimals);
        const std::string y = n1(t.at.y);
        out_ += "<text x=\"" + x + "\" y=\"" + y + "\" font-size=\"" +
                num::fixedText(t.size, t.sizeDecimals) + "\" text-anchor=\"" +
                std::string(anchorName(t.anchor)) + "\" fill=\"" + t.colour + "\"" +
                (t.bold ? " font-weight=\"bold\"" : "");
        if (t.upward) {
            out_ += " transform=\"rotate(-90 " + x + " " + y + ")\"";
        }
        out_ += ">" + xmlText(t.content) + "</text>\n";
    }

  private:
    void points(const std::vector<Point>& points) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            out_ += (i == 0 ? "" : " ") + n1(points[i].x) + "," + n1(points[i].y);
        }
    }
    void outline(const std::string& stroke, double width) {
        if (!stroke.empty()) {
            out_ += " stroke=\"" + stroke + "\" stroke-width=\"" + n1(width) + "\"";
        }
    }
    void dash(const std::string& dash) {
        if (!dash.empty()) {
            out_ += " stroke-dasharray=\"" + dash + "\"";
        }
    }

    std::string& out_;
};

void head(const Drawing& d, std::string& out) {
    const bool declared = d.svgHead == SvgHead::Declared;
    const std::string w = num::fixedText(d.width, declared ? 0 : 1);
    const std::string h = num::fixedText(d.height, declared ? 0 : 1);
    if (declared) {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    }
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
           "\" viewBox=\"0 0 " + w + " " + h + "\" font-family=\"" + d.fontFamily + "\">\n";
    out += std::string(declared ? "<rect x=\"0\" y=\"0\" " : "<rect ") + "width=\"" + w +
           "\" height=\"" + h + "\" fill=\"" + d.background + "\"/>\n";
}

} // namespace

std::string svgOf(const Drawing& drawing) {
    std::string out;
    out.reserve(1024 + drawing.items.size() * 110);
    head(drawing, out);
    Writer writer(out);
    for (const Item& item : drawing.items) {
        std::visit(writer, item);
    }
    out += "</svg>\n";
    return out;
}

std::string xmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else if (c == '\'') {
            out += "&apos;";
        } else if (byte < 0x20 || byte == 0x7F) {
            continue;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tarnelo::drawing
