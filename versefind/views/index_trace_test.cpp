// The index watched at work: the event log, the counts of the work, the
// explained searches, and JSON as the events write it.
#include "views/index_trace.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue_run.h"
#include "views/index_cost.h"
#include "views/index_page.h"
#include "scratch_dir.h"
#include "app/search_driver.h"
#include "text/sonnet_text.h"
#include "test_files.h"
#include "tree_check.h"
#include "xml_check.h"

namespace {

std::vector<TracedWord> asLine(const std::vector<std::string>& words) {
  std::vector<TracedWord> line;
  for (const std::string& w : words) line.push_back({w, 1, static_cast<int>(line.size()) + 1});
  return line;
}

std::string jsonTrace(int order, const std::vector<std::string>& words) {
  std::size_t count = 0;
  std::ostringstream out;
  writeTraceJson(traceInsertions<WordEntry>(order, asLine(words), count), out);
  return out.str();
}

// The insertions of a worked example at t = 2: a root split as the fourth
// word comes, a repeated word found in the new root; then a child split by
// a word equal to its middle key, which joins that key in the parent.
TEST(IndexTrace, EventsOfTheWorkedExamples) {
  EXPECT_EQ(jsonTrace(2, {"ape", "bee", "cat", "dog", "bee"}),
            "{\"event\":\"insert\",\"word\":\"ape\",\"line\":1,\"wordno\":1}\n"
            "{\"event\":\"place\",\"word\":\"ape\",\"new\":true}\n"
            "{\"event\":\"insert\",\"word\":\"bee\",\"line\":1,\"wordno\":2}\n"
            "{\"event\":\"place\",\"word\":\"bee\",\"new\":true}\n"
            "{\"event\":\"insert\",\"word\":\"cat\",\"line\":1,\"wordno\":3}\n"
            "{\"event\":\"place\",\"word\":\"cat\",\"new\":true}\n"
            "{\"event\":\"insert\",\"word\":\"dog\",\"line\":1,\"wordno\":4}\n"
            "{\"event\":\"split\",\"median\":\"bee\",\"left\":[\"ape\"],\"right\":[\"cat\"],\"root\":true}\n"
            "{\"event\":\"place\",\"word\":\"dog\",\"new\":true}\n"
            "{\"event\":\"insert\",\"word\":\"bee\",\"line\":1,\"wordno\":5}\n"
            "{\"event\":\"place\",\"word\":\"bee\",\"new\":false}\n");

  // m x a e c: a root [m] over [a c e] and [x]; then c again.
  std::size_t count = 0;
  const std::vector<TraceEvent> events = traceInsertions<WordEntry>(2, asLine({"m", "x", "a", "e", "c", "c"}), count);
  ASSERT_EQ(count, events.size());
  ASSERT_GE(events.size(), 3u);
  const TraceEvent& split = events[events.size() - 2];
  EXPECT_EQ(split.kind, TraceEvent::Kind::split);
  EXPECT_EQ(split.word, "c");
  EXPECT_EQ(split.left, std::vector<std::string>{"a"});
  EXPECT_EQ(split.right, std::vector<std::string>{"e"});
  EXPECT_FALSE(split.grew);
  const TraceEvent& place = events.back();
  EXPECT_EQ(place.kind, TraceEvent::Kind::place);
  EXPECT_FALSE(place.isNew);
  EXPECT_EQ(place.places, 2);
  const std::vector<std::vector<std::string>> tree = {{"c", "m"}, {"a"}, {"e"}, {"x"}};
  ASSERT_EQ(place.tree.size(), tree.size());
  for (std::size_t n = 0; n < tree.size(); ++n) {
    EXPECT_EQ(place.tree[n].keys, tree[n]);
    EXPECT_EQ(place.tree[n].depth, n == 0 ? 0 : 1);
  }
  EXPECT_EQ(place.node, 0);
  EXPECT_EQ(place.key, 1);
}

// Watches a tree and checks it after every split and every placed word:
// each step leaves a sound tree, tells of the key it made, and an
// insertion ends with its own word placed, once.
class CheckingObserver : public WordTreeObserver<WordEntry> {
 public:
  explicit CheckingObserver(const BTree& tree) : tree_(tree) {}
  std::string word;
  int placedCount = 0;

