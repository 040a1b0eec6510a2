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

#endif  // BENCH_SAMPLE_TEXT_H
