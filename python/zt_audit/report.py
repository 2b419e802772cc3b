"""Putting the ranges' verdicts together in input order, and what the run writes:
the failures file and the per-shard result files. Failures are grouped and
duplicate bet_ids found with the rules of `zt-verify batch`, over the whole audit
as if its shards were one input; a place in the input is (shard index, line)."""

import os
import re
from dataclasses import dataclass, field

from .text import visible_text

SHOWN_GROUPS = 1000
TRACKED_GROUPS = 4 * SHOWN_GROUPS  # distinct messages tracked; later new ones count as other
MESSAGE_BYTES = 500  # longer messages are cut
MAX_IDS = 1 << 21  # distinct bet_ids remembered for finding duplicates
DUPLICATE_EXAMPLES = 10

_POSITION = re.compile(r" at line [0-9]+ column [0-9]+| at column [0-9]+")


def without_positions(message: str) -> str:
    """|message| without " at line N column M" and " at column N", so failures that
    differ only in where they occur fall into one group."""
    return _POSITION.sub("", message)


def group_key(message: str) -> str:
    key = without_positions(message)
    data = key.encode("utf-8")
    if len(data) <= MESSAGE_BYTES:
        return key
    # Cut on a character boundary and say so.
    return data[:MESSAGE_BYTES].decode("utf-8", errors="ignore") + "..."


@dataclass
class FailureGroup:
    message: str
    count: int = 0
    first: tuple = (0, 0)  # (shard index, line)
    last: tuple = (0, 0)

    def merge(self, other: "FailureGroup"):
        if other.count == 0:
            return
        self.first = other.first if self.count == 0 else min(self.first, other.first)
        self.last = max(self.last, other.last)
        self.count += other.count


class FailureGroups:
    """Failures by message in bounded memory: at most TRACKED_GROUPS messages are
    counted on their own, the SHOWN_GROUPS most frequent are shown, the rest are
    "other messages"."""

    def __init__(self):
        self.tracked = {}
        self.untracked = FailureGroup("other messages")

    def add(self, message: str, place: tuple):
        """One failure; places come in input order."""
        key = group_key(message)
        group = self.tracked.get(key)
        if group is None:
            if len(self.tracked) >= TRACKED_GROUPS:
                self.untracked.merge(FailureGroup("", 1, place, place))
                return
            group = self.tracked[key] = FailureGroup(key, 0, place, place)
        group.count += 1
        group.last = place

    def _ordered(self) -> list:
        return sorted(self.tracked.values(), key=lambda g: (-g.count, g.first))

    def groups(self) -> list:
        """Most frequent first, then by first place; at most SHOWN_GROUPS."""
        return self._ordered()[:SHOWN_GROUPS]

    def other(self) -> FailureGroup:
        other = FailureGroup("other messages")
        other.merge(self.untracked)
        for group in self._ordered()[SHOWN_GROUPS:]:
            other.merge(group)
        return other


@dataclass
class DuplicateBet:
    bet_id: str
    first: tuple  # (shard index, line) of its first occurrence
    place: tuple


class DuplicateIds:
    """bet_ids seen on more than one line of the whole audit. Ids are kept as
    hashes with their first place packed into one number, at most MAX_IDS of them
    (about 240 MiB)."""

    _LINE_BITS = 40

    def __init__(self):
        self.first_places = {}
        self.count = 0
        self.complete = True
        self.examples = []

    def add(self, bet_id: str, place: tuple):
        key = hash(bet_id)
        first = self.first_places.get(key)
        if first is None:
            if len(self.first_places) >= MAX_IDS:
                self.complete = False
            else:
                self.first_places[key] = (place[0] << self._LINE_BITS) | place[1]
            return
        self.count += 1
        if len(self.examples) < DUPLICATE_EXAMPLES:
            first_place = (first >> self._LINE_BITS, first & ((1 << self._LINE_BITS) - 1))
            self.examples.append(DuplicateBet(bet_id, first_place, place))


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
    groups: FailureGroups = field(default_factory=FailureGroups)
    duplicates: DuplicateIds = field(default_factory=DuplicateIds)
    unregistered: int = 0
    unchecked_outcomes: int = 0
    interrupted: bool = False

    def add(self, shard_index: int, line_offset: int, outcome):
        """One range's outcome; |line_offset| is the number of lines before it in
        its shard. Returns the range's verdicts with line numbers of the shard."""
        counts = self.shards[shard_index]
        counts.lines += outcome.lines
        counts.total += outcome.total
        counts.verified += outcome.verified
        counts.failed += outcome.failed
        self.unregistered += outcome.unregistered
        self.unchecked_outcomes += outcome.unchecked_outcomes
        for verdict in outcome.verdicts:
            if verdict.message is not None:
                self.groups.add(verdict.message, (shard_index, verdict.line + line_offset))
        for line, bet_id in outcome.bet_ids:
            self.duplicates.add(bet_id, (shard_index, line + line_offset))
        for verdict in outcome.verdicts:
            verdict.line += line_offset
        return outcome.verdicts

    def total(self, key: str) -> int:
        return sum(getattr(counts, key) for counts in self.shards)


class FailuresFile:
    """SHARD<TAB>LINE<TAB>MESSAGE<TAB>BET_ID<TAB>NAME per failed bet, in input order:
    `zt-verify batch`'s failures rows after the shard, every text field shown as
    visible_text does, so a row is always one line of five fields."""

    def __init__(self, path: str):
        self.path = path
        self.file = open(path, "w", encoding="utf-8", newline="\n")

    def write(self, shard: str, verdicts):
        shown_shard = visible_text(shard)
        for v in verdicts:
            if v.message is not None:
                fields = (shown_shard, str(v.line), visible_text(v.message),
                          visible_text(v.bet_id or ""), visible_text(v.name or ""))
                self.file.write("\t".join(fields) + "\n")

    def close(self):
        self.file.close()


class ResultsDirectory:
    """One JSON Lines file per shard, NAME.results.jsonl: for every line of the
    shard, blank ones included, the object `zt-verify batch --results` writes."""

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
        self.file = open(os.path.join(self.path, name), "w", encoding="utf-8", newline="\n",
                         errors="surrogateescape")
        return name

    def write(self, verdicts):
        self.file.write("".join(v.results_line() for v in verdicts))

    def close(self):
        if self.file is not None:
            self.file.close()
            self.file = None
