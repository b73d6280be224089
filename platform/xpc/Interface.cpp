#include "platform/xpc/Interface.hpp"

namespace zephrane::xpc {

bool accepts(ParameterType type, const Value& value) {
    switch (type) {
        case ParameterType::int64: return value.kind() == ValueKind::int64;
        case ParameterType::float64: return value.kind() == ValueKind::float64;
        case ParameterType::boolean: return value.kind() == ValueKind::boolean;
        case ParameterType::string: return value.kind() == ValueKind::string;
        case ParameterType::error: return value.kind() == ValueKind::error;
        case ParameterType::optionalError: return value.isNil() || value.kind() == ValueKind::error;
    }
    return false;
}

bool matches(std::span<const ParameterType> types, const Values& values) {
    if (types.size() != values.size()) return false;
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (!accepts(types[i], values[i])) return false;
    }
    return true;
}

namespace {
std::string_view typeName(ParameterType type) {
    switch (type) {
        case ParameterType::int64: return "int64";
        case ParameterType::float64: return "double";
        case ParameterType::boolean: return "bool";
        case ParameterType::string: return "string";
        case ParameterType::error: return "error";
        case ParameterType::optionalError: return "error or nil";
    }
    return "?";
}

template <class Range, class Name>
std::string parenthesised(const Range& items, Name name) {
    std::string text = "(";
    for (const auto& item : items) {
        if (text.size() > 1) text += ", ";
        text += name(item);
    }
    return text + ")";
}
}  // namespace

std::string describeTypes(std::span<const ParameterType> types) {
    return parenthesised(types, typeName);
}

std::string describeValues(const Values& values) {
    return parenthesised(values, [](const Value& v) { return kindName(v.kind()); });
}

Interface& Interface::add(std::string selector, Signature signature) {
    methods_.insert_or_assign(std::move(selector), std::move(signature));
    return *this;
}

const Signature* Interface::find(std::string_view selector) const {
    auto it = methods_.find(selector);
    return it == methods_.end() ? nullptr : &it->second;
}

}  // namespace zephrane::xpc
