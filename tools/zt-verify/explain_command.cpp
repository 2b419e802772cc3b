// zt-verify/explain_command.cpp: the explanation as text, or as explain_bet_json's
// object with --json.
#include "explain_command.h"

#include "bet_files.h"
#include "explain_text.h"
#include "json_output.h"

namespace zt::cli {

int run_explain(const ExplainOptions& options, std::ostream& out) {
  ExplainedBet bet =
      explain_bet_files(options.receipt_file, options.transcript_file, options.packages);
  if (options.json) {
    out << to_json(bet.explanation) << "\n";
  } else {
    write_explanation_text(bet.explanation, Detail::values, out);
  }
  return exit_code_of(bet.explanation);
}

}  // namespace zt::cli
