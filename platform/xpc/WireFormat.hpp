// The whole wire protocol of our XPC stand-in: what a connection carries over
// its Unix-domain stream socket. Client and service both include this header.
//
// Socket        $ZEPHRANE_XPC_DIR (default /run/zephrane) + "/" + Mach service name
// Frame         4-byte big-endian payload length, then the payload: one CBOR map
//               (RFC 8949). Both directions.
// Frame limit   kMaxFrame payload bytes; a longer frame drops the connection
//
// Values (one CBOR item each; the major type tells integer and double apart):
//   nil         null
//   int64       integer (major type 0 or 1) within the signed 64-bit range
//   double      float (major type 7: half, single or double precision)
//   bool        true / false
//   string      text string
//   error       map of exactly three keys:
//     "domain"       text: the error domain
//     "code"         integer: the code within that domain
//     "description"  text: what a user may read
//
// Client to service:
//   request     {"id", "sel", "args"}
//     "id"        unsigned integer: the client's number for the request, unique among its pending ones
//     "sel"       text: the selector of a method of the service's exported interface
//     "args"      array of values: the method's arguments, in order, of its types
//
// Service to client, exactly one per request, in any order:
//   reply       {"id", "reply"}
//     "id"        the request's id
//     "reply"     array of values: the method's reply, of its reply types
//   error       {"id", "error"}
//     "id"        the request's id
//     "error"     error value: the request could not be carried (codes below)
//
// Errors, domain "NSCocoaErrorDomain" (Foundation's codes):
//   4097        interrupted: the connection was lost with the request pending (client side only)
//   4099        invalid: no connection could be made, the peer failed the requirement,
//               or the connection was invalidated (client side only)
//   4101        no valid reply: unknown selector, arguments that do not match the interface,
//               no handler, a reply the handler dropped, or a reply that does not match
//               the interface or the frame limit (sent by the service or made by the client)
//
// The service closes the connection without a word when: the peer fails the
// code-signing requirement (checked before anything is read), a frame is over
// the limit, a payload is not a single well-formed CBOR item nested at most
// kMaxNesting deep, a message is not a map, "id" is missing or not an
// unsigned integer, or more than kMaxOutstanding requests await their reply.
// The service stops reading a client that leaves more than 256 KiB of answers
// unread, until it has read them; a client that leaves 8 MiB unread is dropped.
// The client closes the connection (an interruption) on a frame over the
// limit, a malformed payload or message, or a reply for an id it never sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "platform/xpc/Value.hpp"
#include "shared/JsonFwd.hpp"

namespace zephrane::xpc::wire {

inline constexpr std::size_t kHeaderSize = 4;
inline constexpr std::size_t kMaxFrame = 64 * 1024;
inline constexpr std::size_t kMaxNesting = 8;
inline constexpr std::size_t kMaxOutstanding = 64;

Json encodeValue(const Value& value);
std::optional<Value> decodeValue(const Json& json);
Json encodeValues(const Values& values);
std::optional<Values> decodeValues(const Json& json);

Json makeRequest(std::uint64_t id, std::string_view selector, const Values& arguments);
Json makeReply(std::uint64_t id, const Values& reply);
Json makeError(std::uint64_t id, const Error& error);

struct Request {
    std::uint64_t id = 0;
    std::string selector;
    Values arguments;
};

// A request as far as it could be read: without an id nobody can be
// answered; with an id but no request, `problem` says what was wrong.
struct DecodedRequest {
    std::optional<std::uint64_t> id;
    std::optional<Request> request;
    std::string problem;
};
DecodedRequest decodeRequest(const Json& message);

struct Response {
    std::uint64_t id = 0;
    std::variant<Values, Error> outcome;
};
std::optional<Response> decodeResponse(const Json& message);

// Header and payload; none when the payload is over kMaxFrame.
std::optional<std::string> encodeFrame(const Json& message);
std::uint32_t readLength(std::span<const std::uint8_t, kHeaderSize> header);

// The payload as a value; none unless it is exactly one well-formed CBOR
// item, without tags, nested at most kMaxNesting deep.
std::optional<Json> decodePayload(std::span<const std::uint8_t> payload);

}  // namespace zephrane::xpc::wire
