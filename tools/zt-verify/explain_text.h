// zt-verify/explain_text.h: an explanation (explain_bet_json's object) as text for a
// terminal. The first line is the verdict, built from the tool's own words only;
// every text that came from a document goes through visible_text.
#pragma once

#include <ostream>

#include "json/value.h"

namespace zt::cli {

enum class Detail {
  checks,  // the verdict and one line per check (`bet`)
  values,  // also every recomputed and reported value, step and note (`explain`)
};

void write_explanation_text(const json::Value& explanation, Detail detail, std::ostream& out);

// verdict_line: e.g. "FAILED  check 4 of 9 (merkle_proof) failed", our words only.
std::string verdict_line(const json::Value& explanation);

}  // namespace zt::cli
