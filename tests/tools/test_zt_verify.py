"""zt-verify as a user runs it: exit codes, verdicts and --json output of bet,
batch and inspect on the bundled examples, on package fixtures and on a batch of
10,000 generated bets. Expected results come from the operator model and the
package generator, never from the tool itself."""
import hashlib
import io
import json
import os
import re
import signal
import time
import subprocess
import sys
import tarfile
from pathlib import Path

import pytest

TOOL = os.environ["ZT_VERIFY"]
EXAMPLES = Path(os.environ["ZT_EXAMPLES_DIR"])
sys.path.insert(0, os.environ["ZT_FIXTURES_SOURCE_DIR"])

import make_packages  # noqa: E402
import operator_model as om  # noqa: E402
import packages_tar  # noqa: E402

PLINKO = EXAMPLES / "plinko-classic.tar.gz"
SLOT = EXAMPLES / "slot-3x5.tar"
PUBLISHER = make_packages.PUBLISHER.public.hex()
STRANGER = make_packages.STRANGER.public.hex()
OPTIONS = ["--gdp", str(PLINKO), "--gdp", str(SLOT), "--noop", "dice-noop"]
CHECKS = ["bet_id", "commitment", "bet_leaf", "merkle_proof", "server_seed", "beacon_mix",
          "rng_entropy", "mapper", "outcome"]


def run(*args, stdin=None):
    done = subprocess.run([TOOL, *map(str, args)], input=stdin, capture_output=True, timeout=300)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def run_json(*args, stdin=None):
    code, out, _ = run(*args, "--json", stdin=stdin)
    result = json.loads(out)
    assert result["exit_code"] == code
    return code, result


def expected_rows():
    rows = []
    for line in (EXAMPLES / "expected.tsv").read_text(encoding="utf-8").splitlines():
        name, code, message = line.split("\t")
        rows.append((name, int(code), message))
    return rows


def documents(name):
    return EXAMPLES / f"{name}.receipt.json", EXAMPLES / f"{name}.transcript.json"


# --- bet ---------------------------------------------------------------------------


@pytest.mark.parametrize("name,code,message", expected_rows(), ids=lambda v: str(v)[:30])
def test_bet_gives_each_example_its_verdict(name, code, message):
    got, result = run_json("bet", *documents(name), *OPTIONS)
    assert (got, result["message"] or "") == (code, message)
    statuses = [check["status"] for check in result["checks"]]
    assert [check["name"] for check in result["checks"]] == CHECKS
    if code == 0:
        assert result["verdict"] == "verified"
        noop = result["gdp_id"] == "dice-noop"
        assert statuses == ["passed"] * 8 + ["not_checked" if noop else "passed"]
        assert result["outcome_checked"] is not noop
    else:
        assert result["verdict"] == ("unregistered" if code == 4 else "failed")
        assert result["stage"] == "verification"
        failed = statuses.index("failed")
        assert result["failed_check"] == CHECKS[failed]
        assert statuses == ["passed"] * failed + ["failed"] + ["not_run"] * (8 - failed)


def test_bet_text_verdicts_name_the_result():
    code, out, _ = run("bet", *documents("plinko-1"), *OPTIONS)
    assert code == 0 and out.startswith("VERIFIED  all 9 checks passed\n")
    assert "  bet      bet-plinko-1\n  game     plinko-classic\n" in out
    assert 'plinko {"levels":12} from' in out
    assert "payout, aux, operator_sig or root_index" in out
    code, out, _ = run("bet", *documents("dice-1"), *OPTIONS)
    assert code == 0 and "outcome was not checked" in out.splitlines()[0]
    code, out, _ = run("bet", *documents("broken-proof"), *OPTIONS)
    assert code == 3
    assert out.splitlines()[:2] == [
        "FAILED  check 4 of 9 (merkle_proof) failed",
        "  message  merkle proof failed to reconstruct reported root"]
    assert "FAILED    the Merkle proof leads from bet_leaf to merkle_root" in out
    assert "zt-verify explain" in out


