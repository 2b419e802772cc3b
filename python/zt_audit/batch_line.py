"""Taking one JSON Lines record of a batch apart, with the rules of `zt-verify batch`.

A line is a JSON object with the members "receipt" and "transcript" (others are
ignored). Each is either a JSON string holding the document's text, or the document
itself written inline; an inline document is passed on as the exact text of the
line, so decoding errors report the same positions as in a file of its own. The
values are not decoded here, only skipped by matching brackets outside strings: the
library decodes the documents and reports their faults.
"""

import json
import re
from typing import NamedTuple

MALFORMED_LINE = "line is not a JSON object with receipt and transcript members"
NOT_UTF8 = "input bytes are not valid UTF-8"

_BLANK = re.compile(rb"[ \t\n\r]*")
_SPACE = re.compile(r"[ \t\n\r]*")
# A string literal: no raw control characters; a backslash steps over any one
# character (the escapes themselves are checked by _unescape).
_STRING = re.compile(r'"[^"\\\x00-\x1f]*(?:\\[\s\S][^"\\\x00-\x1f]*)*"')
_SCALAR = re.compile(r"[^,}\] \t\n\r]+")
# Inside an array or object: the next string, bracket, or a quote that starts no
# valid string.
_NESTED_TOKEN = re.compile(r'"[^"\\\x00-\x1f]*(?:\\[\s\S][^"\\\x00-\x1f]*)*"|[{}\[\]]|"')
_ESCAPES = {'"': '"', "\\": "\\", "/": "/", "b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t"}
_HEX4 = re.compile(r"[0-9a-fA-F]{4}")
_JSON = json.JSONDecoder()


class MalformedLine(Exception):
    """The line is not an object with one receipt and one transcript member."""


def is_blank_line(line: bytes) -> bool:
    """Only JSON whitespace: the line holds no bet and is skipped."""
    return _BLANK.fullmatch(line) is not None


class BatchLine(NamedTuple):
    receipt: str
    transcript: str
    name: str | None  # the line's first string member "name", copied into reports


def split_batch_line(line: str) -> BatchLine:
    """The receipt and transcript texts of |line|, or MalformedLine."""
    scanner = _Scanner(line)
    documents = {}
    name = None
    scanner.skip_whitespace()
    scanner.expect("{")
    scanner.skip_whitespace()
    if not scanner.consume("}"):
        while True:
            key = _unescape(scanner.string())
            scanner.skip_whitespace()
            scanner.expect(":")
            scanner.skip_whitespace()
            value = scanner.value()
            if key in ("receipt", "transcript"):
                if key in documents:
                    raise MalformedLine()
                documents[key] = _unescape(value) if value[0] == '"' else value
            elif key == "name" and name is None and value[0] == '"':
                try:
                    name = _unescape(value)
                except MalformedLine:
                    pass  # only the two documents decide whether the line is a bet
            scanner.skip_whitespace()
            if scanner.consume("}"):
                break
            scanner.expect(",")
            scanner.skip_whitespace()
    scanner.skip_whitespace()
    if not scanner.at_end() or len(documents) != 2:
        raise MalformedLine()
    return BatchLine(documents["receipt"], documents["transcript"], name)


class _Scanner:
    def __init__(self, text: str):
        self.text = text
        self.pos = 0

    def at_end(self) -> bool:
        return self.pos >= len(self.text)

    def skip_whitespace(self):
        self.pos = _SPACE.match(self.text, self.pos).end()

    def consume(self, char: str) -> bool:
        if self.text.startswith(char, self.pos):
            self.pos += 1
            return True
        return False

    def expect(self, char: str):
        if not self.consume(char):
            raise MalformedLine()

    def string(self) -> str:
        match = _STRING.match(self.text, self.pos)
        if match is None:
            raise MalformedLine()
        self.pos = match.end()
        return match.group()

    def value(self) -> str:
        start = self.pos
        first = self.text[start : start + 1]
        if first == '"':
            return self.string()
        if first in ("{", "["):
            try:
                # Valid JSON ends where bracket matching ends; Python's own decoder
                # finds that end several times faster than the loop below.
                self.pos = _JSON.raw_decode(self.text, start)[1]
            except (ValueError, RecursionError):
                self._skip_nested()
        else:
            match = _SCALAR.match(self.text, start)
            if match is None:
                raise MalformedLine()
            self.pos = match.end()
        return self.text[start : self.pos]

    def _skip_nested(self):
        closers = []  # the brackets still open, innermost last
        pos = self.pos
        while True:
            match = _NESTED_TOKEN.search(self.text, pos)
            if match is None:
                raise MalformedLine()
            token = match.group()
            pos = match.end()
            if token == "{":
                closers.append("}")
            elif token == "[":
                closers.append("]")
            elif token in ("}", "]"):
                if not closers or closers.pop() != token:
                    raise MalformedLine()
                if not closers:
                    self.pos = pos
                    return
            elif token == '"':
                raise MalformedLine()


def _unescape(literal: str) -> str:
    """The text of a string literal already matched by _STRING, quotes included.
    Lone surrogate escapes are refused: they have no UTF-8 form."""
    body = literal[1:-1]
    if "\\" not in body:
        return body
    out = []
    i = 0
    while i < len(body):
        char = body[i]
        i += 1
        if char != "\\":
            out.append(char)
            continue
        escape = body[i]
        i += 1
        if escape in _ESCAPES:
            out.append(_ESCAPES[escape])
            continue
        if escape != "u":
            raise MalformedLine()
        unit, i = _hex4(body, i)
        if 0xDC00 <= unit <= 0xDFFF:
            raise MalformedLine()
        if 0xD800 <= unit <= 0xDBFF:
            if body[i : i + 2] != "\\u":
                raise MalformedLine()
            low, i = _hex4(body, i + 2)
            if not 0xDC00 <= low <= 0xDFFF:
                raise MalformedLine()
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)
        out.append(chr(unit))
    return "".join(out)


def _hex4(body: str, i: int) -> tuple[int, int]:
    if _HEX4.fullmatch(body, i, i + 4) is None:
        raise MalformedLine()
    return int(body[i : i + 4], 16), i + 4
