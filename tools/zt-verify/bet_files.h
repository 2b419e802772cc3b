// zt-verify/bet_files.h: what `bet` and `explain` share: reading the two document
// files, registering the packages and explaining the bet.
#pragma once

#include <string>
#include <vector>

#include "json/value.h"
#include "packages.h"

namespace zt::cli {

struct ExplainedBet {
  json::Value explanation;                  // explain_bet_json's object, or explain_error_json's
  std::vector<Registration> registrations;  // what was registered before the bet was looked at
};

// explain_bet_files: reads |receipt_file| and |transcript_file| ("-" for standard
// input, at most one of them), registers |packages|, then explains the bet.
ExplainedBet explain_bet_files(const std::string& receipt_file, const std::string& transcript_file,
                               const PackageOptions& packages);

// exit_code_of: the "exit_code" member of an explanation.
int exit_code_of(const json::Value& explanation);

}  // namespace zt::cli