def test_bet_exit_codes_for_inputs_that_never_reach_verification(tmp_path):
    receipt, transcript = documents("plinko-1")
    not_utf8 = tmp_path / "latin1.json"
    not_utf8.write_bytes(b'{"version":"\xe9"}')
    truncated = tmp_path / "truncated.json"
    truncated.write_text('{"version":"1"', encoding="utf-8")
    empty_object = tmp_path / "empty-object.json"
    empty_object.write_text("{}", encoding="utf-8")
    bad_package = tmp_path / "bad.tar"
    bad_package.write_bytes(b"\x1f")
    cases = [
        (["bet", tmp_path / "absent.json", transcript], 1, "input",
         f"cannot read {tmp_path / 'absent.json'}: No such file or directory"),
        (["bet", not_utf8, transcript], 1, "input", "input bytes are not valid UTF-8"),
        (["bet", receipt, transcript, "--gdp", tmp_path / "absent.tar"], 1, "arguments",
         f"cannot read {tmp_path / 'absent.tar'}: No such file or directory"),
        (["bet", receipt, transcript, "--gdp", bad_package], 2, "package",
         f"package {bad_package} did not register: failed to load GDP package: "
         "archive io error: failed to read entire block (the file is not a tar or tar.gz "
         "archive)"),
        # The decoder sees the file's whole text: positions are those of the file.
        (["bet", truncated, transcript], 2, "receipt",
         "failed to parse receipt: EOF while parsing an object at line 1 column 14"),
        (["bet", receipt, empty_object], 2, "transcript",
         "failed to parse transcript: missing field `bet_id` at line 1 column 2"),
    ]
    for args, code, stage, message in cases:
        got, result = run_json(*args)
        assert (got, result["stage"], result["message"]) == (code, stage, message), args
        assert result["verdict"] == "error"


def test_bet_without_mapper_options_reports_the_unregistered_game():
    code, result = run_json("bet", *documents("plinko-1"))
    assert (code, result["verdict"]) == (4, "unregistered")
    assert result["message"] == ("deterministic mapping verification not yet implemented for GDP "
                                 "plinko-classic")
    assert "no package for game plinko-classic was given" in result["hint"]
    assert "--gdp" in result["hint"] and "--noop plinko-classic" in result["hint"]


# --- --signer --------------------------------------------------------------------


def unsigned_package(tmp_path):
    doc = make_packages.metadata("plinko-classic", "plinko", {"levels": 12})
    path = tmp_path / "unsigned.tar"
    path.write_bytes(packages_tar.tar_of([("gdp.json", make_packages.text(doc))]))
    return path


def test_signer_pins_the_package_key(tmp_path):
    unsigned = unsigned_package(tmp_path)
    bet = ["bet", *documents("plinko-1")]
    refused_by_key = (f"package {PLINKO} did not register: package is signed by {PUBLISHER}, "
                      "which is not a --signer key")
    cases = [
        (bet + ["--gdp", PLINKO, "--signer", PUBLISHER.upper()], 0, None),
        (bet + ["--gdp", PLINKO, "--signer", STRANGER, "--signer", PUBLISHER], 0, None),
        (bet + ["--gdp", PLINKO, "--signer", STRANGER], 2, refused_by_key),
        (bet + ["--gdp", unsigned, "--signer", PUBLISHER], 2,
         f"package {unsigned} did not register: package is unsigned, but --signer requires a "
         "pinned signer"),
        (bet + ["--gdp", PLINKO, "--signer", PUBLISHER[:62]], 1,
         f"--signer {PUBLISHER[:62]}: an Ed25519 public key is 64 hexadecimal digits"),
        (["batch", EXAMPLES / "batch.jsonl", "--gdp", PLINKO, "--signer", STRANGER], 2,
         refused_by_key),
    ]
    for args, code, message in cases:
        got, result = run_json(*args)
        assert (got, result["message"]) == (code, message), args
    # Without a pin the unsigned package is fine.
    assert run("bet", *documents("plinko-1"), "--gdp", unsigned)[0] == 0


# --- inspect -----------------------------------------------------------------------


def tar_member(path, name):
    with tarfile.open(path) as archive:
        for member in archive.getmembers():
            if member.name == name or member.name.endswith("/" + name):
                return archive.extractfile(member).read()
    raise KeyError(name)


def test_inspect_shows_the_package_and_its_signer():
    for path, gdp_id, mapper, parameters, artifact in [
        (PLINKO, "plinko-classic", "plinko", {"levels": 12}, "mapping.wasm"),
        (SLOT, "slot-3x5", "slot", {"reels": make_packages.SLOT_REELS}, "mapping.js"),
    ]:
        code, result = run_json("inspect", path, "--signer", PUBLISHER)
        digest = hashlib.sha256(tar_member(path, artifact)).hexdigest()
        metadata = json.loads(tar_member(path, "gdp.json"))
        assert code == 0
        assert (result["id"], result["version"], result["mapper"], result["parameters"]) == (
            gdp_id, metadata["version"], mapper, parameters)
        assert result["artifact"]["name"] == artifact and result["artifact"]["sha256"] == digest
        assert result["mapping_sha256"] == digest
        assert (result["signed"], result["signer_ed25519"], result["signature_file"]) == (
            True, PUBLISHER, True)
        assert (result["registers"], result["registration_error"], result["signer_pinned"]) == (
            True, None, True)
    code, out, _ = run("inspect", PLINKO)
    assert code == 0 and out.startswith("OK  the package registers\n")
    assert f"signed       yes, by key {PUBLISHER}" in out
    code, result = run_json("inspect", PLINKO, "--signer", STRANGER)
    assert (code, result["registers"], result["signer_pinned"]) == (2, True, False)


