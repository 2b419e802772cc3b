"""zt_audit against zt-verify batch: the same counts, failure groups, duplicate
bet_ids, failing lines and per-line results on a set of shards (honest and tampered
bets of several games, lines that are not bets, hostile text, a gzip shard, a file
cut into many ranges), also when a worker is killed mid-run or the run is stopped
by Ctrl-C; exit codes; packages refused before any bet; argument errors."""
import gzip
import json
import os
import random
import re
import signal
import subprocess
import sys

import pytest
from conftest import EXAMPLES, PACKAGES, SIGNER, run_audit, run_batch

EXAMPLE_LINES = (EXAMPLES / "batch.jsonl").read_bytes().splitlines()
DICE = {"receipt": json.loads((EXAMPLES / "dice-1.receipt.json").read_text()),
        "transcript": json.loads((EXAMPLES / "dice-1.transcript.json").read_text())}
STRANGER = "ab" * 32


def dice(name=None, bet_id=None, **members):
    """A dice bet line; a changed bet_id makes it fail its leaf check."""
    receipt = DICE["receipt"] if bet_id is None else {**DICE["receipt"], "bet_id": bet_id}
    line = ({"name": name} if name is not None else {}) | {"receipt": receipt,
                                                         "transcript": DICE["transcript"]}
    return json.dumps(line | members, ensure_ascii=False).encode()


# Lines that are not plain honest bets, each with the fault it shows.
ODD_LINES = [
    b"",                                                     # blank: no bet, keeps its number
    b" \t\r",                                                # blank too
    b"not json",                                             # not an object
    b'{"receipt": {}}',                                      # transcript missing
    b'{"transcript": {}}',                                   # receipt missing
    b'{"receipt": 1, "receipt": 2, "transcript": 3}',        # member given twice
    b'{"r\xc3\xa9": 1, "receipt": 2, "receipt": 3}',           # the same, column in bytes
    dice() + b" trailing",                                   # text after the object
    b'{"receipt": "\xff", "transcript": "x"}',               # not UTF-8
    "{\"é\": \"\u20ac\", \"x\": \"".encode() + b"\xe2\x82",  # not UTF-8: a cut character
    b'{"receipt": "\\ud800", "transcript": "{}"}',           # lone surrogate escape
    b'{"receipt": "\\x", "transcript": "{}"}',               # invalid escape in a document
    b'{"rec\\q": 1, "receipt": 2, "transcript": 3}',         # invalid escape in a key
    b'{"receipt": {"version":"1","bet_id":5}, "transcript": {}}',  # receipt does not decode
    b'{"receipt": {"version":"1","bet_id":6}, "transcript": {}}',  # the same at another column
    dice(transcript={"bet_id": 1}),                          # transcript does not decode
    json.dumps({"note": [1, {"x": "}]"}], "transcript": json.dumps(DICE["transcript"]),
                "receipt": json.dumps(DICE["receipt"])}).encode(),  # strings, odd extra member
    dice(bet_id="caf\u00e9 \U0001d11e"),                     # a tampered bet id, not ASCII
    dice() + b"\r",                                          # CRLF line end
    b'{"receipt": {"version" "1"}, "transcript": {}}',       # not JSON, but brackets match
    b'{"receipt": {"a": [1}, "transcript": {}}',             # brackets do not match
    b'{"receipt": ,"transcript": {}}',                       # a value missing
    b'{"receipt": 1 "transcript": {}}',                      # a comma missing
    b'{"receipt": 1, }',                                     # a name missing
    b'{"receipt": "abc',                                     # a string not closed
    b'{"receipt": "a\tb", "transcript": 1}',                 # a raw tab inside a string
    b'{"receipt": {"version": "1",',                         # a pretty-printed document starts
    b'{"receipt": {"a": "\\',                                # ends in an escape
    b"  [1, 2]",                                             # an array, not an object
    json.dumps(DICE).replace('"receipt"', '"rec\\u0065ipt"', 1).encode(),  # escaped key
    # Names and bet ids that would move the cursor, recolour or reorder a terminal.
    dice(name="\x1b[31mred\x1b[0m", bet_id="tab\there\nnewline"),
    dice(name="right\u202eleft \u2066iso\u2069", bet_id="back\\slash \x85 \x7f"),
    dice(name="soft\u00adhyphen \ufeff \uffff \U000e0001 \U0001f3b2", bet_id="\u200bzero"),
    dice(name="kept", bet_id="x\u0007y") .replace(b'"name": "kept"', b'"name": 7'),  # not a string
    b'{"name": "first", "name": "second", ' + dice(bet_id="named twice")[1:],
    b'{"name": "first", "name": "bad \\q", ' + dice(bet_id="named badly")[1:],
]
ODD_LINES += [  # messages longer than a group's 500 bytes, cut alike within a character
    json.dumps({"receipt": {**DICE["receipt"], "commitment": {
        **DICE["receipt"]["commitment"], "bet_nonce": "a\u00e9" * 300 + tail}},
        "transcript": DICE["transcript"]}, ensure_ascii=False).encode() for tail in ("", "x")]
