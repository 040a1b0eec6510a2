#include "xml_check.h"

#include <cctype>
#include <set>
#include <vector>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':'; }
bool isNameChar(char c) {
  return isNameStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

// The length of the entity that starts at `at` (an '&'): one of XML's five
// names or a character reference, up to its ';'. 0 when there is none.
std::size_t entityAt(const std::string& s, std::size_t at) {
  const std::size_t end = s.find(';', at);
  if (end == std::string::npos) return 0;
  const std::string name = s.substr(at + 1, end - at - 1);
  bool known = name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos";
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x';
    const std::string digits = name.substr(hex ? 2 : 1);
    known = !digits.empty() &&
            digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") == std::string::npos;
  }
  return known ? end - at + 1 : 0;
}

std::size_t nameEnd(const std::string& s, std::size_t at) {
  while (at < s.size() && isNameChar(s[at])) ++at;
  return at;
}

}  // namespace

std::string findMarkupFault(const std::string& s, Markup kind) {
  static const std::set<std::string> voids = {"area", "base", "br", "col", "embed", "hr", "img",
                                              "input", "link", "meta", "source", "track", "wbr"};
  const bool html = kind == Markup::html;
  std::vector<std::string> open;  // the elements open, the root first
  int openSvgs = 0;
  bool rooted = false;
  std::size_t at = 0;
  const auto fault = [&at](const std::string& what) { return what + " at byte " + std::to_string(at); };
  // Skips to just past `end`, or fails with `what`.
  const auto skipPast = [&](const std::string& end, std::size_t from) {
    const std::size_t found = s.find(end, from);
    at = found == std::string::npos ? s.size() + 1 : found + end.size();
    return found != std::string::npos;
  };
  while (at < s.size()) {
    if (s[at] != '<') {  // character data
      if (!isBlank(s[at])) {
        if (open.empty()) return fault("text outside the root element");
        if (openSvgs > 0 && open.back() != "text" && open.back() != "title") {
          return fault("text in <" + open.back() + ">");
        }
        if (s[at] == '&' && entityAt(s, at) == 0) return fault("an unknown entity");
      }
      ++at;
      continue;
    }
    if (s.compare(at, 4, "<!--") == 0) {
      if (!skipPast("-->", at + 4)) return "a comment never closed";
    } else if (s.compare(at, 2, "<?") == 0 || (s.compare(at, 9, "<!DOCTYPE") == 0 && !rooted)) {
      if (!skipPast(">", at)) return "a declaration never closed";
    } else if (s.compare(at, 2, "</") == 0) {
      const std::size_t end = nameEnd(s, at + 2);
      const std::string name = s.substr(at + 2, end - at - 2);
      if (open.empty() || open.back() != name) {
        return fault("</" + name + "> where " + (open.empty() ? "nothing" : "<" + open.back() + ">") + " is open");
      }
      if (s.compare(end, 1, ">") != 0) return fault("</" + name + " not ended by '>'");
      openSvgs -= name == "svg" ? 1 : 0;
      open.pop_back();
      at = end + 1;
    } else {
      if (at + 1 >= s.size() || !isNameStart(s[at + 1])) return fault("a '<' that opens no tag");
      std::size_t n = nameEnd(s, at + 1);
      const std::string name = s.substr(at + 1, n - at - 1);
      if (open.empty() && rooted) return fault("a second root element <" + name + ">");
      std::set<std::string> attributes;
      for (;;) {
        const std::size_t before = n;
        while (n < s.size() && isBlank(s[n])) ++n;
        if (n >= s.size()) return fault("<" + name + " never ended");
        if (s[n] == '>' || s.compare(n, 2, "/>") == 0) break;
        if (n == before || !isNameStart(s[n])) return fault("a stray character in <" + name + ">");
        const std::size_t end = nameEnd(s, n);
        const std::string attribute = s.substr(n, end - n);
        if (!attributes.insert(attribute).second) return fault(attribute + " twice in <" + name + ">");
        n = end;
        if (s[n] != '=' && html) continue;  // an attribute with no value
        if (s[n] != '=' || (s[n + 1] != '"' && s[n + 1] != '\'')) {
          return fault(attribute + " of <" + name + "> without a quoted value");
        }
        const std::size_t close = s.find(s[n + 1], n + 2);
        if (close == std::string::npos) return fault(attribute + " of <" + name + "> never closed");
        for (std::size_t k = n + 2; k < close; ++k) {
          if (s[k] == '<' || (s[k] == '&' && entityAt(s, k) == 0)) {
            return fault("a bad character in " + attribute + " of <" + name + ">");
          }
        }
        n = close + 1;
      }
      rooted = true;
      const bool alone = s[n] == '/' || (html && voids.count(name) != 0);
      at = n + (s[n] == '/' ? 2 : 1);
      if (alone) continue;
      open.push_back(name);
      openSvgs += name == "svg" ? 1 : 0;
      // Their bodies are raw text, up to their end tag.
      if (html && (name == "script" || name == "style")) at = s.find("</" + name, at);
      if (at == std::string::npos) return "<" + name + "> never closed";
    }
  }
  if (!open.empty()) return fault("<" + open.back() + "> never closed");
  return rooted ? "" : "no root element";
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}
