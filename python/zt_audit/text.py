"""Showing text from documents, packages and file names safely, with the rules of
`zt-verify`: visible_text for terminals and the failures file, json_text for JSON
output. Both write the same code points as escapes, so a bet id or a game name can
never move the cursor, recolour the screen, reorder what follows it or hide a line.
"""

import math
import re

# Code points that print as nothing or change how the text around them is shown:
# controls, format characters (bidirectional controls among them), separators,
# invisible fillers, tag characters and noncharacters (U+xxFFFE and U+xxFFFF are
# added below).
_INVISIBLE_RANGES = [
    (0x0000, 0x001F), (0x007F, 0x009F), (0x00AD, 0x00AD), (0x034F, 0x034F),
    (0x0600, 0x0605), (0x061C, 0x061C), (0x06DD, 0x06DD), (0x070F, 0x070F),
    (0x0890, 0x0891), (0x08E2, 0x08E2), (0x115F, 0x1160), (0x17B4, 0x17B5),
    (0x180B, 0x180F), (0x200B, 0x200F), (0x2028, 0x202E), (0x2060, 0x206F),
    (0x3164, 0x3164), (0xFDD0, 0xFDEF), (0xFE00, 0xFE0F), (0xFEFF, 0xFEFF),
    (0xFFA0, 0xFFA0), (0xFFF9, 0xFFFB), (0x110BD, 0x110BD), (0x110CD, 0x110CD),
    (0x13430, 0x1343F), (0x1BCA0, 0x1BCA3), (0x1D173, 0x1D17A), (0xE0000, 0xE0FFF),
] + [(plane + 0xFFFE, plane + 0xFFFF) for plane in range(0, 0x110000, 0x10000)]


def _character_class(ranges) -> str:
    return "".join(f"\\U{first:08x}-\\U{last:08x}" for first, last in ranges)


# Surrogates stand for bytes that are not UTF-8 (file names decoded with
# surrogateescape); they are shown as those bytes.
_VISIBLE_ESCAPE = re.compile(f"[\\\\{_character_class(_INVISIBLE_RANGES)}\ud800-\udfff]")
_JSON_ESCAPE = re.compile(f'["\\\\{_character_class(_INVISIBLE_RANGES)}\ud800-\udfff]')
_NAMED = {"\\": "\\\\", "\n": "\\n", "\r": "\\r", "\t": "\\t"}


def _visible(match) -> str:
    char = match.group()
    named = _NAMED.get(char)
    if named is not None:
        return named
    code_point = ord(char)
    if 0xDC80 <= code_point <= 0xDCFF:
        return f"\\x{{{code_point - 0xDC00:x}}}"
    if 0xD800 <= code_point <= 0xDFFF:
        return "\\x{3f}"  # not from a byte; cannot occur in decoded UTF-8
    return f"\\u{{{code_point:x}}}"


def visible_text(text: str) -> str:
    """|text| with everything that does not print as itself made visible: newline,
    carriage return and tab as \\n, \\r and \\t, other invisible code points as
    \\u{hex} (ESC as \\u{1b}, U+202E as \\u{202e}), bytes that are not UTF-8 as
    \\x{hex}, and the backslash as \\\\."""
    return _VISIBLE_ESCAPE.sub(_visible, text)


def _json_escape(match) -> str:
    char = match.group()
    if char in '"\\':
        return "\\" + char
    code_point = ord(char)
    if 0xD800 <= code_point <= 0xDFFF:
        return "\\ufffd"  # a byte that is not UTF-8
    if code_point < 0x10000:
        return f"\\u{code_point:04x}"
    code_point -= 0x10000
    return f"\\u{0xD800 + (code_point >> 10):04x}\\u{0xDC00 + (code_point & 0x3FF):04x}"


def json_string(text: str) -> str:
    """|text| as a JSON string literal, as json_text writes it."""
    if _JSON_ESCAPE.search(text) is None:
        return '"' + text + '"'
    return '"' + _JSON_ESCAPE.sub(_json_escape, text) + '"'


def json_text(value) -> str:
    """|value| as compact JSON, members in key order, invisible code points written
    as \\u escapes and other text kept as it is: the output of `zt-verify --json`."""
    if value is None:
        return "null"
    if value is True:
        return "true"
    if value is False:
        return "false"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float):
        if not math.isfinite(value):
            return "null"
        text = repr(value)  # the shortest form that reads back, as zt-verify writes it
        return text[:-2] if text.endswith(".0") else text
    if isinstance(value, str):
        return json_string(value)
    if isinstance(value, dict):
        members = (f"{json_text(key)}:{json_text(value[key])}" for key in sorted(value))
        return "{" + ",".join(members) + "}"
    if isinstance(value, (list, tuple)):
        return "[" + ",".join(json_text(item) for item in value) + "]"
    raise TypeError(f"no JSON form for {type(value).__name__}")
