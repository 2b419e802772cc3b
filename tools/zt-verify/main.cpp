// zt-verify/main.cpp: the command line: subcommands, options and help texts, and
// the mapping of argument errors to exit code 1.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "batch_command.h"
#include "bet_command.h"
#include "exit_code.h"
#include "explain_command.h"
#include "inspect_command.h"
#include "json/value.h"
#include "json_output.h"
#include "serve_command.h"
#include "visible_text.h"

namespace {

constexpr const char* kOverview =
    R"(zt-verify checks settled bets of provably fair games without trusting the operator.

A bet comes as two JSON documents from the operator:
  receipt      issued when the bet was placed: the committed bet parameters, the
               bet's Merkle leaf, an inclusion proof and the operator's published root.
  transcript   issued when the bet was settled: the revealed server seed, the public
               beacon values, the derived rng entropy and the reported outcome.
zt-verify recomputes every commitment from first principles and replays the outcome
with the game's deterministic mapper. A game's mapper comes from its game definition
package (GDP): a tar or tar.gz file whose gdp.json names the game id, the mapper
(plinko or slot) and its parameters, usually signed with an Ed25519 key.
)";

constexpr const char* kFooter = R"(
Exit codes:
  0    verified
  1    bad argument, or a file that cannot be read or is not UTF-8
  2    a document or package did not decode, load or register
  3    a bet failed verification
  4    a bet's game has no package (--gdp) or --noop, so its outcome was not checked
       (and nothing else failed)
  5    batch: the input holds no bets
  130  batch: stopped by Ctrl-C; the summary covers the bets verified until then
Add --json to any command for one JSON object on standard output.
Run 'zt-verify help COMMAND' or 'zt-verify COMMAND --help' for the options of a command.)";

constexpr const char* kBetFooter = R"(
The packages are registered first, in the order given, then the --noop ids. A bet's
commitment names its game in gdp_id; that game's mapper checks the outcome.
RECEIPT or TRANSCRIPT (not both) may be -, standard input.

A verified bet does not vouch for payout, aux, operator_sig or root_index: they
are not checked. When a bet fails, 'zt-verify explain' with the same arguments
shows every recomputed and reported value.

Examples:
  zt-verify bet plinko-1.receipt.json plinko-1.transcript.json --gdp plinko-classic.tar.gz
  zt-verify bet dice-1.receipt.json dice-1.transcript.json --noop dice-noop
  producer | zt-verify bet - transcript.json --gdp game.tar.gz    (- reads standard input)
  zt-verify bet r.json t.json --gdp game.tar.gz --signer e7f4c0bad9cd8cca16cb7179e9449488f304a10e5760dae2cc1d56f1e09f8ea6 --json)";

constexpr const char* kExplainFooter = R"(
Runs the same checks as 'bet', in the same order, and shows for each what was
recomputed and what the operator reported: the canonical commitment bytes and the
leaf, every Merkle step, the seed commitment, the beacon values in the order they
are hashed, the entropy material, and the mapper's drawn values and derived outcome
beside the reported one. The first failing check is marked; the checks after it
are not run. The verdict and message are always those of 'bet'.

Examples:
  zt-verify explain plinko-1.receipt.json plinko-1.transcript.json --gdp plinko-classic.tar.gz
  zt-verify explain r.json t.json --gdp game.tar.gz --json)";

constexpr const char* kBatchFooter = R"(
FILE holds one bet per line (JSON Lines), each an object with the members "receipt"
and "transcript". Each member is either the document itself, written inline, or a
JSON string holding the document's text. A string member "name" is copied into the
reports; other members are ignored. Blank lines are skipped, and a line that is not
such an object counts as a failed bet. A pretty-printed document spreads over many
lines and cannot be read here: give it to 'zt-verify bet' instead.

The summary groups failures by message, with positions left out, and shows at
most 1000 groups (the rest as "other messages"); it counts the bets accepted
without an outcome check (--noop) and lists bet_ids that occur on several lines.
--failures FILE gets LINE<TAB>MESSAGE<TAB>BET_ID<TAB>NAME per failed bet;
--results FILE gets one JSON object per line, in input order:
  {"line":7,"verdict":"failed","code":3,"message":"...","bet_id":"...","name":null,
   "positions_in":null}
verdict is verified, failed, unregistered, error or blank; positions_in is
"receipt" or "transcript" when the message's line and column count in that
document. FILE can be - for standard output. Ctrl-C stops reading: the bets read
so far are finished and written, the summary is marked interrupted, exit 130.

Examples:
  zt-verify batch bets.jsonl --gdp plinko-classic.tar.gz --gdp slot-3x5.tar
  zt-verify batch bets.jsonl --noop dice-noop --jobs 4 --failures failed.tsv
  producer | zt-verify batch - --gdp game.tar.gz --json)";

