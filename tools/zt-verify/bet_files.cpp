// zt-verify/bet_files.cpp: files and packages first, then the explanation.
#include "bet_files.h"

#include "exit_code.h"
#include "explain_json.h"
#include "read_file.h"

namespace zt::cli {

ExplainedBet explain_bet_files(const std::string& receipt_file, const std::string& transcript_file,
                               const PackageOptions& packages) {
  ExplainedBet result;
  if (receipt_file == "-" && transcript_file == "-") {
    result.explanation = explain_error_json(
        kExitBadInput, "arguments",
        "only one of RECEIPT and TRANSCRIPT can be - (standard input); name a file for the other");
    return result;
  }
  auto receipt = read_file(receipt_file);
  if (!receipt) {
    result.explanation = explain_error_json(kExitBadInput, "input", std::move(receipt.error()));
    return result;
  }
  auto transcript = read_file(transcript_file);
  if (!transcript) {
    result.explanation = explain_error_json(kExitBadInput, "input", std::move(transcript.error()));
    return result;
  }

  auto registrations = register_mappers(packages);
  if (!registrations) {
    const RegistrationFailure& failure = registrations.error();
    std::string message = failure.message;
    if (failure.file && failure.exit_code == kExitLoadFailed) {
      message = "package " + *failure.file + " did not register: " + message;
    }
    result.explanation = explain_error_json(
        failure.exit_code, failure.exit_code == kExitBadInput ? "arguments" : "package",
        std::move(message));
    return result;
  }
  result.registrations = std::move(*registrations);
  result.explanation = explain_bet_json(*receipt, *transcript);
  return result;
}

int exit_code_of(const json::Value& explanation) {
  const json::Value* code = explanation.find("exit_code");
  return code != nullptr && code->is_unsigned() ? static_cast<int>(code->as_unsigned())
                                                : kExitBadInput;
}

}  // namespace zt::cli
