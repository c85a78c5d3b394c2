// mpsend: sends one of the widget's private messages (5939 closes it, 5938 does nothing) to
// the running widget, found by its title on the X display.
//   mpsend [message]      (default 5939)
#include "platform/display/x11/x11_external.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* Title = "minipelikora";

} // namespace

int main(int argc, char** argv) {
    long message = 5939;
    if (argc > 1) {
        char* end = nullptr;
        message = std::strtol(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0') {
            std::fprintf(stderr, "usage: mpsend [message]\n");
            return 2;
        }
    }
    std::string error;
    if (!platform::SendExternalMessage({}, Title, static_cast<platform::UINT>(message), &error)) {
        std::fprintf(stderr, "mpsend: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
