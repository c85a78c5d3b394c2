// The resource files compiled into the program, as the build step generates them. Read them
// through platform/sys/resources.h, which knows what each file means.
#pragma once

#include <cstddef>

namespace resources {

struct TEmbeddedFile {
    const char* Name; // path under resources/, e.g. "images/5000.png"
    const unsigned char* Data;
    std::size_t Size; // without the trailing zero every file carries
};

extern const TEmbeddedFile Files[];
extern const std::size_t FileCount;

} // namespace resources
