"""Verifying the lines of one shard range with zt_bindings_python, line by line as
`zt-verify batch` does: blank lines are skipped, a line that is not UTF-8 or not a
receipt/transcript object is that line's failure, every other line is one bet."""

import json
from dataclasses import dataclass, field

import zt_bindings_python

from .batch_line import NOT_UTF8, MALFORMED_LINE, MalformedLine, is_blank_line, split_batch_line

# Per-bet codes, the C interface's: 1 bad argument (not UTF-8), 2 a document or the
# line did not decode, 3 verification failed.
CODE_VERIFIED = 0
CODE_BAD_INPUT = 1
CODE_NOT_DECODED = 2
CODE_FAILED = 3

_RECEIPT_NOT_DECODED = "failed to parse receipt: "
_TRANSCRIPT_NOT_DECODED = "failed to parse transcript: "
# The module's own message for a document holding a NUL character, which it cannot
# pass to the library as a C string.
_BINDING_REFUSED_NUL = "invalid utf8"


@dataclass
class LineVerdict:
    line: int  # 1-based, within the range
    code: int
    message: str | None
    bet_id: str | None
    name: str | None  # the line's "name" member


@dataclass
class RangeOutcome:
    """What one range gave: its line count, its counts and its failed bets (every
    bet when all verdicts were asked for)."""

    lines: int = 0
    total: int = 0
    verified: int = 0
    failed: int = 0
    verdicts: list = field(default_factory=list)  # LineVerdict, in line order


def verify_lines(lines, want_every_verdict: bool) -> RangeOutcome:
    """|lines| is an iterable of bytes lines without their newline."""
    outcome = RangeOutcome()
    for number, raw in enumerate(lines, start=1):
        outcome.lines = number
        if is_blank_line(raw):
            continue
        outcome.total += 1
        code, message, documents = _check(raw)
        name = documents.name if documents else None
        if code == CODE_VERIFIED:
            outcome.verified += 1
            if want_every_verdict:
                outcome.verdicts.append(
                    LineVerdict(number, code, None, _bet_id(documents.receipt), name)
                )
            continue
        outcome.failed += 1
        decoded = documents is not None and not message.startswith(_RECEIPT_NOT_DECODED)
        bet_id = _bet_id(documents.receipt) if decoded else None
        outcome.verdicts.append(LineVerdict(number, code, message, bet_id, name))
    return outcome


def _check(raw: bytes):
    """(code, message, the line's BatchLine or None) of one non-blank line."""
    try:
        line = raw.decode("utf-8")
    except UnicodeDecodeError:
        return CODE_BAD_INPUT, NOT_UTF8, None
    try:
        documents = split_batch_line(line)
    except MalformedLine:
        return CODE_NOT_DECODED, MALFORMED_LINE, None
    try:
        zt_bindings_python.verify_bet(documents.receipt, documents.transcript)
    except ValueError as error:
        message = str(error)
        if message == _BINDING_REFUSED_NUL:
            return CODE_BAD_INPUT, message, documents
        message = message.removeprefix("ffi: ")
        decoded = not message.startswith((_RECEIPT_NOT_DECODED, _TRANSCRIPT_NOT_DECODED))
        return (CODE_FAILED if decoded else CODE_NOT_DECODED), message, documents
    return CODE_VERIFIED, None, documents


def _bet_id(receipt_text: str):
    """The receipt's bet_id, read again here because the library does not hand it
    back; None when it cannot be read."""
    try:
        receipt = json.loads(receipt_text)
    except (ValueError, RecursionError):
        return None
    # A record is an object, or an array of its members in declared order.
    if isinstance(receipt, dict):
        bet_id = receipt.get("bet_id")
    else:
        bet_id = receipt[1] if isinstance(receipt, list) and len(receipt) > 1 else None
    return bet_id if isinstance(bet_id, str) else None