  void insertion(const std::string& w, const std::string& /*place*/) override {
    word = w;
    placedCount = 0;
  }
  void split(const BTreeNode& parent, int i, bool grew) override {
    check();
    EXPECT_EQ(grew, &parent == tree_.root && parent.keyCount == 1);
    const BTreeNode& left = *parent.children[i];
    const BTreeNode& right = *parent.children[i + 1];
    EXPECT_EQ(left.keyCount, tree_.order - 1);
    EXPECT_EQ(right.keyCount, tree_.order - 1);
    if (left.keyCount > 0) {
      EXPECT_LT(left.keys[left.keyCount].word, parent.keys[i].word);
    }
    if (right.keyCount > 0) {
      EXPECT_GT(right.keys[1].word, parent.keys[i].word);
    }
  }
  void placed(const BTreeNode& x, int i, bool /*isNew*/) override {
    check();
    EXPECT_EQ(x.keys[i].word, word);
    ++placedCount;
  }

 private:
  const BTree& tree_;
  void check() const {
    int keys = 0;
    EXPECT_EQ(findTreeFault(tree_, keys), "");
  }
};

TEST(IndexTrace, EveryStepLeavesASoundTree) {
  for (const int order : {2, 3, 5}) {
    SCOPED_TRACE(order);
    BTree tree(order);
    CheckingObserver checking(tree);
    tree.observer = &checking;
    std::mt19937 random(static_cast<unsigned>(order));
    for (int n = 0; n < 400; ++n) {
      tree.insert(std::to_string(random() % 300), makePlace(1, n + 1));
      ASSERT_EQ(checking.placedCount, 1);
    }
  }
}

// The counts, worked out by hand from their definitions (index_cost.h).
TEST(IndexCost, CountsFollowTheirDefinitions) {
  struct Case {
    int order;
    std::vector<std::string> words;
    std::string cost;
  };
  const std::vector<Case> cases = {
      // ape bee cat: no key moves, 0 + 1 + 1 comparisons. dog: the root
      // split moves cat and bee (t = 2); 1 comparison in the new root, 1 in
      // [cat]. bee: found in the root after 1.
      {2, {"ape", "bee", "cat", "dog", "bee"},
       "keys\t4\nnodes\t3\nheight\t2\nheight_bound\t2\nsplits\t1\nentry_moves\t2\n"
       "word_comparisons\t5\n"},
      // d c b: each new word moves every key up (1, 2) after comparing with
      // each (1, 2). a: the root split moves 2, then 1 comparison in the
      // root, 1 in [b], which moves b up.
      {2, {"d", "c", "b", "a"},
       "keys\t4\nnodes\t3\nheight\t2\nheight_bound\t2\nsplits\t1\nentry_moves\t6\n"
       "word_comparisons\t5\n"},
      // The same words at t = 3 stay in one leaf.
      {3, {"d", "c", "b", "a"},
       "keys\t4\nnodes\t1\nheight\t1\nheight_bound\t1\nsplits\t0\nentry_moves\t6\n"
       "word_comparisons\t6\n"},
  };
  for (const Case& c : cases) {
    BTree tree(c.order);
    CostCounter<WordEntry> counted;
    tree.observer = &counted;
    for (const TracedWord& w : asLine(c.words)) tree.insert(w.word, makePlace(w.line, w.wordNumber));
    std::ostringstream out;
    writeCost(tree, counted, out);
    EXPECT_EQ(out.str(), c.cost);
  }
  // 1 + log_t((n + 1) / 2), rounded down, at and around exact powers.
  const int bounds[][3] = {{1, 2, 1}, {2, 2, 1}, {3, 2, 2}, {6, 2, 2}, {7, 2, 3},
                           {198, 10, 2}, {199, 10, 3}, {156, 3, 4}, {1998, 1000, 1}, {1999, 1000, 2}};
  for (const auto& b : bounds) {
    EXPECT_EQ(heightBound(static_cast<std::uint64_t>(b[0]), b[1]), b[2]) << b[0] << " keys, t " << b[1];
  }
}

TEST(IndexTrace, JsonStringsAreEscapedAndInvalidUtf8BytesNamed) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "\"\""},
      {"a\"b\\c/", "\"a\\\"b\\\\c/\""},
      {"\n\t\r\x01\x1f\x7f", "\"\\n\\t\\r\\u0001\\u001f\\u007f\""},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5", "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5\""},
      {"\xC3", "\"\\u00c3\""},                              // cut short
      {"\xC3(", "\"\\u00c3(\""},                            // a bad continuation
      {"\xC0\xAF", "\"\\u00c0\\u00af\""},                   // overlong
      {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},         // a surrogate
      {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},  // past U+10FFFF
      {"\xFF<script>", "\"\\u00ff<script>\""},
  };
  for (const auto& c : cases) EXPECT_EQ(jsonString(c.first), c.second);
  // In a page: markup as character references, UTF-8 as it is, a control
  // byte or a byte of no valid sequence as \xNN.
  EXPECT_EQ(escapeHtml("<script>&\"'caf\xC3\xA9\x01\xC3"),
            "&lt;script&gt;&amp;&quot;&#39;caf\xC3\xA9\\x01\\xc3");
}

