// Sets the environment a test program asks for (KESSARO_TEST_ENVIRONMENT, "NAME=value" pairs
// joined by "|") before main runs, so that it holds however the program is started: from
// CTest, from a shell or under a debugger.
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const bool environment_set = [] {
    std::string_view rest = KESSARO_TEST_ENVIRONMENT;
    while (!rest.empty()) {
        const std::size_t cut = rest.find('|');
        const std::string_view pair = rest.substr(0, cut);
        if (const std::size_t equals = pair.find('='); equals != std::string_view::npos) {
            const std::string name(pair.substr(0, equals));
            const std::string value(pair.substr(equals + 1));
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return true;
}();

}  // namespace
