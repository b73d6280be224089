#include "platform/xpc/Reply.hpp"

#include <utility>

#include "platform/xpc/Connection.hpp"

namespace zephrane::xpc {

Reply::Reply(std::weak_ptr<Connection> connection, std::uint64_t id, const Signature* signature)
    : connection_(std::move(connection)), id_(id), signature_(signature), owed_(true) {}

Reply::Reply(Reply&& other) noexcept
    : connection_(std::move(other.connection_)),
      id_(other.id_),
      signature_(other.signature_),
      owed_(std::exchange(other.owed_, false)) {}

Reply& Reply::operator=(Reply&& other) noexcept {
    if (this != &other) {
        if (owed_) settle(std::nullopt);
        connection_ = std::move(other.connection_);
        id_ = other.id_;
        signature_ = other.signature_;
        owed_ = std::exchange(other.owed_, false);
    }
    return *this;
}

Reply::~Reply() {
    if (owed_) settle(std::nullopt);
}

void Reply::operator()(Values reply) {
    if (owed_) settle(std::move(reply));
}

void Reply::settle(std::optional<Values> reply) {
    owed_ = false;
    if (auto connection = connection_.lock()) connection->answer(id_, signature_, std::move(reply));
    connection_.reset();
}

}  // namespace zephrane::xpc
