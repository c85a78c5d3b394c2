// The widget's settings: window position and the four choices of the options panel, kept in
// options.ini in the data folder.
#pragma once

#include "settings/inifile.h"

#include <functional>
#include <optional>
#include <vector>

// Reads change nothing; writes change memory only until UpdateFile.
class TOptions : public TWMemIniFile {
public:
    // Reads FileName and centres the default position in the current work area.
    explicit TOptions(const std::u16string& FileName);

    int DefaultTop() const { return FDefaultTop; }
    int DefaultLeft() const { return FDefaultLeft; }

    bool ReadAlwaysTop() const;
    bool ReadAutoScale() const;
    bool ReadShowTray() const;
    bool ReadStartUp() const;
    // Whether the file holds a readable "startup" choice (none before the first run ends).
    bool StartUpStored() const;
    // Whether the file holds a readable position (in the screen's pixels, unlike the defaults,
    // which are the window's logical ones).
    bool PositionStored() const;
    int ReadLeft() const;
    int ReadTop() const;

    void WriteAlwaysTop(bool Value);
    void WriteAutoScale(bool Value);
    void WriteShowTray(bool Value);
    void WriteStartUp(bool Value);
    void WriteLeft(int Value);
    void WriteTop(int Value);

    // The section "feeds": one standard feed's address a line under the keys 1, 2, 3 ... in the
    // order they were added. Every value is read in file order, whatever its key; nothing when
    // the file has no such section (an empty section means no feeds).
    std::optional<std::vector<std::u16string>> ReadFeeds() const;
    // Replaces the section's lines with Feeds under the keys 1..N, where the section stood.
    void WriteFeeds(const std::vector<std::u16string>& Feeds);

private:
    int FDefaultTop = 0;
    int FDefaultLeft = 0;
};

// The options file has more than one writer: the widget (its position and options) and its
// command line (the feeds). Each takes the lock file "options.lock" beside it, reads the file
// afresh, changes only its own part and replaces the file before letting go.
enum class TOptionsSave {
    Written,
    Unchanged, // Edit changed nothing worth writing
    Busy,      // another writer held the lock for the whole wait
    Failed,    // the file could not be replaced (read-only, disk full); it is as it was
};

constexpr int DefaultOptionsLockWait = 5000;

std::u16string OptionsLockPath(const std::u16string& FileName);

// Takes the lock (waiting at most WaitMs), reloads Store from its file, lets Edit change it and,
// when Edit returns true, writes the file. A lock file that cannot be made at all does not stop
// the write: no other writer can hold it either.
TOptionsSave SaveOptionsLocked(TOptions& Store, const std::function<bool(TOptions&)>& Edit,
                               int WaitMs = DefaultOptionsLockWait);
