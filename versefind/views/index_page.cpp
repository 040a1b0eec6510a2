#include "views/index_page.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "query/concordance.h"
#include "step_player_page.h"  // STEP_PLAYER_PAGE, made from pages/step_player.html

namespace {

// The drawing's measures, in SVG units: a key's box is as wide as its word
// needs (at least KEY_MIN), nodes of one level stand GAP apart, levels
// LEVEL apart.
constexpr int KEY_MIN = 30;
constexpr int GLYPH_WIDTH = 8;
constexpr int KEY_HEIGHT = 24;
constexpr int GAP = 14;
constexpr int LEVEL = 64;
constexpr int MARGIN = 8;

// A node of the drawn tree, with what the drawing finds out about it.
struct Box {
  const NodeShape* shape;
  std::vector<int> children;  // their numbers in the walk
  std::vector<int> keyWidths;
  int width = 0;          // of the node's own boxes
  int childrenWidth = 0;  // of its children's subtrees side by side
  int span = 0;           // of its subtree
  int start = 0;          // where its subtree begins
  int left = 0;           // where the node's own boxes begin
};

int keyWidth(const std::string& word) {
  std::size_t characters = 0;
  for (const char c : tracedWord(word)) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  }
  return std::max(KEY_MIN, static_cast<int>(characters) * GLYPH_WIDTH + 12);
}

// Lays the tree out: each subtree as wide as its node, or as its children's
// subtrees side by side, whichever is wider; each node over the middle of
// its subtree, its children side by side under it. The boxes stand in a
// walk that takes every parent before its children, so the widths are
// found from the last box back, and the places from the first on. Returns
// the width of the whole tree.
int layOut(std::vector<Box>& boxes) {
  for (std::size_t n = boxes.size(); n-- > 0;) {
    Box& box = boxes[n];
    box.childrenWidth = 0;
    for (const int child : box.children) {
      box.childrenWidth += (box.childrenWidth > 0 ? GAP : 0) + boxes[static_cast<std::size_t>(child)].span;
    }
    box.span = std::max(box.width, box.childrenWidth);
  }
  boxes[0].start = MARGIN;
  for (Box& box : boxes) {
    box.left = box.start + (box.span - box.width) / 2;
    int x = box.start + (box.span - box.childrenWidth) / 2;
    for (const int child : box.children) {
      Box& below = boxes[static_cast<std::size_t>(child)];
      below.start = x;
      x += below.span + GAP;
    }
  }
  return boxes[0].span;
}

// Where a text or a box stands.
std::string at(int x, int y) {
  return "x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\"";
}