# Distinct messages enough to fill the summary's groups, the rest as "other messages".
MANY_MESSAGES = [b'{"receipt": {"version":"1","bet_id":%d}, "transcript": {}}' % n
                 for n in range(1010)]
def mutated_lines(count):
    """|count| copies of a bet line with one to three characters deleted, inserted or
    replaced, mostly where the line's own structure is (its start, the transcript key,
    its end), so the line splitter meets every way of going wrong."""
    rng = random.Random(7)
    bases = [json.dumps(DICE), json.dumps({k: json.dumps(v) for k, v in DICE.items()})]
    lines = []
    for _ in range(count):
        line = rng.choice(bases)
        for _ in range(rng.randint(1, 3)):
            middle = max(line.find('"transcript"'), 0)
            centre = rng.choice([0, middle, len(line) - 1, rng.randrange(len(line))])
            at = max(0, min(len(line) - 1, centre + rng.randint(-4, 4)))
            char = rng.choice('{}[]",:\\ u0a\u00e9')
            line = rng.choice([line[:at] + line[at + 1:], line[:at] + char + line[at:],
                               line[:at] + char + line[at + 1:]])
        lines.append(line.encode())
    return lines


HOSTILE_SHARD = "hostile\t\x1b[2J\u202e.jsonl"
# The shard column shows file names as zt-verify shows text from documents.
SHOWN_NAMES = {HOSTILE_SHARD: "hostile\\t\\u{1b}[2J\\u{202e}.jsonl"}


def write_shards(directory):
    """The shards, in the directory's sorted order: (file name, plain text). The
    .data one is written gzip-compressed."""
    mixed = b"\n".join(EXAMPLE_LINES + ODD_LINES + [dice()])  # no final newline
    mutated = b"\n".join(mutated_lines(400)) + b"\n"
    big = b"".join(line + b"\n" + (b"\n" if i % 17 == 0 else b"")
                   for i, line in enumerate(EXAMPLE_LINES * 40))
    hostile = b"\n".join(MANY_MESSAGES + [dice(name="\x1b]0;title\x07", bet_id="\x1b[1A")]) + b"\n"
    shards = [("big.jsonl", big), ("empty.jsonl", b""), (HOSTILE_SHARD, hostile),
              ("mixed.jsonl", mixed), ("mutated.jsonl", mutated),
              ("packed.jsonl.data", mixed + b"\n" + big)]
    for name, text in shards:
        (directory / name).write_bytes(gzip.compress(text) if name.endswith(".data") else text)
    return shards


