// The platform calls heapsort needs: making a folder, making a file of a
// name of its own, putting a finished file in the place of another, and keeping a console window of its own
// open after a failure.
#ifndef HEAPSORT_PLATFORM_H
#define HEAPSORT_PLATFORM_H

#include <string>

// Creates the directory `path` (one level, with the default permissions).
// Returns false when it could not be made, including when it already exists.
bool makeDirectory(const char* path);

// Renames the file `from` to `to`, replacing a file already there in one
// step. Returns false, with errno set to the reason when the system gives
// one (0 otherwise), when it could not; `to` is then as it was.
bool replaceFile(const char* from, const char* to);

// Creates a new, empty file in the folder `folder` under a name no other
// file there has, made up for this call (shorter than 20 characters, never
// ending in ".txt"), with the permissions any new file gets, and sets
// `path` to it. Returns false, with errno set to the reason when the system
// gives one (0 otherwise), when none could be made.
bool makeUniqueFile(const std::string& folder, std::string& path);

// Called by main with the status the run ends with, once standard output is
// written. On Windows, when the run failed (status not 0) and the console
// window was opened for this program alone (it was started by a
// double-click, not from a command prompt, which would keep the window),
// shows "(press any key)" on standard error and waits for a key, so that the
// failure's message can be read before the window closes. Elsewhere it does
// nothing.
void holdConsoleAfterFailure(int status);

#endif  // HEAPSORT_PLATFORM_H
