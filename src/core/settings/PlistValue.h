#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvane::settings {

class PlistValue;
using Array = std::vector<PlistValue>;

// A property-list dictionary that keeps its keys in insertion order, so a file we write lists
// the keys the way a person reading it expects (and the way the defaults are documented).
class Dictionary {
public:
    Dictionary();
    Dictionary(const Dictionary&);
    Dictionary(Dictionary&&) noexcept;
    Dictionary& operator=(const Dictionary&);
    Dictionary& operator=(Dictionary&&) noexcept;
    ~Dictionary();

    bool empty() const { return keys_.empty(); }
    std::size_t size() const { return keys_.size(); }
    bool contains(std::string_view key) const;
    const PlistValue* find(std::string_view key) const;
    PlistValue* find(std::string_view key);
    // Replaces the value in place when the key exists, so its position is kept.
    void set(std::string_view key, PlistValue value);
    bool erase(std::string_view key);

    const std::vector<std::string>& keys() const { return keys_; }
    const PlistValue& valueAt(std::size_t i) const;

    // Typed lookups: nothing when the key is missing or holds another type.
    std::optional<bool> boolValue(std::string_view key) const;
    std::optional<std::int64_t> intValue(std::string_view key) const;
    std::optional<double> realValue(std::string_view key) const;
    std::optional<std::string> stringValue(std::string_view key) const;
    // The string members of an array; members of other types are passed over.
    std::optional<std::vector<std::string>> stringArray(std::string_view key) const;

    bool operator==(const Dictionary& other) const;

private:
    std::size_t indexOf(std::string_view key) const;
    std::vector<std::string> keys_;
    std::vector<PlistValue> values_;
};

// One property-list value. Dates and data blobs are not used by anything Orvane stores, so the
// reader passes over them rather than inventing a representation.
class PlistValue {
public:
    using Storage = std::variant<bool, std::int64_t, double, std::string, Array, Dictionary>;

    PlistValue() : v_(false) {}
    PlistValue(bool b) : v_(b) {}
    PlistValue(int i) : v_(static_cast<std::int64_t>(i)) {}
    PlistValue(std::int64_t i) : v_(i) {}
    PlistValue(double d) : v_(d) {}
    PlistValue(const char* s) : v_(std::string(s)) {}
    PlistValue(std::string s) : v_(std::move(s)) {}
    PlistValue(std::string_view s) : v_(std::string(s)) {}
    PlistValue(Array a) : v_(std::move(a)) {}
    PlistValue(Dictionary d) : v_(std::move(d)) {}
    static PlistValue stringArray(const std::vector<std::string>& items);

    bool isBool() const { return std::holds_alternative<bool>(v_); }
    bool isInt() const { return std::holds_alternative<std::int64_t>(v_); }
    bool isReal() const { return std::holds_alternative<double>(v_); }
    bool isString() const { return std::holds_alternative<std::string>(v_); }
    bool isArray() const { return std::holds_alternative<Array>(v_); }
    bool isDictionary() const { return std::holds_alternative<Dictionary>(v_); }

    // Only valid when the matching is...() is true.
    bool asBool() const { return std::get<bool>(v_); }
    std::int64_t asInt() const { return std::get<std::int64_t>(v_); }
    double asReal() const { return std::get<double>(v_); }
    const std::string& asString() const { return std::get<std::string>(v_); }
    const Array& asArray() const { return std::get<Array>(v_); }
    Array& asArray() { return std::get<Array>(v_); }
    const Dictionary& asDictionary() const { return std::get<Dictionary>(v_); }
    Dictionary& asDictionary() { return std::get<Dictionary>(v_); }

    const Storage& storage() const { return v_; }
    bool operator==(const PlistValue& other) const { return v_ == other.v_; }

private:
    Storage v_;
};

// XML property-list text of a dictionary (the format every file of ours is written in).
std::string toXmlPlist(const Dictionary& dict);
// Parses XML or binary property-list bytes whose root is a dictionary; nothing for anything
// else (empty, truncated, not a plist, a root of another type, nested or unfolding beyond any
// settings file). `why` receives the reason when given.
std::optional<Dictionary> parsePlist(std::string_view bytes, std::string* why = nullptr);

}  // namespace orvane::settings
