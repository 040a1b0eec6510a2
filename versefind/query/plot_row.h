// What a query gives a dispersion plot: one row of it.
#ifndef VERSEFIND_PLOT_ROW_H
#define VERSEFIND_PLOT_ROW_H

#include <cstdint>
#include <string>
#include <vector>

// One row of the plot: the query as cleaned, and the positions of its places
// in the text (words before them, from 0).
struct PlotRow {
  std::string query;
  std::vector<std::uint64_t> positions;
};

#endif  // VERSEFIND_PLOT_ROW_H
