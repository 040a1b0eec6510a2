#include "app/search_driver.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <utility>

#include "app/arguments.h"
#include "query/collocates.h"
#include "query/concordance.h"
#include "query/keywords.h"
#include "query/ngrams.h"
#include "views/bar_chart.h"
#include "views/dispersion_plot.h"
#include "platform/console.h"
#include "views/index_cost.h"
#include "views/index_page.h"
#include "views/index_trace.h"
#include "views/index_views.h"
#include "out_of_memory.h"
#include "views/search_explain.h"
#include "text/sonnet_text.h"
#include "index/text_index.h"
#include "index/index_file.h"
#include "index/place_gatherer.h"
#include "index/tree_cursor.h"
#include "text/corpus_files.h"
#include "text/text_rules.h"
#include "index/word_index.h"
#include "unfinished_file.h"

namespace {

const char* const PROMPT_FOR_WORDS = "versefind> ";

// Whether the integer just read stood alone: "3.5" or "3rd" is no order.
bool endsAtBlankOrEnd(std::istream& in) {
  const int next = in.peek();
  return next == std::char_traits<char>::eof() || std::isspace(next) != 0;
}

// The longest order line read. A longer one is refused at that length,
// without the rest being read: an endless line (/dev/zero) ends the run at
// once, with a bounded buffer.
constexpr std::streamsize MAX_ORDER_LINE = 4096;

enum class OrderRead { typed, ended, tooLong };

// Asks until a usable order is typed: the first word of a line. Lines of
// blanks alone are passed over without asking again, and a refused line is
// discarded whole. Ends at the end of input, and at a line longer than
// MAX_ORDER_LINE, which is named on `errors`.
OrderRead readOrder(std::istream& in, std::ostream& out, std::ostream& errors, int& order) {
  std::vector<char> buffer(static_cast<std::size_t>(MAX_ORDER_LINE) + 1);
  out << "Please enter the order value of B-Tree:";
  for (;;) {
    in.getline(buffer.data(), MAX_ORDER_LINE + 1);
    const std::streamsize got = in.gcount();
    if (in.fail() && !in.eof() && got == MAX_ORDER_LINE) {
      errors << "versefind: the order line is longer than " << MAX_ORDER_LINE << " characters"
             << std::endl;
      return OrderRead::tooLong;
    }
    if (in.fail()) return OrderRead::ended;
    // gcount counts the line feed that ended the line, when one did.
    std::istringstream line(std::string(buffer.data(), static_cast<std::size_t>(in.eof() ? got : got - 1)));
    if (!(line >> std::ws).eof()) {
      if (line >> order && isOrder(order) && endsAtBlankOrEnd(line)) return OrderRead::typed;
      out << "The order must be a whole number from " << MIN_ORDER << " to " << MAX_ORDER << "."
          << std::endl << "Please enter the order value of B-Tree:";
    }
  }
}

// Tells which file stopped the index, in which folder, and why.
void explainIndexFailure(std::ostream& errors, const IndexFailure& failure) {
  std::error_code unknown;
  const std::filesystem::path folder = std::filesystem::current_path(unknown);
  errors << "versefind: " << shownWord((folder / failure.file).lexically_normal().string()) << ": ";
  if (failure.reason != nullptr) {
    errors << failure.reason << std::endl;
  } else if (failure.cause != 0) {
    errors << std::strerror(failure.cause) << std::endl;
  } else {
    errors << (failure.file == LISTING_FILE ? "could not be written" : "could not be read")
           << std::endl;
  }
}

// A word found is shown as the text holds it, but on a terminal with its
// control bytes (a tab aside) escaped, so that a text cannot drive the
// terminal.
void printEntry(std::ostream& out, const WordEntry& entry, int lineNumber, int wordNumber,
                bool escaped) {
  if (entry.word.empty()) {
    // A miss names the place line first, unlike the place strings.
    out << "There are no word in the (" << lineNumber << "," << wordNumber
        << ") place in the sonnet ";
    return;
  }
  out << (escaped ? shownWord(entry.word, true) : entry.word) << " is placed in: ";
  for (int p = 0; p < MAX_PLACES && !entry.places[p].empty(); ++p) {
    out << entry.places[p] << "  ";
  }
}

// A text that gives no words, or that was saved as UTF-16, is indexed all
// the same, but the person is told: their words will not be found.
bool standsFirst(const WordEntry& entry) { return entry.places[0] == makePlace(1, 1); }

template <typename Entry>
void warnAboutText(const WordTree<Entry>& tree, const std::string& text, std::ostream& errors) {
  bool hasWord = false;
  tree.walkInOrder([&](const Entry& entry) {
    hasWord = !entry.word.empty();  // the empty word, if any, comes first
    return !hasWord;
  });
  if (!hasWord) errors << "versefind: " << shownWord(text) << ": has no words\n";
  // A UTF-16 text opens with a byte-order mark, which the word rules leave
  // at the start of the text's first word, the one at (1,1).
  bool utf16 = false;
  for (const std::string mark : {"\xFF\xFE", "\xFE\xFF"}) {
    tree.walkFrom(mark, [&](const Entry& entry) {
      if (entry.word.compare(0, mark.size(), mark) != 0) return false;
      utf16 = utf16 || standsFirst(entry);
      return !utf16;
    });
  }
  if (utf16) errors << "versefind: " << shownWord(text) << ": looks like UTF-16; save it as UTF-8\n";
}

// The dialogue and the trials write the listing, and read the text again
// for every look-up. So a text that is the listing itself, or that cannot
// be read again (a pipe, a terminal, a socket), is refused before anything
// is asked, read or written, with the reason on `errors`. Nothing here opens
// the text: opening a FIFO blocks until a writer comes. A text that cannot
// be found, or a folder, is left to the index builder, which says why.
bool textServesTrials(const std::string& text, std::ostream& errors) {
  if (text == STANDARD_INPUT) {
    errors << "versefind: -: the trials read the text again for each look-up; give a file"
           << std::endl;
    return false;
  }
  if (sameFile(text, LISTING_FILE)) {
    errors << "versefind: " << shownWord(text) << ": is the listing this run would write; name another text"
           << std::endl;
    return false;
  }
  std::error_code unknown;
  const std::filesystem::file_status kind = std::filesystem::status(text, unknown);
  if (std::filesystem::exists(kind) && !std::filesystem::is_regular_file(kind) &&
      !std::filesystem::is_directory(kind)) {
    errors << "versefind: " << shownWord(text)
           << ": the trials read the text again for each look-up; give a file" << std::endl;
    return false;
  }
  // Opening a FIFO for the listing would wait for a reader, for ever.
  if (findReplacedFile(LISTING_FILE).kind == ReplacedFile::Kind::refused) {
    errors << "versefind: " << LISTING_FILE
           << ": is a FIFO or a socket; give the listing a file or a device" << std::endl;
    return false;
  }
  return true;
}

// The text rules for the text's encoding.
const WordRules& textRulesOf(const Request& request) {
  return request.latin1 ? latin1Rules() : queryRules();
}

// What a run that runs out of memory while it indexes `text` says.
std::string indexingTask(const std::string& text) {
  return "versefind: " + shownWord(text) + ": not enough memory to index it";
}

// Builds the index of the text with its listing, as the dialogue and the
// trials do. Returns the builder's line count; on a failure, 0, after the
// dialogue's line on `out` and the reason on `errors`.
int buildListedIndex(BTree& tree, const std::string& text, std::ostream& out,
                     std::ostream& errors) {
  setMemoryTask(indexingTask(text));
  IndexFailure failure;
  const int lineCount = tree.buildIndex(text, failure);
  if (lineCount == 0) {
    out << std::endl << std::endl << "The index could not be built: "
        << shownWord(text) << " could not be read or " << LISTING_FILE
        << " could not be written." << std::endl;
    explainIndexFailure(errors, failure);
    return 0;
  }
  if (failure.replacedReadOnly) {
    errors << "versefind: " << LISTING_FILE
           << ": was read-only; replaced by the new listing, read-only as before" << std::endl;
  }
  warnAboutText(tree, text, errors);
  setMemoryTask("versefind: not enough memory to run the trials");
  return lineCount;
}

// The 29 trials over the index of `text`, and the total line, which ends
// without a line break.
void runTrials(const BTree& tree, const std::string& text, int lineCount, const Request& request,
               std::ostream& out, const RunSettings& settings) {
  // The places are drawn with the C library's generator, seeded with the
  // seed given, or else the caller's (the clock's).
  std::srand(request.seeded ? request.seed : settings.seed);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
  // Line numbers are drawn from 1 to lineCount - 1, which with a final line
  // break is every line of the text; a one-line count still draws line 1.
  const int lineRange = std::max(lineCount - 1, 1);
  const bool escaped = isTerminal(out);

  double total = 0.0;
  for (int trial = 0; trial < TRIALS; ++trial) {
    const int wordNumber = std::rand() % 8 + 1;          // NOLINT(cert-msc30-c,cert-msc50-cpp)
    const int lineNumber = std::rand() % lineRange + 1;  // NOLINT(cert-msc30-c,cert-msc50-cpp)

    const std::clock_t start = settings.clock();
    const WordEntry nd = tree.search(tree.root, tree.wordAt(text, lineNumber, wordNumber));
    const std::clock_t end = settings.clock();
    // Two readings of the clock, which cppcheck takes for one value.
    // cppcheck-suppress duplicateExpression
    total += static_cast<double>(end - start) / settings.ticksPerSecond;

    out << std::endl << std::endl;
    printEntry(out, nd, lineNumber, wordNumber, escaped);
  }

  out << std::endl << std::endl << "Total time of searching: " << total
      << " second" << std::flush;
}

// versefind without an order: the prompt, the trials, the key wait.
int runDialogue(const Request& request, std::istream& in, std::ostream& out, std::ostream& errors,
                const RunSettings& settings) {
  // Before the prompt: a refused text makes no run, whatever order is typed.
  if (!textServesTrials(request.text, errors)) return 1;
  int order = 0;
  const OrderRead read = readOrder(in, out, errors, order);
  if (read != OrderRead::typed) {
    // A line refused for its length has been named on `errors`.
    out << std::endl;
    if (read == OrderRead::ended) out << "No order value was entered." << std::endl;
    return 1;
  }
  const auto tree = std::make_unique<BTree>(order);
  const int lineCount = buildListedIndex(*tree, request.text, out, errors);
  if (lineCount == 0) return 1;
  runTrials(*tree, request.text, lineCount, request, out, settings);
  waitForKey(in, errors);
  return 0;
}

// versefind ORDER: the trials without the prompt and without the key wait.
int runTrialsFromShell(const Request& request, std::ostream& out, std::ostream& errors,
                       const RunSettings& settings) {
  if (!textServesTrials(request.text, errors)) return 1;
  const auto tree = std::make_unique<BTree>(request.order);
  const int lineCount = buildListedIndex(*tree, request.text, out, errors);
  if (lineCount == 0) return 1;
  runTrials(*tree, request.text, lineCount, request, out, settings);
  out << std::endl;  // the shell's prompt starts on a line of its own
  return 0;
}

// The files of the corpus that the request names (its texts, each folder
// standing for the files under it); false, after the reason on `errors`,
// when a folder cannot be read or holds no file.
bool corpusFiles(const Request& request, std::vector<std::string>& files, std::ostream& errors) {
  std::string problem;
  const std::vector<std::string> given =
      request.texts.empty() ? std::vector<std::string>{request.text} : request.texts;
  if (listCorpusFiles(given, files, problem)) return true;
  errors << "versefind: " << shownWord(problem) << std::endl;
  return false;
}

// What a corpus reader does besides taking the words: a file's line starts
// to keep (for an index file), and what to do once a file is read (`done`,
// with the file's number and the byte offsets of its lines; false stops the
// reading, after a line on `errors`).
struct CorpusReading {
  bool keepLineStarts = false;
  std::function<void(std::uint64_t bytesRead)> progress;
  std::function<bool(std::size_t file, const std::vector<std::uint64_t>& lineStarts)> done;
};

// Reads every file of `files` into `lines`, one after another, and gives
// each word to `take` with its line numbered by the corpus's lines (the
// first file's lines, then the next file's, and so on). Says on `errors`
// of each file that holds no word, looks like UTF-16, or holds bytes that
// are not UTF-8 (unless `quiet` about those). Returns false, after the
// reason on `errors`, when a file cannot be read.
bool readCorpus(const std::vector<std::string>& files, const WordRules& rules, TextLines& lines,
                const TakeWord& take, std::ostream& errors, bool quietAboutBytes,
                const CorpusReading& reading = CorpusReading()) {
  std::vector<std::uint64_t> lineStarts;
  std::uint64_t readBefore = 0;  // bytes of the files read before
  for (std::size_t k = 0; k < files.size(); ++k) {
    const std::string& name = files[k];
    if (files.size() > 1) lines.startFile(name);
    const auto before = static_cast<std::uint32_t>(lines.size());
    bool hasWord = false;
    IndexFailure failure;
    lineStarts.clear();
    const ReadProgress progress = [&](std::uint64_t bytesRead) { reading.progress(readBefore + bytesRead); };
    const int lineCount = readTextFile(
        name, rules, lines, failure,
        [&](const std::string& word, std::uint32_t line, std::uint32_t wordNumber) {
          hasWord = hasWord || !word.empty();
          take(word, before + line, wordNumber);
        },
        reading.keepLineStarts ? &lineStarts : nullptr, reading.progress ? progress : ReadProgress());
    if (lineCount == 0) {
      explainIndexFailure(errors, failure);
      return false;
    }
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(name, unknown);
    if (!unknown) readBefore += size;
    // A UTF-16 text opens with a byte-order mark, which no word rule takes
    // off; it is no UTF-8 at all, so it gets no second line for that.
    const std::string_view first = lines[before];
    const bool utf16 = first.rfind("\xFF\xFE", 0) == 0 || first.rfind("\xFE\xFF", 0) == 0;
    if (!hasWord) errors << "versefind: " << shownWord(name) << ": has no words\n";
    if (utf16) errors << "versefind: " << shownWord(name) << ": looks like UTF-16; save it as UTF-8\n";
    if (!quietAboutBytes && !utf16 && lines.bytesNotUtf8() > 0) {
      errors << "versefind: " << shownWord(name) << ": " << lines.bytesNotUtf8()
             << (lines.bytesNotUtf8() == 1 ? " byte is" : " bytes are") << " not UTF-8, the first on line "
             << lines.firstLineNotUtf8() << "; a Latin-1 text is read with --encoding latin1\n";
    }
    if (reading.done && !reading.done(k, lineStarts)) return false;
  }
  return true;
}

// The index the concordance answers from, of either kind: built by `rules`
// without a listing over the corpus's files, keeping their lines. Null
// when a file cannot be read, after the reason on `errors`. `observer`,
// when given, watches the building.
template <typename Entry>
std::unique_ptr<WordTree<Entry>> buildQuietIndex(const Request& request, const WordRules& rules,
                                                 TextLines& lines, std::ostream& errors,
                                                 WordTreeObserver<Entry>* observer = nullptr) {
  std::vector<std::string> files;
  if (!corpusFiles(request, files, errors)) return nullptr;
  setMemoryTask(indexingTask(files.size() == 1 ? files[0] : request.text));
  auto tree = std::make_unique<WordTree<Entry>>(request.order);
  using Place = typename WordTree<Entry>::Place;
  tree->observer = observer;
  const bool read = readCorpus(
      files, rules, lines,
      [&tree](const std::string& word, std::uint32_t line, std::uint32_t n) {
        tree->insert(word, placeAt<Place>(line, n));
      },
      errors, request.classic || request.latin1);
  tree->observer = nullptr;
  if (!read) return nullptr;
  const char* const task = request.mode == Mode::vocabulary ? "list the words"
                           : request.mode == Mode::collocates ? "find the collocates"
                           : request.mode == Mode::clusters   ? "count the clusters"
                           : request.mode == Mode::keywords   ? "find the keywords"
                           : request.mode == Mode::stats    ? "give the tree's figures"
                           : request.mode == Mode::dot      ? "draw the tree"
                           : request.mode == Mode::trace    ? "trace the insertions"
                           : request.mode == Mode::explain  ? "explain the searches"
                           : request.mode == Mode::cost     ? "count the work"
                                                            : "answer the words asked";
  setMemoryTask(std::string("versefind: not enough memory to ") + task);
  return tree;
}

// The files of a plot: where each begins, when there are several.
std::vector<FileMark> fileMarksOf(const TextLines& lines) {
  std::vector<FileMark> marks;
  if (lines.fileCount() < 2) return marks;
  const WordPositions& positions = lines.positions();
  for (std::uint32_t f = 0; f < lines.fileCount(); ++f) {
    marks.push_back(FileMark{lines.fileName(f), positions.wordsBeforeFile(f)});
  }
  return marks;
}

// The title of a plot: the text's name, or the first file's and how many more.
std::string plotTitle(const TextLines& lines, const std::string& text) {
  if (lines.fileCount() < 2) return text;
  return lines.fileName(0) + " and " + std::to_string(lines.fileCount() - 1) +
         (lines.fileCount() == 2 ? " other file" : " other files");
}

// How place lines are laid out for `out`: the width asked for, else the
// terminal's, else DEFAULT_WIDTH; colour when asked for, or by default on a
// terminal unless NO_COLOR is set to something or TERM is "dumb" (a
// terminal that shows no sequences).
Layout layoutFor(const Request& request, const std::ostream& out) {
  Layout layout;
  const int terminal = terminalWidth(out);
  layout.width = request.width >= 0 ? request.width : terminal > 0 ? terminal : DEFAULT_WIDTH;
  const char* const noColor = std::getenv("NO_COLOR");
  const char* const term = std::getenv("TERM");
  const bool dumb = term != nullptr && std::strcmp(term, "dumb") == 0;
  switch (request.color) {
    case ColorChoice::always:
      enableColor(out);  // a console that cannot show colour gets it all the same: it was asked for
      layout.color = true;
      break;
    case ColorChoice::never:
      break;
    case ColorChoice::automatic:
      layout.color = (noColor == nullptr || *noColor == '\0') && !dumb && enableColor(out);
      break;
  }
  return layout;
}

// versefind ORDER WORD... and versefind ORDER -: the words asked, answered
// from an index of entries of type Entry, built by `rules`.
template <typename Entry>
int runQueries(const Request& request, const WordRules& rules, std::istream& in,
               std::ostream& out, std::ostream& errors) {
  TextLines lines;
  const auto tree = buildQuietIndex<Entry>(request, rules, lines, errors);
  if (tree == nullptr) return 1;
  // A plot is one picture, not a stream of answers: no layout, and its rows
  // are written once every query is answered.
  Layout layout = request.plot || request.count ? Layout{} : layoutFor(request, out);
  layout.most = request.most;
  std::vector<PlotRow> rows;
  const AnswerForm form = request.count  ? AnswerForm::counts
                          : request.plot ? AnswerForm::plot
                                         : AnswerForm::blocks;
  const TreeReader<Entry> index(*tree);
  const Concordance concordance{index,  lines, rules, layout, out, errors, request.placeOrder,
                                form,   &rows};
  const bool all = request.mode == Mode::standardInput
                       ? answerLines(concordance, in, PROMPT_FOR_WORDS)
                       : answerWords(concordance, request.words);
  if (request.plot) {
    writeDispersionPlot(plotTitle(lines, request.text), lines.positions().wordCount(), rows, out,
                        fileMarksOf(lines));
  }
  return all ? 0 : 1;
}

// versefind ORDER --save INDEX: the index of the corpus, by the text
// rules, written to INDEX with each file's line table; a summary on
// `errors`.
int runSave(const Request& request, std::ostream& errors) {
  const auto started = std::chrono::steady_clock::now();
  std::vector<std::string> files;
  if (!corpusFiles(request, files, errors)) return 1;
  IndexFailure failure;
  IndexFileWriter writer(request.order);
  if (!writer.create(request.savePath, failure)) {
    explainIndexFailure(errors, failure);
    return 1;
  }
  setMemoryTask(indexingTask(files.size() == 1 ? files[0] : request.text));
  TextLines lines;
  lines.keepNoBytes();
  // Five eighths of the memory for the words and places; the rest for the
  // line tables, the allocator's own and the buffers.
  PlaceGatherer gathered(request.memoryBytes / 8 * 5, folderOf(request.savePath));
  // On a terminal, a build that takes more than a second shows how far it
  // has come on one line of standard error, rewritten in place.
  std::uintmax_t total = 0;
  for (const std::string& file : files) {
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(file, unknown);
    if (!unknown) total += size;
  }
  bool shown = false;
  CorpusReading reading;
  reading.keepLineStarts = true;
  if (&errors == &std::cerr && errorsAreTerminal() && total > 0) {
    reading.progress = [&](std::uint64_t bytesRead) {
      const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
      if (spent.count() < 1.0) return;
      const double rate = static_cast<double>(bytesRead) / spent.count();
      const double left = rate > 0 ? static_cast<double>(total - std::min<std::uintmax_t>(bytesRead, total)) / rate : 0;
      errors << "\rversefind: read " << bytesRead / 1000000 << " of " << total / 1000000 << " MB, "
             << static_cast<long>(rate / 1000000) << " MB/s, " << static_cast<long>(left) << " s left   "
             << std::flush;
      shown = true;
    };
  }
  // Each file's lines go to the index as soon as the file is read: where
  // each starts in the file, and its words.
  reading.done = [&](std::size_t k, const std::vector<std::uint64_t>& lineStarts) {
    IndexedText text;
    text.path = files[k];
    int cause = 0;
    if (!fileStamp(files[k], text.size, text.modified, cause)) {
      explainIndexFailure(errors, IndexFailure{files[k], cause});
      return false;
    }
    writer.beginText(text);
    const WordPositions& positions = lines.positions();
    const std::uint32_t before = lines.linesBeforeFile(static_cast<std::uint32_t>(k));
    for (std::size_t n = 0; n < lineStarts.size(); ++n) {
      writer.addLine(lineStarts[n], positions.wordsOfLine(before + static_cast<std::uint32_t>(n) + 1));
    }
    writer.endText();
    return true;
  };
  // A run that cannot be written is told by finish, below.
  const bool read = readCorpus(
      files, queryRules(), lines,
      [&](const std::string& word, std::uint32_t line, std::uint32_t n) {
        gathered.add(word, WordPlace{line, n});
      },
      errors, false, reading);
  if (shown) errors << "\r" << std::string(60, ' ') << "\r" << std::flush;
  if (!read) return 1;
  setMemoryTask("versefind: not enough memory to write the index");
  std::uint64_t distinct = 0;
  // The corpus numbers lines through all its files; the index, within each.
  std::vector<WordPlace> local;
  std::vector<std::uint32_t> fileOfPlace;
  const bool merged = gathered.finish(
      [&](const std::string& word, const std::vector<WordPlace>& places) {
        ++distinct;
        if (files.size() == 1) {
          writer.addWord(word, places);
          return;
        }
        local = places;
        fileOfPlace.clear();
        for (WordPlace& place : local) {
          const std::uint32_t file = lines.fileOfLine(place.line);
          place.line -= lines.linesBeforeFile(file);
          fileOfPlace.push_back(file);
        }
        writer.addWord(word, local, fileOfPlace);
      },
      failure);
  if (!merged || !writer.finish(failure)) {
    explainIndexFailure(errors, failure);
    return 1;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  const WordPositions& positions = lines.positions();
  errors << "versefind: " << shownWord(request.savePath) << ": " << files.size()
         << (files.size() == 1 ? " file, " : " files, ") << positions.lineCount() << " lines, "
         << positions.wordCount() << " words, " << distinct << " distinct words, "
         << writer.bytesWritten() << " bytes, " << took.count() << " seconds" << std::endl;
  return 0;
}

// Tells why the index file `file` named `path` failed, and returns 1.
int indexFailed(const IndexFile& file, const std::string& path, std::ostream& errors) {
  errors << "versefind: " << shownWord(path) << ": " << file.reason() << std::endl;
  return 1;
}

// Where each word of the index's texts stands, from their line tables; a
// damaged table leaves the lines after the damage without words, and the
// file's problem() says so.
TextLines::CountWords wordsOfLines(const IndexFile& file) {
  return [&file](WordPositions& positions) {
    const auto texts = static_cast<std::uint32_t>(file.texts().size());
    for (std::uint32_t t = 0; t < texts; ++t) {
      if (texts > 1) positions.startFile();
      if (!file.readPositions(t, positions)) return;
    }
  };
}

// Makes `lines` the lines of the texts of `file`, each read by `fetch`
// when an answer shows it; false when a line table is damaged.
bool linesOfIndex(const IndexFile& file, TextLines& lines, const TextLines::Fetch& fetch) {
  std::vector<std::string> names;
  std::vector<std::uint32_t> linesBefore;
  std::uint64_t count = 0;
  for (std::uint32_t t = 0; t < file.texts().size(); ++t) {
    names.push_back(file.texts()[t].path);
    linesBefore.push_back(static_cast<std::uint32_t>(count));
    count += file.lineCount(t);
    if (file.problem() != IndexProblem::none) return false;
  }
  lines.fetchFrom(static_cast<std::size_t>(count), fetch, wordsOfLines(file));
  if (names.size() > 1) lines.nameFiles(std::move(names), std::move(linesBefore));
  return true;
}

// Whether the texts of `file` are as they were when the index was built:
// false, with a line on `errors`, when one is gone or its size or time of
// change differ, since its lines and words would not be those indexed.
bool textsUnchanged(const IndexFile& file, const std::string& indexPath, std::ostream& errors) {
  for (const IndexedText& text : file.texts()) {
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    int cause = 0;
    if (!fileStamp(text.path, size, modified, cause) || size != text.size || modified != text.modified) {
      errors << "versefind: " << shownWord(text.path) << ": changed since " << shownWord(indexPath)
             << " was built; build it again with --save" << std::endl;
      return false;
    }
  }
  return true;
}

// Reads the lines of the texts of `file` from the texts themselves, each by
// the offsets its line table keeps, only when an answer shows it; the line
// ends are taken off as the text was read when the index was built.
// Returns false, with a line on `errors`, when a text is gone or changed
// since the index was built, which would show other lines than it indexed,
// or when a line table is damaged (the file's problem() says so).
bool fetchLines(const IndexFile& file, const std::string& indexPath, const WordRules& rules,
                TextLines& lines, std::ostream& errors) {
  if (!textsUnchanged(file, indexPath, errors)) return false;
  std::vector<std::shared_ptr<std::ifstream>> texts;
  for (const IndexedText& text : file.texts()) {
    texts.push_back(std::make_shared<std::ifstream>(text.path, std::ios::in | std::ios::binary));
    if (!texts.back()->is_open()) {
      errors << "versefind: " << shownWord(text.path) << ": cannot be read" << std::endl;
      return false;
    }
  }
  const TextLines& corpus = lines;
  // Each read takes the bytes around the line too: the lines next to it,
  // which an answer often shows or cuts next, then need no read of their own.
  struct Around {
    std::uint32_t text = 0;
    std::uint64_t start = 0;
    std::string bytes;
  };
  const auto around = std::make_shared<Around>();
  return linesOfIndex(file, lines, [&file, &rules, &corpus, texts, around](std::size_t index, std::string& shown) {
    constexpr std::uint64_t BEFORE = 1024;
    constexpr std::uint64_t AFTER = 4096;
    const auto lineNumber = static_cast<std::uint32_t>(index + 1);
    const std::uint32_t t = corpus.fileOfLine(lineNumber);
    const std::uint32_t line = lineNumber - corpus.linesBeforeFile(t);
    TextLine found;
    if (!file.readLine(t, line, found) || found.end < found.start) return;
    if (around->text != t || found.start < around->start || found.end > around->start + around->bytes.size()) {
      std::ifstream& in = *texts[t];
      around->text = t;
      around->start = found.start - std::min(found.start, BEFORE);
      around->bytes.resize(static_cast<std::size_t>(std::max(found.end, found.start + AFTER) - around->start));
      in.clear();
      in.seekg(static_cast<std::streamoff>(around->start));
      in.read(&around->bytes[0], static_cast<std::streamsize>(around->bytes.size()));
      around->bytes.resize(static_cast<std::size_t>(in.gcount()));
    }
    // A text shorter than its line table (changed unseen) gives what it has.
    const std::size_t from = static_cast<std::size_t>(found.start - around->start);
    shown.assign(around->bytes, std::min(from, around->bytes.size()),
                 static_cast<std::size_t>(found.end - found.start));
    if (!shown.empty() && shown.back() == '\n') {
      shown.pop_back();
      if (!shown.empty() && shown.back() == '\r') shown.pop_back();
    }
    if (line == 1) rules.startText(shown);
  });
}

// ---- the corpus tools --------------------------------------------------------

// What a corpus tool answers from, alike in memory and from an index file:
// the corpus, its name for a chart's title, and sound(), which tells (after
// a line on `errors` when it is not) whether everything read from an index
// file so far was sound, before anything is written.
struct ToolRun {
  const Request& request;
  const CorpusText& corpus;
  std::string textName;
  std::ostream& out;
  std::ostream& errors;
  std::function<bool()> sound;
};

const char* measureName(Measure measure) {
  return measure == Measure::mi ? "mutual information (mi)"
         : measure == Measure::t ? "t-score (t)"
                                 : "log-likelihood (ll)";
}

// versefind [ORDER] --collocates WORD: the collocates, as lines or a chart.
int runCollocates(const ToolRun& run) {
  const Request& r = run.request;
  std::vector<Collocate> found;
  const CollocateQuery query{r.toolWord, r.windowLeft, r.windowRight, r.least, r.measure};
  const bool known = findCollocates(run.corpus, query, found, run.errors);
  if (!run.sound() || !known) return 1;
  if (!r.plot) {
    writeCollocates(found, run.out);
    return 0;
  }
  std::vector<Bar> bars;
  bars.reserve(found.size());
  for (const Collocate& c : found) bars.push_back(Bar{c.word, c.score, scoreText(c.score)});
  writeBarChart("collocates of " + r.toolWord + " in " + run.textName + ", window " +
                    std::to_string(r.windowLeft) + "," + std::to_string(r.windowRight),
                measureName(r.measure), bars, run.out);
  return 0;
}

// versefind [ORDER] --clusters K WORD: the clusters that hold the word.
int runClusters(const ToolRun& run) {
  std::vector<CountedRun> found;
  const Request& r = run.request;
  const bool known = findClusters(run.corpus, r.toolWord, r.span, r.least, found, run.errors);
  if (!run.sound() || !known) return 1;
  writeCountedRuns(found, run.out);
  return 0;
}

// The reference of --keywords: an index file, told by its first bytes, or
// texts read in memory as the corpus is.
struct Reference {
  IndexFile file;
  std::unique_ptr<IndexFileReader> fileReader;
  TextLines lines;
  std::unique_ptr<CompactTree> tree;
  std::unique_ptr<TreeReader<CompactEntry>> treeReader;
  const WordReader* index = nullptr;
  std::uint64_t words = 0;
};

// Opens or reads the reference of `request`; false, after the reason on
// `errors`, when it cannot be.
bool openReference(const Request& request, Reference& reference, std::ostream& errors) {
  if (looksLikeIndexFile(request.reference)) {
    if (!reference.file.open(request.reference)) {
      indexFailed(reference.file, request.reference, errors);
      return false;
    }
    reference.fileReader = std::make_unique<IndexFileReader>(reference.file);
    reference.index = reference.fileReader.get();
    reference.words = reference.file.totals().words;
    return true;
  }
  // From an index the run has no order of its own: the reference's tree
  // takes the default one.
  Request texts = request;
  texts.texts = {request.reference};
  texts.text = request.reference;
  texts.order = request.order > 0 ? request.order : DEFAULT_ORDER;
  reference.tree = buildQuietIndex<CompactEntry>(texts, textRulesOf(request), reference.lines, errors);
  if (reference.tree == nullptr) return false;
  reference.treeReader = std::make_unique<TreeReader<CompactEntry>>(*reference.tree);
  reference.index = reference.treeReader.get();
  reference.words = reference.lines.positions().wordCount();
  return true;
}

// versefind [ORDER] --keywords --reference REF: the words the corpus uses
// more than REF does, as lines or a chart.
int runKeywords(const ToolRun& run) {
  const Request& r = run.request;
  Reference reference;
  if (!openReference(r, reference, run.errors)) return 1;
  std::vector<Keyword> found;
  findKeywords(run.corpus.index, run.corpus.words, *reference.index, reference.words, r.leastScore, found);
  if (!run.sound()) return 1;
  if (reference.file.problem() != IndexProblem::none) return indexFailed(reference.file, r.reference, run.errors);
  if (!r.plot) {
    writeKeywords(found, run.out);
    return 0;
  }
  std::vector<Bar> bars;
  bars.reserve(found.size());
  for (const Keyword& k : found) bars.push_back(Bar{k.word, k.score, scoreText(k.score)});
  writeBarChart("keywords of " + run.textName + " against " + r.reference, "log-likelihood", bars, run.out);
  return 0;
}

int runTool(const ToolRun& run) {
  switch (run.request.mode) {
    case Mode::collocates: return runCollocates(run);
    case Mode::clusters: return runClusters(run);
    default: return runKeywords(run);
  }
}

// The folder that n-gram runs are written to: the working folder, named
// whole in messages.
std::string runFolder() {
  std::error_code unknown;
  const std::filesystem::path folder = std::filesystem::current_path(unknown);
  return unknown ? std::string(".") : folder.string();
}

// The n-grams counted, merged and written.
int finishNgrams(const Request& request, NgramCounter& counter, std::ostream& out, std::ostream& errors) {
  setMemoryTask("versefind: not enough memory to count the n-grams");
  std::vector<CountedRun> found;
  if (!counter.finish(request.least, found)) {
    errors << "versefind: " << shownWord(counter.trouble()) << std::endl;
    return 1;
  }
  writeCountedRuns(found, out);
  return 0;
}

// versefind [ORDER] --ngrams K: the n-grams of the corpus, counted as its
// files are read; no tree is built.
int runNgramsInMemory(const Request& request, std::ostream& out, std::ostream& errors) {
  std::vector<std::string> files;
  if (!corpusFiles(request, files, errors)) return 1;
  setMemoryTask("versefind: not enough memory to count the n-grams");
  NgramCounter counter(request.span, request.memoryBytes, runFolder());
  TextLines lines;
  CorpusReading reading;
  reading.done = [&counter](std::size_t, const std::vector<std::uint64_t>&) {
    counter.endFile();
    return true;
  };
  const TakeWord take = [&counter](const std::string& word, std::uint32_t, std::uint32_t) { counter.add(word); };
  if (!readCorpus(files, textRulesOf(request), lines, take, errors, request.latin1, reading)) return 1;
  return finishNgrams(request, counter, out, errors);
}

// versefind --index INDEX --ngrams K: the same from the texts INDEX was
// built from, each read once from its start and kept nowhere.
int runNgramsFromIndex(const IndexFile& file, const Request& request, std::ostream& out, std::ostream& errors) {
  if (!textsUnchanged(file, request.indexPath, errors)) return 1;
  setMemoryTask("versefind: not enough memory to count the n-grams");
  NgramCounter counter(request.span, request.memoryBytes, runFolder());
  for (const IndexedText& text : file.texts()) {
    IndexFailure failure;
    const TakeWord take = [&counter](const std::string& word, std::uint32_t, std::uint32_t) { counter.add(word); };
    if (readTextWords(text.path, queryRules(), failure, take) == 0) {
      explainIndexFailure(errors, failure);
      return 1;
    }
    counter.endFile();
  }
  return finishNgrams(request, counter, out, errors);
}

// A corpus tool over the corpus indexed in memory.
int runToolInMemory(const Request& request, std::ostream& out, std::ostream& errors) {
  if (request.mode == Mode::ngrams) return runNgramsInMemory(request, out, errors);
  TextLines lines;
  const WordRules& rules = textRulesOf(request);
  const auto tree = buildQuietIndex<CompactEntry>(request, rules, lines, errors);
  if (tree == nullptr) return 1;
  const TreeReader<CompactEntry> index(*tree);
  const CorpusText corpus{index, lines, rules, lines.positions().wordCount()};
  return runTool(ToolRun{request, corpus, plotTitle(lines, request.text), out, errors, [] { return true; }});
}

// A corpus tool over an index file: the lines around a word's places are
// read from the texts, which must not have changed since the build.
int runToolFromIndex(const IndexFile& file, const IndexFileReader& index, const Request& request,
                     std::ostream& out, std::ostream& errors) {
  if (request.mode == Mode::ngrams) return runNgramsFromIndex(file, request, out, errors);
  TextLines lines;
  const bool read = request.mode == Mode::keywords
                        ? linesOfIndex(file, lines, [](std::size_t, std::string&) {})
                        : fetchLines(file, request.indexPath, queryRules(), lines, errors);
  if (!read) return file.problem() == IndexProblem::none ? 1 : indexFailed(file, request.indexPath, errors);
  const CorpusText corpus{index, lines, queryRules(), file.totals().words};
  const std::string& first = file.texts().empty() ? request.indexPath : file.texts()[0].path;
  const auto sound = [&file, &request, &errors] {
    if (file.problem() == IndexProblem::none) return true;
    indexFailed(file, request.indexPath, errors);
    return false;
  };
  return runTool(ToolRun{request, corpus, plotTitle(lines, first), out, errors, sound});
}

// versefind --index INDEX WORD..., -, --words: the answers of the texts
// that INDEX was built from, read from INDEX; the texts themselves are read
// only for the lines that place lines show.
int runFromIndex(const Request& request, std::istream& in, std::ostream& out,
                 std::ostream& errors) {
  IndexFile file;
  if (!file.open(request.indexPath)) return indexFailed(file, request.indexPath, errors);
  const IndexFileReader index(file);
  if (request.mode == Mode::explain) {
    bool damaged = false;
    const bool all = explainIndexSearches(file, queryRules(), request.words, out, errors, damaged);
    if (damaged) return indexFailed(file, request.indexPath, errors);
    return all ? 0 : 1;
  }
  if (request.mode == Mode::stats) {
    std::ostringstream figures;  // written whole, or not at all
    if (!writeIndexFileStats(file, figures)) return indexFailed(file, request.indexPath, errors);
    out << figures.str();
    return 0;
  }
  if (request.mode == Mode::dot) {
    return writeDot(IndexFileView(file), out) ? 0 : indexFailed(file, request.indexPath, errors);
  }
  if (request.mode == Mode::vocabulary) {
    writeVocabulary(index, out, request.byCount);
    return file.problem() == IndexProblem::none ? 0 : indexFailed(file, request.indexPath, errors);
  }
  if (isCorpusTool(request.mode)) return runToolFromIndex(file, index, request, out, errors);
  TextLines lines;
  const bool blocks = !request.count && !request.plot;
  if (blocks && !fetchLines(file, request.indexPath, queryRules(), lines, errors)) {
    return file.problem() == IndexProblem::none ? 1 : indexFailed(file, request.indexPath, errors);
  }
  // Counts and plots need where the words stand, not the lines.
  if (!blocks && !linesOfIndex(file, lines, [](std::size_t, std::string&) {})) {
    return indexFailed(file, request.indexPath, errors);
  }
  Layout layout = blocks ? layoutFor(request, out) : Layout{};
  layout.most = request.most;
  std::vector<PlotRow> rows;
  const AnswerForm form = request.count  ? AnswerForm::counts
                          : request.plot ? AnswerForm::plot
                                         : AnswerForm::blocks;
  const Concordance concordance{index,  lines, queryRules(), layout, out, errors, request.placeOrder,
                                form,   &rows};
  const bool all = request.mode == Mode::standardInput
                       ? answerLines(concordance, in, PROMPT_FOR_WORDS)
                       : answerWords(concordance, request.words);
  if (file.problem() != IndexProblem::none) return indexFailed(file, request.indexPath, errors);
  if (request.plot) {
    const std::string& first = file.texts().empty() ? request.indexPath : file.texts()[0].path;
    writeDispersionPlot(plotTitle(lines, first), lines.positions().wordCount(), rows, out,
                        fileMarksOf(lines));
  }
  return all ? 0 : 1;
}

// Without a UTF-8 locale the text rules cannot tell letters outside ASCII
// apart: the person is told, once a run.
void warnAboutCharacters(const Request& request, std::ostream& errors) {
  const char* const limit = request.classic ? nullptr : textRulesLimit();
  if (limit != nullptr) errors << "versefind: " << limit << '\n';
}

// versefind ORDER --trace [WORD...]: the insertions of the words given, or
// of the text's first words, event by event, into a tree of entries of type
// Entry, the words cut and cleaned by `rules`.
template <typename Entry>
int runTrace(const Request& request, const WordRules& rules, std::ostream& out,
             std::ostream& errors) {
  std::vector<TracedWord> words;
  bool dropped = false;
  if (request.words.empty()) {
    TextLines lines;
    if (buildQuietIndex<Entry>(request, rules, lines, errors) == nullptr) return 1;
    words = firstFields(lines, rules, TRACED_TEXT_FIELDS, errors);
  } else {
    words = givenWords(request.words, rules, errors, dropped);
  }
  std::size_t eventCount = 0;
  const std::vector<TraceEvent> events = traceInsertions<Entry>(request.order, words, eventCount);
  if (eventCount > MOST_TRACE_EVENTS) {
    errors << "versefind: the trace would take " << eventCount << " events, more than "
           << MOST_TRACE_EVENTS << ": give fewer words\n";
    return 2;
  }
  if (request.traceFormat == TraceFormat::json) {
    writeTraceJson(events, out);
  } else if (request.traceFormat == TraceFormat::html) {
    const std::string what = request.words.empty()
                                 ? "the first " + std::to_string(words.size()) + " words of " +
                                       request.text
                                 : std::to_string(words.size()) + " words";
    writeTracePage(out, "versefind: a B-tree of order " + std::to_string(request.order) +
                            ", inserting " + what,
                   request.order, events);
  } else {
    writeTraceText(events, out);
  }
  return dropped ? 1 : 0;
}

// versefind ORDER --words, --stats, --dot, --explain WORD... or --cost: the
// whole index of entries of type Entry, built by `rules`, in one view, or
// its searches or its building watched. --trace, which builds a tree of its
// own, is sent on to runTrace.
template <typename Entry>
int runView(const Request& request, const WordRules& rules, std::ostream& out,
            std::ostream& errors) {
  if (request.mode == Mode::trace) return runTrace<Entry>(request, rules, out, errors);
  TextLines lines;
  CostCounter<Entry> counted;
  const bool cost = request.mode == Mode::cost;
  const auto tree = buildQuietIndex<Entry>(request, rules, lines, errors, cost ? &counted : nullptr);
  if (tree == nullptr) return 1;
  if (request.mode == Mode::explain) {
    // --trace=json asks for the searches as JSON lines.
    const TraceFormat format = request.traced ? request.traceFormat : TraceFormat::text;
    return explainSearches(*tree, rules, request.words, format, out, errors) ? 0 : 1;
  }
  if (request.mode == Mode::vocabulary) {
    writeVocabulary(TreeReader<Entry>(*tree), out, request.byCount);
  } else if (request.mode == Mode::stats) {
    writeStats(*tree, out);
  } else if (request.mode == Mode::cost) {
    writeCost(*tree, counted, out);
  } else {
    writeDot(*tree, out);
  }
  return 0;
}

}  // namespace

int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors, const RunSettings& settings) {
  Request request;
  const std::string problem = parseArguments(arguments, request);
  if (!problem.empty()) {
    // An argument is named as typed, but a control byte in it, like one in
    // a file name, is shown escaped, never sent to the terminal raw.
    errors << "versefind: " << shownWord(problem) << "\nTry 'versefind --help' for more information."
           << std::endl;
    return 2;
  }
  if (request.help) {
    out << USAGE_TEXT;
    return 0;
  }
  if (request.version) {
    out << "versefind " << PROGRAM_VERSION << std::endl;
    return 0;
  }
  if (!request.indexPath.empty()) return runFromIndex(request, in, out, errors);
  switch (request.mode) {
    case Mode::save:
      return runSave(request, errors);
    case Mode::dialogue:
      return runDialogue(request, in, out, errors, settings);
    case Mode::trials:
      return runTrialsFromShell(request, out, errors, settings);
    case Mode::words:
    case Mode::standardInput:
      warnAboutCharacters(request, errors);
      // --classic answers from the trials' index, by the trials' rules.
      return request.classic ? runQueries<WordEntry>(request, classicRules(), in, out, errors)
                             : runQueries<CompactEntry>(request, textRulesOf(request), in, out, errors);
    case Mode::collocates:
    case Mode::clusters:
    case Mode::ngrams:
    case Mode::keywords:
      warnAboutCharacters(request, errors);
      return runToolInMemory(request, out, errors);
    case Mode::vocabulary:
    case Mode::stats:
    case Mode::dot:
    case Mode::trace:
    case Mode::explain:
    case Mode::cost:
      // --classic shows the trials' index, built by the trials' rules.
      warnAboutCharacters(request, errors);
      return request.classic ? runView<WordEntry>(request, classicRules(), out, errors)
                             : runView<CompactEntry>(request, textRulesOf(request), out, errors);
  }
  return 2;
}

int runSearchDriver(const std::vector<std::string>& arguments, std::istream& in,
                    std::ostream& out, std::ostream& errors) {
  const RunSettings real{[] { return std::clock(); }, CLOCKS_PER_SEC,
                         static_cast<unsigned>(std::time(nullptr))};
  return runSearchDriver(arguments, in, out, errors, real);
}
