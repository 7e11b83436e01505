// The uninstaller's request that every program of an installation end, in
// every session. Windows and mutexes stay inside their session, but the
// installation folder is the same for all: the request is a file there,
// "EndRequest.txt", that Purgewell writes before it closes what it can see,
// and that Tickwarden and Tickwardenaide look for beside themselves on their
// timers. Its content is a line for whoever finds it; its last-write time is
// what counts (docs/uninstaller.md).
#pragma once
#ifdef _WIN32

namespace tw {

constexpr const char kEndRequestFile[] = "EndRequest.txt";
// A request older than this (or this far in the future) is one an uninstall
// left behind when it broke off: a later installation in the folder runs on.
constexpr unsigned kEndRequestSeconds = 600;

}  // namespace tw

// Whether the request in directory is in force now.
bool EndRequested(const char* directory);

// Writes the request into directory, replacing an older one. Returns whether
// it was written.
bool WriteEndRequest(const char* directory);

#endif
