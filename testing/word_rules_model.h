// The word rules worked out a second time, as plainly as possible, to judge
// the index builder and the lookup by: for the tests and the fuzz targets.
// The programs themselves never call it.
#ifndef TESTING_WORD_RULES_MODEL_H
#define TESTING_WORD_RULES_MODEL_H

#include <string>
#include <vector>

// The words of each line of `text`, one list per pass of the reading loop:
// a line ends at each line feed (a CR right before it goes with it; a CR at
// the very end of the text stays), is read up to a NUL, and is cut at every
// blank; each field loses the marks , ; : ' - ! ? . and is lower-cased. A
// text that ends with a line feed has one more, empty, line.
std::vector<std::vector<std::string>> wordsByLine(const std::string& text);

// Every place of `word` in `lines` (as wordsByLine gives them), in reading
// order, each as "(" word number "," line number ")".
std::vector<std::string> placesInText(const std::vector<std::vector<std::string>>& lines,
                                      const std::string& word);

// The listing the index builder writes for `text`: each word followed by a
// blank, each line followed by a line feed.
std::string listingOf(const std::string& text);

#endif  // TESTING_WORD_RULES_MODEL_H
