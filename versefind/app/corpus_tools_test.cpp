// The corpus tools through the whole program: a text worked by hand, a naive
// model of their definitions over generated texts, each answered alike in
// memory and from an index; bad values; the charts; and the n-gram counts
// spilled to runs and merged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/search_driver.h"
#include "dialogue_run.h"
#include "query/ngrams.h"
#include "scratch_dir.h"
#include "test_files.h"
#include "xml_check.h"

namespace {

// Runs versefind on the texts of the folder, in memory and from an index
// built of them: both must answer alike, byte for byte.
DialogueRun runBothWays(const std::vector<std::string>& tool, const std::string& texts = "sonnets.txt") {
  std::vector<std::string> inMemory = {"--text", texts};
  inMemory.insert(inMemory.end(), tool.begin(), tool.end());
  const DialogueRun memory = runDialogue(runSearchDriver, "", inMemory);
  EXPECT_EQ(runDialogue(runSearchDriver, "", {"--text", texts, "4", "--save", "tools.idx"}).status, 0);
  std::vector<std::string> fromIndex = {"--index", "tools.idx"};
  fromIndex.insert(fromIndex.end(), tool.begin(), tool.end());
  const DialogueRun indexed = runDialogue(runSearchDriver, "", fromIndex);
  EXPECT_EQ(indexed.output, memory.output);
  EXPECT_EQ(indexed.errors, memory.errors);
  EXPECT_EQ(indexed.status, memory.status);
  return memory;
}

// Worked by hand. The text is 12 words, positions 0 to 11:
//   the cat sat / on the mat / the dog sat / on a log
// sat stands at 2 and 8. Window 1,1: left cat, dog; right on, on. So on has
// O = 2 (LEFT 0, RIGHT 2), f(on) = 2, f(sat) = 2, S = 2, N = 12:
//   E = 2·2·2/12 = 2/3; mi = log2(2 / (2/3)) = log2 3 = 1.585;
//   t = (2 - 2/3) / sqrt 2 = 0.943;
//   ll: a = 2, b = 0, C = 2·2 = 4, D = 8, E1 = 4·2/12 = 2/3:
//       2·(2·ln 3) = 4.394.
// Window 2,2 adds the(0) and the(6) left, the(4) right and a right: every
// word then has O / E = 3/2 (E = 2·f·4/12), mi 0.585, and O orders them.
// Against ref.txt (the dog ran / the end: 5 words), sat and on are 2 of 12
// words and absent there: E1 = 12·2/17, LL = 2·2·ln(17/12) = 1.393; a word
// once here, never there: 2·ln(17/12) = 0.697; the (3 of 12, 2 of 5) and
// dog (1 of 12, 1 of 5) are used less, and are not listed.
TEST(CorpusTools, AnswerATextWorkedByHand) {
  ScratchDir scratch;
  writeFile("sonnets.txt", "The cat sat\non the mat,\nthe dog sat\n-- on a log.\n");
  writeFile("ref.txt", "the dog ran\nthe end\n");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--collocates", "Sat", "--window", "1,1"}, "on\t2\t0\t2\t2\t1.585\n"},
      {{"--collocates", "sat", "--window", "1,1", "--measure", "t"}, "on\t2\t0\t2\t2\t0.943\n"},
      {{"--collocates", "sat", "--window", "1,1", "--measure", "ll"}, "on\t2\t0\t2\t2\t4.394\n"},
      {{"--collocates", "sat", "--window", "2,2", "--min", "1"},
       "the\t3\t2\t1\t3\t0.585\non\t2\t0\t2\t2\t0.585\na\t1\t0\t1\t1\t0.585\ncat\t1\t1\t0\t1\t0.585\n"
       "dog\t1\t1\t0\t1\t0.585\n"},
      {{"--clusters", "2", "sat"}, "sat on\t2\n"},
      {{"--clusters", "2", "sat", "--min", "1"}, "sat on\t2\ncat sat\t1\ndog sat\t1\n"},
      {{"--ngrams", "1", "--min", "2"}, "the\t3\non\t2\nsat\t2\n"},
      {{"--ngrams", "2"}, "sat on\t2\n"},
      {{"--keywords", "--reference", "ref.txt"}, ""},
      {{"--keywords", "--reference", "sonnets.txt", "--min-score", "0"}, ""},  // no word used more
      {{"--keywords", "--reference", "ref.txt", "--min-score", "0.7"}, "on\t2\t0\t1.393\nsat\t2\t0\t1.393\n"},
      {{"--keywords", "--min-score", "0.5", "--reference", "ref.txt"},
       "on\t2\t0\t1.393\nsat\t2\t0\t1.393\na\t1\t0\t0.697\ncat\t1\t0\t0.697\nlog\t1\t0\t0.697\nmat\t1\t0\t0.697\n"},
  };
  for (const auto& [tool, expected] : cases) {
    SCOPED_TRACE(tool[0] + " " + tool[1]);
    const DialogueRun run = runBothWays(tool);
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(run.status, 0);
  }
}

