#include "word_rules_model.h"

std::vector<std::vector<std::string>> wordsByLine(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? end : end - start);
    if (end != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);

    std::vector<std::string> words(1);
    for (const char c : line) {
      if (c == ' ') {
        words.emplace_back();
      } else if (std::string(",;:'-!?.").find(c) == std::string::npos) {
        words.back() += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
      }
    }
    lines.push_back(words);
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

std::string listingOf(const std::string& text) {
  std::string listing;
  for (const std::vector<std::string>& words : wordsByLine(text)) {
    for (const std::string& word : words) listing += word + ' ';
    listing += '\n';
  }
  return listing;
}

std::vector<std::string> placesInText(const std::vector<std::vector<std::string>>& lines,
                                      const std::string& word) {
  std::vector<std::string> places;
  for (std::size_t line = 0; line < lines.size(); ++line) {
    for (std::size_t field = 0; field < lines[line].size(); ++field) {
      if (lines[line][field] != word) continue;
      places.push_back("(" + std::to_string(field + 1) + "," + std::to_string(line + 1) + ")");
    }
  }
  return places;
}
