#include "core/settings/PlistValue.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>

#include "core/settings/PlistBounds.h"

namespace orvane::settings {

Dictionary::Dictionary() = default;
Dictionary::Dictionary(const Dictionary&) = default;
Dictionary::Dictionary(Dictionary&&) noexcept = default;
Dictionary& Dictionary::operator=(const Dictionary&) = default;
Dictionary& Dictionary::operator=(Dictionary&&) noexcept = default;
Dictionary::~Dictionary() = default;

std::size_t Dictionary::indexOf(std::string_view key) const {
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == key) return i;
    return keys_.size();
}

bool Dictionary::contains(std::string_view key) const { return indexOf(key) < keys_.size(); }

const PlistValue* Dictionary::find(std::string_view key) const {
    const std::size_t i = indexOf(key);
    return i < keys_.size() ? &values_[i] : nullptr;
}

PlistValue* Dictionary::find(std::string_view key) {
    const std::size_t i = indexOf(key);
    return i < keys_.size() ? &values_[i] : nullptr;
}

void Dictionary::set(std::string_view key, PlistValue value) {
    const std::size_t i = indexOf(key);
    if (i < keys_.size()) {
        values_[i] = std::move(value);
        return;
    }
    keys_.emplace_back(key);
    values_.push_back(std::move(value));
}

bool Dictionary::erase(std::string_view key) {
    const std::size_t i = indexOf(key);
    if (i == keys_.size()) return false;
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

const PlistValue& Dictionary::valueAt(std::size_t i) const { return values_.at(i); }

std::optional<bool> Dictionary::boolValue(std::string_view key) const {
    const PlistValue* v = find(key);
    if (v && v->isBool()) return v->asBool();
    return std::nullopt;
}

std::optional<std::int64_t> Dictionary::intValue(std::string_view key) const {
    const PlistValue* v = find(key);
    if (v && v->isInt()) return v->asInt();
    return std::nullopt;
}

std::optional<double> Dictionary::realValue(std::string_view key) const {
    const PlistValue* v = find(key);
    if (v && v->isReal()) return v->asReal();
    return std::nullopt;
}

std::optional<std::string> Dictionary::stringValue(std::string_view key) const {
    const PlistValue* v = find(key);
    if (v && v->isString()) return v->asString();
    return std::nullopt;
}

std::optional<std::vector<std::string>> Dictionary::stringArray(std::string_view key) const {
    const PlistValue* v = find(key);
    if (!v || !v->isArray()) return std::nullopt;
    std::vector<std::string> out;
    for (const PlistValue& item : v->asArray())
        if (item.isString()) out.push_back(item.asString());
    return out;
}

bool Dictionary::operator==(const Dictionary& other) const {
    return keys_ == other.keys_ && values_ == other.values_;
}

PlistValue PlistValue::stringArray(const std::vector<std::string>& items) {
    Array a;
    a.reserve(items.size());
    for (const std::string& s : items) a.emplace_back(s);
    return PlistValue(std::move(a));
}

namespace {

struct PlistFree {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

plist_t toNode(const PlistValue& value);

plist_t toNode(const Dictionary& dict) {
    plist_t node = plist_new_dict();
    for (std::size_t i = 0; i < dict.size(); ++i)
        plist_dict_set_item(node, dict.keys()[i].c_str(), toNode(dict.valueAt(i)));
    return node;
}

plist_t toNode(const PlistValue& value) {
    if (value.isBool()) return plist_new_bool(value.asBool() ? 1 : 0);
    // The library keeps integers as 64-bit patterns and writes them signed, so a negative
    // value survives the round trip through the cast.
    if (value.isInt()) return plist_new_uint(static_cast<std::uint64_t>(value.asInt()));
    if (value.isReal()) return plist_new_real(value.asReal());
    if (value.isString()) return plist_new_string(value.asString().c_str());
    if (value.isArray()) {
        plist_t node = plist_new_array();
        for (const PlistValue& item : value.asArray()) plist_array_append_item(node, toNode(item));
        return node;
    }
    return toNode(value.asDictionary());
}

// Nothing we store nests more than a few levels; a file nested deeper than this is not ours and
// must not exhaust the stack on its way in.
constexpr int kMaxDepth = 64;

struct TooDeep {};

std::optional<PlistValue> fromNode(plist_t node, int depth);

Dictionary dictFromNode(plist_t node, int depth) {
    if (depth > kMaxDepth) throw TooDeep{};
    Dictionary dict;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    if (!it) return dict;
    for (;;) {
        char* key = nullptr;
        plist_t child = nullptr;
        plist_dict_next_item(node, it, &key, &child);
        if (!child) {
            std::free(key);
            break;
        }
        if (key) {
            if (auto v = fromNode(child, depth + 1)) dict.set(key, std::move(*v));
            std::free(key);
        }
    }
    std::free(it);
    return dict;
}

std::optional<PlistValue> fromNode(plist_t node, int depth) {
    if (depth > kMaxDepth) throw TooDeep{};
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            std::uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return PlistValue(b != 0);
        }
        case PLIST_UINT: {
            std::uint64_t u = 0;
            plist_get_uint_val(node, &u);
            return PlistValue(static_cast<std::int64_t>(u));
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return PlistValue(d);
        }
        case PLIST_STRING: {
            // By length: the copying accessor asserts on a NUL inside the string.
            std::uint64_t length = 0;
            const char* s = plist_get_string_ptr(node, &length);
            return PlistValue(std::string(s ? s : "", s ? static_cast<std::size_t>(length) : 0));
        }
        case PLIST_ARRAY: {
            Array a;
            const std::uint32_t n = plist_array_get_size(node);
            for (std::uint32_t i = 0; i < n; ++i)
                if (auto v = fromNode(plist_array_get_item(node, i), depth + 1))
                    a.push_back(std::move(*v));
            return PlistValue(std::move(a));
        }
        case PLIST_DICT: return PlistValue(dictFromNode(node, depth + 1));
        default: return std::nullopt;
    }
}

}  // namespace

std::string toXmlPlist(const Dictionary& dict) {
    PlistPtr root(toNode(dict));
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    std::string out(xml ? xml : "", xml ? length : 0);
    plist_to_xml_free(xml);
    return out;
}

std::optional<Dictionary> parsePlist(std::string_view bytes, std::string* why) {
    auto refuse = [why](std::string reason) -> std::optional<Dictionary> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    if (bytes.empty()) return refuse("empty");
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return refuse("far too large");
    // The library recurses per level when it parses and when it frees, and copies a binary
    // object once per reference: measure the real structure first.
    PlistBounds bounds;
    bounds.maxDepth = kMaxDepth;
    if (auto problem = plistBoundsProblem(bytes, bounds)) return refuse(*problem);
    plist_t raw = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &raw);
    PlistPtr root(raw);
    if (!raw) return refuse("not a property list");
    if (plist_get_node_type(raw) != PLIST_DICT) return refuse("not a dictionary at the top");
    try {
        return dictFromNode(raw, 0);
    } catch (const TooDeep&) {
        return refuse("nested too deeply");
    }
}

}  // namespace orvane::settings
