// The text the versefind benchmarks index: generated from a fixed seed, so
// every run reads the same bytes. About 2,300 lines drawn from a vocabulary
// of about 3,000 words whose frequencies fall off as rank^-0.6 (about 3,200
// distinct words once cleaned, as in a book of verse), with capitals,
// punctuation, apostrophes, hyphens, indented lines and blank lines, and
// CR LF line ends.
#ifndef BENCH_SAMPLE_TEXT_H
#define BENCH_SAMPLE_TEXT_H

#include <string>

std::string generateSampleText();

// A large text, also from a fixed seed: 10,000,000 bytes or a line more, of
// lines of 5 to 10 words (a blank line after every 14, LF line ends) drawn
// from exactly 100,000 distinct words (once cleaned, by either set of word
// rules: only capitals and marks at a word's end vary them). Every word
// stands at least once, in the first nine tenths of the text; the others are
// drawn with frequencies that fall off as 1/rank, as in natural text.
std::string generateLargeText();

#endif  // BENCH_SAMPLE_TEXT_H