class Reference:
    """zt-verify batch on the shards put end to end, every place in its output
    mapped back to a shard of |directory| and a line of that shard."""

    def __init__(self, tmp_path, directory, shards, *options):
        self.directory, self.names = directory, [name for name, _ in shards]
        joined, self.firsts = b"", []  # lines before each shard
        for _, text in shards:
            self.firsts.append(joined.count(b"\n"))
            joined += text + (b"\n" if text and not text.endswith(b"\n") else b"")
        path, failures, results = (tmp_path / n for n in ("joined", "ref.tsv", "ref.jsonl"))
        path.write_bytes(joined)
        _, self.summary = run_batch(path, *options, "--failures", failures, "--results", results)
        self.rows, self.row_places = [], []
        for row in failures.read_text(encoding="utf-8").split("\n")[:-1]:
            number, rest = row.split("\t", 1)
            shard, line = self.place(int(number))
            self.rows.append("\t".join([self.column(shard), str(line), rest]))
            self.row_places.append((str(directory / shard), line))
        self.results = {name: [] for name in self.names}
        for text in results.read_bytes().split(b"\n")[:-1]:
            shard, line = self.place(json.loads(text)["line"])
            self.results[shard].append(re.sub(rb'"line":\d+', b'"line":%d' % line, text))

    def place(self, line):
        """The (shard, line) of a line of the joined input; (None, 0) for none."""
        if line == 0:
            return None, 0
        index = max(i for i, first in enumerate(self.firsts) if first < line)
        return self.names[index], line - self.firsts[index]

    def path(self, shard):
        return None if shard is None else str(self.directory / shard)

    def column(self, shard):
        return str(self.directory / SHOWN_NAMES.get(shard, shard))

    def group(self, group, *prefixes):
        out = dict(group)
        for prefix in prefixes:
            shard, out[f"{prefix}line"] = self.place(group[f"{prefix}line"])
            out[f"{prefix}file"] = self.path(shard)
        return out

    def audit_summary(self):
        """The members of zt_audit's --json summary that batch's decide."""
        want = {k: self.summary[k] for k in ("lines", "total", "verified", "failed", "unregistered",
                                              "unchecked_outcomes", "interrupted")}
        want["failures"] = [self.group(g, "first_", "last_") for g in self.summary["failures"]]
        want["other_failures"] = self.group(self.summary["other_failures"], "first_", "last_")
        duplicates = self.summary["duplicates"]
        want["duplicates"] = {**duplicates, "examples": [
            self.group(example, "first_", "") for example in duplicates["examples"]]}
        return want


def check_same_as_batch(reference, summary, failures, results=None):
    assert {k: summary[k] for k in reference.audit_summary()} == reference.audit_summary()
    assert failures.read_text(encoding="utf-8").split("\n")[:-1] == reference.rows
    for name, lines in (reference.results.items() if results else ()):
        assert (results / f"{name}.results.jsonl").read_bytes().split(b"\n")[:-1] == lines, name


def test_shards_give_the_verdicts_of_zt_verify_batch(tmp_path, cluster):
    local, _ = cluster
    directory = tmp_path / "shards"
    directory.mkdir()
    shards = write_shards(directory)
    reference = Reference(tmp_path, directory, shards, *PACKAGES)
    # The shards show what they are meant to.
    assert reference.summary["other_failures"]["count"] > 0
    assert reference.summary["duplicates"]["count"] > 10
    assert reference.summary["unregistered"] > 0 and reference.summary["unchecked_outcomes"] > 0
    failures, results = tmp_path / "failures.tsv", tmp_path / "results"
    code, summary, _ = run_audit(directory, "--scheduler", local.scheduler_address, *PACKAGES,
                                 "--signer", SIGNER, "--range-bytes", "8K",
                                 "--failures", failures, "--results", results)
    assert code == 3
    assert summary["tasks"] > len(shards) + 10  # the big shard was cut into many ranges
    assert summary["files"] == [str(directory / name) for name, _ in shards]
    check_same_as_batch(reference, summary, failures, results)


