// The one platform call heapsort needs: making a folder.
#ifndef HEAPSORT_MAKE_DIRECTORY_H
#define HEAPSORT_MAKE_DIRECTORY_H

// Creates the directory `path` (one level, with the default permissions).
// Returns false when it could not be made, including when it already exists.
bool makeDirectory(const char* path);

#endif  // HEAPSORT_MAKE_DIRECTORY_H
