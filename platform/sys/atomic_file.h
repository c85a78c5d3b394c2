// Replacing a file so that readers see either the old content or the new, never a mixture:
// the bytes go to a temporary file beside it, reach the disk, and then take its name.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// True when path now holds exactly bytes. On false the earlier file is untouched and no
// temporary file is left behind.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace platform