// The tree of `shapes` (a walk from the root, parents before children) as
// SVG. The node `touchedNode` (an index into `shapes`, or -1) has its key
// `touchedKey` highlighted, and its children `touchedKey` and
// `touchedKey` + 1 too when `halves` is set (the two halves of a split).
std::string drawing(const std::vector<NodeShape>& shapes, int touchedNode, int touchedKey,
                    bool halves) {
  static const NodeShape emptyRoot;
  const std::vector<NodeShape> none{emptyRoot};
  const std::vector<NodeShape>& tree = shapes.empty() ? none : shapes;
  std::vector<Box> boxes(tree.size());
  std::vector<int> lastAtDepth;
  int levels = 0;
  for (std::size_t n = 0; n < tree.size(); ++n) {
    Box& box = boxes[n];
    box.shape = &tree[n];
    const auto depth = static_cast<std::size_t>(tree[n].depth);
    levels = std::max(levels, tree[n].depth + 1);
    if (depth > 0) boxes[static_cast<std::size_t>(lastAtDepth[depth - 1])].children.push_back(static_cast<int>(n));
    lastAtDepth.resize(depth + 1);
    lastAtDepth[depth] = static_cast<int>(n);
    for (const std::string& key : tree[n].keys) box.keyWidths.push_back(keyWidth(key));
    box.width = 0;
    for (const int w : box.keyWidths) box.width += w;
    box.width = std::max(box.width, KEY_MIN);
  }
  const int width = layOut(boxes) + 2 * MARGIN;
  const int height = levels * LEVEL - (LEVEL - KEY_HEIGHT) + 2 * MARGIN;
  const auto topOf = [](const Box& box) { return MARGIN + box.shape->depth * LEVEL; };

  std::vector<bool> touchedWhole(boxes.size(), false);
  if (halves && touchedNode >= 0) {
    const Box& parent = boxes[static_cast<std::size_t>(touchedNode)];
    for (const int j : {touchedKey - 1, touchedKey}) {
      if (j >= 0 && j < static_cast<int>(parent.children.size())) {
        touchedWhole[static_cast<std::size_t>(parent.children[static_cast<std::size_t>(j)])] = true;
      }
    }
  }

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    std::to_string(width) + " " + std::to_string(height) + "\" width=\"" +
                    std::to_string(width) + "\" height=\"" + std::to_string(height) + "\">";
  // The edges first, under the nodes: from the gap before key j of a parent
  // (its left end for the first child, its right end for the last) down to
  // the middle of child j.
  std::string edges;
  for (const Box& box : boxes) {
    int port = box.left;
    for (std::size_t j = 0; j < box.children.size(); ++j) {
      const Box& child = boxes[static_cast<std::size_t>(box.children[j])];
      edges += "M" + std::to_string(port) + " " + std::to_string(topOf(box) + KEY_HEIGHT) + "L" +
               std::to_string(child.left + child.width / 2) + " " + std::to_string(topOf(child));
      if (j < box.keyWidths.size()) port += box.keyWidths[j];
    }
  }
  if (!edges.empty()) svg += "<path class=\"edge\" d=\"" + edges + "\"/>";
  for (std::size_t n = 0; n < boxes.size(); ++n) {
    const Box& box = boxes[n];
    const int top = topOf(box);
    svg += std::string("<g class=\"node") + (touchedWhole[n] ? " touched" : "") + "\">";
    if (box.shape->keys.empty()) {
      svg += "<rect " + at(box.left, top) + " width=\"" + std::to_string(box.width) +
             "\" height=\"" + std::to_string(KEY_HEIGHT) + "\"/>";
    }
    int x = box.left;
    for (std::size_t k = 0; k < box.shape->keys.size(); ++k) {
      const int w = box.keyWidths[k];
      const bool touched = static_cast<int>(n) == touchedNode && static_cast<int>(k) + 1 == touchedKey;
      svg += std::string("<g") + (touched ? " class=\"touched\"" : "") + "><rect " + at(x, top) +
             " width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(KEY_HEIGHT) +
             "\"/><text class=\"key\" " + at(x + w / 2, top + KEY_HEIGHT / 2) + ">" +
             escapeHtml(tracedWord(box.shape->keys[k])) + "</text></g>";
      x += w;
    }
    svg += "</g>";
  }
  return svg + "</svg>";
}

std::string step(const std::string& what, const std::string& svg) {
  return "<template class=\"step\"><p class=\"what\">" + escapeHtml(what) + "</p>" + svg +
         "</template>\n";
}

// The page with every `marker` replaced by `text`.
std::string replaceAll(std::string page, const std::string& marker, const std::string& text) {
  for (std::size_t found = page.find(marker); found != std::string::npos;
       found = page.find(marker, found + text.size())) {
    page.replace(found, marker.size(), text);
  }
  return page;
}

}  // namespace

std::string escapeHtml(const std::string& text) {
  std::string escaped;
  for (std::size_t k = 0; k < text.size();) {
    const auto c = static_cast<unsigned char>(text[k]);
    const std::size_t length = c < 0x80 ? 1 : utf8Length(text, k);
    if (length > 1) {
      escaped.append(text, k, length);
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
      appendHexEscape(escaped, c);
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

void writeTracePage(std::ostream& out, const std::string& title, int order,
                    const std::vector<TraceEvent>& events) {
  std::string first = "An empty B-tree of order " + std::to_string(order) + ": a node holds at most " +
                      std::to_string(2 * order - 1) + " keys.";
  if (!events.empty()) first += " Next: " + describeEvent(events.front()) + ".";
  std::string steps = step(first, drawing({}, -1, 0, false));
  const std::vector<NodeShape>* tree = nullptr;  // as the last event left it
  for (const TraceEvent& e : events) {
    // An insertion's start changes nothing: it shows the tree as it stands.
    if (e.kind != TraceEvent::Kind::insert) tree = &e.tree;
    const std::string svg =
        e.kind == TraceEvent::Kind::insert
            ? drawing(tree != nullptr ? *tree : std::vector<NodeShape>{}, -1, 0, false)
            : drawing(e.tree, e.node, e.key, e.kind == TraceEvent::Kind::split);
    steps += step(describeEvent(e) + ".", svg);
  }
  // Split at the steps' marker first, so that no marker inside the title or
  // the steps is ever taken for one of the page's.
  const std::string page = STEP_PLAYER_PAGE;
  const std::size_t marker = page.find("@STEPS@");
  const std::string escapedTitle = escapeHtml(title);
  out << replaceAll(page.substr(0, marker), "@TITLE@", escapedTitle) << steps
      << replaceAll(page.substr(marker + 7), "@TITLE@", escapedTitle);
}
