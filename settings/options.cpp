#include "settings/options.h"

#include "platform/sys/file_lock.h"
#include "platform/sys/workarea.h"
#include "settings/unicode.h"
#include "settings/wstrings.h"

#include <string>

namespace {

// The main window's fixed size, which the default position centres.
constexpr int WindowWidth = 475;
constexpr int WindowHeight = 350;

const std::u16string SectionGeneral = u"general";
const std::u16string SectionOptions = u"options";
const std::u16string KeyLeft = u"left";
const std::u16string KeyTop = u"top";
const std::u16string KeyAlwaysTop = u"alwaystop";
const std::u16string KeyAutoScale = u"autoscale";
const std::u16string KeyShowTray = u"showtray";
const std::u16string KeyStartUp = u"startup";
const std::u16string SectionFeeds = u"feeds";

} // namespace

TOptions::TOptions(const std::u16string& FileName) : TWMemIniFile(FileName) {
    // Sized by the primary monitor's work area and placed from the monitor's own corner, which on
    // a one-screen desktop is the origin.
    const platform::TMonitor primary = platform::GetPrimaryMonitor();
    const platform::TRect& area = primary.Work;
    FDefaultTop = primary.Bounds.Top + (area.Bottom - area.Top - WindowHeight) / 2;
    FDefaultLeft = primary.Bounds.Left + (area.Right - area.Left - WindowWidth) / 2;
}

bool TOptions::ReadAlwaysTop() const {
    return ReadBool(SectionOptions, KeyAlwaysTop, true);
}
bool TOptions::ReadAutoScale() const {
    return ReadBool(SectionOptions, KeyAutoScale, true);
}
bool TOptions::ReadShowTray() const {
    return ReadBool(SectionOptions, KeyShowTray, true);
}
bool TOptions::ReadStartUp() const {
    return ReadBool(SectionOptions, KeyStartUp, true);
}
bool TOptions::StartUpStored() const {
    return ReadBool(SectionOptions, KeyStartUp, false) ==
           ReadBool(SectionOptions, KeyStartUp, true);
}
bool TOptions::PositionStored() const {
    return ReadInteger(SectionGeneral, KeyLeft, 0) == ReadInteger(SectionGeneral, KeyLeft, 1) &&
           ReadInteger(SectionGeneral, KeyTop, 0) == ReadInteger(SectionGeneral, KeyTop, 1);
}
int TOptions::ReadLeft() const {
    return ReadInteger(SectionGeneral, KeyLeft, FDefaultLeft);
}
int TOptions::ReadTop() const {
    return ReadInteger(SectionGeneral, KeyTop, FDefaultTop);
}

void TOptions::WriteAlwaysTop(bool Value) {
    WriteBool(SectionOptions, KeyAlwaysTop, Value);
}
void TOptions::WriteAutoScale(bool Value) {
    WriteBool(SectionOptions, KeyAutoScale, Value);
}
void TOptions::WriteShowTray(bool Value) {
    WriteBool(SectionOptions, KeyShowTray, Value);
}
void TOptions::WriteStartUp(bool Value) {
    WriteBool(SectionOptions, KeyStartUp, Value);
}
void TOptions::WriteLeft(int Value) {
    WriteInteger(SectionGeneral, KeyLeft, Value);
}
void TOptions::WriteTop(int Value) {
    WriteInteger(SectionGeneral, KeyTop, Value);
}

std::optional<std::vector<std::u16string>> TOptions::ReadFeeds() const {
    if (!SectionExists(SectionFeeds))
        return std::nullopt;
    TWStringList lines;
    ReadSectionLines(SectionFeeds, lines);
    std::vector<std::u16string> feeds;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::u16string line = lines.Get(i);
        const std::size_t eq = line.find(u'=');
        if (eq != std::u16string::npos && eq + 1 < line.size())
            feeds.push_back(line.substr(eq + 1));
    }
    return feeds;
}

void TOptions::WriteFeeds(const std::vector<std::u16string>& Feeds) {
    ClearSection(SectionFeeds);
    for (std::size_t i = 0; i < Feeds.size(); ++i) {
        const std::string key = std::to_string(i + 1);
        WriteString(SectionFeeds, std::u16string(key.begin(), key.end()), Feeds[i]);
    }
}

std::u16string OptionsLockPath(const std::u16string& FileName) {
    const std::size_t slash = FileName.rfind(u'/');
    const std::u16string folder =
        slash == std::u16string::npos ? std::u16string(u".") : FileName.substr(0, slash);
    return folder + u"/options.lock";
}

TOptionsSave SaveOptionsLocked(TOptions& Store, const std::function<bool(TOptions&)>& Edit,
                               int WaitMs) {
    platform::TFileLock lock;
    if (lock.Acquire(WideToUtf8(OptionsLockPath(Store.FileName())), WaitMs) ==
        platform::TFileLock::TState::Busy)
        return TOptionsSave::Busy;
    Store.LoadValues();
    if (!Edit(Store))
        return TOptionsSave::Unchanged;
    return Store.UpdateFile() ? TOptionsSave::Written : TOptionsSave::Failed;
}
