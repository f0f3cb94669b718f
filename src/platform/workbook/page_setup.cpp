// Page setup of a worksheet: header and footer texts, margins, paper size and orientation.
#include "platform/workbook/workbook.hpp"

#include "platform/workbook/cell_text.hpp"
#include "platform/workbook/workbook_impl.hpp"
#include "platform/workbook/xml.hpp"

#include <array>
#include <cmath>

namespace tarnelo::xlsx {

namespace {

constexpr std::string_view kHeaderFooterOrder[] = {"oddHeader",  "oddFooter",   "evenHeader",
                                                   "evenFooter", "firstHeader", "firstFooter"};

// Splits "&Lleft&Ccentre&Rright" into its three sections; text before any code is centred.
std::array<std::string, 3> sectionsOf(std::string_view text) {
    std::array<std::string, 3> sections;
    std::size_t current = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            const char code = text[i + 1];
            if (code == 'L' || code == 'C' || code == 'R') {
                current = code == 'L' ? 0 : code == 'C' ? 1 : 2;
                ++i;
                continue;
            }
            sections[current] += text.substr(i, 2);
            ++i;
            continue;
        }
        sections[current] += text[i];
    }
    return sections;
}

const char* marginAttribute(Margin which) {
    switch (which) {
    case Margin::Left:
        return "left";
    case Margin::Right:
        return "right";
    case Margin::Top:
        return "top";
    case Margin::Bottom:
        return "bottom";
    case Margin::Header:
        return "header";
    case Margin::Footer:
        return "footer";
    }
    return "left";
}

} // namespace

std::string Workbook::headerFooter(int sheet, bool footer, int position) const {
    if (!isWorksheet(sheet) || position < 0 || position > 2) {
        return {};
    }
    const pugi::xml_node hf = child(impl_->sheet(sheet).doc.document_element(), "headerFooter");
    return sectionsOf(child(hf, footer ? "oddFooter" : "oddHeader")
                          .text()
                          .get())[static_cast<std::size_t>(position)];
}

void Workbook::setHeaderFooter(int sheet, bool footer, int position, std::string_view text) {
    if (!isWorksheet(sheet) || position < 0 || position > 2) {
        return;
    }
    pugi::xml_node hf =
        childInOrder(impl_->sheet(sheet).doc.document_element(), "headerFooter", kWorksheetOrder);
    pugi::xml_node node = childInOrder(hf, footer ? "oddFooter" : "oddHeader", kHeaderFooterOrder);
    auto sections = sectionsOf(node.text().get());
    sections[static_cast<std::size_t>(position)] = encodeCellText(text);
    std::string joined;
    const char* codes[] = {"&L", "&C", "&R"};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!sections[i].empty()) {
            joined += codes[i] + sections[i];
        }
    }
    if (joined.empty()) {
        hf.remove_child(node);
    } else {
        node.text().set(joined.c_str());
    }
    modified_ = true;
}

double Workbook::margin(int sheet, Margin which) const {
    static constexpr double kDefaults[] = {0.7, 0.7, 0.75, 0.75, 0.3, 0.3};
    const double fallback = kDefaults[static_cast<int>(which)];
    if (!isWorksheet(sheet)) {
        return fallback;
    }
    const pugi::xml_attribute a = child(impl_->sheet(sheet).doc.document_element(), "pageMargins")
                                      .attribute(marginAttribute(which));
    return a ? numberOf(a.value()) : fallback;
}

void Workbook::setMargin(int sheet, Margin which, double inches) {
    if (!isWorksheet(sheet) || !std::isfinite(inches) || inches < 0 || inches > 100) {
        return;
    }
    const pugi::xml_node ws = impl_->sheet(sheet).doc.document_element();
    pugi::xml_node node = child(ws, "pageMargins");
    if (!node) {
        // The schema wants all six margins once the element is there.
        node = childInOrder(ws, "pageMargins", kWorksheetOrder);
        for (Margin m : {Margin::Left, Margin::Right, Margin::Top, Margin::Bottom, Margin::Header,
                         Margin::Footer}) {
            node.append_attribute(marginAttribute(m))
                .set_value(numberText(margin(sheet, m)).c_str());
        }
    }
    attribute(node, marginAttribute(which)).set_value(numberText(inches).c_str());
    modified_ = true;
}

int Workbook::paperSize(int sheet) const {
    if (!isWorksheet(sheet)) {
        return 0;
    }
    const pugi::xml_node setup = child(impl_->sheet(sheet).doc.document_element(), "pageSetup");
    return parseInt(setup.attribute("paperSize").value(), 1);
}

void Workbook::setPaperSize(int sheet, int size) {
    if (!isWorksheet(sheet) || size < 1) {
        return;
    }
    attribute(
        childInOrder(impl_->sheet(sheet).doc.document_element(), "pageSetup", kWorksheetOrder),
        "paperSize")
        .set_value(std::to_string(size).c_str());
    modified_ = true;
}

bool Workbook::landscape(int sheet) const {
    if (!isWorksheet(sheet)) {
        return false;
    }
    const pugi::xml_node setup = child(impl_->sheet(sheet).doc.document_element(), "pageSetup");
    return std::string_view(setup.attribute("orientation").value()) == "landscape";
}

void Workbook::setLandscape(int sheet, bool landscape) {
    if (!isWorksheet(sheet)) {
        return;
    }
    attribute(
        childInOrder(impl_->sheet(sheet).doc.document_element(), "pageSetup", kWorksheetOrder),
        "orientation")
        .set_value(landscape ? "landscape" : "portrait");
    modified_ = true;
}

} // namespace tarnelo::xlsx