def test_inspect_reports_the_exact_registration_error_of_every_package_fixture(tmp_path):
    fixtures = make_packages.Fixtures()
    for group in (make_packages.end_to_end, make_packages.mapping_hash, make_packages.signatures,
                  make_packages.mappers, make_packages.roles, make_packages.paths,
                  make_packages.archive_io):
        group(fixtures)
    for name, file, data, expected, gdp_id in fixtures.rows:
        path = tmp_path / file
        path.write_bytes(data)
        code, result = run_json("inspect", path)
        if expected == "ok":
            assert (code, result["registers"], result["id"]) == (0, True, gdp_id), name
        else:
            assert (code, result["registers"], result["registration_error"]) == (
                2, False, expected), name
            assert result["message"] == expected, name


# --- batch -------------------------------------------------------------------------


def failures_file(path, columns=2):
    """The rows of a --failures file: LINE, MESSAGE, BET_ID, NAME; the first
    |columns| of each."""
    rows = []
    for line in path.read_text(encoding="utf-8").splitlines():
        fields = line.split("\t")
        assert len(fields) == 4, line
        rows.append((int(fields[0]), *fields[1:columns]))
    return rows


def without_positions(message):
    return re.sub(r" at (line \d+ )?column \d+", "", message)


def test_batch_of_the_examples(tmp_path):
    rows = expected_rows()
    failures = tmp_path / "failures.tsv"
    code, result = run_json("batch", EXAMPLES / "batch.jsonl", *OPTIONS, "--failures", failures)
    failing = [(i + 1, message) for i, (_, code_, message) in enumerate(rows) if code_ != 0]
    assert code == 3
    assert (result["total"], result["verified"], result["failed"]) == (
        len(rows), len(rows) - len(failing), len(failing))
    assert failures_file(failures) == failing
    assert [row[2:] for row in failures_file(failures, 4)] == [
        (bet_id, name) for name, bet_id in [
            ("plinko-wrong-outcome", "bet-plinko-1"), ("slot-wrong-stops", "bet-slot-1"),
            ("broken-proof", "bet-plinko-2"), ("swapped-seed", "bet-slot-2"),
            ("edited-stake", "bet-plinko-1"), ("altered-beacon", "bet-slot-2"),
            ("unregistered-game", "bet-coinflip-1")]]
    assert sorted((g["message"], g["count"], g["first_line"], g["last_line"])
                  for g in result["failures"]) == sorted(
        (message, 1, line, line) for line, message in failing)
    assert (result["unregistered"], result["unchecked_outcomes"]) == (1, 1)
    assert result["duplicates"]["count"] == 6
    assert result["duplicates"]["examples"][0] == {"bet_id": "bet-plinko-1", "first_line": 1,
                                                  "line": 6}


