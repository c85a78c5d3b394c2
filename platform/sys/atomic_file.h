// The widget's own data files (options, news document), read and replaced safely: a read never
// blocks on something that is not a regular file and never takes more than a caller's limit, and
// a replacement goes through a temporary file beside the old one, so readers see either the old
// content or the new, never a mixture. Temporaries that a killed write left behind are cleared
// at start-up by RemoveStaleTemporaries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

enum class TReadResult {
    Read,       // the bytes are in the caller's string
    Missing,    // nothing of that name
    NotRegular, // a FIFO, device, socket or folder: not opened for reading at all
    TooLarge,   // a regular file over the caller's limit
    Failed,     // exists but could not be read (permissions, I/O)
};

// Reads the whole of a regular file of at most maxBytes. A symbolic link is followed to the file
// it names. Anything but Read leaves bytes untouched.
TReadResult ReadRegularFile(const std::string& path, std::string& bytes, std::size_t maxBytes);

// How a replacement treats the file it replaces.
enum class TOldFile {
    Replace, // the old content goes
    KeepCopy // the old content is first kept beside it as "<name>.bad" (or ".bad.2", ".bad.3"...)
};

// True when path now holds exactly bytes. On false the earlier file is untouched and no
// temporary file is left behind. Refused, leaving everything as it was:
// - a path that is not a regular file (a FIFO, socket, device or folder in its place);
// - a file without write permission for us: the user made it read-only;
// - a symbolic link, unless it names a regular file that belongs to the user running the
//   widget and, for root, lies in the link's own folder. The file it names is replaced; the link
//   stays.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         TOldFile old = TOldFile::Replace);

// The infix of the writer's temporaries: "<name>.mptmp-XXXXXX", beside the file they replace.
constexpr std::string_view TemporaryInfix = ".mptmp-";

// Removes the temporaries an interrupted write left in folder: regular files of ours named by
// the writer's pattern (or, for news.xml and options.ini, by the pattern of earlier versions with
// the content they wrote), that nobody holds locked and that are more than a minute old. The
// folder itself is looked at only when it is ours. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

} // namespace platform
