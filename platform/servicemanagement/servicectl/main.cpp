// zephrane-servicectl: approve, revoke and list the daemons the service
// manager may start (see platform/servicemanagement/ServiceControl.hpp).
#include <iostream>
#include <string>
#include <vector>

#include "platform/servicemanagement/ServiceControl.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return zephrane::servicemanagement::runServiceControl(arguments, std::cout, std::cerr);
}
