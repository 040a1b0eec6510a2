#include "text_rules_model.h"

#include "platform/console.h"

namespace {

// One character of the line, or one byte that is not valid UTF-8
// (code -1). `at` is where it starts.
struct Character {
  long code;
  std::size_t at;
};

// Decodes by the shape of the lead byte, then rejects what the value
// shows to be wrong: too short for the value, a surrogate, too large.
std::vector<Character> decodeLine(const std::string& line) {
  std::vector<Character> characters;
  std::size_t at = 0;
  while (at < line.size()) {
    const unsigned lead = static_cast<unsigned char>(line[at]);
    std::size_t size = 0;
    long code = 0;
    if (lead < 0x80) { size = 1; code = lead; }
    else if ((lead >> 5) == 0x6) { size = 2; code = lead & 0x1F; }
    else if ((lead >> 4) == 0xE) { size = 3; code = lead & 0x0F; }
    else if ((lead >> 3) == 0x1E) { size = 4; code = lead & 0x07; }
    bool valid = size != 0 && at + size <= line.size();
    for (std::size_t k = 1; valid && k < size; ++k) {
      const unsigned next = static_cast<unsigned char>(line[at + k]);
      valid = (next >> 6) == 0x2;
      code = code * 64 + (next & 0x3F);
    }
    const long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid) valid = code >= smallest[size] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
      size = 1;
      code = -1;
    }
    characters.push_back({code, at});
    at += size;
  }
  return characters;
}

enum Kind { LETTER, JOINER, OTHER };

Kind kindOf(long code) {
  if (code < 0) return OTHER;
  if (code == '\'' || code == '-' || code == 0x2019 || code == 0x2010 || code == 0x2011) return JOINER;
  return isWordCharacter(static_cast<char32_t>(code)) ? LETTER : OTHER;
}

std::string utf8(long code) {
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  int more = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
  const long lead[] = {0, 0xC0, 0xE0, 0xF0};
  std::string out(1, static_cast<char>(lead[more] | (code >> (6 * more))));
  while (more-- > 0) out += static_cast<char>(0x80 | ((code >> (6 * more)) & 0x3F));
  return out;
}

std::string cleaned(long code) {
  if (code == 0x2019) return "'";
  if (code == 0x2010 || code == 0x2011) return "-";
  return utf8(static_cast<long>(lowerCaseCharacter(static_cast<char32_t>(code))));
}

}  // namespace

std::vector<ModelWord> modelWords(const std::string& line) {
  std::vector<ModelWord> words;
  const std::vector<Character> characters = decodeLine(line);
  enum { OUTSIDE, IN_WORD, AFTER_JOINER } state = OUTSIDE;
  std::size_t joinerAt = 0;  // index of the joiner waiting for a letter
  for (std::size_t i = 0; i <= characters.size(); ++i) {
    const Kind kind = i < characters.size() ? kindOf(characters[i].code) : OTHER;
    const std::size_t at = i < characters.size() ? characters[i].at : line.size();
    switch (state) {
      case OUTSIDE:
        if (kind == LETTER) {
          words.push_back({static_cast<int>(words.size()) + 1, at, 0, cleaned(characters[i].code)});
          state = IN_WORD;
        }
        break;
      case IN_WORD:
        if (kind == LETTER) {
          words.back().word += cleaned(characters[i].code);
        } else {
          words.back().end = at;
          if (kind == JOINER) joinerAt = i;
          state = kind == JOINER ? AFTER_JOINER : OUTSIDE;
        }
        break;
      case AFTER_JOINER:
        if (kind == LETTER) {
          words.back().word += cleaned(characters[joinerAt].code) + cleaned(characters[i].code);
          state = IN_WORD;
        } else {
          state = OUTSIDE;
        }
        break;
    }
  }
  return words;
}

std::vector<std::string> modelLines(const std::string& text) {
  std::string rest = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
  std::vector<std::string> lines;
  while (!rest.empty()) {
    const std::size_t feed = rest.find('\n');
    if (feed == std::string::npos) {
      lines.push_back(rest);
      break;
    }
    std::string line = rest.substr(0, feed);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    rest.erase(0, feed + 1);
  }
  return lines;
}
