#include "platform/xpc/WireFormat.hpp"

#include <limits>
#include <vector>
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc::wire {

namespace {

std::optional<std::int64_t> integerOf(const Json& json) {
    if (json.is_number_unsigned()) {
        auto v = json.get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return static_cast<std::int64_t>(v);
    }
    if (json.is_number_integer()) return json.get<std::int64_t>();
    return std::nullopt;
}

std::optional<std::uint64_t> idOf(const Json& message) {
    auto it = message.find("id");
    if (it == message.end()) return std::nullopt;
    if (it->is_number_unsigned()) return it->get<std::uint64_t>();
    if (it->is_number_integer() && it->get<std::int64_t>() >= 0) return static_cast<std::uint64_t>(it->get<std::int64_t>());
    return std::nullopt;
}

std::optional<Error> decodeError(const Json& json) {
    if (!json.is_object() || json.size() != 3) return std::nullopt;
    auto domain = json.find("domain");
    auto code = json.find("code");
    auto description = json.find("description");
    if (domain == json.end() || code == json.end() || description == json.end()) return std::nullopt;
    if (!domain->is_string() || !description->is_string()) return std::nullopt;
    auto codeValue = integerOf(*code);
    if (!codeValue) return std::nullopt;
    return Error{domain->get<std::string>(), *codeValue, description->get<std::string>()};
}

// Walks one CBOR item without building it. nlohmann's reader recurses once per
// nesting level, so a 64 KiB frame of nested arrays would exhaust the stack
// before any check of ours ran; this walk keeps its own small stack instead.
bool isShallowCborItem(std::span<const std::uint8_t> bytes, std::size_t maxDepth) {
    struct Level {
        std::uint64_t remaining;  // items still owed by a definite container
        bool indefinite;          // ends at a break byte instead
    };
    std::vector<Level> open;
    std::size_t pos = 0;
    auto argument = [&](std::uint8_t info, std::uint64_t& out) {
        if (info < 24) {
            out = info;
            return true;
        }
        std::size_t width = info == 24 ? 1 : info == 25 ? 2 : info == 26 ? 4 : info == 27 ? 8 : 0;
        if (width == 0 || bytes.size() - pos < width) return false;
        out = 0;
        for (std::size_t i = 0; i < width; ++i) out = (out << 8) | bytes[pos++];
        return true;
    };
    for (;;) {
        if (pos >= bytes.size()) return false;
        const std::uint8_t initial = bytes[pos++];
        const unsigned major = initial >> 5;
        const auto info = static_cast<std::uint8_t>(initial & 0x1f);
        if (initial == 0xff) {
            if (open.empty() || !open.back().indefinite) return false;
            open.pop_back();
        } else if (info == 31) {
            if (major < 2 || major > 5 || open.size() >= maxDepth) return false;
            open.push_back({0, true});
            continue;
        } else {
            std::uint64_t arg = 0;
            if (!argument(info, arg)) return false;
            if (major == 2 || major == 3) {
                if (arg > bytes.size() - pos) return false;
                pos += static_cast<std::size_t>(arg);
            } else if (major == 4 || major == 5) {
                if (major == 5) {
                    if (arg > std::numeric_limits<std::uint64_t>::max() / 2) return false;
                    arg *= 2;
                }
                if (arg > bytes.size() - pos) return false;  // every item takes a byte at least
                if (arg > 0) {
                    if (open.size() >= maxDepth) return false;
                    open.push_back({arg, false});
                    continue;
                }
            } else if (major == 6) {
                return false;  // tags carry nothing we use
            }
        }
        // One item is complete: it counts against its container, and may
        // complete that one in turn.
        for (;;) {
            if (open.empty()) return pos == bytes.size();
            Level& top = open.back();
            if (top.indefinite || --top.remaining > 0) break;
            open.pop_back();
        }
    }
}

}  // namespace

Json encodeValue(const Value& value) {
    switch (value.kind()) {
        case ValueKind::nil: return nullptr;
        case ValueKind::int64: return *value.int64();
        case ValueKind::float64: return *value.float64();
        case ValueKind::boolean: return *value.boolean();
        case ValueKind::string: return *value.string();
        case ValueKind::error: {
            const Error& e = *value.error();
            return Json{{"domain", e.domain}, {"code", e.code}, {"description", e.description}};
        }
    }
    return nullptr;
}

std::optional<Value> decodeValue(const Json& json) {
    switch (json.type()) {
        case Json::value_t::null: return Value();
        case Json::value_t::boolean: return Value(json.get<bool>());
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned: {
            auto v = integerOf(json);
            if (!v) return std::nullopt;
            return Value(*v);
        }
        case Json::value_t::number_float: return Value(json.get<double>());
        case Json::value_t::string: return Value(json.get<std::string>());
        case Json::value_t::object: {
            auto e = decodeError(json);
            if (!e) return std::nullopt;
            return Value(std::move(*e));
        }
        default: return std::nullopt;
    }
}

Json encodeValues(const Values& values) {
    Json array = Json::array();
    for (const Value& v : values) array.push_back(encodeValue(v));
    return array;
}

std::optional<Values> decodeValues(const Json& json) {
    if (!json.is_array()) return std::nullopt;
    Values values;
    values.reserve(json.size());
    for (const Json& item : json) {
        auto v = decodeValue(item);
        if (!v) return std::nullopt;
        values.push_back(std::move(*v));
    }
    return values;
}

Json makeRequest(std::uint64_t id, std::string_view selector, const Values& arguments) {
    return Json{{"id", id}, {"sel", selector}, {"args", encodeValues(arguments)}};
}

Json makeReply(std::uint64_t id, const Values& reply) {
    return Json{{"id", id}, {"reply", encodeValues(reply)}};
}

Json makeError(std::uint64_t id, const Error& error) {
    return Json{{"id", id}, {"error", encodeValue(error)}};
}

DecodedRequest decodeRequest(const Json& message) {
    DecodedRequest decoded;
    if (!message.is_object()) {
        decoded.problem = "the message is not a map";
        return decoded;
    }
    decoded.id = idOf(message);
    if (!decoded.id) {
        decoded.problem = "\"id\" is missing or not an unsigned integer";
        return decoded;
    }
    auto selector = message.find("sel");
    if (selector == message.end() || !selector->is_string()) {
        decoded.problem = "\"sel\" is missing or not text";
        return decoded;
    }
    auto args = message.find("args");
    std::optional<Values> arguments = args == message.end() ? std::nullopt : decodeValues(*args);
    if (!arguments) {
        decoded.problem = "\"args\" is missing or not an array of values";
        return decoded;
    }
    decoded.request = Request{*decoded.id, selector->get<std::string>(), std::move(*arguments)};
    return decoded;
}

std::optional<Response> decodeResponse(const Json& message) {
    if (!message.is_object()) return std::nullopt;
    auto id = idOf(message);
    if (!id) return std::nullopt;
    auto reply = message.find("reply");
    auto error = message.find("error");
    if ((reply == message.end()) == (error == message.end())) return std::nullopt;
    if (reply != message.end()) {
        auto values = decodeValues(*reply);
        if (!values) return std::nullopt;
        return Response{*id, std::move(*values)};
    }
    auto e = decodeError(*error);
    if (!e) return std::nullopt;
    return Response{*id, std::move(*e)};
}

std::optional<std::string> encodeFrame(const Json& message) {
    std::vector<std::uint8_t> payload = Json::to_cbor(message);
    if (payload.size() > kMaxFrame) return std::nullopt;
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::string frame;
    frame.reserve(kHeaderSize + payload.size());
    for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<char>((length >> shift) & 0xff));
    frame.append(payload.begin(), payload.end());
    return frame;
}

std::uint32_t readLength(std::span<const std::uint8_t, kHeaderSize> header) {
    return (std::uint32_t{header[0]} << 24) | (std::uint32_t{header[1]} << 16) | (std::uint32_t{header[2]} << 8) |
           std::uint32_t{header[3]};
}

std::optional<Json> decodePayload(std::span<const std::uint8_t> payload) {
    if (!isShallowCborItem(payload, kMaxNesting)) return std::nullopt;
    try {
        Json value = Json::from_cbor(payload.begin(), payload.end(), true, false);
        if (value.is_discarded()) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;  // the reader throws for a few shapes even when asked not to
    }
}

}  // namespace zephrane::xpc::wire