// From the shell, with the trials' tree and rules: the trace in words, the
// searches explained, the page, and a trace too long refused before
// anything is written.
TEST(IndexTrace, TheDriverTracesExplainsAndRefuses) {
  ScratchDir scratch;
  writeFile("sonnets.txt", "ape bee cat dog\n");
  // One word again and again: an insert and a place each, 2 events.
  std::vector<std::string> most{"--classic", "2", "--trace"};
  most.insert(most.end(), MOST_TRACE_EVENTS / 2, "w");
  std::vector<std::string> tooMany = most;
  tooMany.push_back("w");
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string output;
    std::string errors;
  };
  const std::vector<Case> cases = {
      {{"--classic", "2", "--trace", "--", "Ape,", "--", "bee", "cat", "DOG", "bee"}, 1,
       "insert ape (word 1 of line 1)\n"
       "  ape: a new key in the leaf [ape]\n"
       "insert bee (word 3 of line 1)\n"
       "  bee: a new key in the leaf [ape bee]\n"
       "insert cat (word 4 of line 1)\n"
       "  cat: a new key in the leaf [ape bee cat]\n"
       "insert dog (word 5 of line 1)\n"
       "  split [ape bee cat] -> bee moves up; the tree grows to height 2\n"
       "  dog: a new key in the leaf [cat dog]\n"
       "  the tree now:\n"
       "    [bee]\n"
       "      [ape]\n"
       "      [cat dog]\n"
       "insert bee (word 6 of line 1)\n"
       "  bee: already a key, in [bee]; it holds 2 places\n",
       "versefind: '--': cleans to nothing, and is not inserted\n"},
      // The text: ape bee cat dog, then the empty word of the last pass.
      {{"--classic", "2", "--explain", "Dog", "ant", "bee"}, 1,
       "search dog\n"
       "  node 1 (depth 0, 1 key): [bee]\n"
       "    1 comparison: after key 1 (bee), so on to child 2\n"
       "  node 3 (depth 1, 2 keys): [cat dog]\n"
       "    2 comparisons: equal to key 2\n"
       "  found: key 2 of node 3, at depth 1, after 3 word comparisons\n\n"
       "search ant\n"
       "  node 1 (depth 0, 1 key): [bee]\n"
       "    1 comparison: before key 1 (bee), so on to child 1\n"
       "  node 2 (depth 1, 2 keys): [(empty) ape]\n"
       "    2 comparisons: before key 2 (ape); a leaf, so the word is not in the tree\n"
       "  not found, after 3 word comparisons\n\n"
       "search bee\n"
       "  node 1 (depth 0, 1 key): [bee]\n"
       "    1 comparison: equal to key 1\n"
       "  found: key 1 of node 1, at depth 0, after 1 word comparison\n\n",
       ""},
      {{"--classic", "2", "--explain", "--trace=json", "cat"}, 0,
       "{\"event\":\"search\",\"word\":\"cat\"}\n"
       "{\"event\":\"visit\",\"keys\":[\"bee\"]}\n"
       "{\"event\":\"visit\",\"keys\":[\"cat\",\"dog\"]}\n",
       ""},
      {tooMany, 2, "", "versefind: the trace would take 1002 events, more than 1000: give fewer words\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[3]);
    const DialogueRun run = runDialogue(runSearchDriver, "", c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.errors, c.errors);
  }
  const DialogueRun run = runDialogue(runSearchDriver, "", most);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("it holds 50 places (the most it keeps)\ninsert w (word 500 of line 1)\n"),
            std::string::npos);
  // The page, well-formed: a step for the empty tree and one an event, each
  // drawing every node of its tree, one node until the split and three after.
  const DialogueRun page = runDialogue(runSearchDriver, "", {"2", "--trace=html", "ape", "bee", "cat", "dog"});
  EXPECT_EQ(page.status, 0);
  EXPECT_EQ(findMarkupFault(page.output, Markup::html), "");
  const std::string steps = page.output.substr(page.output.find("<template"));
  EXPECT_EQ(occurrences(steps, "<template class=\"step\">"), 10U);
  EXPECT_EQ(occurrences(steps, "<g class=\"node"), 8U * 1 + 2 * 3);
}

