"""Putting the ranges' verdicts together in input order, and what the run writes:
the summary (text or one JSON object), the failures file and the per-shard
result files."""

import json
import os
from dataclasses import dataclass, field

_CONTROL_ESCAPES = {"\n": "\\n", "\r": "\\r", "\t": "\\t"}


def escape_control(text: str) -> str:
    """|text| with control characters written as \\n, \\r, \\t or \\u00XX, so each
    failure stays on one line (the failures file format of `zt-verify batch`)."""
    return "".join(
        _CONTROL_ESCAPES.get(c, f"\\u{ord(c):04x}") if ord(c) < 0x20 or c == "\x7f" else c
        for c in text
    )


def for_terminal(text: str) -> str:
    """Text from documents and packages as it may be shown on a terminal: control
    characters escaped, the C1 ones included."""
    return "".join(f"\\u{ord(c):04x}" if 0x80 <= ord(c) <= 0x9F else c for c in escape_control(text))


@dataclass
class FailureGroup:
    message: str
    count: int
    first_shard: str
    first_line: int


@dataclass
class ShardCounts:
    name: str
    lines: int = 0
    total: int = 0
    verified: int = 0
    failed: int = 0


@dataclass
class Tally:
    shards: list = field(default_factory=list)  # ShardCounts, in input order
    groups: dict = field(default_factory=dict)  # message -> FailureGroup

    def add(self, counts: ShardCounts, line_offset: int, outcome):
        """One range's outcome; |line_offset| is the number of lines before it in
        its shard. Returns the range's verdicts with line numbers of the shard."""
        counts.lines += outcome.lines
        counts.total += outcome.total
        counts.verified += outcome.verified
        counts.failed += outcome.failed
        for verdict in outcome.verdicts:
            verdict.line += line_offset
            if verdict.message is None:
                continue
            group = self.groups.get(verdict.message)
            if group is None:
                group = self.groups[verdict.message] = FailureGroup(
                    verdict.message, 0, counts.name, verdict.line
                )
            group.count += 1
        return outcome.verdicts

    def total(self, key: str) -> int:
        return sum(getattr(counts, key) for counts in self.shards)

    def failure_groups(self) -> list:
        """Most frequent first, then by message."""
        return sorted(self.groups.values(), key=lambda g: (-g.count, g.message))


class FailuresFile:
    """SHARD<TAB>LINE<TAB>MESSAGE<TAB>BET_ID<TAB>NAME per failed bet, in input order:
    `zt-verify batch`'s LINE<TAB>MESSAGE after the shard, then the receipt's bet_id
    (empty when the receipt did not decode) and the line's "name" member (empty when
    it has none)."""

    def __init__(self, path: str):
        self.path = path
        self.file = open(path, "w", encoding="utf-8", newline="\n")

    def write(self, shard: str, verdicts):
        for v in verdicts:
            if v.message is not None:
                fields = (shard, str(v.line), v.message, v.bet_id or "", v.name or "")
                self.file.write("\t".join(escape_control(f) for f in fields) + "\n")

    def close(self):
        self.file.close()


class ResultsDirectory:
    """One JSON Lines file per shard, NAME.results.jsonl: an object per bet, in line
    order, {"bet_id", "code", "line", "message", "name", "verdict"}."""

    def __init__(self, path: str):
        os.makedirs(path, exist_ok=True)
        self.path = path
        self.used = set()
        self.file = None

    def start_shard(self, shard_name: str) -> str:
        base = os.path.basename(shard_name) or "shard"
        name = f"{base}.results.jsonl"
        number = 2
        while name in self.used:
            name = f"{base}-{number}.results.jsonl"
            number += 1
        self.used.add(name)
        self.close()
        self.file = open(os.path.join(self.path, name), "w", encoding="utf-8", newline="\n")
        return name

    def write(self, verdicts):
        for v in verdicts:
            record = {"line": v.line, "bet_id": v.bet_id, "code": v.code,
                      "verdict": "verified" if v.message is None else "failed",
                      "message": v.message, "name": v.name}
            self.file.write(to_json(record) + "\n")

    def close(self):
        if self.file is not None:
            self.file.close()
            self.file = None


def to_json(value) -> str:
    return json.dumps(value, sort_keys=True, separators=(",", ":"), ensure_ascii=False)
