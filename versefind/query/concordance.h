// The index as a concordance: a word or a phrase asked for, answered with
// every place the index keeps for it, each shown in its line of the text;
// or only counted; or gathered for a dispersion plot.
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
//
// A phrase is a query of several words: its places are those where its
// words stand one after another in the text, across line ends too, each
// named by its first word; the phrase is the found field as far as it lies
// on that word's line.
#ifndef VERSEFIND_CONCORDANCE_H
#define VERSEFIND_CONCORDANCE_H

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "query/plot_row.h"
#include "terminal_text.h"
#include "query/place_sort.h"
#include "index/word_cursor.h"
#include "index/word_index.h"

class TextLines;
class WordRules;

// How place lines are laid out.
struct Layout {
  int width = 0;       // the columns a place line may take; 0 for no limit
  bool color = false;  // the found field bold and red (ECMA-48 sequences)
  int most = 0;        // the place lines shown for one word at most; 0 for all
};

// What an answer is: the blocks of place lines, a "WORD<TAB>N" line for
// each word or phrase, or a row of a dispersion plot.
enum class AnswerForm { blocks, counts, plot };

// What a run asks the index, and what it answers it from: the index, read
// through its cursors, the lines of the text it was built from (line n is
// lines[n - 1]), the word rules it was built by, the layout, and where the
// answers and the words not found go.
struct Concordance {
  const WordReader& index;
  const TextLines& lines;
  const WordRules& rules;
  Layout layout;
  std::ostream& out;
  std::ostream& errors;
  PlaceOrder order = PlaceOrder::place;  // the order of each block's place lines
  AnswerForm form = AnswerForm::blocks;
  std::vector<PlotRow>* rows = nullptr;  // where the plot's rows go. REQUIRES: set for a plot
};

// Writes the block of `word`: its header, with the number of its places,
// then the first of `places` (all, or layout.most), each in its line of
// `lines`, where `rules` find its word, laid out by `layout`. The header
// says when fewer places are shown than counted, and, when `cut`, that the
// word kept only its first MAX_PLACES. `word` may be a phrase of `span`
// words, each place that of its first word: the found field then runs to
// the phrase's last word, or to the last word of the line when the phrase
// goes on to the next.
void writeBlock(const TextLines& lines, const WordRules& rules, const Layout& layout,
                const std::string& word, const std::vector<WordPlace>& places, bool cut,
                std::ostream& out, std::uint32_t span = 1);

// Answers one query as asked (an argument, or a line read): a word, cleaned
// by the word rules ("Love," asks for "love"), or a phrase (a query the
// rules cut into several words: "Thy beauty's" asks for "thy beauty's").
// Under the text rules a word may hold wildcards (word_pattern.h: "lic?nse",
// "*ing", "lov*"), and asks for every word it matches, in word order; a
// phrase's pattern stands for any word it matches. Under the sonnets' rules
// only a star at the end is one: a prefix ("lov*"), after one word. Answers
// in concordance.form: the block of each word found, or of the phrase (its
// place lines in concordance.order), a count line for each, or one plot row
// for the query. When nothing is found, one line on `errors` says so (and a
// count or a plot row says 0). Blanks around the query are ignored. Returns
// whether anything was found.
bool answerQuery(const Concordance& concordance, const std::string& asked);

// The most places the words that a phrase's patterns match may hold in all:
// their lists are merged, in memory, into a list for each pattern.
constexpr std::size_t MAX_PATTERN_PLACES = std::size_t{1} << 24;

// Answers each of `words` in turn. Returns whether every one was found.
bool answerWords(const Concordance& concordance, const std::vector<std::string>& words);

// Answers the queries read from `in`, one a line (a carriage return before
// the line feed is dropped), each as soon as it is read: its answer is
// flushed before the next line is read. On a terminal, `prompt` is shown on
// `concordance.errors` before each line. A line that holds only blanks asks
// for nothing and gets a line on `errors`; one longer than MAX_QUERY bytes
// ends the reading, with a line on `errors` (the rest of the input may never
// end). Returns whether every word asked was found.
bool answerLines(const Concordance& concordance, std::istream& in, const char* prompt);

// The longest query line read.
constexpr int MAX_QUERY = 65536;

// Writes every word of the index in word order, one "WORD<TAB>N" line each
// (N the places the word keeps), the empty word left out; `byCount`, the
// most frequent first, words of one count in word order.
void writeVocabulary(const WordReader& index, std::ostream& out, bool byCount = false);

// `word` as it can be shown on a terminal: every control byte (below 0x20,
// and 0x7F) escaped as \xHH, every other byte as it is; a tab too when
// `keepTabs`.
std::string shownWord(const std::string& word, bool keepTabs = false);

// The query `asked` as a message names it: escaped, and cut to 60 columns
// when it is longer; one of blanks alone, or nothing, in quotes, so that the
// line shows it.
std::string namedQuery(const std::string& asked);

// Every \xHH escape versefind shows is written by appendHexEscape (terminal_text.h).

#endif  // VERSEFIND_CONCORDANCE_H