// ---- the model -----------------------------------------------------------------

// A generated text of ASCII words: "w" and a number, some in capitals,
// between blanks, commas, full stops and "--"; some lines empty.
std::string generatedText(std::mt19937& random, int lines, int vocabulary) {
  const char* const separators[] = {" ", " ", " ", ", ", ". ", " -- "};
  std::string text;
  for (int n = 0; n < lines; ++n) {
    const int words = static_cast<int>(random() % 10);
    for (int w = 0; w < words; ++w) {
      // A few words are frequent: the smaller of two draws.
      const auto k = std::min(random() % vocabulary, random() % vocabulary);
      text += (random() % 7 == 0 ? "W" : "w") + std::to_string(k) + separators[random() % 6];
    }
    text += '\n';
  }
  return text;
}

// Each file's words, in order: runs of letters and digits, lower-cased.
using Corpus = std::vector<std::vector<std::string>>;
Corpus wordsOf(const std::vector<std::string>& texts) {
  Corpus corpus;
  for (const std::string& text : texts) {
    corpus.emplace_back();
    std::string word;
    for (const char c : text + "\n") {
      if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      } else if (!word.empty()) {
        corpus.back().push_back(word);
        word.clear();
      }
    }
  }
  return corpus;
}

std::string decimals(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", value);
  return std::string(text) == "-0.000" ? "0.000" : text;
}

// Lines ordered by a key from the highest, then by the line's bytes.
std::string ordered(std::vector<std::pair<std::vector<double>, std::string>> lines) {
  std::sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  std::string text;
  for (const auto& line : lines) text += line.second;
  return text;
}

double logLikelihood(double a, double b, double c, double d) {
  const double e1 = c * (a + b) / (c + d);
  const double e2 = d * (a + b) / (c + d);
  return 2 * ((a > 0 && e1 > 0 ? a * std::log(a / e1) : 0) + (b > 0 && e2 > 0 ? b * std::log(b / e2) : 0));
}

std::string modelCollocates(const Corpus& corpus, const std::string& node, int left, int right,
                            unsigned least, const std::string& measure) {
  std::map<std::string, std::pair<unsigned, unsigned>> near;
  std::map<std::string, double> f;
  double n = 0;
  for (const auto& file : corpus) {
    for (std::size_t p = 0; p < file.size(); ++p) {
      f[file[p]] += 1;
      n += 1;
      if (file[p] != node) continue;
      for (std::size_t q = p >= static_cast<std::size_t>(left) ? p - left : 0; q < p; ++q) ++near[file[q]].first;
      for (std::size_t q = p + 1; q <= p + right && q < file.size(); ++q) ++near[file[q]].second;
    }
  }
  std::vector<std::pair<std::vector<double>, std::string>> lines;
  for (const auto& [word, count] : near) {
    const double o = count.first + count.second;
    if (o < least) continue;
    const double e = f[node] * f[word] * (left + right) / n;
    const double c = f[node] * (left + right);
    const double score = measure == "mi"  ? std::log2(o / e)
                         : measure == "t" ? (o - e) / std::sqrt(o)
                                          : logLikelihood(o, std::max(f[word] - o, 0.0), c, n - c);
    lines.push_back({{std::round(score * 1000), o},
                     word + "\t" + std::to_string(static_cast<int>(o)) + "\t" + std::to_string(count.first) + "\t" +
                         std::to_string(count.second) + "\t" + std::to_string(static_cast<int>(f[word])) + "\t" +
                         decimals(score) + "\n"});
  }
  return ordered(lines);
}

