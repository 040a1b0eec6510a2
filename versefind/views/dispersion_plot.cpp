#include "views/dispersion_plot.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "query/concordance.h"
#include "text/text_rules.h"

namespace {

// The picture's measures, in pixels.
constexpr int WIDTH = 800;
constexpr int LABEL_WIDTH = 200;  // the labels' column, left of the plot
constexpr int MARGIN = 20;
constexpr int TITLE_HEIGHT = 40;
constexpr int ROW_HEIGHT = 28;
constexpr int MARK_HEIGHT = 20;
constexpr int AXIS_HEIGHT = 30;
constexpr int PLOT_WIDTH = WIDTH - LABEL_WIDTH - 2 * MARGIN;

constexpr std::size_t FLUSH_SIZE = 65536;

// The length of the UTF-8 sequence that starts at `at`, when it is a whole,
// shortest-form sequence of a character that XML 1.0 allows and a terminal
// shows as it is; 0 otherwise.
std::size_t xmlCharacterAt(const std::string& text, std::size_t at) {
  std::size_t length = 0;
  const char32_t c = decodeUtf8(text, at, length);
  // Tab, LF and CR are XML's, but an attribute value would not keep them;
  // C1 controls are XML's, but raw on a terminal.
  if (c == NOT_A_CHARACTER || c < 0x20 || (c >= 0x7F && c <= 0x9F)) return 0;
  return c == 0xFFFE || c == 0xFFFF ? 0 : length;
}

// A number of tenths written as a decimal: 123 as "12.3".
std::string tenths(std::uint64_t value) {
  return std::to_string(value / 10) + "." + std::to_string(value % 10);
}

}  // namespace

std::string plotLabel(const std::string& query) {
  std::size_t characters = 0;
  for (std::size_t at = 0; at < query.size(); ++at) {
    if ((static_cast<unsigned char>(query[at]) & 0xC0) == 0x80) continue;
    if (++characters > MAX_LABEL) return query.substr(0, at) + "...";
  }
  return query;
}

std::string xmlEscaped(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t length = xmlCharacterAt(text, at);
    const char c = text[at];
    if (length == 0) {
      appendHexEscape(escaped, static_cast<unsigned char>(c));
      ++at;
      continue;
    }
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&apos;"; break;
      default: escaped.append(text, at, length);
    }
    at += length;
  }
  return escaped;
}

void writeDispersionPlot(const std::string& title, std::uint64_t wordCount,
                         const std::vector<PlotRow>& rows, std::ostream& out,
                         const std::vector<FileMark>& files) {
  const int plotTop = TITLE_HEIGHT;
  const int height = plotTop + static_cast<int>(rows.size()) * ROW_HEIGHT + AXIS_HEIGHT;
  const int plotLeft = MARGIN + LABEL_WIDTH;
  std::string svg;
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(WIDTH) +
         "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(WIDTH) +
         " " + std::to_string(height) + "\" font-family=\"sans-serif\" font-size=\"14\">\n";
  svg += "<title>" + xmlEscaped(title) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + std::to_string(WIDTH / 2) + "\" y=\"26\" text-anchor=\"middle\"" +
         " font-size=\"16\">" + xmlEscaped(title) + "</text>\n";
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const PlotRow& row = rows[r];
    const int top = plotTop + static_cast<int>(r) * ROW_HEIGHT;
    const int middle = top + ROW_HEIGHT / 2;
    const std::string markTop = std::to_string(middle - MARK_HEIGHT / 2);
    svg += "<g data-word=\"" + xmlEscaped(row.query) + "\">\n";
    svg += "<text x=\"" + std::to_string(plotLeft - 8) + "\" y=\"" + std::to_string(middle + 5) +
           "\" text-anchor=\"end\">" + xmlEscaped(plotLabel(row.query)) + " (" +
           std::to_string(row.positions.size()) + ")</text>\n";
    svg += "<line x1=\"" + std::to_string(plotLeft) + "\" x2=\"" +
           std::to_string(plotLeft + PLOT_WIDTH) + "\" y1=\"" + std::to_string(middle) +
           "\" y2=\"" + std::to_string(middle) + "\" stroke=\"#ccc\"/>\n";
    for (const std::uint64_t position : row.positions) {
      assert(position < wordCount);
      // Tenths of a pixel, the word's share of the text's length: the
      // first word at the plot's left edge, the last just short of its end.
      const std::uint64_t x = static_cast<std::uint64_t>(plotLeft) * 10 +
                              static_cast<std::uint64_t>(PLOT_WIDTH) * 10 * position / wordCount;
      svg += "<rect class=\"place\" x=\"" + tenths(x) + "\" y=\"" + markTop +
             "\" width=\"1\" height=\"" + std::to_string(MARK_HEIGHT) + "\"/>\n";
      if (svg.size() > FLUSH_SIZE) {  // a word of a million places is written as it goes
        out << svg;
        svg.clear();
      }
    }
    svg += "</g>\n";
  }
  const int plotBottom = plotTop + static_cast<int>(rows.size()) * ROW_HEIGHT;
  for (std::size_t f = 1; f < files.size(); ++f) {
    if (wordCount == 0) break;
    const std::uint64_t x = static_cast<std::uint64_t>(plotLeft) * 10 +
                            static_cast<std::uint64_t>(PLOT_WIDTH) * 10 *
                                std::min(files[f].position, wordCount) / wordCount;
    svg += "<line class=\"file\" x1=\"" + tenths(x) + "\" x2=\"" + tenths(x) + "\" y1=\"" +
           std::to_string(plotTop) + "\" y2=\"" + std::to_string(plotBottom) +
           "\" stroke=\"#888\" stroke-dasharray=\"4 3\"><title>" + xmlEscaped(files[f].name) +
           "</title></line>\n";
  }
  const int axis = plotBottom + 20;
  svg += "<text x=\"" + std::to_string(plotLeft) + "\" y=\"" + std::to_string(axis) +
         "\" font-size=\"12\">word 1</text>\n";
  svg += "<text x=\"" + std::to_string(plotLeft + PLOT_WIDTH) + "\" y=\"" +
         std::to_string(axis) + "\" font-size=\"12\" text-anchor=\"end\">word " +
         std::to_string(wordCount) + "</text>\n";
  svg += "</svg>\n";
  out << svg;
}
