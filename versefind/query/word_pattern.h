// A query word with wildcards, matched against the words of the index: a
// star stands for any run of a word's characters, possibly none (its
// apostrophes and hyphens included), a question mark for exactly one
// character (one UTF-8 code point). Every other character stands for
// itself, as a cleaned word holds it: "lic?nse", "*ing", "*ove*", "lov*".
//
// The words of the index never hold a star or a question mark (the text
// rules cut words there), so in a pattern both are always wildcards.
#ifndef VERSEFIND_WORD_PATTERN_H
#define VERSEFIND_WORD_PATTERN_H

#include <string_view>

constexpr char ANY_RUN = '*';
constexpr char ANY_ONE = '?';

// Whether `word` holds a wildcard, and so is a pattern.
bool isPattern(std::string_view word);

// Whether `pattern` has no character but wildcards, with at least one star:
// it matches every word (or every word from some length up).
bool matchesAlmostAll(std::string_view pattern);

// The bytes of `pattern` before its first wildcard: every word it matches
// begins with them, so that a walk of the index in word order finds them
// together.
std::string_view literalPrefix(std::string_view pattern);

// Whether `key` matches `pattern` whole. A byte of `key` that starts no
// valid UTF-8 character counts as one character. The cost is at most the
// product of the two lengths, whatever the stars: only the last star seen
// is ever taken back, since a later star can absorb whatever an earlier one
// would have taken more.
bool matchesPattern(std::string_view pattern, std::string_view key);

#endif  // VERSEFIND_WORD_PATTERN_H
