// The update check's document: the newest release named by the version server, and whether it
// is newer than this program.
#pragma once

#include <string>
#include <string_view>

namespace news {

constexpr const char* VersionRequestPath = "/minipelikora.xml";
constexpr const char* OwnVersion = "1.0";

// The text of /data/version, or empty when the text is not XML or has no such element.
std::string ReadVersion(std::string_view document);

// Byte-wise comparison, a proper prefix being the smaller: "1.00" is newer than "1.0", "1" is
// not, and neither is "0.9".
bool IsNewerVersion(std::string_view version, std::string_view own = OwnVersion);

} // namespace news