def generated_batch(count):
    """|count| honest plinko and no-op bets under one tree, every 25th line spoilt in
    one of several ways, with the message each spoilt line must fail with."""
    levels = 12
    commitments, seeds = [], []
    for i in range(count):
        seed = hashlib.sha256(b"batch seed %d" % i).digest()
        gdp_id = "plinko-classic" if i % 2 == 0 else "dice-noop"
        client = None if i % 3 == 0 else b"client %d" % i
        commitments.append(om.Commitment("s", i, "1.00", gdp_id, "r", b"\x01", om.sha256(seed),
                                         client, "p", 1000 + i))
        seeds.append(seed)
    tree = om.DenseTree([c.leaf() for c in commitments])
    beacons = [("drand", b"\x07" * 32)]

    def plinko_or_dice(c):
        return (lambda s: om.plinko_outcome(s, levels)) if c.gdp_id == "plinko-classic" else (
            lambda s: {"roll": 3})

    lines, expected = [], {}
    for i, c in enumerate(commitments):
        bet = om.issue_bet(f"b{i}", c, seeds[i], beacons, tree.proof(i), tree.root,
                           plinko_or_dice(c))
        receipt, transcript = bet.receipt(), bet.transcript()
        line = {"receipt": receipt, "transcript": transcript}
        number = len(lines) + 1
        kind = (i // 25) % 7 if i % 25 == 0 else None
        if kind == 0:
            transcript["bet_id"] = "other"
            expected[number] = "settlement transcript references different bet id"
        elif kind == 1:
            receipt["commitment"]["stake"] = "2.00"
            expected[number] = "bet leaf does not match recomputed commitment hash"
        elif kind == 2:
            transcript["rng_entropy"] = "00" * 32
            expected[number] = "rng entropy mismatch"
        elif kind == 3 and c.gdp_id == "plinko-classic":
            b = bet.raw["bucket"]
            transcript["outcome"]["raw"] = {**bet.raw, "bucket": b + 1}
            expected[number] = (f"deterministic mapping outcome mismatch: bucket mismatch: "
                                f"derived {b} vs reported {b + 1}")
        elif kind == 3:
            del receipt["commitment"]["gdp_id"]
            line["receipt"] = json.dumps(receipt, separators=(",", ":"))
            closing = line["receipt"].index("},\"bet_leaf\"") + 1
            expected[number] = (f"failed to parse receipt: missing field `gdp_id` at line 1 "
                                f"column {closing}")
        elif kind == 4:
            line = {"receipt": receipt}
            expected[number] = 'line has no "transcript" member'
        elif kind == 5:
            lines.append("   ")  # a blank line holds no bet but keeps its number
            number += 1
            expected[number] = "merkle proof failed to reconstruct reported root"
            receipt["merkle_root"] = "ff" * 32
        elif kind == 6:  # honest, both documents as JSON strings
            line = {"transcript": json.dumps(transcript), "receipt": json.dumps(receipt)}
        lines.append(json.dumps(line, separators=(",", ":")))
    return "\n".join(lines) + "\n", expected


def test_batch_of_ten_thousand_bets(tmp_path):
    text, expected = generated_batch(10_000)
    batch = tmp_path / "bets.jsonl"
    batch.write_text(text, encoding="utf-8")
    blank = sum(1 for line in text.splitlines() if not line.strip())
    messages = {}
    for message in expected.values():
        messages[without_positions(message)] = messages.get(without_positions(message), 0) + 1

    outputs = []
    for jobs in ("1", "7"):
        failures = tmp_path / f"failures-{jobs}.tsv"
        code, result = run_json("batch", batch, "--gdp", PLINKO, "--noop", "dice-noop",
                                "--jobs", jobs, "--failures", failures)
        assert code == 3
        assert (result["lines"], result["total"]) == (10_000 + blank, 10_000)
        assert (result["failed"], result["verified"]) == (len(expected), 10_000 - len(expected))
        assert {g["message"]: g["count"] for g in result["failures"]} == messages
        counts = [g["count"] for g in result["failures"]]
        assert counts == sorted(counts, reverse=True)
        assert failures_file(failures) == sorted(expected.items())
        outputs.append(failures.read_bytes())
    assert outputs[0] == outputs[1]

    # Standard input gives the same summary.
    code, result = run_json("batch", "-", "--gdp", PLINKO, "--noop", "dice-noop",
                            stdin=text.encode())
    assert (code, result["total"], result["failed"]) == (3, 10_000, len(expected))


def test_batch_lines_that_are_not_bets(tmp_path):
    receipt = (EXAMPLES / "dice-1.receipt.json").read_text(encoding="utf-8")
    transcript = (EXAMPLES / "dice-1.transcript.json").read_text(encoding="utf-8")
    honest = json.dumps({"receipt": json.loads(receipt), "transcript": json.loads(transcript)})
    as_strings = json.dumps({"transcript": transcript, "receipt": receipt, "note": [1, {"x": "}"}]})
    broken_receipt = '{"version":"1","bet_id":5}'
    # A byte that is not UTF-8 inside either document of a line in the usual layout.
    bad_receipt = honest.encode().replace(b'"version": "', b'"version": "\xff', 1)
    at = honest.rindex('"operator_sig": "') + len('"operator_sig": "')
    bad_transcript = honest.encode()[:at] + b"\xff" + honest.encode()[at:]
    lines = [
        (honest.encode(), None),
        (as_strings.encode(), None),
        (b"", None),
        (b"not json", 'line is not a JSON object; each line must be one object with "receipt" '
                      'and "transcript" members'),
        (b'{"receipt": {}}', 'line has no "transcript" member'),
        (honest.encode() + b" trailing",
         f"line has text after its JSON object at column {len(honest) + 2}"),
        (b'{"receipt": "\xff", "transcript": "x"}',
         "line is not UTF-8: byte 0xff at column 14 does not start or continue a UTF-8 character"),
        (bad_receipt, f"line is not UTF-8: byte 0xff at column {bad_receipt.index(0xff) + 1} does "
                      "not start or continue a UTF-8 character"),
        (bad_transcript, f"line is not UTF-8: byte 0xff at column {at + 1} does not start or "
                         "continue a UTF-8 character"),
        (b"{", "line ends inside its JSON object: batch reads one bet per line (a pretty-printed "
               "receipt or transcript belongs to 'zt-verify bet')"),
        (b'{"receipt": %s, "transcript": {}}' % broken_receipt.encode(),
         "failed to parse receipt: invalid type: integer `5`, expected a string at line 1 column 25"),
        (honest.encode() + b"\r", None),
        (honest.encode(), None),  # the last line has no newline
    ]
    batch = tmp_path / "mixed.jsonl"
    batch.write_bytes(b"\n".join(line for line, _ in lines))
    failures = tmp_path / "failures.tsv"
    code, result = run_json("batch", batch, "--noop", "dice-noop", "--failures", failures)
    want = [(i + 1, message) for i, (_, message) in enumerate(lines) if message]
    assert code == 3
    assert (result["lines"], result["total"], result["failed"]) == (len(lines), len(lines) - 1,
                                                                    len(want))
    assert failures_file(failures) == want

    # The inline document fails exactly as the same text does in a file of its own.
    receipt_file = tmp_path / "receipt.json"
    receipt_file.write_text(broken_receipt, encoding="utf-8")
    _, single = run_json("bet", receipt_file, EXAMPLES / "dice-1.transcript.json")
    assert single["message"] == want[-1][1]


def test_batch_inline_documents_are_read_as_their_own_text(tmp_path):
    """Lines in the usual layout are taken apart by a shortcut that the decoder must
    confirm. Documents holding bytes that mislead it still get the verdict of the
    same texts given as JSON strings, which are always unescaped and read in full."""
    receipt = json.loads((EXAMPLES / "plinko-1.receipt.json").read_text(encoding="utf-8"))
    transcript = json.loads((EXAMPLES / "plinko-1.transcript.json").read_text(encoding="utf-8"))
    outcome = transcript["outcome"]
    variants = [  # receipt, transcript, members between them, members after them
        (receipt, transcript, {}, {}),
        # A "transcript" member inside the transcript, found first from the right.
        (receipt, {**transcript, "outcome": {**outcome, "aux": {"k": {}, "transcript": {"a": 1}}}},
         {}, {}),
        # The member layout inside strings.
        ({**receipt, "bet_id": '},"transcript":{'}, {**transcript, "bet_id": '},"transcript":{'},
         {}, {}),
        (receipt, {**transcript, "operator_sig": '{"transcript" : {}}'}, {}, {}),
        # A decoding fault in either document.
        ({**receipt, "bet_leaf": 5}, transcript, {}, {}),
        (receipt, {**transcript, "rng_entropy": "0"}, {}, {}),
        # Other members.
        (receipt, transcript, {"name": "between"}, {}),
        (receipt, transcript, {"note": {}}, {}),
        (receipt, transcript, {}, {"name": "after"}),
        (receipt, transcript, {}, {"note": {"transcript": {}}}),
    ]
    inline, as_strings = [], []
    for separators in ((",", ":"), (", ", " : ")):
        for r, t, between, after in variants:
            inline.append(json.dumps({"receipt": r, **between, "transcript": t, **after},
                                     separators=separators))
            as_strings.append(json.dumps({"receipt": json.dumps(r, separators=separators),
                                          **between,
                                          "transcript": json.dumps(t, separators=separators),
                                          **after}))
    batch = tmp_path / "bets.jsonl"
    batch.write_text("\n".join(inline + as_strings) + " \r\n", encoding="utf-8")
    results = tmp_path / "results.jsonl"
    run_json("batch", batch, *OPTIONS, "--results", results)
    rows = [json.loads(line) for line in results.read_text(encoding="utf-8").splitlines()]
    for row in rows:
        del row["line"]
    assert rows[:len(inline)] == rows[len(inline):]
    assert [row["verdict"] for row in rows[:len(variants)]].count("verified") >= 3
    assert {row["positions_in"] for row in rows} == {None, "receipt", "transcript"}


def test_batch_exit_codes_and_summary(tmp_path):
    empty = tmp_path / "empty.jsonl"
    empty.write_bytes(b"")
    code, result = run_json("batch", empty)
    assert (code, result["total"], result["failures"]) == (5, 0, [])
    empty.write_bytes(b"\n  \n")
    code, out, _ = run("batch", empty)
    assert code == 5 and out.startswith("NO BETS  the input holds no bets")
    code, result = run_json("batch", tmp_path / "absent.jsonl")
    assert (code, result["total"]) == (1, None)
    assert result["message"].startswith(f"cannot read {tmp_path / 'absent.jsonl'}: ")
    code, out, err = run("batch", EXAMPLES / "batch.jsonl", *OPTIONS, "--jobs", "2")
    assert code == 3 and err == ""  # no progress bar when standard error is not a terminal
    assert out.splitlines()[:3] == [
        "FAILED  7 of 12 bets failed", f"  file     {EXAMPLES / 'batch.jsonl'}",
        "  12 bets, 5 verified, 7 failed (1 bet of a game without a package)"]
    assert "1 bet was accepted without an outcome check (--noop)" in out
    assert "bets/s on 2 threads" in out


# --- the command line itself ---------------------------------------------------------


def test_argument_errors_and_help():
    for args in (["bet", "only-one.json"], ["frobnicate"], [], ["batch", "x", "--jobs", "0"]):
        code, out, err = run(*args)
        assert code == 1 and err, args
    code, result = run_json("bet")
    assert code == 1 and result["command"] is None and result["message"]
    code, out, _ = run("--help")
    assert code == 0 and "receipt" in out and "transcript" in out and "Exit codes" in out
    for command in ("bet", "batch", "inspect"):
        code, out, _ = run(command, "--help")
        assert code == 0 and "Examples:" in out, command


# --- operator text on screen -------------------------------------------------------

# What a hostile operator puts into ids, names and descriptions to fake a verdict or
# hide lines: carriage return, colour and erase sequences, a newline, a right-to-left
# override, a C1 control sequence introducer and concealed text.
HOSTILE_ID = "x\r\x1b[32mVERIFIED\x1b[0m  bet bet-plinko-1\x1b[K\n\u202e\u0085"
HOSTILE_DESCRIPTION = "...\nsigned       yes, by key trusted\nregisters    yes\x1b[8m\u2066\u009b"
RAW_CONTROLS = ["\x1b", "\r", "\u202e", "\u2066", "\u0085", "\u009b"]


def assert_inert(out, first_line):
    assert out.splitlines()[0] == first_line
    for control in RAW_CONTROLS:
        assert control not in out, repr(control)


def hostile_bet(tmp_path, name):
    receipt_path, transcript_path = documents(name)
    receipt = json.loads(receipt_path.read_text(encoding="utf-8"))
    transcript = json.loads(transcript_path.read_text(encoding="utf-8"))
    receipt["bet_id"] = transcript["bet_id"] = HOSTILE_ID
    paths = tmp_path / "r.json", tmp_path / "t.json"
    paths[0].write_text(json.dumps(receipt), encoding="utf-8")
    paths[1].write_text(json.dumps(transcript), encoding="utf-8")
    return paths


def test_hostile_bet_ids_cannot_fake_a_verdict(tmp_path):
    tampered = hostile_bet(tmp_path, "broken-proof")
    for command in ("bet", "explain"):
        code, out, _ = run(command, *tampered, *OPTIONS)
        assert code == 3
        assert_inert(out, "FAILED  check 4 of 9 (merkle_proof) failed")
        assert "\\u{1b}[32mVERIFIED\\u{1b}[0m  bet bet-plinko-1\\u{1b}[K\\n\\u{202e}" in out
        # --json keeps the text, escaped so that it is inert on a terminal too.
        code, out, _ = run(command, *tampered, *OPTIONS, "--json")
        assert code == 3 and json.loads(out)["bet_id"] == HOSTILE_ID
        for control in RAW_CONTROLS:
            assert control not in out
    # A transcript of another bet names both ids, each made visible.
    receipt, _ = documents("plinko-1")
    code, out, _ = run("bet", receipt, tampered[1], *OPTIONS)
    assert code == 3 and "the receipt is for bet bet-plinko-1 but the transcript is for bet x\\r" in out
    assert_inert(out, "FAILED  check 1 of 9 (bet_id) failed")


def test_hostile_package_text_cannot_print_lines_of_its_own(tmp_path):
    doc = make_packages.metadata("hostile", "plinko", {"levels": 4},
                                 description=HOSTILE_DESCRIPTION, name=HOSTILE_ID)
    path = tmp_path / "hostile.tar"
    path.write_bytes(packages_tar.tar_of([("gdp.json", make_packages.text(doc))]))
    code, out, _ = run("inspect", path)
    assert code == 0
    assert_inert(out, "OK  the package registers")
    assert [line for line in out.splitlines() if line.startswith("signed")] == ["signed       no"]
    assert "description  ...\\nsigned       yes, by key trusted\\nregisters    yes\\u{1b}[8m" in out


# --- per-bet results, bounded summaries, Ctrl-C ----------------------------------


def test_batch_results_file_has_one_object_per_line_in_input_order(tmp_path):
    text, expected = generated_batch(3_000)
    batch = tmp_path / "bets.jsonl"
    batch.write_text(text, encoding="utf-8")
    input_lines = text.splitlines()
    outputs = []
    for jobs in ("1", "5"):
        results = tmp_path / f"results-{jobs}.jsonl"
        code, _ = run_json("batch", batch, "--gdp", PLINKO, "--noop", "dice-noop", "--jobs", jobs,
                           "--results", results)
        assert code == 3
        outputs.append(results.read_bytes())
    assert outputs[0] == outputs[1]
    rows = [json.loads(line) for line in outputs[0].decode().splitlines()]
    assert [row["line"] for row in rows] == list(range(1, len(input_lines) + 1))
    for row, line in zip(rows, input_lines):
        if not line.strip():
            assert (row["verdict"], row["code"], row["bet_id"]) == ("blank", None, None)
        elif row["line"] in expected:
            assert row["message"] == expected[row["line"]] and row["verdict"] != "verified"
        else:
            bet = json.loads(line)
            receipt = bet["receipt"] if isinstance(bet["receipt"], dict) else json.loads(
                bet["receipt"])
            assert (row["verdict"], row["code"], row["message"]) == ("verified", 0, None)
            assert row["bet_id"] == receipt["bet_id"]
            assert row["outcome_checked"] is (receipt["commitment"]["gdp_id"] != "dice-noop")
    decode_failures = [row for row in rows if row["code"] == 2 and row["bet_id"] is None]
    assert decode_failures and all(row["positions_in"] in ("receipt", None)
                                   for row in decode_failures)


def test_batch_summary_stays_bounded_when_every_line_fails_differently(tmp_path):
    # Odd lines fail with a message of their own (the decoder quotes the number),
    # even lines with one message that differs only in its column.
    lines = []
    for i in range(2_500):
        lines.append(json.dumps({"receipt": {"version": "1", "bet_id": i}, "transcript": {}}))
        lines.append(json.dumps({"receipt": {"version": "1", "bet_id": "x" * i, "z": 5},
                                 "transcript": {}}))
    batch = tmp_path / "distinct.jsonl"
    batch.write_text("\n".join(lines) + "\n", encoding="utf-8")
    code, result = run_json("batch", batch, "--jobs", "2")
    assert code == 3 and result["failed"] == 5_000
    groups = result["failures"]
    assert len(groups) == 1000
    assert groups[0]["count"] == 2_500 and groups[0]["first_line"] == 2
    assert groups[0]["last_line"] == 5_000 and " column " not in groups[0]["message"]
    other = result["other_failures"]
    assert sum(g["count"] for g in groups) + other["count"] == 5_000
    assert (other["message"], other["count"]) == ("other messages", 1_501)


def test_batch_interrupted_by_ctrl_c_finishes_what_it_read(tmp_path):
    text, expected = generated_batch(200)
    results = tmp_path / "results.jsonl"
    failures = tmp_path / "failures.tsv"
    child = subprocess.Popen(
        [TOOL, "batch", "-", "--gdp", PLINKO, "--noop", "dice-noop", "--json", "--results",
         results, "--failures", failures],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    child.stdin.write(text.encode())
    child.stdin.flush()  # the pipe stays open: the producer is still "running"
    deadline = time.monotonic() + 60
    want = len(text.splitlines())
    while time.monotonic() < deadline:
        if results.exists() and results.read_bytes().count(b"\n") >= want:
            break
        time.sleep(0.05)
    child.send_signal(signal.SIGINT)
    out, _ = child.communicate(timeout=60)
    child.stdin.close()
    assert child.returncode == 130
    summary = json.loads(out)
    assert (summary["exit_code"], summary["interrupted"]) == (130, True)
    assert (summary["lines"], summary["failed"]) == (want, len(expected))
    assert results.read_bytes().endswith(b"\n")
    assert len(results.read_text().splitlines()) == want
    assert failures_file(failures) == sorted(expected.items())


def test_batch_of_a_file_interrupted_by_ctrl_c_reports_whole_lines_in_order(tmp_path):
    """Workers read a regular file themselves; Ctrl-C still stops them between runs."""
    text, _ = generated_batch(100)
    batch = tmp_path / "bets.jsonl"
    batch.write_text(text * 600, encoding="utf-8")  # 60,000 lines
    results = tmp_path / "results.jsonl"
    child = subprocess.Popen(
        [TOOL, "batch", batch, "--gdp", PLINKO, "--noop", "dice-noop", "--json", "--jobs", "2",
         "--results", results], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline and not (results.exists() and results.stat().st_size):
        time.sleep(0.005)
    child.send_signal(signal.SIGINT)
    out, _ = child.communicate(timeout=60)
    assert child.returncode == 130
    summary = json.loads(out)
    rows = [json.loads(line) for line in results.read_text(encoding="utf-8").splitlines()]
    assert summary["interrupted"] and 0 < summary["lines"] < 60_000
    assert [row["line"] for row in rows] == list(range(1, summary["lines"] + 1))


def test_noop_cannot_silently_replace_a_package(tmp_path):
    receipt, transcript = documents("plinko-wrong-outcome")
    code, result = run_json("bet", receipt, transcript, "--gdp", PLINKO, "--noop", "plinko-classic")
    assert code == 1 and "--force-noop" in result["message"]
    code, result = run_json("bet", receipt, transcript, "--gdp", PLINKO, "--noop",
                            "plinko-classic", "--force-noop")
    assert (code, result["outcome_checked"]) == (0, False)
    assert result["checks"][-1]["status"] == "not_checked"


def test_documents_given_wrongly_get_advice(tmp_path):
    receipt, transcript = documents("plinko-1")
    bom = tmp_path / "bom.json"
    bom.write_bytes(b"\xef\xbb\xbf" + receipt.read_bytes())
    empty = tmp_path / "empty.json"
    empty.write_bytes(b"")
    latin1 = tmp_path / "latin1.json"
    latin1.write_bytes(b'{"bet_id": "caf\xe9"}')
    cases = [
        ([transcript, receipt], 2, "the receipt and the transcript look swapped"),
        ([transcript, transcript], 2, "the receipt file holds a settlement transcript"),
        ([empty, transcript], 2, "the receipt file is empty"),
        ([bom, transcript], 2, "byte order mark"),
        ([receipt, latin1], 1, "the transcript is not UTF-8: byte 0xe9 at offset 15"),
    ]
    for args, code, hint in cases:
        got, result = run_json("explain", *args, "--gdp", PLINKO)
        assert (got, result["verdict"]) == (code, "error"), args
        assert hint in result["hint"], (args, result["hint"])
    code, result = run_json("bet", receipt, transcript, "--gdp", receipt)
    assert code == 2 and "not a tar or tar.gz archive but JSON" in result["message"]


def test_explain_shows_the_values_of_each_check():
    code, result = run_json("explain", *documents("slot-wrong-stops"), *OPTIONS)
    assert (code, result["verdict"], result["failed_check"]) == (3, "failed", "outcome")
    checks = {check["name"]: check for check in result["checks"]}
    leaf = checks["bet_leaf"]["values"]
    assert leaf["computed_leaf"] == leaf["reported_bet_leaf"]
    assert hashlib.sha256(bytes.fromhex(leaf["commitment_bytes"])).hexdigest() == \
        leaf["computed_leaf"]
    merkle = checks["merkle_proof"]
    assert merkle["steps"] and merkle["steps"][-1]["result"] == merkle["values"]["computed_root"]
    beacons = checks["beacon_mix"]["steps"]
    assert [step["beacon"] for step in beacons] == sorted(step["beacon"] for step in beacons)
    assert hashlib.sha256(b"".join(bytes.fromhex(s["value"]) for s in beacons)).hexdigest() == \
        checks["beacon_mix"]["values"]["computed_beacon_mix_id"]
    material = b"".join(bytes.fromhex(step["value"]) for step in checks["rng_entropy"]["steps"])
    assert hashlib.sha256(material).hexdigest() == \
        checks["rng_entropy"]["values"]["computed_rng_entropy"]
    outcome = checks["outcome"]["values"]
    assert (outcome["derived_outcome"], outcome["reported_outcome"]) == (
        {"stops": [1, 3, 0]}, {"stops": [1, 3, 1]})
    code, out, _ = run("explain", *documents("slot-wrong-stops"), *OPTIONS)
    assert out.splitlines()[0] == "FAILED  check 9 of 9 (outcome) failed"
    assert 'derived_outcome   {"stops":[1,3,0]}' in out


def test_command_line_forgives_and_suggests():
    code, out, _ = run("help")
    assert code == 0 and "Exit codes" in out and "130" in out
    code, out, _ = run("help", "explain")
    assert code == 0 and "explain" in out and "Examples:" in out
    for args, suggestion in [(["bte", "r", "t"], "did you mean 'bet'?"),
                             (["bet", "r", "t", "--gpd", "p"], "did you mean --gdp?"),
                             (["batch", "f", "--failure", "x"], "did you mean --failures?")]:
        code, _, err = run(*args)
        assert code == 1 and suggestion in err and "zt-verify help" in err, args
    code, out, _ = run("--json", "bet", *documents("plinko-1"), *OPTIONS)
    assert code == 0 and json.loads(out)["verdict"] == "verified"


def test_progress_fits_the_terminal_and_is_cleared(tmp_path):
    import fcntl
    import pty
    import struct
    import termios
    text, _ = generated_batch(500)
    batch = tmp_path / "bets.jsonl"
    batch.write_text(text, encoding="utf-8")
    controller, terminal = pty.openpty()
    fcntl.ioctl(terminal, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 60, 0, 0))
    done = subprocess.run([TOOL, "batch", str(batch), "--gdp", str(PLINKO), "--noop", "dice-noop"],
                          stdout=subprocess.PIPE, stderr=terminal, timeout=300)
    os.close(terminal)
    drawn = b""
    while True:
        try:
            chunk = os.read(controller, 65536)
        except OSError:
            break
        if not chunk:
            break
        drawn += chunk
    os.close(controller)
    assert done.returncode == 3 and done.stdout.startswith(b"FAILED")
    assert drawn.endswith(b"\r\x1b[K")  # cleared at the end
    lines = [line.removesuffix(b"\x1b[K") for line in drawn.split(b"\r") if line]
    assert lines and all(len(line) <= 59 for line in lines), lines
    assert any(b"bets/s" in line for line in lines)
