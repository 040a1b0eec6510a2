// A dispersion plot: where the places of each query lie along the text,
// drawn as an SVG picture. The text runs from left to right, counted in
// words; each query has a row, labelled with the query and its number of
// places, and a thin mark at each place.
//
// The picture can be read back by a program: each row is a <g> element whose
// data-word attribute is the query as cleaned (a pattern with its
// wildcards), and each place is one element of class "place" inside it.
// Every text that enters the picture is escaped as XML, and a byte that XML
// cannot hold (a control byte, one that is not part of valid UTF-8) is
// written as \xHH, as versefind shows it on a terminal.
#ifndef VERSEFIND_DISPERSION_PLOT_H
#define VERSEFIND_DISPERSION_PLOT_H

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "query/plot_row.h"

// Where a file of a corpus begins along the text: its name and the words
// before it.
struct FileMark {
  std::string name;
  std::uint64_t position;
};

// Writes the plot of `rows`, in the order given, over a text of `wordCount`
// words, with `title` (the text's name) above it, as a whole SVG document.
// A corpus of several files gives `files`: each file but the first is
// marked where it begins, by a dashed line across the rows (an element of
// class "file", titled with its name). REQUIRES: every position below
// wordCount; `files` in text order.
void writeDispersionPlot(const std::string& title, std::uint64_t wordCount,
                         const std::vector<PlotRow>& rows, std::ostream& out,
                         const std::vector<FileMark>& files = {});

// A query or a word is labelled in at most this many characters, so that
// the label stays in its column; a data-word attribute keeps it whole.
constexpr std::size_t MAX_LABEL = 24;

// `query` cut to MAX_LABEL characters (UTF-8 sequences), "..." marking a cut.
std::string plotLabel(const std::string& query);

// `text` as XML character data or an attribute value: & < > " ' as
// references, and every byte XML cannot hold as the text \xHH.
std::string xmlEscaped(const std::string& text);

#endif  // VERSEFIND_DISPERSION_PLOT_H
