#include "compute/station/panel.hpp"

namespace tarnelo::station {

Panel::Panel() : selected_(ctl::垂线模式) {
    for (const auto& initial : initialTexts()) {
        texts_.emplace_back(std::string(initial.control), std::string(initial.text));
    }
}

std::string Panel::text(std::string_view control) const {
    for (const auto& [name, value] : texts_) {
        if (name == control) {
            return value;
        }
    }
    return {};
}

void Panel::setText(std::string_view control, std::string_view text) {
    for (auto& [name, value] : texts_) {
        if (name == control) {
            value = text;
            return;
        }
    }
    texts_.emplace_back(std::string(control), std::string(text));
}

void Panel::setSelected(std::string_view radio, bool selected) {
    if (radio != ctl::垂线模式 && radio != ctl::测速模式) {
        return;
    }
    if (selected) {
        selected_ = radio;
    } else if (selected_ == radio) {
        selected_.clear();
    }
}

} // namespace tarnelo::station