// The runs of `span` words within a file; with `node`, only those holding it.
std::string modelRuns(const Corpus& corpus, std::size_t span, unsigned least, const std::string& node = "") {
  std::map<std::string, unsigned> counts;
  for (const auto& file : corpus) {
    for (std::size_t s = 0; s + span <= file.size(); ++s) {
      std::string run;
      bool holds = node.empty();
      for (std::size_t k = s; k < s + span; ++k) {
        run += (k > s ? " " : "") + file[k];
        holds = holds || file[k] == node;
      }
      if (holds) ++counts[run];
    }
  }
  std::vector<std::pair<std::vector<double>, std::string>> lines;
  for (const auto& [run, count] : counts) {
    if (count >= least) lines.push_back({{static_cast<double>(count)}, run + "\t" + std::to_string(count) + "\n"});
  }
  return ordered(lines);
}

std::string modelKeywords(const Corpus& corpus, const Corpus& reference, double least) {
  std::map<std::string, double> a;
  std::map<std::string, double> b;
  double c = 0;
  double d = 0;
  for (const auto& file : corpus) for (const std::string& word : file) a[word] += 1, c += 1;
  for (const auto& file : reference) for (const std::string& word : file) b[word] += 1, d += 1;
  std::vector<std::pair<std::vector<double>, std::string>> lines;
  for (const auto& [word, here] : a) {
    const double there = b.count(word) != 0 ? b[word] : 0;
    const double score = logLikelihood(here, there, c, d);
    if (here * d <= there * c || score < least) continue;
    lines.push_back({{std::round(score * 1000)}, word + "\t" + std::to_string(static_cast<int>(here)) + "\t" +
                                                     std::to_string(static_cast<int>(there)) + "\t" + decimals(score) + "\n"});
  }
  return ordered(lines);
}

// Generated corpora of two files, in a folder, each tool and a few of its
// settings against the model, in memory and from an index; the n-grams also
// counted in the least memory, which spills them to runs.
TEST(CorpusTools, AnswerAsTheirDefinitionsSay) {
  for (const unsigned seed : {1U, 2U, 3U}) {
    SCOPED_TRACE(seed);
    ScratchDir scratch;
    std::mt19937 random(seed);
    std::filesystem::create_directory("texts");
    // The words asked stand at each file's ends, where no window or run
    // goes on into the other file.
    const std::vector<std::string> texts = {"w1 w2 w0\n" + generatedText(random, 150, 40) + "w3 w0 w2 W1",
                                            "w2 w1, w3\n\n" + generatedText(random, 120, 40) + "w0 w1 w2"};
    writeFile("texts/a.txt", texts[0]);
    writeFile("texts/b.txt", texts[1]);
    const std::string reference = generatedText(random, 200, 60);
    writeFile("reference.txt", reference);
    const Corpus corpus = wordsOf(texts);
    const std::vector<std::vector<std::string>> tools = {
        {"--collocates", "w1"}, {"--collocates", "w0", "--window", "2,0", "--measure", "t"},
        {"--collocates", "W3", "--window", "0,7", "--measure", "ll", "--min", "1"},
        {"--clusters", "3", "w2"}, {"--clusters", "1", "w5", "--min", "1"}, {"--ngrams", "2", "--min", "3"},
        {"--ngrams", "4", "--min", "1", "--memory", "64K"}, {"--keywords", "--reference", "reference.txt"},
        {"--keywords", "--reference", "reference.txt", "--min-score", "0"}};
    for (const std::vector<std::string>& tool : tools) {
      SCOPED_TRACE(tool[0] + " " + tool[1]);
      const auto value = [&tool](const std::string& option, const std::string& otherwise) {
        const auto at = std::find(tool.begin(), tool.end(), option);
        return at == tool.end() ? otherwise : *(at + 1);
      };
      const unsigned least = static_cast<unsigned>(std::stoi(value("--min", "2")));
      const std::string window = value("--window", "5,5");
      std::string expected;
      if (tool[0] == "--collocates") {
        expected = modelCollocates(corpus, "w" + tool[1].substr(1), std::stoi(window),
                                   std::stoi(window.substr(2)), least, value("--measure", "mi"));
      } else if (tool[0] == "--clusters") {
        expected = modelRuns(corpus, std::stoul(tool[1]), least, tool[2]);
      } else if (tool[0] == "--ngrams") {
        expected = modelRuns(corpus, std::stoul(tool[1]), least);
      } else {
        expected = modelKeywords(corpus, wordsOf({reference}), std::stod(value("--min-score", "3.84")));
      }
      const DialogueRun run = runBothWays(tool, "texts");
      EXPECT_EQ(run.output, expected);
      EXPECT_EQ(run.status, 0) << run.errors;
      EXPECT_FALSE(expected.empty());
    }
  }
}

