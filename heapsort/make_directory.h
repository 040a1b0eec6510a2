// The platform calls heapsort needs: making a folder, and putting a finished
// file in the place of another.
#ifndef HEAPSORT_MAKE_DIRECTORY_H
#define HEAPSORT_MAKE_DIRECTORY_H

// Creates the directory `path` (one level, with the default permissions).
// Returns false when it could not be made, including when it already exists.
bool makeDirectory(const char* path);

// Renames the file `from` to `to`, replacing a file already there in one
// step. Returns false, with errno set to the reason when the system gives
// one (0 otherwise), when it could not; `to` is then as it was.
bool replaceFile(const char* from, const char* to);

#endif  // HEAPSORT_MAKE_DIRECTORY_H
