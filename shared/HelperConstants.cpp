#include "shared/HelperConstants.hpp"

namespace zephrane::HelperConstants {

namespace {

// Anchored at Apple's root, the named signing identifier, and our team in the
// leaf certificate's organisational unit.
std::string requirement(std::string_view identifier) {
    std::string text = "anchor apple generic and identifier \"";
    text += identifier;
    text += "\" and certificate leaf[subject.OU] = \"";
    text += teamID;
    text += '"';
    return text;
}

}  // namespace

const std::string& clientRequirement() {
    static const std::string text = requirement(appBundleID);
    return text;
}

const std::string& daemonRequirement() {
    static const std::string text = requirement(daemonLabel);
    return text;
}

}  // namespace zephrane::HelperConstants