// More n-grams than the memory holds go to runs, more runs than one merge
// takes at once are merged in passes, and the counts come out as a map of
// them all counts them; no run file stays.
TEST(CorpusTools, CountNgramsInRunsWhenTheMemoryIsShort) {
  ScratchDir scratch;
  std::mt19937 random(7);
  NgramCounter counter(3, 64 << 10, ".");
  std::map<std::string, std::uint64_t> counts;
  std::vector<std::string> window;
  for (int file = 0; file < 3; ++file) {
    window.clear();
    for (int k = 0; k < 20000; ++k) {
      const std::string word = "w" + std::to_string(random() % 50);
      counter.add(word);
      window.push_back(word);
      if (window.size() >= 3) ++counts[window[window.size() - 3] + " " + window[window.size() - 2] + " " + word];
    }
    counter.endFile();
  }
  std::vector<CountedRun> found;
  ASSERT_TRUE(counter.finish(2, found)) << counter.trouble();
  EXPECT_GT(counter.runCount(), 4U);
  std::size_t kept = 0;
  for (const auto& [words, count] : counts) kept += count >= 2 ? 1 : 0;
  ASSERT_EQ(found.size(), kept);
  for (std::size_t k = 0; k < found.size(); ++k) {
    EXPECT_EQ(found[k].count, counts[found[k].words]) << found[k].words;
    if (k > 0) {
      EXPECT_TRUE(found[k - 1].count > found[k].count ||
                  (found[k - 1].count == found[k].count && found[k - 1].words < found[k].words));
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty("."));
}

// Bad values are usage errors; a word or a reference that is not there
// fails with a line that names it, and nothing on standard output.
TEST(CorpusTools, RefuseBadValuesAndWhatIsNotThere) {
  ScratchDir scratch;
  writeFile("sonnets.txt", "a b a c\n");
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string errors;
  };
  const std::string usage = "\nTry 'versefind --help' for more information.\n";
  const std::vector<Case> cases = {
      {{"--collocates", "a", "--window", "5"}, 2, "not a window L,R of two whole numbers from 0 to 100, not both 0: 5"},
      {{"--collocates", "a", "--window", "0,0"}, 2, "not a window L,R of two whole numbers from 0 to 100, not both 0: 0,0"},
      {{"--collocates", "a", "--window=101,1"}, 2, "not a window L,R of two whole numbers from 0 to 100, not both 0: 101,1"},
      {{"--collocates", "a", "--measure", "chi"}, 2, "not a measure (mi, t or ll): chi"},
      {{"--collocates", "a", "--min", "0"}, 2, "not a least count from 1 to 999999999: 0"},
      {{"--clusters", "9", "a"}, 2, "not a length from 1 to 8: 9"},
      {{"--ngrams", "0"}, 2, "not a length from 1 to 8: 0"},
      {{"--ngrams", "2", "--memory", "63K"}, 2, "not a memory size of at least 64K (a number of bytes, or with K, M or G): 63K"},
      {{"--keywords", "--reference", "r", "--min-score", "-1"}, 2, "not a score of 0 or more: -1"},
      {{"--keywords"}, 2, "option '--keywords' needs '--reference REF'"},
      {{"--ngrams", "2", "--window", "1,1"}, 2, "option '--window' goes with --collocates"},
      {{"--ngrams", "2", "--plot"}, 2, "options '--ngrams' and '--plot' cannot go together"},
      {{"--collocates", "a", "--count"}, 2, "options '--collocates' and '--count' cannot go together"},
      {{"--collocates", "a", "--clusters", "2", "a"}, 2, "options '--collocates' and '--clusters' cannot go together"},
      {{"--collocates", "a", "b"}, 2, "option '--collocates' takes no word: b"},
      {{"--collocates", "zz"}, 1, "versefind: zz: not in the text\n"},
      {{"--clusters", "2", "a b"}, 1, "versefind: a b: is not one word\n"},
      {{"--keywords", "--reference", "gone"}, 1, "versefind: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " " + c.arguments.back());
    const DialogueRun run = c.status == 2 ? runDialogue(runSearchDriver, "", c.arguments) : runBothWays(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errors.substr(0, c.errors.size() + (c.status == 2 ? 11 : 0)),
              (c.status == 2 ? "versefind: " : "") + c.errors);
    if (c.status == 2) {
      EXPECT_EQ(run.errors.substr(run.errors.size() - usage.size()), usage);
    }
  }
  EXPECT_NE(runDialogue(runSearchDriver, "", {"--keywords", "--reference", "gone"}).errors.find("gone: No such file"),
            std::string::npos);
  // A damaged index answers nothing, as corpus or as reference.
  const std::string whole = readBytes("tools.idx");
  std::string bytes = whole;
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x20);
  writeFile("tools.idx", bytes);
  for (const std::vector<std::string>& damaged : {std::vector<std::string>{"--index", "tools.idx", "--collocates", "a"},
                                                  {"--keywords", "--reference", "tools.idx"}}) {
    const DialogueRun run = runDialogue(runSearchDriver, "", damaged);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errors.rfind("versefind: tools.idx: damaged", 0), 0U) << run.errors;
  }
  writeFile("tools.idx", whole);
  // From an index, the lines around a place come from the text, which must
  // be as it was built.
  writeFile("sonnets.txt", "a b a c d\n");
  EXPECT_EQ(runDialogue(runSearchDriver, "", {"--index", "tools.idx", "--clusters", "2", "a"}).errors,
            "versefind: sonnets.txt: changed since tools.idx was built; build it again with --save\n");
}

