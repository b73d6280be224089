#include "platform/xpc/Value.hpp"

namespace zephrane::xpc {

std::string_view kindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::nil: return "nil";
        case ValueKind::int64: return "int64";
        case ValueKind::float64: return "double";
        case ValueKind::boolean: return "bool";
        case ValueKind::string: return "string";
        case ValueKind::error: return "error";
    }
    return "?";
}

namespace {
Error cocoaError(std::int64_t code, std::string_view prefix, std::string_view detail) {
    std::string text(prefix);
    if (!detail.empty()) {
        text += ": ";
        text += detail;
    }
    return Error{std::string(cocoa::errorDomain), code, std::move(text)};
}
}  // namespace

Error interruptedError(std::string_view detail) {
    return cocoaError(cocoa::connectionInterrupted, "connection interrupted", detail);
}

Error invalidError(std::string_view detail) {
    return cocoaError(cocoa::connectionInvalid, "connection invalid", detail);
}

Error replyInvalidError(std::string_view detail) {
    return cocoaError(cocoa::replyInvalid, "no valid reply", detail);
}

}  // namespace zephrane::xpc
