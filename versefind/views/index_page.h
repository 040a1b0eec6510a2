// The step-through page of a trace: one self-contained HTML file (the step
// player of pages/step_player.html, built into the program) with one step
// per event, each drawing the tree as the event left it as inline SVG.
#ifndef VERSEFIND_INDEX_PAGE_H
#define VERSEFIND_INDEX_PAGE_H

#include <ostream>
#include <string>
#include <vector>

#include "views/index_trace.h"

// `text` made safe inside HTML text or a quoted attribute: the markup
// characters as character references, each control byte or byte that is
// not part of valid UTF-8 shown as \xNN.
std::string escapeHtml(const std::string& text);

// Writes the page: step 0, the empty tree of order `order`; step k, the
// tree after the k-th of `events`, described as the trace describes it,
// with the node and the key the event touched highlighted (for a split,
// the parent with the middle key, and the two halves). `title` heads the
// page.
void writeTracePage(std::ostream& out, const std::string& title, int order,
                    const std::vector<TraceEvent>& events);

#endif  // VERSEFIND_INDEX_PAGE_H
