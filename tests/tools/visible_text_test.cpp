// visible_text_test.cpp: operator text shown to people cannot move the cursor,
// recolour, reorder or hide anything, and the JSON writer keeps it equally inert.
#include "visible_text.h"

#include <gtest/gtest.h>

#include <string>

#include "json_output.h"

namespace zt::cli {
namespace {

struct VisibleCase {
  const char* name;
  std::string text;
  std::string shown;
};

TEST(VisibleText, MakesEveryNonPrintingCodePointVisible) {
  const VisibleCase cases[] = {
      {"plain ascii", "bet-plinko-1", "bet-plinko-1"},
      {"printable non-ascii kept", "caf\xC3\xA9 \xE6\x97\xA5", "caf\xC3\xA9 \xE6\x97\xA5"},
      {"fake verdict line", "x\r\x1b[32mVERIFIED\x1b[0m  bet b\x1b[K\n",
       "x\\r\\u{1b}[32mVERIFIED\\u{1b}[0m  bet b\\u{1b}[K\\n"},
      {"tab and nul", std::string("a\tb\0c", 5), "a\\tb\\u{0}c"},
      {"delete and c1 csi",
       "a\x7f\xC2\x9b"
       "31m",
       "a\\u{7f}\\u{9b}31m"},
      {"right-to-left override",
       "abc\xE2\x80\xAE"
       "fed",
       "abc\\u{202e}fed"},
      {"isolates and marks", "\xE2\x81\xA6x\xE2\x81\xA9\xE2\x80\x8F",
       "\\u{2066}x\\u{2069}\\u{200f}"},
      {"zero width and bom",
       "a\xE2\x80\x8B"
       "b\xEF\xBB\xBF",
       "a\\u{200b}b\\u{feff}"},
      {"line separator",
       "a\xE2\x80\xA8"
       "b",
       "a\\u{2028}b"},
      {"tag characters", "\xF3\xA0\x80\x81", "\\u{e0001}"},
      {"noncharacter", "\xEF\xBF\xBF", "\\u{ffff}"},
      {"invalid bytes", "a\xFF\xC3", "a\\x{ff}\\x{c3}"},
      {"overlong slash", "\xC0\xAF", "\\x{c0}\\x{af}"},
      {"encoded surrogate", "\xED\xA0\x80", "\\x{ed}\\x{a0}\\x{80}"},
      {"backslash doubled", "a\\u{1b}", "a\\\\u{1b}"},
  };
  for (const VisibleCase& c : cases) {
    EXPECT_EQ(visible_text(c.text), c.shown) << c.name;
  }
}

TEST(VisibleText, HtmlEscapeCoversMarkupCharacters) {
  EXPECT_EQ(html_escape("<b a=\"1\" c='2'>&</b>"),
            "&lt;b a=&quot;1&quot; c=&#39;2&#39;&gt;&amp;&lt;/b&gt;");
}

TEST(VisibleText, JsonOutputEscapesInvisibleCodePointsLosslessly) {
  EXPECT_EQ(to_json(json::Value("a\x1b[0m\xE2\x80\xAE"
                                "b\xF3\xA0\x80\x81\xC3\xA9")),
            "\"a\\u001b[0m\\u202eb\\udb40\\udc01\xC3\xA9\"");
  EXPECT_EQ(to_json(json::Value("\xFF")), "\"\\ufffd\"");
}

}  // namespace
}  // namespace zt::cli
