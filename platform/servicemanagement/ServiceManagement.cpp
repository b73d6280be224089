#include "platform/servicemanagement/ServiceManagement.hpp"

#include "shared/DebugText.hpp"

namespace zephrane::servicemanagement {

std::string Error::text() const {
    return "Error Domain=" + domain + " Code=" + std::to_string(code) + " " + quotedDebugText(description);
}

}  // namespace zephrane::servicemanagement
