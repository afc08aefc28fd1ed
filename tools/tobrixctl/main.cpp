#include <iostream>
#include <vector>

#include "Command.h"

namespace tobrixctl {
namespace {
std::vector<Setup>& Registry() {
    static std::vector<Setup> setups;
    return setups;
}
}  // namespace

bool RegisterCommand(Setup setup) {
    Registry().push_back(std::move(setup));
    return true;
}

void PrintJson(const nlohmann::json& value) {
    // Invalid UTF-8 from a file must not abort the dump: replace it.
    std::cout << value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

}  // namespace tobrixctl

int main(int argc, char** argv) {
    OptionParser app("tobrixctl: the store's core libraries from the command line");
    app.RequireCommand();
    for (const auto& setup : tobrixctl::Registry()) setup(app);
    try {
        // Help exits 0; every usage error exits 1 so that scripts can test for
        // failure by one status, whatever number the parser gives the error.
        if (auto status = app.Parse(argc, argv)) return *status == 0 ? 0 : 1;
    } catch (const tobrixctl::CommandError& e) {
        std::cerr << "tobrixctl: " << e.what() << std::endl;
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "tobrixctl: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