// A chart of the first 20 lines: a bar each, named by its word, in
// well-formed SVG.
TEST(CorpusTools, ChartTheFirstLines) {
  ScratchDir scratch;
  std::mt19937 random(5);
  writeFile("sonnets.txt", generatedText(random, 400, 80) + "a <b> & c\n");
  writeFile("ref.txt", generatedText(random, 100, 300));
  for (const std::vector<std::string>& tool : std::vector<std::vector<std::string>>{
           {"--collocates", "w1", "--measure", "t", "--min", "1"}, {"--keywords", "--reference", "ref.txt", "--min-score", "0"},
           {"--collocates", "<C>", "--min", "1"}}) {
    SCOPED_TRACE(tool[0]);
    const std::string lines = runBothWays(tool).output;
    std::vector<std::string> plotted = tool;
    plotted.push_back("--plot");
    const DialogueRun chart = runBothWays(plotted);
    EXPECT_EQ(findMarkupFault(chart.output), "");
    std::size_t bars = 0;
    for (std::size_t at = 0; at < lines.size() && bars < 20; at = lines.find('\n', at) + 1, ++bars) {
      const std::string word = lines.substr(at, lines.find('\t', at) - at);
      EXPECT_NE(chart.output.find("<rect class=\"bar\" data-word=\"" + word + "\""), std::string::npos) << word;
    }
    EXPECT_EQ(occurrences(chart.output, "class=\"bar\""), bars);
  }
}

}  // namespace
