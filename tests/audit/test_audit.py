"""zt_audit against zt-verify batch: the same counts, failure groups and failing
lines on a set of shards (honest and tampered bets of several games, lines that
are not bets, a gzip shard, a file cut into many ranges), also when a worker is
killed mid-run; packages refused before any bet; argument errors."""
import gzip
import json
import os
import random
import signal

import pytest
from conftest import EXAMPLES, PACKAGES, SIGNER, run_audit, run_batch

EXAMPLE_LINES = (EXAMPLES / "batch.jsonl").read_bytes().splitlines()
DICE = {"receipt": json.loads((EXAMPLES / "dice-1.receipt.json").read_text()),
        "transcript": json.loads((EXAMPLES / "dice-1.transcript.json").read_text())}
STRANGER = "ab" * 32

# Lines that are not plain honest bets, each with the fault it shows.
ODD_LINES = [
    b"",                                                     # blank: no bet, keeps its number
    b" \t\r",                                                # blank too
    b"not json",                                             # malformed
    b'{"receipt": {}}',                                      # transcript missing
    b'{"receipt": 1, "receipt": 2, "transcript": 3}',        # member given twice
    json.dumps(DICE).encode() + b" trailing",                # text after the object
    b'{"receipt": "\xff", "transcript": "x"}',               # not UTF-8
    b'{"receipt": "\\ud800", "transcript": "{}"}',           # lone surrogate escape
    b'{"receipt": {"version":"1","bet_id":5}, "transcript": {}}',  # receipt does not decode
    json.dumps({"note": [1, {"x": "}]"}], "transcript": json.dumps(DICE["transcript"]),
                "receipt": json.dumps(DICE["receipt"])}).encode(),  # strings, odd extra member
    json.dumps({"receipt": {**DICE["receipt"], "bet_id": "caf\u00e9 \U0001d11e"},
                "transcript": DICE["transcript"]}, ensure_ascii=False).encode(),  # bet ids differ
    json.dumps({"receipt": DICE["receipt"], "transcript": {**DICE["transcript"],
                "bet_id": "x\u0007y"}}).encode(),             # control character in a bet id
    json.dumps(DICE).encode() + b"\r",                       # CRLF line end
    b'{"receipt": {"version" "1"}, "transcript": {}}',       # not JSON, but brackets match
    b'{"receipt": {"a": [1}, "transcript": {}}',             # brackets do not match
    json.dumps(DICE).replace('"receipt"', '"rec\\u0065ipt"', 1).encode(),  # escaped key
]


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


def write_shards(directory):
    """Four shards, their plain text for zt-verify, and the directory's sorted order."""
    mixed = b"\n".join(EXAMPLE_LINES + ODD_LINES + [json.dumps(DICE).encode()])  # no final newline
    mutated = b"\n".join(mutated_lines(400)) + b"\n"
    big = b"".join(line + b"\n" + (b"\n" if i % 17 == 0 else b"")
                   for i, line in enumerate(EXAMPLE_LINES * 40))
    (directory / "big.jsonl").write_bytes(big)
    (directory / "mixed.jsonl").write_bytes(mixed)
    (directory / "mutated.jsonl").write_bytes(mutated)
    (directory / "packed.jsonl.data").write_bytes(gzip.compress(mixed + b"\n" + big))
    return [("big.jsonl", big), ("mixed.jsonl", mixed), ("mutated.jsonl", mutated),
            ("packed.jsonl.data", mixed + b"\n" + big)]


def reference(tmp_path, shards, *options):
    """What zt-verify batch says of each shard, put together in shard order."""
    total = {"lines": 0, "total": 0, "verified": 0, "failed": 0}
    groups, rows = {}, []
    for name, text in shards:
        plain = tmp_path / f"plain-{name}"
        plain.write_bytes(text)
        code, summary, failures = run_batch(plain, tmp_path / "ref-failures.tsv", *options)
        assert code in (0, 3), summary["message"]
        for key in total:
            total[key] += summary[key]
        for group in summary["failures"]:
            known = groups.setdefault(group["message"], [0, name, group["first_line"]])
            known[0] += group["count"]
        rows += [(name, line, message) for line, message in failures]
    failures = sorted(({"message": m, "count": c, "first_file": f, "first_line": n}
                       for m, (c, f, n) in groups.items()), key=lambda g: (-g["count"], g["message"]))
    return {**total, "failures": failures}, rows


def audit_rows(path, directory):
    rows = []
    for line in path.read_text(encoding="utf-8").splitlines():
        shard, number, message, bet_id, name = line.split("\t")
        rows.append((os.path.relpath(shard, directory), int(number), bet_id, message, name))
    return rows


def expected_ids(line: bytes):
    """The receipt's bet_id and the line's name as the failures file writes them,
    read with Python's json."""
    try:
        bet = json.loads(line)
        receipt = json.loads(bet["receipt"]) if isinstance(bet["receipt"], str) else bet["receipt"]
    except (ValueError, KeyError, TypeError):
        return None
    bet_id = receipt.get("bet_id")
    bet_id = bet_id.replace("\u0007", "\\u0007") if isinstance(bet_id, str) else ""
    return bet_id, bet.get("name", "")


def check_same_as_batch(tmp_path, directory, shards, summary, failures_path):
    want, want_rows = reference(tmp_path, shards, *PACKAGES)
    for group in summary["failures"]:
        group["first_file"] = os.path.relpath(group["first_file"], directory)
    assert {k: summary[k] for k in want} == want
    rows = audit_rows(failures_path, directory)
    assert [(s, n, m) for s, n, _, m, _ in rows] == want_rows
    texts = {name: text.split(b"\n") for name, text in shards}
    for shard, number, bet_id, message, name in rows:
        if not message.startswith(("failed to parse receipt", "line is not", "input bytes")):
            assert (bet_id, name) == expected_ids(texts[shard][number - 1]), (shard, number)
    assert any(name for *_, name in rows)  # the examples' lines have names


def test_shards_give_the_verdicts_of_zt_verify_batch(tmp_path, cluster):
    local, _ = cluster
    directory = tmp_path / "shards"
    directory.mkdir()
    shards = write_shards(directory)
    failures, results = tmp_path / "failures.tsv", tmp_path / "results"
    code, summary, _ = run_audit(directory, "--scheduler", local.scheduler_address, *PACKAGES,
                                 "--signer", SIGNER, "--range-bytes", "8K",
                                 "--failures", failures, "--results", results)
    assert code == 3
    assert summary["tasks"] > len(shards) + 10  # the big shard was cut into many ranges
    assert [s["file"] for s in summary["shards"]] == [str(directory / n) for n, _ in shards]
    check_same_as_batch(tmp_path, directory, shards, summary, failures)

    # Per-bet results: every bet of the shard once, in line order, failures as listed.
    mixed = [json.loads(line) for line in (results / "mixed.jsonl.results.jsonl").open()]
    lines = shards[1][1].split(b"\n")
    assert [r["line"] for r in mixed] == [i + 1 for i, l in enumerate(lines) if l.strip()]
    failed = {n for s, n, *_ in audit_rows(failures, directory) if s == "mixed.jsonl"}
    assert {r["line"] for r in mixed if r["verdict"] == "failed"} == failed
    assert {r["code"] for r in mixed} == {0, 1, 2, 3}


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
    check_same_as_batch(tmp_path, directory, shards, summary, failures)
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
    check_same_as_batch(tmp_path, tmp_path, [("examples.jsonl", shard.read_bytes())], summary,
                        failures)


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