constexpr const char* kInspectFooter = R"(
Shows the package's id, version, mapper and parameters, its mapping artifact with
the artifact's SHA-256, whether gdp.json is signed and by which key, and whether
the package registers (the library's exact error if not).

A valid signature only proves that gdp.json was signed by the key named inside that
same gdp.json. To know who made a package, compare that key with one you trust:
--signer KEY refuses packages that are unsigned or signed by any other key.

Examples:
  zt-verify inspect plinko-classic.tar.gz
  zt-verify inspect game.tar.gz --signer e7f4c0bad9cd8cca16cb7179e9449488f304a10e5760dae2cc1d56f1e09f8ea6)";

constexpr const char* kServeFooter = R"(
Starts a small web server on this machine and prints the address to open in your
browser. The page takes a bet's receipt and transcript (paste them or drop the files),
shows the verdict in plain words and every check with its result. The page and the
checks run here: nothing is sent anywhere else. Stop the server with Ctrl-C.

The page also answers a JSON API (GET /api/games, POST /api/verify, POST /api/explain,
POST /api/packages); docs/cli.md describes it.

Examples:
  zt-verify serve --gdp plinko-classic.tar.gz --gdp slot-3x5.tar
  zt-verify serve --listen 127.0.0.1:0 --gdp game.tar.gz --signer KEY --allow-package-upload)";

// add_signer_option: the repeatable --signer KEY; |description| says what a key
// that does not match refuses.
void add_signer_option(CLI::App& command, std::vector<std::string>& signers,
                       const std::string& description) {
  command.add_option("--signer", signers, description)->type_name("KEY");
}

void add_package_options(CLI::App& command, zt::cli::PackageOptions& packages) {
  command
      .add_option("--gdp", packages.gdp_files,
                  "Register the game definition package in this file (repeatable)")
      ->type_name("PACKAGE");
  command
      .add_option("--noop", packages.noop_ids,
                  "Accept any outcome for game ID; everything else is still checked "
                  "(repeatable)")
      ->type_name("ID");
  command.add_flag("--force-noop", packages.force_noop,
                   "Let --noop replace the mapper of a package given for the same game");
  add_signer_option(command, packages.signers,
                    "Refuse packages not signed by this Ed25519 public key, 64 hex digits "
                    "(repeatable: any of the keys will do)");
}

// add_bet_arguments: the two documents of one bet and the package options, as
// bet and explain take them.
void add_bet_arguments(CLI::App& command, std::string& receipt_file, std::string& transcript_file,
                       zt::cli::PackageOptions& packages) {
  command.add_option("RECEIPT", receipt_file, "The bet receipt JSON file")
      ->required()
      ->type_name("");
  command.add_option("TRANSCRIPT", transcript_file, "The settlement transcript JSON file")
      ->required()
      ->type_name("");
  add_package_options(command, packages);
}