// Without --classic the study runs show the index the concordance answers
// from: the text rules cut the text (an indented line gives no empty word)
// and clean each word asked, so every word --words lists is explained as
// found. --classic keeps the trials' tree and rules.
TEST(IndexTrace, StudyRunsFollowTheQueryModesRules) {
  ScratchDir scratch;
  // "  «Страницы» of The program’s end": indented, Cyrillic, a U+2019.
  const std::string pages = "\xD1\x81\xD1\x82\xD1\x80\xD0\xB0\xD0\xBD\xD0\xB8\xD1\x86\xD1\x8B";
  const std::string Pages = "\xD0\xA1\xD1\x82\xD1\x80\xD0\xB0\xD0\xBD\xD0\xB8\xD1\x86\xD1\x8B";
  writeFile("sonnets.txt", "  \xC2\xAB" + Pages + "\xC2\xBB of The program\xE2\x80\x99s end\n");
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string holds;  // a line of the output
    std::string errors;
  };
  const std::vector<Case> cases = {
      {{"3", "--explain", Pages}, 0, "search " + pages + "\n", ""},
      {{"3", "--explain", "Program's"}, 0, "search program's\n", ""},
      {{"3", "--explain", "--trace=json", "\xC2\xABprogram\xE2\x80\x99s"}, 0,
       "{\"event\":\"search\",\"word\":\"program's\"}\n", ""},
      {{"3", "--trace"}, 0, "insert " + pages + " (word 1 of line 1)\n", ""},
      {{"3", "--trace", "--", "--", "well-known, end"}, 1, "insert end (word 2 of line 1)\n",
       "versefind: '--': cleans to nothing, and is not inserted\n"},
      {{"3", "--cost"}, 0, "keys\t5\n", ""},
      {{"--classic", "3", "--explain", pages}, 1, "  not found, after 3 word comparisons\n", ""},
      {{"--classic", "3", "--trace", "--", "--", "end"}, 1, "insert end (word 2 of line 1)\n",
       "versefind: '--': cleans to nothing, and is not inserted\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    const DialogueRun run = runDialogue(runSearchDriver, "", c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(("\n" + run.output).find("\n" + c.holds), std::string::npos) << run.output;
    EXPECT_EQ(run.errors, c.errors);
    if (c.arguments[0] != "--classic") {
      EXPECT_EQ(run.output.find("(empty)"), std::string::npos);
    }
  }
  // Every word the concordance lists is a key that --explain finds.
  std::istringstream listed(runDialogue(runSearchDriver, "", {"3", "--words"}).output);
  std::vector<std::string> words{"3", "--explain", "--"};
  for (std::string line; std::getline(listed, line);) words.push_back(line.substr(0, line.find('\t')));
  ASSERT_EQ(words.size(), 8u);
  EXPECT_EQ(runDialogue(runSearchDriver, "", words).status, 0);
}

}  // namespace
