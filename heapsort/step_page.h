// The step-through page of a traced heap operation: one self-contained HTML
// file (the player of pages/step_player.html, built into the program) with
// one step per event, each drawn as inline SVG, the heap as a tree and as
// the array.
#ifndef HEAPSORT_STEP_PAGE_H
#define HEAPSORT_STEP_PAGE_H

#include <ostream>
#include <string>
#include <vector>

#include "heap_trace.h"

// `text` made safe inside HTML text or a quoted attribute: the markup
// characters as character references, and each control byte or byte that
// is not part of valid UTF-8 shown as \xNN.
std::string escapeHtml(const std::string& text);

// Writes the page: step 0 shows `numbers` as read, described by `plan`;
// step k, the array after the k-th event of `events`, described in words,
// with the positions the event touched highlighted. `title` heads the page.
void writeHeapPage(std::ostream& out, const std::string& title, const std::string& plan,
                   const std::vector<int>& numbers, const std::vector<HeapEvent>& events);

#endif  // HEAPSORT_STEP_PAGE_H
