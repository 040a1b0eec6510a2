#include "step_page.h"

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "number_files.h"
#include "terminal_text.h"
#include "utf8.h"
#include "step_player_page.h"  // STEP_PLAYER_PAGE, made from pages/step_player.html

namespace {

// Nodes of the tree are this far apart on the bottom row of five levels.
constexpr int WIDTH = 720;
constexpr int LEVEL_HEIGHT = 56;
constexpr int CELLS_A_ROW = 16;
constexpr int CELL_WIDTH = WIDTH / CELLS_A_ROW;

// A key's text at `place` (its x and y attributes), in smaller type when
// it is too long for its circle, and squeezed into it when even that is.
std::string keyText(int value, const std::string& place) {
  const std::string digits = std::to_string(value);
  const char* const fit =
      digits.size() > 8 ? " long\" textLength=\"34\" lengthAdjust=\"spacingAndGlyphs\" "
      : digits.size() > 4 ? " long\" "
                          : "\" ";
  return "<text class=\"key" + (fit + place) + ">" + digits + "</text>";
}

int depthOf(int i) {
  int depth = 0;
  while (i > 1) {
    i /= 2;
    ++depth;
  }
  return depth;
}

// Where node i stands: each level splits the width evenly among its nodes.
void placeOf(int i, int& x, int& y) {
  const int depth = depthOf(i);
  const int first = 1 << depth;
  x = (2 * (i - first) + 1) * WIDTH / (2 * first);
  y = 24 + depth * LEVEL_HEIGHT;
}

// The array after a step, as a tree above and as the array below; the
// positions in `touched` are highlighted and those past the heap drawn as
// done.
std::string drawing(const HeapReplay& replay, const std::set<int>& touched) {
  const int n = replay.size();
  const int levels = n == 0 ? 0 : depthOf(n) + 1;
  const int treeHeight = levels * LEVEL_HEIGHT;
  const int rows = (n + CELLS_A_ROW - 1) / CELLS_A_ROW;
  const int height = treeHeight + 8 + rows * 44;
  const auto classes = [&](const char* base, int i) {
    return std::string(base) + (touched.count(i) != 0 ? " touched" : "") +
           (i > replay.heapSize() ? " done" : "");
  };
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    std::to_string(WIDTH) + " " + std::to_string(height) + "\" width=\"" +
                    std::to_string(WIDTH) + "\" height=\"" + std::to_string(height) + "\">";
  const auto number = [](int value) { return std::to_string(value); };
  int x = 0;
  int y = 0;
  if (n >= 2) {
    svg += "<path class=\"edge\" d=\"";
    for (int i = 2; i <= n; ++i) {
      int parentX = 0;
      int parentY = 0;
      placeOf(i / 2, parentX, parentY);
      placeOf(i, x, y);
      svg += "M" + number(parentX) + " " + number(parentY) + "L" + number(x) + " " + number(y);
    }
    svg += "\"/>";
  }
  for (int i = 1; i <= n; ++i) {
    placeOf(i, x, y);
    const std::string at = "x=\"" + number(x) + "\" y=\"" + number(y) + "\"";
    svg += "<g class=\"" + classes("node", i) + "\"><circle c" + at.substr(0, at.find(' ')) +
           " c" + at.substr(at.find(' ') + 1) + " r=\"18\"/>" + keyText(replay.at(i), at) + "</g>";
  }
  for (int i = 1; i <= n; ++i) {
    x = ((i - 1) % CELLS_A_ROW) * CELL_WIDTH;
    y = treeHeight + 8 + ((i - 1) / CELLS_A_ROW) * 44;
    const std::string middle = "x=\"" + number(x + CELL_WIDTH / 2) + "\" y=\"";
    svg += "<g class=\"" + classes("cell", i) + "\"><text class=\"label\" " + middle +
           number(y + 6) + "\">" + number(i) + "</text><rect x=\"" + number(x + 1) + "\" y=\"" +
           number(y + 13) + "\" width=\"" + number(CELL_WIDTH - 2) + "\" height=\"26\"/>" +
           keyText(replay.at(i), middle + number(y + 26) + "\"") + "</g>";
  }
  return svg + "</svg>";
}

// The positions an event touches: the node and the children it is compared
// with, the two exchanged, or the root and the end the maximum moves to.
std::set<int> touchedBy(const HeapEvent& event, const HeapReplay& before) {
  if (event.kind != HeapEventKind::heapify) return {event.i, event.j};
  std::set<int> touched = {event.i};
  for (const int child : {2 * event.i, 2 * event.i + 1}) {
    if (child <= before.heapSize()) touched.insert(child);
  }
  return touched;
}

std::string step(const std::string& what, const std::string& svg) {
  return "<template class=\"step\"><p class=\"what\">" + escapeHtml(what) + "</p>" + svg +
         "</template>\n";
}

// The page with every `marker` replaced by `text`.
std::string replaceAll(std::string page, const std::string& marker, const std::string& text) {
  for (std::size_t at = page.find(marker); at != std::string::npos;
       at = page.find(marker, at + text.size())) {
    page.replace(at, marker.size(), text);
  }
  return page;
}

}  // namespace

std::string escapeHtml(const std::string& text) {
  std::string escaped;
  for (std::size_t k = 0; k < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[k]);
    std::size_t length = 1;
    if (c >= 0x80 && decodeUtf8(text, k, length) != NOT_A_CHARACTER) {
      escaped += text.substr(k, length);
      k += length;
      continue;
    }
    ++k;
    if (c == '&') {
      escaped += "&amp;";
    } else if (c == '<') {
      escaped += "&lt;";
    } else if (c == '>') {
      escaped += "&gt;";
    } else if (c == '"') {
      escaped += "&quot;";
    } else if (c == '\'') {
      escaped += "&#39;";
    } else if (c < 0x20 || c == 0x7F || c >= 0x80) {
      appendHexEscape(escaped, c, true);
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

void writeHeapPage(std::ostream& out, const std::string& title, const std::string& plan,
                   const std::vector<int>& numbers, const std::vector<HeapEvent>& events) {
  HeapReplay replay(numbers);
  const std::string count = std::to_string(numbers.size()) +
                            (numbers.size() == 1 ? " number" : " numbers");
  std::string steps =
      step("The array as read, " + count + ". Next: " + plan + ".", drawing(replay, {}));
  for (const HeapEvent& event : events) {
    const std::string what = describeEvent(event, replay);
    const std::set<int> touched = touchedBy(event, replay);
    replay.apply(event);
    steps += step(what + ".", drawing(replay, touched));
  }
  // Split at the steps' marker first, so that no marker inside the title
  // or the steps is ever taken for one of the page's.
  const std::string page = STEP_PLAYER_PAGE;
  const std::size_t at = page.find("@STEPS@");
  const std::string escapedTitle = escapeHtml(title);
  out << replaceAll(page.substr(0, at), "@TITLE@", escapedTitle) << steps
      << replaceAll(page.substr(at + 7), "@TITLE@", escapedTitle);
}
