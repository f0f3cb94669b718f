// Attributes of a sheet's XML as the page renderer's reader takes them, checked before any
// conversion, and the readers of what a sheet says of its printing (worksheet_print.cpp).
#pragma once

#include "pages/worksheet.hpp"
#include "platform/workbook/xml.hpp"

#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace tarnelo::pages::sheet_xml {

inline double number(pugi::xml_node node, const char* name, double fallback) {
    const pugi::xml_attribute a = node.attribute(name);
    return a ? a.as_double(fallback) : fallback;
}

// A whole-number attribute within low..high: the fallback when it is absent, nothing when it is
// not a whole number in that range (NaN, infinite, fractional, beyond an int).
inline std::optional<int> whole(pugi::xml_node node, const char* name, int fallback, int low,
                                int high) {
    const pugi::xml_attribute a = node.attribute(name);
    if (!a) {
        return fallback;
    }
    const double value = a.as_double(std::nan(""));
    if (!(value >= low && value <= high) || value != std::floor(value)) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// A measure within low..high: the fallback when it is absent, nothing when NaN or beyond.
inline std::optional<double> measure(pugi::xml_node node, const char* name, double fallback,
                                     double low, double high) {
    const pugi::xml_attribute a = node.attribute(name);
    if (!a) {
        return fallback;
    }
    const double value = a.as_double(std::nan(""));
    return value >= low && value <= high ? std::optional<double>(value) : std::nullopt;
}

// The attribute as the file writes it, for a message.
inline std::string quoted(pugi::xml_node node, const char* name) {
    return std::string(name) + "=“" + node.attribute(name).value() + "”";
}

inline bool flag(pugi::xml_node node, const char* name) {
    const std::string value = node.attribute(name).value();
    return value == "1" || value == "true";
}

// Each child element of that local name.
template <typename Visit> void each(pugi::xml_node node, std::string_view name, Visit visit) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && xlsx::localName(c.name()) == name) {
            visit(c);
        }
    }
}

// The print area and the title rows from the workbook's names local to this sheet. Empty when
// both can be printed, else why not.
std::string readPrintNames(pugi::xml_node book, int local, Worksheet& sheet);

// The page setup: margins, paper, scale, fitting, centring, breaks. Empty when a spreadsheet
// could hold every value, else what is not.
std::string readSetup(pugi::xml_node root, Worksheet& sheet);

} // namespace tarnelo::pages::sheet_xml
