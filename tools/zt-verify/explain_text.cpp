// zt-verify/explain_text.cpp: the verdict line, the message and hint, and the checks.
#include "explain_text.h"

#include <algorithm>
#include <string>

#include "json_output.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

std::string text_member(const json::Value& object, std::string_view key) {
  const json::Value* value = object.find(key);
  return value != nullptr && value->is_string() ? value->as_string() : std::string();
}

// shown: a value as people read it: a string through visible_text, anything else
// as JSON (whose writer escapes every invisible character).
std::string shown(const json::Value& value) {
  if (value.is_string()) return visible_text(value.as_string());
  return to_json(value);
}

const char* status_column(const std::string& status) {
  if (status == "passed") return "ok       ";
  if (status == "failed") return "FAILED   ";
  if (status == "not_checked") return "unchecked";
  return "not run  ";
}

// value_rank: inputs first, then what was recomputed, then what was reported, so
// the two values a check compares stand one above the other.
int value_rank(const std::string& name) {
  if (name.starts_with("computed_") || name.starts_with("derived_")) return 1;
  if (name.starts_with("reported_")) return 2;
  return 0;
}

void write_values(const json::Value& values, std::ostream& out) {
  if (!values.is_object()) return;
  std::size_t width = 0;
  for (const auto& [name, value] : values.as_object()) width = std::max(width, name.size());
  for (int rank = 0; rank < 3; ++rank) {
    for (const auto& [name, value] : values.as_object()) {
      if (value_rank(name) != rank) continue;
      out << "                " << name << std::string(width - name.size() + 2, ' ') << shown(value)
          << "\n";
    }
  }
}

// A step's members in reading order: which step, then its inputs, then its result.
constexpr const char* kStepOrder[] = {"step",    "beacon", "part",  "side",
                                      "sibling", "value",  "result"};

void write_steps(const json::Value& steps, std::ostream& out) {
  if (!steps.is_array()) return;
  for (const json::Value& step : steps.as_array()) {
    if (!step.is_object()) continue;
    out << "                -";
    for (const char* name : kStepOrder) {
      if (const json::Value* value = step.find(name)) out << " " << name << " " << shown(*value);
    }
    out << "\n";
  }
}

void write_check(const json::Value& check, std::size_t number, Detail detail, std::ostream& out) {
  const std::string status = text_member(check, "status");
  out << "  " << (number < 10 ? " " : "") << number << ". " << status_column(status) << " "
      << text_member(check, "title") << "\n";
  if (detail == Detail::values && status != "not_run") {
    write_values(*check.find("values"), out);
    write_steps(*check.find("steps"), out);
  }
  if (const json::Value* notes = check.find("notes"); notes != nullptr && notes->is_array()) {
    if (detail == Detail::values || status == "failed") {
      for (const json::Value& note : notes->as_array()) {
        out << "              note: " << shown(note) << "\n";
      }
    }
  }
}

}  // namespace

std::string verdict_line(const json::Value& explanation) {
  const std::string verdict = text_member(explanation, "verdict");
  const json::Value* checks = explanation.find("checks");
  const std::size_t count = checks != nullptr && checks->is_array() ? checks->as_array().size() : 0;
  if (verdict == "verified") {
    const json::Value* outcome_checked = explanation.find("outcome_checked");
    if (outcome_checked != nullptr && outcome_checked->is_bool() && !outcome_checked->as_bool()) {
      return "VERIFIED  every check passed, but the outcome was not checked (no-op game)";
    }
    return "VERIFIED  all " + std::to_string(count) + " checks passed";
  }
  if (verdict == "failed" || verdict == "unregistered") {
    std::size_t number = 0;
    std::string name;
    for (std::size_t i = 0; i < count; ++i) {
      if (text_member(checks->as_array()[i], "status") == "failed") {
        number = i + 1;
        name = text_member(checks->as_array()[i], "name");
        break;
      }
    }
    if (verdict == "unregistered") {
      return "NOT VERIFIED  no package was given for the bet's game, so its outcome cannot be "
             "checked";
    }
    return "FAILED  check " + std::to_string(number) + " of " + std::to_string(count) + " (" +
           name + ") failed";
  }
  const std::string stage = text_member(explanation, "stage");
  if (stage == "receipt" || stage == "transcript") return "ERROR  the " + stage + " did not decode";
  if (stage == "package") return "ERROR  a package did not register";
  if (stage == "arguments") return "ERROR  bad arguments";
  return "ERROR  the input could not be read";
}

void write_explanation_text(const json::Value& explanation, Detail detail, std::ostream& out) {
  out << verdict_line(explanation) << "\n";
  if (const json::Value* message = explanation.find("message"); message && message->is_string()) {
    out << "  message  " << visible_text(message->as_string()) << "\n";
  }
  if (const json::Value* hint = explanation.find("hint"); hint && hint->is_string()) {
    out << "  hint     " << visible_text(hint->as_string()) << "\n";
  }
  const json::Value* checks = explanation.find("checks");
  if (checks == nullptr || !checks->is_array() || checks->as_array().empty()) return;
  if (const json::Value* bet_id = explanation.find("bet_id"); bet_id && bet_id->is_string()) {
    out << "  bet      " << visible_text(bet_id->as_string()) << "\n";
  }
  if (const json::Value* gdp_id = explanation.find("gdp_id"); gdp_id && gdp_id->is_string()) {
    out << "  game     " << visible_text(gdp_id->as_string()) << "\n";
  }
  out << "checks, in the order they are made:\n";
  std::size_t number = 0;
  for (const json::Value& check : checks->as_array()) write_check(check, ++number, detail, out);
  if (text_member(explanation, "verdict") == "verified") {
    out << "A verified bet says nothing about payout, aux, operator_sig or root_index: they are "
           "not checked.\n";
  }
}

}  // namespace zt::cli
