#include "platform/workbook/xml.hpp"

#include <vector>

namespace tarnelo::xlsx {

namespace {

// Without parse_doctype the document type declaration is skipped, and pugixml never expands
// entities other than the five predefined ones and character references: a part cannot pull
// in other files or grow through nested entities.
constexpr unsigned kParseFlags =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;

int orderOf(std::span<const std::string_view> order, std::string_view name) {
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i] == name) {
            return static_cast<int>(i);
        }
    }
    return static_cast<int>(order.size());
}

} // namespace

std::string_view localName(std::string_view name) {
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == name) {
            return c;
        }
    }
    return {};
}

pugi::xml_node childInOrder(pugi::xml_node parent, std::string_view name,
                            std::span<const std::string_view> order) {
    if (pugi::xml_node found = child(parent, name)) {
        return found;
    }
    const int rank = orderOf(order, name);
    const std::string full = tagLike(parent, name);
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && orderOf(order, localName(c.name())) > rank) {
            return parent.insert_child_before(full.c_str(), c);
        }
    }
    return parent.append_child(full.c_str());
}

std::string tagLike(pugi::xml_node node, std::string_view name) {
    const std::string_view own = node.name();
    const auto colon = own.find(':');
    return (colon == std::string_view::npos ? std::string()
                                            : std::string(own.substr(0, colon + 1))) +
           std::string(name);
}

pugi::xml_attribute attribute(pugi::xml_node node, const char* name) {
    pugi::xml_attribute a = node.attribute(name);
    return a ? a : node.append_attribute(name);
}

std::string relationId(pugi::xml_node node) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (const std::string_view name = a.name(); name.size() > 3 && endsWith(name, ":id")) {
            return a.value();
        }
    }
    return {};
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string serialize(const pugi::xml_document& doc) {
    std::string out;
    struct Writer : pugi::xml_writer {
        std::string* target = nullptr;
        void write(const void* data, std::size_t size) override {
            target->append(static_cast<const char*>(data), size);
        }
    } writer;
    writer.target = &out;
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return out;
}

bool parseXml(pugi::xml_document& doc, const std::string& bytes) {
    if (!doc.load_buffer(bytes.data(), bytes.size(), kParseFlags)) {
        return false;
    }
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_declaration && n.attribute("encoding")) {
            n.attribute("encoding").set_value("UTF-8");
        }
    }
    return static_cast<bool>(doc.document_element());
}

std::string resolvePart(std::string_view base, std::string_view target) {
    std::string joined;
    if (!target.empty() && target.front() == '/') {
        joined = std::string(target.substr(1));
    } else {
        const auto slash = base.rfind('/');
        joined = (slash == std::string_view::npos ? std::string()
                                                  : std::string(base.substr(0, slash + 1))) +
                 std::string(target);
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        auto end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        const std::string piece = joined.substr(start, end - start);
        if (piece == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty()) {
            out += '/';
        }
        out += p;
    }
    return out;
}

std::string relsPartOf(std::string_view part) {
    const auto slash = part.rfind('/');
    const std::string dir =
        slash == std::string_view::npos ? "" : std::string(part.substr(0, slash + 1));
    const std::string file =
        std::string(slash == std::string_view::npos ? part : part.substr(slash + 1));
    return dir + "_rels/" + file + ".rels";
}

} // namespace tarnelo::xlsx
