#include "views/bar_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "views/dispersion_plot.h"

namespace {

// The picture's measures, in pixels, as the dispersion plot's.
constexpr int WIDTH = 800;
constexpr int LABEL_WIDTH = 200;  // the labels' column, left of the bars
constexpr int VALUE_WIDTH = 80;   // the values' column, right of the bars
constexpr int MARGIN = 20;
constexpr int TITLE_HEIGHT = 40;
constexpr int ROW_HEIGHT = 24;
constexpr int BAR_HEIGHT = 16;
constexpr int AXIS_HEIGHT = 30;
constexpr int PLOT_LEFT = MARGIN + LABEL_WIDTH;
constexpr int PLOT_WIDTH = WIDTH - LABEL_WIDTH - VALUE_WIDTH - 2 * MARGIN;

// Tenths of a pixel written as a decimal: 123 as "12.3".
std::string tenths(long long value) {
  const long long magnitude = value < 0 ? -value : value;
  return std::string(value < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
         std::to_string(magnitude % 10);
}

}  // namespace

void writeBarChart(const std::string& title, const std::string& measure, const std::vector<Bar>& bars,
                   std::ostream& out) {
  const std::size_t count = std::min(bars.size(), MOST_BARS);
  // The scale runs from the lowest value to the highest, zero always in it.
  double lowest = 0;
  double highest = 0;
  for (std::size_t b = 0; b < count; ++b) {
    lowest = std::min(lowest, bars[b].value);
    highest = std::max(highest, bars[b].value);
  }
  const double range = highest > lowest ? highest - lowest : 1;
  const auto x = [&](double value) {
    return std::llround((PLOT_LEFT + PLOT_WIDTH * (value - lowest) / range) * 10);
  };
  const long long zero = x(0);
  const int height = TITLE_HEIGHT + static_cast<int>(count) * ROW_HEIGHT + AXIS_HEIGHT;
  const int plotBottom = TITLE_HEIGHT + static_cast<int>(count) * ROW_HEIGHT;
  std::string svg;
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(WIDTH) + "\" height=\"" +
         std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(WIDTH) + " " +
         std::to_string(height) + "\" font-family=\"sans-serif\" font-size=\"14\">\n";
  svg += "<title>" + xmlEscaped(title) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + std::to_string(WIDTH / 2) + "\" y=\"26\" text-anchor=\"middle\" font-size=\"16\">" +
         xmlEscaped(title) + "</text>\n";
  for (std::size_t b = 0; b < count; ++b) {
    const Bar& bar = bars[b];
    const int top = TITLE_HEIGHT + static_cast<int>(b) * ROW_HEIGHT;
    const int middle = top + ROW_HEIGHT / 2;
    const long long end = x(bar.value);
    svg += "<text x=\"" + std::to_string(PLOT_LEFT - 8) + "\" y=\"" + std::to_string(middle + 5) +
           "\" text-anchor=\"end\">" + xmlEscaped(plotLabel(bar.word)) + "</text>\n";
    svg += "<rect class=\"bar\" data-word=\"" + xmlEscaped(bar.word) + "\" x=\"" + tenths(std::min(zero, end)) +
           "\" y=\"" + std::to_string(middle - BAR_HEIGHT / 2) + "\" width=\"" +
           tenths(end > zero ? end - zero : zero - end) + "\" height=\"" + std::to_string(BAR_HEIGHT) +
           "\" fill=\"#4a7ab5\"/>\n";
    svg += "<text x=\"" + std::to_string(WIDTH - MARGIN) + "\" y=\"" + std::to_string(middle + 5) +
           "\" text-anchor=\"end\" font-size=\"12\">" + xmlEscaped(bar.shown) + "</text>\n";
  }
  svg += "<line x1=\"" + tenths(zero) + "\" x2=\"" + tenths(zero) + "\" y1=\"" + std::to_string(TITLE_HEIGHT) +
         "\" y2=\"" + std::to_string(plotBottom) + "\" stroke=\"#888\"/>\n";
  svg += "<text x=\"" + std::to_string(PLOT_LEFT + PLOT_WIDTH / 2) + "\" y=\"" + std::to_string(plotBottom + 20) +
         "\" text-anchor=\"middle\" font-size=\"12\">" + xmlEscaped(measure) + "</text>\n";
  svg += "</svg>\n";
  out << svg;
}
