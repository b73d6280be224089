#include "platform/xpc/ContractInterface.hpp"

#include <span>
#include <string>
#include <vector>

#include "shared/ZephraneXPCProtocol.hpp"

namespace zephrane {
namespace {

namespace protocol = ZephraneXPCProtocol;
using xpc::Interface;
using xpc::ParameterType;

ParameterType parameterType(protocol::ValueType type) {
    switch (type) {
        case protocol::ValueType::int64: return ParameterType::int64;
        case protocol::ValueType::float64: return ParameterType::float64;
        case protocol::ValueType::boolean: return ParameterType::boolean;
        case protocol::ValueType::string: return ParameterType::string;
        case protocol::ValueType::optionalError: return ParameterType::optionalError;
    }
    return ParameterType::optionalError;
}

std::vector<ParameterType> parameterTypes(std::span<const protocol::ValueType> types) {
    std::vector<ParameterType> out;
    for (auto t : types) out.push_back(parameterType(t));
    return out;
}

}  // namespace

Interface contractInterface() {
    Interface interface;
    for (const auto& op : protocol::operations)
        interface.add(std::string(op.selector), {parameterTypes(op.arguments), parameterTypes(op.reply)});
    return interface;
}

}  // namespace zephrane
