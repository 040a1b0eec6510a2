// A well-formedness check of the SVG and HTML the programs write, for the
// tests: enough of XML to tell that every tag is closed where it was opened,
// every attribute quoted and every entity known, and no stray text stands
// among a drawing's shapes. The programs themselves never call it.
#ifndef TESTING_XML_CHECK_H
#define TESTING_XML_CHECK_H

#include <cstddef>
#include <string>

// How strictly markup is read. `xml`: one root element, every element closed.
// `html`: the same, but the void elements (<meta>, <input>, ...) stand alone,
// an attribute may have no value, and a <script> or <style> holds raw text.
// Either way, inside an <svg> element words stand only in <text> and <title>.
enum class Markup { xml, html };

// Describes the first fault of `markup`, with the byte where it stands, or
// returns "" when it is well-formed.
std::string findMarkupFault(const std::string& markup, Markup kind = Markup::xml);

// How many times `part` stands in `text`.
std::size_t occurrences(const std::string& text, const std::string& part);

#endif  // TESTING_XML_CHECK_H
