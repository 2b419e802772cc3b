// zt-verify/visible_text.h: the one way text from documents and packages is shown
// to people. Operator text is data: a bet id, a game name or a description must
// never move the cursor, recolour the screen, reorder what follows it or hide a
// line. Every subcommand passes such text through visible_text before printing it,
// and a web page does the same before its own HTML escaping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zt::cli {

// visible_text: |text| with everything that does not print as itself made visible:
//   - newline, carriage return and tab as \n, \r and \t;
//   - other control characters (C0, DEL, C1, so every escape sequence), bidirectional
//     marks, embeddings, overrides and isolates, zero-width and other invisible
//     formatting characters, line and paragraph separators, the byte order mark and
//     noncharacters as \u{hex}, e.g. ESC as \u{1b} and U+202E as \u{202e};
//   - bytes that are not part of valid UTF-8 as \x{hex}, e.g. \x{ff};
//   - the backslash itself as \\, so an escape shown is never one the text contained.
// Everything else, including printable non-ASCII text, is kept as it is.
std::string visible_text(std::string_view text);

// is_invisible_code_point: whether visible_text writes |code_point| as \u{hex}
// (newline, carriage return and tab included). The JSON writer uses the same list.
bool is_invisible_code_point(std::uint32_t code_point);

// html_escape: |text| with &, <, >, " and ' written as character references, for
// putting visible_text's result into an HTML page or attribute.
std::string html_escape(std::string_view text);

}  // namespace zt::cli
