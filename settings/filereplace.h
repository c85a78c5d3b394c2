// Whole-file reads and crash-safe whole-file replacement for the settings files.
#pragma once

#include <string>

// Reads every byte of the file. False (and Bytes untouched) when it cannot be opened or read.
bool ReadFileContents(const std::u16string& FileName, std::string& Bytes);

// Writes Bytes to a new file beside FileName, flushes it to disk and renames it over FileName,
// so a crash or a full disk leaves either the old file or the new one, never a torn mix.
// A symbolic link is followed and its target replaced. False when any step failed; the old
// file is then untouched and no temporary file is left behind.
bool ReplaceFileContents(const std::u16string& FileName, const std::string& Bytes);
