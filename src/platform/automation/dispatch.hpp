// Late-bound automation: host objects whose members are reached by name at run time, with
// variant arguments. This is the layer the spreadsheet wrapper talks through; any host (the
// built-in spreadsheet, a printing host, a test double) is an Object behind a Dispatch handle.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarnelo::automation {

class Object;
class Dispatch;

// Stands for an omitted optional argument (the automation error value DISP_E_PARAMNOTFOUND).
struct ParamNotFound {
    friend bool operator==(ParamNotFound, ParamNotFound) { return true; }
};
inline constexpr ParamNotFound kOmitted{};

// A handle to a host object; empty when it refers to nothing. Copies share the object.
class Dispatch {
  public:
    Dispatch() = default;
    explicit Dispatch(std::shared_ptr<Object> object) : object_(std::move(object)) {}

    explicit operator bool() const { return object_ != nullptr; }
    Object* object() const { return object_.get(); }
    const std::shared_ptr<Object>& shared() const { return object_; }
    void release() { object_.reset(); }

    friend bool operator==(const Dispatch& a, const Dispatch& b) { return a.object_ == b.object_; }

  private:
    std::shared_ptr<Object> object_;
};

// An argument or a result: nothing, text, 32-bit integer, boolean, real, object or the
// omitted-argument marker.
class Variant {
  public:
    using Value = std::variant<std::monostate, std::string, std::int32_t, bool, double, Dispatch,
                               ParamNotFound>;

    Variant() = default;
    Variant(std::string text) : value_(std::move(text)) {}
    Variant(std::string_view text) : value_(std::string(text)) {}
    Variant(const char* text) : value_(std::string(text)) {}
    Variant(std::int32_t number) : value_(number) {}
    Variant(bool flag) : value_(flag) {}
    Variant(double real) : value_(real) {}
    Variant(Dispatch object) : value_(std::move(object)) {}
    Variant(ParamNotFound omitted) : value_(omitted) {}

    bool isEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    bool isText() const { return std::holds_alternative<std::string>(value_); }
    bool isInteger() const { return std::holds_alternative<std::int32_t>(value_); }
    bool isBool() const { return std::holds_alternative<bool>(value_); }
    bool isReal() const { return std::holds_alternative<double>(value_); }
    bool isObject() const { return std::holds_alternative<Dispatch>(value_); }
    bool isOmitted() const { return std::holds_alternative<ParamNotFound>(value_); }
    bool isNumber() const { return isInteger() || isReal() || isBool(); }

    // The text, or empty when the variant is not a text.
    const std::string& text() const;
    // Integer, boolean (true = 1) or real, the real cut toward zero (saturating); 0 otherwise.
    std::int32_t integer() const;
    // Integer, boolean or real as a real; 0 otherwise.
    double real() const;
    // The object, or an empty handle when the variant holds none.
    Dispatch object() const;

    const Value& value() const { return value_; }
    friend bool operator==(const Variant& a, const Variant& b) { return a.value_ == b.value_; }

  private:
    Value value_;
};

// A text for any variant: texts as they are, numbers through the number-text rules, booleans
// as "TRUE"/"FALSE", everything else empty.
std::string displayText(const Variant& value);

enum class CallKind { Get, Put, Method };

// What a host object answers to one member call: a value, or an error text (non-empty).
struct Outcome {
    Variant value;
    std::string error;
    bool failed = false;

    // The value's object, or an empty handle.
    Dispatch object() const { return value.object(); }
    // The value as Variant::integer reads it.
    std::int32_t integer() const { return value.integer(); }

    static Outcome ok(Variant v = {}) { return {std::move(v), {}, false}; }
    static Outcome fail(std::string why) {
        if (why.empty()) {
            why = "成员调用失败";
        }
        return {{}, std::move(why), true};
    }
};

// A host object. For Put the new value is the last argument, after any index arguments.
// Member names are to be compared with memberIs (case does not matter).
class Object : public std::enable_shared_from_this<Object> {
  public:
    virtual ~Object() = default;
    virtual Outcome invoke(std::string_view member, CallKind kind,
                           std::span<const Variant> args) = 0;
    // Whether the object is still a live instance (an application that has quit is not).
    virtual bool alive() const { return true; }
};

// Case-insensitive (ASCII) comparison of member names.
bool memberIs(std::string_view member, std::string_view name);

// The calls, each answering with its value or its error. A failing call, or any call on an
// empty handle, has no effect and yields an empty value with the text of its error.
Outcome get(const Dispatch& object, std::string_view member,
            std::initializer_list<Variant> args = {});
Outcome put(const Dispatch& object, std::string_view member, std::initializer_list<Variant> args);
Outcome call(const Dispatch& object, std::string_view member,
             std::initializer_list<Variant> args = {});
Outcome invoke(const Dispatch& object, std::string_view member, CallKind kind,
               std::span<const Variant> args);

} // namespace tarnelo::automation
