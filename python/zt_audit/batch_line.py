"""Taking one JSON Lines record of a batch apart, with the rules and messages of
`zt-verify batch`.

A line is a JSON object with the members "receipt" and "transcript" (others are
ignored). Each is either a JSON string holding the document's text, or the document
itself written inline; an inline document is passed on as the exact text of the
line, so decoding errors report the same positions as in a file of its own. The
values are not decoded here, only skipped by matching brackets outside strings: the
library decodes the documents and reports their faults. A line that is not such an
object gets a message saying what is wrong and where (a 1-based byte column).
"""

import json
import re
from typing import NamedTuple

NOT_AN_OBJECT = ('line is not a JSON object; each line must be one object with "receipt" and '
                 '"transcript" members')
ENDS_INSIDE = ("line ends inside its JSON object: batch reads one bet per line (a pretty-printed "
               "receipt or transcript belongs to 'zt-verify bet')")

_BLANK = re.compile(rb"[ \t\n\r]*")
_SPACE = re.compile(r"[ \t\n\r]*")
# A string literal: no raw control characters; a backslash steps over any one
# character (the escapes themselves are checked by _unescape).
_STRING = re.compile(r'"[^"\\\x00-\x1f]*(?:\\[\s\S][^"\\\x00-\x1f]*)*"')
# The longest start of a string literal that is not closed: where it stops is
# where the literal breaks (a control character, a final backslash or the end).
_STRING_START = re.compile(r'"(?:[^"\\\x00-\x1f]|\\[\s\S])*')
_SCALAR = re.compile(r"[^,}\] \t\n\r]+")
_NESTED_TOKEN = re.compile(r'["{}\[\]]')
_ESCAPES = {'"': '"', "\\": "\\", "/": "/", "b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t"}
_HEX4 = re.compile(r"[0-9a-fA-F]{4}")
_JSON = json.JSONDecoder()


class MalformedLine(Exception):
    """The line is not an object with one receipt and one transcript member; the
    message says why, as `zt-verify batch` does."""


def is_blank_line(line: bytes) -> bool:
    """Only JSON whitespace: the line holds no bet and is skipped."""
    return _BLANK.fullmatch(line) is not None


def not_utf8_message(line: bytes, offset: int) -> str:
    """The message of a line whose first byte that is not UTF-8 is at |offset|."""
    return (f"line is not UTF-8: byte 0x{line[offset]:02x} at column {offset + 1} "
            "does not start or continue a UTF-8 character")


class BatchLine(NamedTuple):
    receipt: str
    transcript: str
    name: str | None  # the line's last valid string member "name", copied into reports


def split_batch_line(line: str) -> BatchLine:
    """The receipt and transcript texts of |line|, or MalformedLine."""
    scanner = _Scanner(line)
    documents = {}
    name = None
    scanner.skip_whitespace()
    if not scanner.consume("{"):
        raise MalformedLine(NOT_AN_OBJECT)
    scanner.skip_whitespace()
    if not scanner.consume("}"):
        while True:
            key_start = scanner.pos
            literal = scanner.string()
            key = _unescape(literal)
            if key is None:
                raise scanner.fault("line has a member name with an invalid escape", key_start)
            scanner.skip_whitespace()
            scanner.expect(":")
            scanner.skip_whitespace()
            value_start = scanner.pos
            value = scanner.value()
            if key in ("receipt", "transcript"):
                if key in documents:
                    raise scanner.fault(f'line has the "{key}" member twice', key_start)
                if value[0] == '"':
                    text = _unescape(value)
                    if text is None:
                        raise scanner.fault(
                            f"line's \"{key}\" member is a string with an invalid escape",
                            value_start)
                    documents[key] = text
                else:
                    documents[key] = value
            elif key == "name" and value[0] == '"':
                # A later valid "name" replaces an earlier one; an invalid escape
                # or a value that is not a string leaves it as it was.
                text = _unescape(value)
                name = text if text is not None else name
            scanner.skip_whitespace()
            if scanner.consume("}"):
                break
            scanner.expect(",")
            scanner.skip_whitespace()
    scanner.skip_whitespace()
    if not scanner.at_end():
        raise scanner.fault("line has text after its JSON object", scanner.pos)
    if "receipt" not in documents:
        raise MalformedLine('line has no "receipt" member')
    if "transcript" not in documents:
        raise MalformedLine('line has no "transcript" member')
    return BatchLine(documents["receipt"], documents["transcript"], name or None)


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
            raise self.not_json(self.pos)

    def fault(self, what: str, position: int) -> MalformedLine:
        """|what| at the byte column of character |position|."""
        column = len(self.text[:position].encode("utf-8")) + 1
        return MalformedLine(f"{what} at column {column}")

    def not_json(self, position: int) -> MalformedLine:
        """The syntax breaks at |position|. A line that simply ends inside the object
        is usually the first line of a pretty-printed document."""
        if _SPACE.fullmatch(self.text, position) is not None:
            return MalformedLine(ENDS_INSIDE)
        return self.fault("line is not valid JSON", position)

    def string(self) -> str:
        """The string literal at the scanner, or the fault where it breaks."""
        match = _STRING.match(self.text, self.pos)
        if match is None:
            raise self.not_json(self._string_break(self.pos))
        self.pos = match.end()
        return match.group()

    def _string_break(self, start: int) -> int:
        if not self.text.startswith('"', start):
            return start
        end = _STRING_START.match(self.text, start).end()
        # A final backslash has stepped past the end.
        return len(self.text) if self.text.startswith("\\", end) else end

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
                raise self.not_json(start)
            self.pos = match.end()
        return self.text[start : self.pos]

    def _skip_nested(self):
        closers = []  # the brackets still open, innermost last
        pos = self.pos
        while True:
            match = _NESTED_TOKEN.search(self.text, pos)
            if match is None:
                raise self.not_json(len(self.text))
            token = match.group()
            pos = match.start()
            if token == '"':
                string = _STRING.match(self.text, pos)
                if string is None:
                    raise self.not_json(self._string_break(pos))
                pos = string.end()
                continue
            if token in "}]" and (not closers or closers[-1] != token):
                raise self.not_json(pos)
            pos += 1
            if token == "{":
                closers.append("}")
            elif token == "[":
                closers.append("]")
            else:
                closers.pop()
                if not closers:
                    self.pos = pos
                    return


def _unescape(literal: str) -> str | None:
    """The text of a string literal already matched by _STRING, quotes included;
    None for an invalid escape. Lone surrogate escapes are refused: they have no
    UTF-8 form."""
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
        if escape != "u" or _HEX4.fullmatch(body, i, i + 4) is None:
            return None
        unit = int(body[i : i + 4], 16)
        i += 4
        if 0xDC00 <= unit <= 0xDFFF:
            return None
        if 0xD800 <= unit <= 0xDBFF:
            if body[i : i + 2] != "\\u" or _HEX4.fullmatch(body, i + 2, i + 6) is None:
                return None
            low = int(body[i + 2 : i + 6], 16)
            i += 6
            if not 0xDC00 <= low <= 0xDFFF:
                return None
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)
        out.append(chr(unit))
    return "".join(out)
