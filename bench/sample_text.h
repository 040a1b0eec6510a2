// The text the versefind benchmarks index: generated from a fixed seed, so
// every run reads the same bytes. About 2,300 lines drawn from a vocabulary
// of about 3,000 words whose frequencies fall off as rank^-0.6 (about 3,200
// distinct words once cleaned, as in a book of verse), with capitals,
// punctuation, apostrophes, hyphens, indented lines and blank lines, and
// CR LF line ends.
#ifndef BENCH_SAMPLE_TEXT_H
#define BENCH_SAMPLE_TEXT_H

#include <cstddef>
#include <string>

std::string generateSampleText();

// A large text, also from a fixed seed: `bytes` bytes or a line more, of
// lines of 5 to 10 words (a blank line after every 14, LF line ends) drawn
// from exactly `distinct` distinct words (once cleaned, by either set of word
// rules: only capitals and marks at a word's end vary them). Every word
// stands at least once, in about the first nine tenths of the text (the text
// grows past `bytes` until each has); the others are drawn with frequencies
// that fall off as 1/rank (Zipf's law), as in natural text. By default
// 10,000,000 bytes of 100,000 distinct words; larger texts keep about the
// same bytes per distinct word, e.g. 100,000,000 bytes of 1,000,000.
// REQUIRES: distinct >= 1.
std::string generateLargeText(std::size_t bytes = 10000000, int distinct = 100000);

#endif  // BENCH_SAMPLE_TEXT_H
