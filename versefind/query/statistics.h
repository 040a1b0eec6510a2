// The scores of the corpus tools, as small pure functions of counts.
//
// A collocate c of a word W is scored from O, its count in the windows
// around W's places, f(W) and f(c), the places of each, S the words a
// place's two windows hold (L + R) and N the words of the corpus: it is
// expected E = f(W)·f(c)·S / N times.
//
// The log-likelihood compares two counts, a in a sample of c words and b
// in another of d words: E1 = c(a+b)/(c+d), E2 = d(a+b)/(c+d) and
// LL = 2(a·ln(a/E1) + b·ln(b/E2)). A term whose count is 0, or whose
// expected count is not above 0 (a sample of no words, which the windows of
// a very frequent word can make of d), adds nothing.
#ifndef VERSEFIND_STATISTICS_H
#define VERSEFIND_STATISTICS_H

#include <cstdint>
#include <string>

enum class Measure { mi, t, ll };

// E = f(W)·f(c)·S / N. REQUIRES: corpusWords > 0.
double expectedCollocations(std::uint64_t wordPlaces, std::uint64_t collocatePlaces,
                            std::uint32_t span, std::uint64_t corpusWords);

// Mutual information, log2(O / E). REQUIRES: observed > 0, expected > 0.
double mutualInformation(std::uint64_t observed, double expected);

// The t-score, (O - E) / sqrt(O). REQUIRES: observed > 0.
double tScore(std::uint64_t observed, double expected);

// The log-likelihood of the counts a and b in samples of c and d words.
double logLikelihood(double a, double b, double c, double d);

// The score of a collocate by `measure`: for ll, a = O, b = max(f(c) - O, 0),
// c = f(W)·S and d = N - c. REQUIRES: observed > 0, corpusWords > 0.
double collocationScore(Measure measure, std::uint64_t observed, std::uint64_t wordPlaces,
                        std::uint64_t collocatePlaces, std::uint32_t span,
                        std::uint64_t corpusWords);

// `score` with three decimals, as the tools print it; a score that rounds
// to zero is "0.000", never "-0.000".
std::string scoreText(double score);

// `score` in thousandths, as printed: the tools order their lines by it, so
// that lines shown with one score fall to the next key.
long long scoreThousandths(double score);

#endif  // VERSEFIND_STATISTICS_H
