// versefind's word index beside an index kept in a std::map, on the same
// text: building it (reading, cleaning, listing), looking every word up, and
// fetching the word at a place; and the walk through the words of a prefix,
// beside one search.
//
//   index_bench [--text FILE] [--write-text FILE]
//               [--write-large-text FILE [--bytes N] [--distinct N]]
//               [--sweep [--short]]
//               [Google Benchmark options]
//
// --text indexes FILE instead of the generated text; --write-text writes the
// generated text to FILE and ends; --write-large-text writes the large one
// (generateLargeText: 10,000,000 bytes of 100,000 distinct words, or N bytes
// and N distinct words) and ends. --sweep runs, instead of the cases beside
// their baselines, the build and a single search at every order of a sweep
// (a few orders with --short), with the std::map index once each, for the
// charts; each build case also carries the memory of the tree's slots.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "views/index_cost.h"
#include "views/index_views.h"
#include "sample_text.h"
#include "scratch_dir.h"
#include "app/search_driver.h"
#include "text/sonnet_text.h"
#include "index/word_index.h"

namespace {

const int ORDERS[] = {2, 3, 10, 100, 1000};
const std::vector<int> SWEEP_ORDERS = {2, 3, 4, 5, 7, 10, 20, 50, 100, 200, 500, 1000};
const std::vector<int> SHORT_SWEEP_ORDERS = {2, 10, 100};

using MapIndex = std::map<std::string, std::vector<std::string>>;

// The same reading, cleaning and listing as BTree::buildIndex, with the
// entries kept in a map. Places beyond MAX_PLACES are dropped, and the
// listing is flushed after every line.
int buildMapIndex(const std::string& fileName, MapIndex& index) {
  std::ifstream text(fileName);
  std::ofstream listing(LISTING_FILE);
  if (!text.is_open() || !listing.is_open()) return 0;
  int lineCount = 0;
  std::string line;
  std::string word;
  while (text.good()) {
    readTextLine(text, line);
    if (text.bad()) break;
    ++lineCount;
    LineFields fields(line);
    for (int wordNumber = 1; fields.next(word); ++wordNumber) {
      std::string place = makePlace(lineCount, wordNumber);
      std::vector<std::string>& places = index[word];
      if (places.size() < MAX_PLACES) places.push_back(std::move(place));
      listing << word << ' ';
    }
    listing << std::endl;
  }
  return lineCount;
}

// The text's distinct words in a fixed random order, and its line count.
struct TextFacts {
  std::vector<std::string> words;
  int lineCount = 0;
};

TextFacts& textFacts() {
  static TextFacts facts = [] {
    TextFacts f;
    MapIndex index;
    f.lineCount = buildMapIndex(TEXT_FILE, index);
    for (const auto& entry : index) f.words.push_back(entry.first);
    std::shuffle(f.words.begin(), f.words.end(), std::mt19937(7));
    return f;
  }();
  return facts;
}

void buildTree(benchmark::State& state, int order) {
  for (auto _ : state) {
    auto tree = std::make_unique<BTree>(order);
    benchmark::DoNotOptimize(tree->buildIndex(TEXT_FILE));
    state.PauseTiming();
    tree.reset();
    state.ResumeTiming();
  }
}

// The order at which the observer's cost is timed.
constexpr int OBSERVED_ORDER = 10;

// The build watched by the counter of --cost: what telling an observer of
// every step costs, beside the same build watched by none (buildTree).
void buildCounted(benchmark::State& state, int order) {
  for (auto _ : state) {
    auto tree = std::make_unique<BTree>(order);
    CostCounter<WordEntry> counted;
    tree->observer = &counted;
    benchmark::DoNotOptimize(tree->buildIndex(TEXT_FILE));
    benchmark::DoNotOptimize(counted.wordComparisons);
    state.PauseTiming();
    tree.reset();
    state.ResumeTiming();
  }
}

void buildMap(benchmark::State& state) {
  for (auto _ : state) {
    auto index = std::make_unique<MapIndex>();
    benchmark::DoNotOptimize(buildMapIndex(TEXT_FILE, *index));
    state.PauseTiming();
    index.reset();
    state.ResumeTiming();
  }
}

void searchTree(benchmark::State& state, int order) {
  BTree tree(order);
  tree.buildIndex(TEXT_FILE);
  const std::vector<std::string>& words = textFacts().words;
  for (auto _ : state) {
    for (const std::string& word : words) {
      WordEntry found = tree.search(tree.root, word);
      benchmark::DoNotOptimize(found);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(words.size()));
}

void searchMap(benchmark::State& state) {
  MapIndex index;
  buildMapIndex(TEXT_FILE, index);
  const std::vector<std::string>& words = textFacts().words;
  for (auto _ : state) {
    for (const std::string& word : words) {
      std::vector<std::string> places = index.find(word)->second;
      benchmark::DoNotOptimize(places);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(words.size()));
}

void fetchWord(benchmark::State& state) {
  const BTree tree(3);
  const int line = textFacts().lineCount / 2;
  for (auto _ : state) benchmark::DoNotOptimize(tree.wordAt(TEXT_FILE, line, 3));
}

void fetchLine(benchmark::State& state) {
  const int lineNumber = textFacts().lineCount / 2;
  for (auto _ : state) {
    std::ifstream text(TEXT_FILE);
    std::string line;
    for (int i = 1; i <= lineNumber; ++i) std::getline(text, line);
    benchmark::DoNotOptimize(line);
  }
}

// The order at which the walks are timed, as `versefind 10` would build it.
constexpr int WALK_ORDER = 10;

// A walk through the words that begin with `prefix`, each copied as a
// search copies the word it finds: all of them when the prefix is empty.
void walkPrefix(benchmark::State& state, const std::string& prefix) {
  BTree tree(WALK_ORDER);
  tree.buildIndex(TEXT_FILE);
  const auto visit = [&prefix](const WordEntry& entry) {
    if (entry.word.compare(0, prefix.size(), prefix) != 0) return false;
    WordEntry found(entry);
    benchmark::DoNotOptimize(found);
    return true;
  };
  for (auto _ : state) {
    if (prefix.empty()) {
      tree.walkInOrder(visit);
    } else {
      tree.walkFrom(prefix, visit);
    }
  }
}

// One search per iteration, through every distinct word in turn.
void searchEachWord(benchmark::State& state, int order) {
  BTree tree(order);
  tree.buildIndex(TEXT_FILE);
  const std::vector<std::string>& words = textFacts().words;
  std::size_t next = 0;
  for (auto _ : state) {
    WordEntry found = tree.search(tree.root, words[next]);
    benchmark::DoNotOptimize(found);
    if (++next == words.size()) next = 0;
  }
}

// The prefixes timed: a rare one, the three bytes that begin the fewest
// words but at least three (the first such in word order), and a common
// one, the first byte that begins the most words.
struct Prefix {
  std::string text;
  std::size_t words = 0;
};

void choosePrefixes(Prefix& rare, Prefix& common) {
  std::vector<std::string> words = textFacts().words;
  std::sort(words.begin(), words.end());
  const auto countOf = [&words](std::size_t length) {
    std::map<std::string, std::size_t> counts;
    for (const std::string& word : words) {
      if (word.size() >= length) ++counts[word.substr(0, length)];
    }
    return counts;
  };
  for (const auto& [prefix, count] : countOf(3)) {
    if (count >= 3 && (rare.words == 0 || count < rare.words)) rare = {prefix, count};
  }
  for (const auto& [prefix, count] : countOf(1)) {
    if (count > common.words) common = {prefix, count};
  }
}

void sweepBuildTree(benchmark::State& state) {
  const int order = static_cast<int>(state.range(0));
  buildTree(state, order);
  BTree tree(order);
  tree.buildIndex(TEXT_FILE);
  const NodeMemory memory = nodeMemoryOf(tree);
  state.counters["slot_bytes"] = static_cast<double>(memory.slotBytes);
  state.counters["key_bytes"] = static_cast<double>(memory.keyBytes);
}

void sweepSearchTree(benchmark::State& state) {
  searchEachWord(state, static_cast<int>(state.range(0)));
}

void sweepSearchMap(benchmark::State& state) {
  MapIndex index;
  buildMapIndex(TEXT_FILE, index);
  const std::vector<std::string>& words = textFacts().words;
  std::size_t next = 0;
  for (auto _ : state) {
    std::vector<std::string> places = index.find(words[next])->second;
    benchmark::DoNotOptimize(places);
    if (++next == words.size()) next = 0;
  }
}

void addSweep(const std::vector<int>& orders) {
  const auto add = [](const char* name, benchmark::TimeUnit unit, auto fn) {
    return benchmark::RegisterBenchmark(name, fn)->Unit(unit)->ComputeStatistics("min", minimumOf);
  };
  auto* build = add("build/tree", benchmark::kMillisecond, sweepBuildTree);
  auto* search = add("search/tree", benchmark::kMicrosecond, sweepSearchTree);
  for (const int order : orders) {
    build->Arg(order);
    search->Arg(order);
  }
  add("build/map", benchmark::kMillisecond, buildMap);
  add("search/map", benchmark::kMicrosecond, sweepSearchMap);
}

bool writeBytes(const std::string& fileName, const std::string& bytes) {
  std::ofstream out(fileName, std::ios::binary);
  out << bytes;
  out.close();
  return !out.fail();
}

}  // namespace

int main(int argc, char** argv) {
  // Each build frees its index and the next allocates it again. Keeping the
  // freed memory in the process makes those repeats measure the structures,
  // not the kernel handing out fresh zeroed pages (a one-time cost of any
  // run, and a noisy one on a shared machine).
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  const std::string textFile = takeOption(argc, argv, "--text");
  const std::string writeTo = takeOption(argc, argv, "--write-text");
  const std::string writeLargeTo = takeOption(argc, argv, "--write-large-text");
  if (!writeLargeTo.empty()) {
    const std::string bytes = takeOption(argc, argv, "--bytes");
    const std::string distinct = takeOption(argc, argv, "--distinct");
    const std::string text =
        generateLargeText(bytes.empty() ? 10000000 : std::strtoull(bytes.c_str(), nullptr, 10),
                          distinct.empty() ? 100000 : std::max(1, std::atoi(distinct.c_str())));
    return writeBytes(writeLargeTo, text) ? 0 : 1;
  }
  const bool sweep = takeFlag(argc, argv, "--sweep");
  const bool shortSweep = takeFlag(argc, argv, "--short");

  std::string text;
  if (textFile.empty()) {
    text = generateSampleText();
  } else {
    std::ifstream in(textFile, std::ios::binary);
    if (!in.is_open()) {
      std::fprintf(stderr, "cannot read %s\n", textFile.c_str());
      return 1;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (!writeTo.empty()) return writeBytes(writeTo, text) ? 0 : 1;

  // The cases write output.txt beside the text, in a folder of their own.
  const ScratchDir folder;
  if (!writeBytes(TEXT_FILE, text)) {
    std::fprintf(stderr, "cannot write the text to %s\n", folder.path().c_str());
    return 1;
  }
  // The keys count the empty word of empty fields, which no list of words shows.
  std::printf("text: %zu bytes, %d lines, %zu keys\n", text.size(),
              textFacts().lineCount, textFacts().words.size());

  if (sweep) {
    addSweep(shortSweep ? SHORT_SWEEP_ORDERS : SWEEP_ORDERS);
    return runBenchmarksWithRatios(argc, argv);
  }
  for (const int order : ORDERS) {
    addCase("buildIndex/order:" + std::to_string(order), benchmark::kMillisecond,
            buildTree, order);
  }
  addCase("buildIndex/baseline", benchmark::kMillisecond, buildMap);
  for (const int order : ORDERS) {
    addCase("search/order:" + std::to_string(order), benchmark::kMicrosecond,
            searchTree, order);
  }
  addCase("search/baseline", benchmark::kMicrosecond, searchMap);
  // The observer's cost when there is one; when there is none, the cases
  // above are the measure, beside the same cases built without the hooks.
  addCase("observed/order:" + std::to_string(OBSERVED_ORDER), benchmark::kMillisecond, buildCounted,
          OBSERVED_ORDER);
  addCase("observed/baseline", benchmark::kMillisecond, buildTree, OBSERVED_ORDER);
  Prefix rare;
  Prefix common;
  choosePrefixes(rare, common);
  std::printf("walks at order %d: \"%s\" begins %zu words, \"%s\" %zu, the whole walk %zu;"
              " the baseline is one search\n",
              WALK_ORDER, rare.text.c_str(), rare.words, common.text.c_str(), common.words,
              textFacts().words.size());
  if (rare.words > 0) addCase("prefix/rare", benchmark::kMicrosecond, walkPrefix, rare.text);
  addCase("prefix/common", benchmark::kMicrosecond, walkPrefix, common.text);
  addCase("prefix/whole walk", benchmark::kMicrosecond, walkPrefix, std::string());
  // The walks' cost counted in searches.
  addCase("prefix/baseline", benchmark::kMicrosecond, searchEachWord, WALK_ORDER);
  addCase("wordAt", benchmark::kMicrosecond, fetchWord);
  addCase("wordAt/baseline", benchmark::kMicrosecond, fetchLine);
  return runBenchmarksWithRatios(argc, argv);
}
