"""Verifying the lines of one shard range with zt_bindings_python, line by line as
`zt-verify batch` does: blank lines are skipped, a line that is not UTF-8 or not a
receipt/transcript object is that line's error, every other line is one bet."""

import json
import re
from dataclasses import dataclass, field

import zt_bindings_python

from .batch_line import MalformedLine, is_blank_line, not_utf8_message, split_batch_line
from .text import json_string

# Per-line codes, the exit code `zt-verify bet` would give: 1 not UTF-8, 2 the line
# or a document did not decode, 3 verification failed, 4 the game has no package.
CODE_VERIFIED = 0
CODE_BAD_INPUT = 1
CODE_NOT_DECODED = 2
CODE_FAILED = 3
CODE_UNREGISTERED = 4

_RECEIPT_NOT_DECODED = "failed to parse receipt: "
_TRANSCRIPT_NOT_DECODED = "failed to parse transcript: "
_UNREGISTERED = "deterministic mapping verification not yet implemented for GDP "
# The module's own message for a document holding a NUL character, which it cannot
# pass to the library as a C string.
_BINDING_REFUSED_NUL = "invalid utf8"
# The usual start of a receipt, where its bet_id is found without decoding it all.
_RECEIPT_START = re.compile(
    r'[ \t\r\n]*\{[ \t\r\n]*"version"[ \t\r\n]*:[ \t\r\n]*"[^"\\]*"[ \t\r\n]*,'
    r'[ \t\r\n]*"bet_id"[ \t\r\n]*:[ \t\r\n]*"([^"\\]*)"')


@dataclass
class LineVerdict:
    line: int  # 1-based, within the range
    verdict: str  # blank, verified, failed, unregistered or error
    code: int | None  # None for a blank line
    message: str | None = None
    bet_id: str | None = None  # None when the receipt did not decode
    name: str | None = None  # the line's "name" member
    positions_in: str | None = None  # "receipt" or "transcript" for a decoding error
    outcome_checked: bool | None = None  # for verified bets: False for a --noop game

    def results_line(self) -> str:
        """The line `zt-verify batch --results` writes for it, newline included:
        json_text of the object, written out here because there are millions."""
        checked = ""
        if self.verdict == "verified":
            checked = f'"outcome_checked":{"true" if self.outcome_checked else "false"},'
        return (f'{{"bet_id":{_string_or_null(self.bet_id)},'
                f'"code":{"null" if self.code is None else self.code},"line":{self.line},'
                f'"message":{_string_or_null(self.message)},"name":{_string_or_null(self.name)},'
                f'{checked}"positions_in":{_string_or_null(self.positions_in)},'
                f'"verdict":"{self.verdict}"}}\n')


def _string_or_null(text):
    return "null" if text is None else json_string(text)


@dataclass
class RangeOutcome:
    """What one range gave: its counts, its failed lines (every line when all
    verdicts were asked for) and the bet_ids of its bets, for finding duplicates."""

    lines: int = 0
    total: int = 0
    verified: int = 0
    failed: int = 0
    unregistered: int = 0
    unchecked_outcomes: int = 0
    verdicts: list = field(default_factory=list)  # LineVerdict, in line order
    bet_ids: list = field(default_factory=list)  # (line, bet_id), in line order


def verify_lines(lines, want_every_verdict: bool, noop_ids=()) -> RangeOutcome:
    """|lines| is an iterable of bytes lines without their newline."""
    outcome = RangeOutcome()
    noop_ids = frozenset(noop_ids)
    for number, raw in enumerate(lines, start=1):
        outcome.lines = number
        if is_blank_line(raw):
            if want_every_verdict:
                outcome.verdicts.append(LineVerdict(number, "blank", None))
            continue
        outcome.total += 1
        verdict = check_line(raw, number, noop_ids)
        if verdict.bet_id is not None:
            outcome.bet_ids.append((number, verdict.bet_id))
        if verdict.verdict == "verified":
            outcome.verified += 1
            outcome.unchecked_outcomes += not verdict.outcome_checked
            if want_every_verdict:
                outcome.verdicts.append(verdict)
            continue
        outcome.failed += 1
        outcome.unregistered += verdict.verdict == "unregistered"
        outcome.verdicts.append(verdict)
    return outcome


def check_line(raw: bytes, number: int, noop_ids=frozenset()) -> LineVerdict:
    """The verdict of one line that is not blank."""
    try:
        line = raw.decode("utf-8")
    except UnicodeDecodeError as error:
        return LineVerdict(number, "error", CODE_BAD_INPUT, not_utf8_message(raw, error.start))
    try:
        documents = split_batch_line(line)
    except MalformedLine as problem:
        return LineVerdict(number, "error", CODE_NOT_DECODED, str(problem))
    verdict = LineVerdict(number, "verified", CODE_VERIFIED, name=documents.name)
    try:
        zt_bindings_python.verify_bet(documents.receipt, documents.transcript)
    except ValueError as error:
        message = str(error).removeprefix("ffi: ")
        verdict.message = message
        if message == _BINDING_REFUSED_NUL:
            verdict.verdict, verdict.code = "error", CODE_BAD_INPUT
            return verdict
        if message.startswith(_RECEIPT_NOT_DECODED):
            verdict.verdict, verdict.code, verdict.positions_in = "error", CODE_NOT_DECODED, "receipt"
            return verdict
        verdict.bet_id = _bet_id(documents.receipt)
        if message.startswith(_TRANSCRIPT_NOT_DECODED):
            verdict.verdict, verdict.code = "error", CODE_NOT_DECODED
            verdict.positions_in = "transcript"
        elif message.startswith(_UNREGISTERED):
            verdict.verdict, verdict.code = "unregistered", CODE_UNREGISTERED
        else:
            verdict.verdict, verdict.code = "failed", CODE_FAILED
        return verdict
    verdict.bet_id = _bet_id(documents.receipt)
    verdict.outcome_checked = not noop_ids or _gdp_id(documents.receipt) not in noop_ids
    return verdict


def _bet_id(receipt_text: str):
    """The bet_id of a receipt the library decoded, read again here because the
    library does not hand it back."""
    start = _RECEIPT_START.match(receipt_text)
    if start is not None:
        return start.group(1)
    receipt = _decoded(receipt_text)
    # A record is an object, or an array of its members in declared order.
    bet_id = receipt.get("bet_id") if isinstance(receipt, dict) else _member(receipt, 1)
    return bet_id if isinstance(bet_id, str) else None


def _gdp_id(receipt_text: str):
    receipt = _decoded(receipt_text)
    commitment = receipt.get("commitment") if isinstance(receipt, dict) else _member(receipt, 2)
    if isinstance(commitment, dict):
        return commitment.get("gdp_id")
    return _member(commitment, 3)


def _decoded(text: str):
    try:
        return json.loads(text)
    except (ValueError, RecursionError):
        return None


def _member(record, index: int):
    return record[index] if isinstance(record, list) and len(record) > index else None
