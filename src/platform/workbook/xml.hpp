// The XML of the package parts: finding and making elements whatever namespace prefix a part
// uses, keeping the schema's order of children, and part names resolved from relationships.
#pragma once

#include <pugixml.hpp>

#include <span>
#include <string>
#include <string_view>

namespace tarnelo::xlsx {

// "x:row" -> "row".
std::string_view localName(std::string_view name);

// The first child element of that local name (any namespace prefix); empty when there is none.
pugi::xml_node child(pugi::xml_node node, std::string_view name);

// The child of that name, made at its place in the schema's order of children when missing.
pugi::xml_node childInOrder(pugi::xml_node parent, std::string_view name,
                            std::span<const std::string_view> order);

// A tag name in the namespace prefix of node ("x:row" beside "x:sheetData").
std::string tagLike(pugi::xml_node node, std::string_view name);

// The attribute of that name, added when missing.
pugi::xml_attribute attribute(pugi::xml_node node, const char* name);

// Attribute r:id, whatever prefix the relationships namespace has; empty when missing.
std::string relationId(pugi::xml_node node);

bool endsWith(std::string_view text, std::string_view tail);

// The document as UTF-8 text, without added indentation.
std::string serialize(const pugi::xml_document& doc);

// Parses a part; false when it is not well-formed or has no root element. The declaration is
// made to say UTF-8, the encoding the part is written back in.
bool parseXml(pugi::xml_document& doc, const std::string& bytes);

// The part a relationship target names, seen from the part base: "xl/worksheets/../x.xml"
// -> "xl/x.xml"; a target with a leading "/" starts at the package root.
std::string resolvePart(std::string_view base, std::string_view target);

// The relationships part of a part: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string relsPartOf(std::string_view part);

} // namespace tarnelo::xlsx