@pytest.mark.parametrize("lines,code", [
    ([EXAMPLE_LINES[0], b"", EXAMPLE_LINES[1]], 0),
    ([EXAMPLE_LINES[11], dice(), EXAMPLE_LINES[11]], 4),  # only games without a package
    ([EXAMPLE_LINES[11], b"not json"], 3),
    ([b"", b"  ", b""], 5),  # no bets
    ([], 5),
])
def test_exit_codes_are_those_of_zt_verify_batch(tmp_path, cluster, lines, code):
    local, _ = cluster
    shard = tmp_path / "shard.jsonl"
    shard.write_bytes(b"".join(line + b"\n" for line in lines))
    reference = Reference(tmp_path, tmp_path, [("shard.jsonl", shard.read_bytes())], *PACKAGES)
    assert reference.summary["exit_code"] == code
    failures = tmp_path / "failures.tsv"
    got, summary, _ = run_audit(shard, "--scheduler", local.scheduler_address, *PACKAGES,
                                "--failures", failures)
    assert got == code
    check_same_as_batch(reference, summary, failures)


def test_ctrl_c_reports_the_lines_verified_until_then(tmp_path, cluster):
    """SIGINT once the first range is verified: the run stops, and the summary and
    the files cover whole lines from the start of the input, as zt-verify says of
    them."""
    from distributed.diagnostics.plugin import SchedulerPlugin

    local, _ = cluster
    directory = tmp_path / "shards"
    directory.mkdir()
    shards = write_shards(directory)
    reference = Reference(tmp_path, directory, shards, *PACKAGES)
    failures, results = tmp_path / "failures.tsv", tmp_path / "results"
    audit = subprocess.Popen([sys.executable, "-m", "zt_audit", directory, "--scheduler",
                              local.scheduler_address, *PACKAGES, "--range-bytes", "2K", "--json",
                              "--failures", failures, "--results", results],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    class InterruptOnFirstResult(SchedulerPlugin):
        sent = False

        def transition(self, key, start, finish, *args, **kwargs):
            if not self.sent and finish == "memory" and key.startswith("zt-audit-"):
                self.sent = True
                audit.send_signal(signal.SIGINT)

    interrupter = InterruptOnFirstResult()
    local.scheduler.add_plugin(interrupter, name="interrupt-on-first-result")
    try:
        out, err = audit.communicate(timeout=300)
    finally:
        local.scheduler.remove_plugin(name="interrupt-on-first-result")
    assert out, err.decode()
    summary = json.loads(out)
    assert (audit.returncode, summary["exit_code"], summary["interrupted"]) == (130, 130, True), err
    assert summary["lines"] < reference.summary["lines"]
    covered = {s["file"]: s["lines"] for s in summary["shards"]}
    rows = [row for row, (shard, line) in zip(reference.rows, reference.row_places)
            if line <= covered[shard]]
    assert failures.read_text(encoding="utf-8").split("\n")[:-1] == rows
    for name, lines in reference.results.items():
        written = results / f"{name}.results.jsonl"
        got = written.read_bytes().split(b"\n")[:-1] if written.exists() else []
        assert got == lines[:covered[str(directory / name)]], name


def test_a_worker_killed_mid_run_changes_nothing(tmp_path, cluster):
    from distributed.diagnostics.plugin import SchedulerPlugin

    local, client = cluster
    directory = tmp_path / "shards"
    directory.mkdir()
    shards = write_shards(directory)
    pids = client.run(os.getpid)

    class KillOnFirstResult(SchedulerPlugin):
        """Kills the worker holding the run's first finished range, so its result
        is lost and its running and queued ranges move to the other worker."""
        killed = None

        def transition(self, key, start, finish, *args, **kwargs):
            if self.killed is None and finish == "memory" and key.startswith("zt-audit-"):
                holder = next(iter(local.scheduler.tasks[key].who_has)).address
                self.killed = pids[holder]
                os.kill(self.killed, signal.SIGKILL)

    killer = KillOnFirstResult()
    local.scheduler.add_plugin(killer, name="kill-on-first-result")
    try:
        failures = tmp_path / "failures.tsv"
        code, summary, _ = run_audit(directory, "--scheduler", local.scheduler_address,
                                     *PACKAGES, "--range-bytes", "4K", "--failures", failures)
    finally:
        local.scheduler.remove_plugin(name="kill-on-first-result")
    assert killer.killed is not None
    assert code == 3, summary["message"]
    check_same_as_batch(Reference(tmp_path, directory, shards, *PACKAGES), summary, failures)
    client.wait_for_workers(2, timeout=120)  # the nanny replaced the process
    assert killer.killed not in client.run(os.getpid).values()


def test_a_worker_of_an_earlier_run_is_restarted_before_this_one(tmp_path, cluster):
    """A worker keeps what earlier runs registered; a bet of a game this run does
    not register must still fail as in zt-verify batch."""
    local, _ = cluster
    shard = tmp_path / "examples.jsonl"
    shard.write_bytes(b"\n".join(EXAMPLE_LINES) + b"\n")
    address = ["--scheduler", local.scheduler_address]
    code, summary, _ = run_audit(shard, *address, *PACKAGES, "--noop", "coinflip")
    assert (code, summary["failed"]) == (3, 6)  # the coinflip bet verified
    failures = tmp_path / "failures.tsv"
    code, summary, err = run_audit(shard, *address, *PACKAGES, "--failures", failures)
    assert "restarting the workers" in err
    reference = Reference(tmp_path, tmp_path, [("examples.jsonl", shard.read_bytes())], *PACKAGES)
    check_same_as_batch(reference, summary, failures)


def test_a_range_that_cannot_be_read_stops_the_run_without_counts(tmp_path, cluster):
    local, _ = cluster
    shard = tmp_path / "cut.jsonl.gz"
    shard.write_bytes(gzip.compress(b"\n".join(EXAMPLE_LINES))[:-40])
    failures = tmp_path / "failures.tsv"
    code, summary, _ = run_audit(shard, "--scheduler", local.scheduler_address, *PACKAGES,
                                 "--failures", failures)
    assert code == 1
    assert summary["message"] == (
        f"a worker cannot read {shard} (the whole compressed file): Compressed file ended "
        "before the end-of-stream marker was reached; nothing is reported for this run")
    assert summary["total"] is None and not failures.exists()


@pytest.mark.parametrize("signer,message", [
    (STRANGER, f"package {EXAMPLES / 'plinko-classic.tar.gz'} did not register: package is "
               f"signed by {SIGNER}, which is not a --signer key"),
    ("12", "--signer 12: an Ed25519 public key is 64 hexadecimal digits"),
])
def test_a_refused_package_stops_the_run_before_any_bet(tmp_path, signer, message):
    shard = tmp_path / "examples.jsonl"
    shard.write_bytes(b"\n".join(EXAMPLE_LINES))
    # No scheduler listens there: reaching for the cluster would be a different error.
    code, summary, _ = run_audit(shard, "--scheduler", "tcp://127.0.0.1:9", *PACKAGES,
                                 "--signer", signer)
    assert (code, summary["message"]) == (2 if signer == STRANGER else 1, message)
    assert summary["total"] is None and summary["failures"] is None


def test_argument_and_input_errors(tmp_path):
    absent = tmp_path / "absent.jsonl"
    cases = [
        ([], "the following arguments are required: SHARD"),
        ([absent], f"cannot read {absent}: No such file or directory"),
        ([tmp_path / "*.none"], f"no file matches {tmp_path / '*.none'}"),
        ([EXAMPLES / "batch.jsonl", "--gdp", absent], f"cannot read {absent}: No such file or directory"),
        ([EXAMPLES / "batch.jsonl", "--range-bytes", "0"],
         "argument --range-bytes: 0 is not a size such as 65536, 512K or 32M"),
    ]
    for args, message in cases:
        code, summary, _ = run_audit(*args, "--scheduler", "tcp://127.0.0.1:9")
        assert (code, summary["message"]) == (1, message)
