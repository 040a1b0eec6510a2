// The index as a concordance: a word asked for, answered with every place
// the index keeps for it, each shown in its line of the text.
//
// An answer is one block per word found:
//
//   bright: 2 places
//   1:1                Bright stars, fade -- and  Time's away!
//   2:4  the stars are bright and fair
//   (an empty line)
//
// Each place line names the line and the word number ("LINE:WORDNO"), then,
// after at least two blanks, the line as it stands in the text laid out
// keyword-in-context: the found field starts at one column on every line of
// the block. Columns are characters (a UTF-8 sequence is one); a control
// byte is shown escaped as \xHH (four columns), a tab as one blank.
#ifndef VERSEFIND_CONCORDANCE_H
#define VERSEFIND_CONCORDANCE_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "word_index.h"

// How place lines are laid out.
struct Layout {
  int width = 0;       // the columns a place line may take; 0 for no limit
  bool color = false;  // the found field bold and red (ECMA-48 sequences)
};

// What a run asks the index, and what it answers it from: the tree, the
// lines of the text it was built from (line n is lines[n - 1]), the layout,
// and where the answers and the words not found go.
struct Concordance {
  const BTree& tree;
  const std::vector<std::string>& lines;
  Layout layout;
  std::ostream& out;
  std::ostream& errors;
};

// Writes the block of `word`: its header, then each of its `count` places
// (place strings, as makePlace writes them) in its line of `lines` (line n
// is lines[n - 1]), laid out by `layout`.
void writeBlock(const std::vector<std::string>& lines, const Layout& layout,
                const std::string& word, const std::string* places, int count, std::ostream& out);

// Answers one query as asked (an argument, or a line read): a word, cleaned
// by the word rules ("Love," asks for "love"), or a prefix followed by a
// star ("lov*"), which asks for every word that begins with it, in word
// order. Writes the block of each word found; when none is found, one line
// on `errors` says so. Blanks around the query are ignored. Returns whether
// a word was found.
bool answerQuery(const Concordance& concordance, const std::string& asked);

// Answers each of `words` in turn. Returns whether every one was found.
bool answerWords(const Concordance& concordance, const std::vector<std::string>& words);

// Answers the queries read from `in`, one a line (a carriage return before
// the line feed is dropped), each as soon as it is read: its answer is
// flushed before the next line is read. On a terminal, `prompt` is shown on
// `concordance.errors` before each line. A line that holds only blanks asks
// for nothing, and one longer than MAX_QUERY bytes is not read; each gets a
// line on `errors`. Returns whether every word asked was found.
bool answerLines(const Concordance& concordance, std::istream& in, const char* prompt);

// The longest query line read.
constexpr int MAX_QUERY = 65536;

// Writes every word of the index in word order, one "WORD<TAB>N" line each
// (N the places the word keeps), the empty word left out.
void writeVocabulary(const BTree& tree, std::ostream& out);

// `word` as it can be shown on a terminal: every control byte (below 0x20,
// and 0x7F) escaped as \xHH, every other byte as it is.
std::string shownWord(const std::string& word);

#endif  // VERSEFIND_CONCORDANCE_H
