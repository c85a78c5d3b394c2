// Giving pages back while the widget idles, as a process that empties its working set does:
// the heap's free pages go back to the system, and the pages of files the process merely reads
// (program code, fonts, caches) are let go from its page tables. Those stay in the page cache
// and come back on their next use, so nothing the process holds is lost.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// What ReleaseFileMappings let go: the mappings and the resident kilobytes they held.
struct TReleasedPages {
    int Mappings = 0;
    std::size_t Kilobytes = 0;
};

// Lets go of the resident pages of every read-only file mapping that holds no private copy of a
// page (a relocated or written page exists only in this process and would be lost). Smaps is
// the text of /proc/self/smaps; a malformed text releases what it could read safely.
TReleasedPages ReleaseFileMappings(std::string_view Smaps);

// The same for the running process, reading its own smaps.
TReleasedPages ReleaseFileMappings();

} // namespace platform
