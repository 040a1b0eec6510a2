// The text rules worked out a second time, in another way, to judge the
// program's words by: the line is first decoded whole into characters, then
// a state machine walks them one at a time. Only the classification and the
// lower case of a character come from the program (the system's, through
// console.h), since what the system says is what the rules mean by them.
// For the tests; the program never calls it.
#ifndef TESTING_TEXT_RULES_MODEL_H
#define TESTING_TEXT_RULES_MODEL_H

#include <cstddef>
#include <string>
#include <vector>

struct ModelWord {
  int number;
  std::size_t begin;  // bytes of the line, up to end (exclusive)
  std::size_t end;
  std::string word;   // cleaned
};

// The words of one line (without its line end).
std::vector<ModelWord> modelWords(const std::string& line);

// The lines of a whole text: cut at each line feed, a CR before it
// dropped, a byte-order mark at the text's start dropped, and no line after
// a final line feed.
std::vector<std::string> modelLines(const std::string& text);

#endif  // TESTING_TEXT_RULES_MODEL_H
