#include "platform/automation/dispatch.hpp"

#include "measure/numtext.hpp"

#include <cmath>
#include <limits>

namespace tarnelo::automation {

namespace {

const std::string kNoText;

} // namespace

const std::string& Variant::text() const {
    if (const auto* s = std::get_if<std::string>(&value_)) {
        return *s;
    }
    return kNoText;
}

std::int32_t Variant::integer() const {
    if (const auto* i = std::get_if<std::int32_t>(&value_)) {
        return *i;
    }
    if (const auto* b = std::get_if<bool>(&value_)) {
        return *b ? 1 : 0;
    }
    if (const auto* d = std::get_if<double>(&value_)) {
        if (std::isnan(*d)) {
            return 0;
        }
        const double cut = std::trunc(*d);
        if (cut >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
            return std::numeric_limits<std::int32_t>::max();
        }
        if (cut <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
            return std::numeric_limits<std::int32_t>::min();
        }
        return static_cast<std::int32_t>(cut);
    }
    return 0;
}

double Variant::real() const {
    if (const auto* d = std::get_if<double>(&value_)) {
        return *d;
    }
    if (const auto* i = std::get_if<std::int32_t>(&value_)) {
        return *i;
    }
    if (const auto* b = std::get_if<bool>(&value_)) {
        return *b ? 1.0 : 0.0;
    }
    return 0.0;
}

Dispatch Variant::object() const {
    if (const auto* o = std::get_if<Dispatch>(&value_)) {
        return *o;
    }
    return {};
}

std::string displayText(const Variant& value) {
    if (value.isText()) {
        return value.text();
    }
    if (value.isBool()) {
        return value.integer() != 0 ? "TRUE" : "FALSE";
    }
    if (value.isInteger() || value.isReal()) {
        return num::plainText(value.real());
    }
    return {};
}

bool memberIs(std::string_view member, std::string_view name) {
    if (member.size() != name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < member.size(); ++i) {
        auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(member[i]) != lower(name[i])) {
            return false;
        }
    }
    return true;
}

Outcome invoke(const Dispatch& object, std::string_view member, CallKind kind,
               std::span<const Variant> args) {
    if (!object) {
        return Outcome::fail("对空对象调用成员 " + std::string(member));
    }
    Outcome outcome = object.object()->invoke(member, kind, args);
    if (outcome.failed) {
        // A failing call yields nothing, whatever the host put beside its error.
        outcome.value = {};
    } else {
        outcome.error.clear();
    }
    return outcome;
}

Outcome get(const Dispatch& object, std::string_view member, std::initializer_list<Variant> args) {
    return invoke(object, member, CallKind::Get,
                  std::span<const Variant>(args.begin(), args.size()));
}

Outcome put(const Dispatch& object, std::string_view member, std::initializer_list<Variant> args) {
    return invoke(object, member, CallKind::Put,
                  std::span<const Variant>(args.begin(), args.size()));
}

Outcome call(const Dispatch& object, std::string_view member, std::initializer_list<Variant> args) {
    return invoke(object, member, CallKind::Method,
                  std::span<const Variant>(args.begin(), args.size()));
}

} // namespace tarnelo::automation
