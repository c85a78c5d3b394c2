#include "settings/filereplace.h"

#include "settings/unicode.h"

platform::TReadResult ReadFileContents(const std::u16string& FileName, std::string& Bytes,
                                       std::size_t MaxBytes) {
    return platform::ReadRegularFile(WideToUtf8(FileName), Bytes, MaxBytes);
}

bool ReplaceFileContents(const std::u16string& FileName, const std::string& Bytes,
                         bool KeepOldCopy) {
    std::string path = WideToUtf8(FileName);
    return !path.empty() &&
           platform::WriteFileAtomically(path, Bytes,
                                         KeepOldCopy ? platform::TOldFile::KeepCopy
                                                     : platform::TOldFile::Replace);
}
