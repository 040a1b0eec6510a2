// A horizontal bar chart of the first lines of a tool's answer (the
// collocates by score, the keywords by log-likelihood), as an SVG picture
// in the style of the dispersion plot: a bar a word, top down in the order
// given, labelled with the word at its left and its value at the right.
// Values below zero draw their bars to the left of the zero line.
//
// Each bar is an element of class "bar" whose data-word attribute holds
// the word whole; every text is escaped as XML (xmlEscaped).
#ifndef VERSEFIND_BAR_CHART_H
#define VERSEFIND_BAR_CHART_H

#include <ostream>
#include <string>
#include <vector>

struct Bar {
  std::string word;
  double value = 0;
  std::string shown;  // the value as the answer prints it
};

// The bars a chart draws at most: the first lines of an answer.
constexpr std::size_t MOST_BARS = 20;

// Writes the chart of the first MOST_BARS of `bars`, with `title` above it
// and `measure` naming the values, as a whole SVG document.
void writeBarChart(const std::string& title, const std::string& measure, const std::vector<Bar>& bars,
                   std::ostream& out);

#endif  // VERSEFIND_BAR_CHART_H
