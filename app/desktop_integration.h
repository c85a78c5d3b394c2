// Where the widget reaches into the user's desktop outside its own window: starting with the
// session (an XDG autostart entry), opening web links in the browser, and giving memory back
// while the user is away, with the queue drain that goes with it.
#pragma once

#include <functional>
#include <string>

namespace app {

// The entry's name, also the name the desktop shows for it.
constexpr const char* AutostartName = "Mini Pelikora";

// Full path of the running executable; empty when the system cannot tell.
std::string ExecutablePath();
// The executable's path from the target of /proc/self/exe: a program replaced on disk while it
// runs (a package upgrade) reads "PATH (deleted)", and PATH is where it is installed.
std::string ExecutableFromProcLink(const std::string& Link);

// An XDG base folder: $Variable when it holds an absolute path, otherwise the home folder
// followed by Fallback ("/.config").
std::string XdgBaseFolder(const char* Variable, const char* Fallback);

// $XDG_CONFIG_HOME/autostart (default ~/.config/autostart) and the entry inside it.
std::string AutostartFolder();
std::string AutostartEntryPath();

// A string value of a desktop entry: backslashes and control characters escaped.
std::string DesktopStringValue(const std::string& Text);
// One argument of an Exec line: double-quoted, with the characters the quoting reserves
// escaped, percent signs doubled and the result escaped again as a string value of the file,
// so any path (spaces, quotes, backslashes, dollar signs, percent signs) reaches the launcher
// as it is.
std::string QuoteExecArgument(const std::string& Argument);
// The entry starts Executable, and its TryExec names it too, so the desktop skips the entry
// once the program is gone (a removed package) instead of failing at every login.
std::string AutostartEntryText(const std::string& Executable);

// On: writes the entry (atomically) that starts Executable, an absolute path, with the session.
// Off: removes it; a missing entry is not an error. False when the file system refused or the
// path is not absolute (nothing is written then).
bool SetStartWithSystem(bool On, const std::string& Executable);
// Whether the session starts Executable: the entry exists, its command is the one we write for
// Executable, and the desktop has not switched it off (Hidden, X-GNOME-Autostart-enabled).
bool StartsWithSystem(const std::string& Executable);

// Opens Url in the desktop's browser; nothing is reported. Tests replace the opener.
extern std::function<void(const std::string& Url)> LinkOpener;
void OpenLink(const std::string& Url);

// One heap for every thread: the HTTP workers are few and short-lived, and an arena of their
// own would only keep pages the widget no longer needs. Called once, before the first worker.
void UseOneHeap();

// Hands freed heap pages back to the system and lets go of the pages of files the widget only
// reads (they stay in the page cache), then drains the queue. Nothing is walked when the heap
// is unchanged since the last trim.
void TrimWorkingSet();
// How many times the working set was trimmed; the trim itself leaves nothing to look at.
int TrimCount();
// How many of those trims found a changed heap and walked it.
int TrimWorkCount();

// Handles every waiting message. A quit request met here is posted again, so the main loop
// still sees it and the process ends after its window is gone.
void ProcessMessages();

} // namespace app
