#include "query/statistics.h"

#include <cassert>
#include <cmath>
#include <cstdio>

double expectedCollocations(std::uint64_t wordPlaces, std::uint64_t collocatePlaces,
                            std::uint32_t span, std::uint64_t corpusWords) {
  assert(corpusWords > 0);
  return static_cast<double>(wordPlaces) * static_cast<double>(collocatePlaces) *
         static_cast<double>(span) / static_cast<double>(corpusWords);
}

double mutualInformation(std::uint64_t observed, double expected) {
  assert(observed > 0 && expected > 0);
  return std::log2(static_cast<double>(observed) / expected);
}

double tScore(std::uint64_t observed, double expected) {
  assert(observed > 0);
  const auto o = static_cast<double>(observed);
  return (o - expected) / std::sqrt(o);
}

double logLikelihood(double a, double b, double c, double d) {
  const double total = c + d;
  if (total <= 0) return 0;
  const double e1 = c * (a + b) / total;
  const double e2 = d * (a + b) / total;
  double sum = 0;
  if (a > 0 && e1 > 0) sum += a * std::log(a / e1);
  if (b > 0 && e2 > 0) sum += b * std::log(b / e2);
  return 2 * sum;
}

double collocationScore(Measure measure, std::uint64_t observed, std::uint64_t wordPlaces,
                        std::uint64_t collocatePlaces, std::uint32_t span,
                        std::uint64_t corpusWords) {
  const double expected = expectedCollocations(wordPlaces, collocatePlaces, span, corpusWords);
  switch (measure) {
    case Measure::mi:
      return mutualInformation(observed, expected);
    case Measure::t:
      return tScore(observed, expected);
    case Measure::ll:
      break;
  }
  const double windows = static_cast<double>(wordPlaces) * span;
  const double outside =
      collocatePlaces > observed ? static_cast<double>(collocatePlaces - observed) : 0.0;
  return logLikelihood(static_cast<double>(observed), outside, windows,
                       static_cast<double>(corpusWords) - windows);
}

long long scoreThousandths(double score) { return std::llround(score * 1000); }

std::string scoreText(double score) {
  const long long thousandths = scoreThousandths(score);
  char text[48];
  const unsigned long long magnitude =
      thousandths < 0 ? 0ULL - static_cast<unsigned long long>(thousandths)
                      : static_cast<unsigned long long>(thousandths);
  static_cast<void>(std::snprintf(text, sizeof text, "%s%llu.%03llu", thousandths < 0 ? "-" : "", magnitude / 1000,
                magnitude % 1000));
  return text;
}
