// The files of a corpus: the texts named on the command line, where a
// folder stands for every regular file under it.
#ifndef VERSEFIND_CORPUS_FILES_H
#define VERSEFIND_CORPUS_FILES_H

#include <string>
#include <vector>

// Puts the files of the corpus named by `given` into `files`, in the order
// given: a folder becomes every regular file under it, at any depth, in
// byte order of their paths under it, each named as the folder joined with
// that path; files and folders whose names begin with a dot are passed
// over, and links to folders are not followed. Any other name is kept as
// given, to be read (or refused) as a text. Returns false, with `problem`
// telling which folder and why, when a folder cannot be read or holds no
// file to read.
bool listCorpusFiles(const std::vector<std::string>& given, std::vector<std::string>& files,
                     std::string& problem);

#endif  // VERSEFIND_CORPUS_FILES_H
