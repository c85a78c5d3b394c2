// Whole-file reads and crash-safe whole-file replacement for the settings files.
#pragma once

#include "platform/sys/atomic_file.h"

#include <cstddef>
#include <string>

// A settings file is a few kilobytes; anything past this is not one the widget wrote.
constexpr std::size_t MaxSettingsFileBytes = 1u << 20;

// Reads every byte of a regular file of at most MaxBytes. A FIFO, a device or a folder in its
// place is refused without blocking; anything but Read leaves Bytes untouched.
platform::TReadResult ReadFileContents(const std::u16string& FileName, std::string& Bytes,
                                       std::size_t MaxBytes = MaxSettingsFileBytes);

// Writes Bytes to a new file beside FileName, flushes it to disk and renames it over FileName,
// so a crash or a full disk leaves either the old file or the new one, never a torn mix. A
// symbolic link to a file of the user's is followed and its target replaced; a read-only file,
// or anything that is not a regular file, is left alone (see platform::WriteFileAtomically).
// With KeepOldCopy the old file is first kept beside it as "<name>.bad". False when any step
// failed; the old file is then untouched and no temporary file is left behind.
bool ReplaceFileContents(const std::u16string& FileName, const std::string& Bytes,
                         bool KeepOldCopy = false);
