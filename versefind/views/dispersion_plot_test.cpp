// The plot's marks where a reader of the picture finds them, in well-formed
// SVG, and text that cannot break the XML around it.
#include "views/dispersion_plot.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "xml_check.h"

namespace {

TEST(DispersionPlot, EscapesWhatXmlCannotHoldAsItIs) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a<b>&\"c'", "a&lt;b&gt;&amp;&quot;c&apos;"},
      {"caf\xc3\xa9 \xce\xbb\xf0\x9f\x98\x80", "caf\xc3\xa9 \xce\xbb\xf0\x9f\x98\x80"},
      {"\x01\t\x7f", "\\x01\\x09\\x7f"},
      {"\xc3(\xff\xc0\xaf\xe2\x82", "\\xc3(\\xff\\xc0\\xaf\\xe2\\x82"},  // cut, invalid, overlong, at the end
      {"\xed\xa0\x80\xef\xbf\xbf\xc2\x85", "\\xed\\xa0\\x80\\xef\\xbf\\xbf\\xc2\\x85"},  // surrogate, U+FFFF, C1
  };
  for (const auto& c : cases) EXPECT_EQ(xmlEscaped(c.first), c.second) << c.first;
}

TEST(DispersionPlot, PutsAMarkAtEachPlaceAlongTheText) {
  std::ostringstream out;
  writeDispersionPlot("a <text> & \"its\" title", 200, {{"love", {0, 100, 199}}}, out);
  EXPECT_EQ(findMarkupFault(out.str()), "");
  EXPECT_EQ(occurrences(out.str(), "<text "), 4U);  // the title, the row's label, the axis' two ends
  // The plot runs from x = 220 over 560 pixels: word 100 of 200 at its middle.
  for (const char* x : {"x=\"220.0\"", "x=\"500.0\"", "x=\"777.2\""}) {
    EXPECT_NE(out.str().find(std::string("<rect class=\"place\" ") + x), std::string::npos) << x;
  }
  // One mark a place, and no other.
  std::size_t marks = 0;
  for (std::size_t at = out.str().find("class=\"place\""); at != std::string::npos;
       at = out.str().find("class=\"place\"", at + 1)) {
    ++marks;
  }
  EXPECT_EQ(marks, 3U);
}

}  // namespace