// option_names: the long option names of |command|, e.g. "--gdp".
std::vector<std::string> option_names(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::Option* option : command.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

// suggest: "did you mean ..." for the first argument that is neither a command nor
// an option of the command given, when one is close to it.
std::optional<std::string> suggest(const CLI::App& app, const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& commands) {
  const CLI::App* command = nullptr;
  for (const std::string& word : arguments) {
    if (std::ranges::find(commands, word) != commands.end()) {
      command = app.get_subcommand(word);
      break;
    }
  }
  if (command == nullptr) {
    for (const std::string& word : arguments) {
      if (word.starts_with("-")) continue;
      std::string text = "'" + word + "' is not a command; ";
      if (auto match = zt::cli::closest_match(word, commands)) {
        return text + "did you mean '" + *match + "'?";
      }
      return text + "the commands are bet, explain, batch and inspect";
    }
    return std::string("the commands are bet, explain, batch and inspect");
  }
  const std::vector<std::string> options = option_names(*command);
  for (const std::string& word : arguments) {
    if (!word.starts_with("--")) continue;
    const std::string name = word.substr(0, word.find('='));
    if (std::ranges::find(options, name) != options.end()) continue;
    if (auto match = zt::cli::closest_match(name, options)) return "did you mean " + *match + "?";
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{kOverview, "zt-verify"};
  app.footer(kFooter);
  app.set_version_flag("--version", std::string("zt-verify ") + ZT_VERSION);
  app.require_subcommand(1);

  zt::cli::BetOptions bet;
  CLI::App* bet_command =
      app.add_subcommand("bet", "Verify one bet from its receipt and transcript");
  add_bet_arguments(*bet_command, bet.receipt_file, bet.transcript_file, bet.packages);
  bet_command->add_flag("--json", bet.json, "Print the verdict as one JSON object");
  bet_command->footer(kBetFooter);

  zt::cli::ExplainOptions explain;
  CLI::App* explain_command = app.add_subcommand(
      "explain", "Show every check of one bet with the values recomputed and reported");
  add_bet_arguments(*explain_command, explain.receipt_file, explain.transcript_file,
                    explain.packages);
  explain_command->add_flag("--json", explain.json, "Print the explanation as one JSON object");
  explain_command->footer(kExplainFooter);

  zt::cli::BatchOptions batch;
  CLI::App* batch_command =
      app.add_subcommand("batch", "Verify many bets from a JSON Lines file, on all cores");
  batch_command
      ->add_option("FILE", batch.input_file, "The JSON Lines file, or - for standard input")
      ->required()
      ->type_name("");
  add_package_options(*batch_command, batch.packages);
  batch_command
      ->add_option("--jobs", batch.jobs, "Threads to verify on, 1 to 4096 (default: all cores)")
      ->check(CLI::Range(1u, 4096u).description(""))
      ->type_name("N");
  batch_command
      ->add_option("--failures", batch.failures_file,
                   "Write each failing line as LINE<TAB>MESSAGE<TAB>BET_ID<TAB>NAME to FILE "
                   "(- for standard output)")
      ->type_name("FILE");
  batch_command
      ->add_option("--results", batch.results_file,
                   "Write one JSON object per input line, in order, to FILE (- for standard "
                   "output)")
      ->type_name("FILE");
  bool no_progress = false;
  batch_command->add_flag("--no-progress", no_progress,
                          "Never draw the progress bar (it is drawn only on a terminal)");
  batch_command->add_flag("--json", batch.json, "Print the summary as one JSON object");
  batch_command->footer(kBatchFooter);

  zt::cli::InspectOptions inspect;
  CLI::App* inspect_command = app.add_subcommand(
      "inspect", "Show what a game definition package holds and whether it registers");
  inspect_command->add_option("PACKAGE", inspect.package_file, "The package file (tar or tar.gz)")
      ->required()
      ->type_name("");
  add_signer_option(*inspect_command, inspect.signers,
                    "Refuse the package unless signed by this Ed25519 public key (repeatable)");
  inspect_command->add_flag("--json", inspect.json, "Print the result as one JSON object");
  inspect_command->footer(kInspectFooter);

  zt::cli::ServeOptions serve;
  CLI::App* serve_command =
      app.add_subcommand("serve", "Serve the verifier page for players on this machine");
  serve_command
      ->add_option("--listen", serve.listen,
                   "Address to listen on (default 127.0.0.1:8080, this machine only; "
                   "port 0 picks a free port)")
      ->type_name("HOST:PORT");
  add_package_options(*serve_command, serve.packages);
  serve_command->add_flag("--allow-package-upload", serve.allow_package_upload,
                          "Let the page load game packages; an upload replaces that game for "
                          "everyone using the server (--signer still applies)");
  serve_command->footer(kServeFooter);

  const std::vector<std::string> commands = {"bet", "explain", "batch", "inspect", "serve"};
  std::vector<std::string> arguments =
      zt::cli::normalized_arguments(std::vector<std::string>(argv + 1, argv + argc), commands);
  const bool json = std::ranges::find(arguments, "--json") != arguments.end();
  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version);
  } catch (const CLI::ParseError& error) {
    std::string message = error.what();
    if (const auto suggestion = suggest(app, arguments, commands)) {
      const bool no_command = message.starts_with("A subcommand is required");
      message = no_command ? *suggestion : message + "; " + *suggestion;
    }
    if (json) {
      zt::json::Object result;
      zt::cli::put(result, "command", nullptr);
      zt::cli::put(result, "exit_code", static_cast<std::uint64_t>(zt::cli::kExitBadInput));
      zt::cli::put(result, "message", message);
      std::cout << zt::cli::to_json(std::move(result)) << "\n";
    }
    std::cerr << "zt-verify: " << zt::cli::visible_text(message) << "\n"
              << "Usage: zt-verify bet|explain|batch|inspect|serve ... (run 'zt-verify help' for "
                 "the commands, 'zt-verify help COMMAND' for one command's options)\n";
    return zt::cli::kExitBadInput;
  }

  if (bet_command->parsed()) return zt::cli::run_bet(bet, std::cout);
  if (explain_command->parsed()) return zt::cli::run_explain(explain, std::cout);
  if (batch_command->parsed()) {
    batch.progress = !no_progress;
    return zt::cli::run_batch_command(batch, std::cout);
  }
  if (serve_command->parsed()) return zt::cli::run_serve(serve, std::cout, std::cerr);
  return zt::cli::run_inspect(inspect, std::cout);
}
