#include "query/place_sort.h"

#include <algorithm>
#include <cstddef>
#include <utility>

const std::string& LineWords::at(WordPlace place) {
  static const std::string none;
  if (place.line > lines_.size()) {
    lines_.resize(place.line);
    cutLines_.resize(place.line);
  }
  std::vector<const std::string*>& line = lines_[place.line - 1];
  if (!cutLines_[place.line - 1]) {
    cutLines_[place.line - 1] = true;
    scratch_.clear();
    cut_(place.line, scratch_);
    for (std::string& word : scratch_) line.push_back(&*words_.insert(std::move(word)).first);
  }
  return place.wordNumber >= 1 && place.wordNumber <= line.size() ? *line[place.wordNumber - 1]
                                                                  : none;
}

namespace {

// A place to sort, with its position, and where its context stands at the
// depth being sorted (`goesOn` false once the text has ended, or started).
struct Sorted {
  WordPlace place;
  std::uint64_t position;
  WordPlace context;
  bool goesOn;
  const std::string* word;  // the context's word at that depth; null when none
};

using Range = std::vector<Sorted>::iterator;

// Sorts `sorted` by context, level by level: a range whose contexts agree on
// their first `depth` words is sorted by the word at `depth` (none first),
// then each run of places with the same word becomes a range of its own, one
// word deeper. Places that share a long context thus cost one step per place
// and word, and a run of one place costs nothing more.
void sortByContext(std::vector<Sorted>& sorted, bool right, const WordPositions& positions,
                   LineWords& words) {
  const auto byPosition = [](const Sorted& a, const Sorted& b) { return a.position < b.position; };
  struct Step {
    Range begin;
    Range end;
    int depth;
  };
  std::vector<Step> steps{{sorted.begin(), sorted.end(), 0}};
  while (!steps.empty()) {
    const Step step = steps.back();
    steps.pop_back();
    if (step.end - step.begin < 2) continue;
    if (step.depth == MAX_SORT_WORDS) {
      std::sort(step.begin, step.end, byPosition);
      continue;
    }
    bool oneWord = true;
    for (Range p = step.begin; p != step.end; ++p) {
      p->word = p->goesOn ? &words.at(p->context) : nullptr;
      oneWord = oneWord && p->word == step.begin->word;
    }
    if (!oneWord) {
      // A word is kept once (LineWords), so the same word is the same pointer.
      std::sort(step.begin, step.end, [](const Sorted& a, const Sorted& b) {
        if (a.word == b.word || b.word == nullptr) return false;
        return a.word == nullptr || *a.word < *b.word;
      });
    }
    for (Range run = step.begin; run != step.end;) {
      const Range runEnd =
          std::find_if(run, step.end, [&](const Sorted& s) { return s.word != run->word; });
      if (run->word == nullptr) {
        std::sort(run, runEnd, byPosition);  // contexts that end together agree
      } else {
        for (Range p = run; p != runEnd; ++p) {
          p->goesOn = right ? positions.next(p->context) : positions.previous(p->context);
        }
        steps.push_back({run, runEnd, step.depth + 1});
      }
      run = runEnd;
    }
  }
}

}  // namespace

void sortPlaces(std::vector<WordPlace>& places, std::uint32_t span, PlaceOrder order,
                const WordPositions& positions, LineWords& words) {
  if (order == PlaceOrder::place) {
    std::sort(places.begin(), places.end());
    return;
  }
  const bool right = order == PlaceOrder::right;
  std::vector<Sorted> sorted;
  sorted.reserve(places.size());
  for (const WordPlace place : places) {
    const std::uint64_t position = positions.positionOf(place);
    Sorted s{place, position, place, false, nullptr};
    if (right) {
      // The word after the run's last, in its file.
      s.context = positions.placeOf(position + span - 1);
      s.goesOn = positions.next(s.context);
    } else {
      s.goesOn = positions.previous(s.context);
    }
    sorted.push_back(s);
  }
  sortByContext(sorted, right, positions, words);
  for (std::size_t k = 0; k < places.size(); ++k) places[k] = sorted[k].place;
}
