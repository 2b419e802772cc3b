#!/usr/bin/python3
"""Cross-checks the decoder against a reference model.

The decoder in src/json reaches its error texts and positions through RapidJSON's
event stream, a state machine and a re-reading of the bytes where RapidJSON stops.
This file states the same rules as a plain recursive reader, straight from the
decoding rules, and compares both on random valid and mutated documents: as a
Value (every token decoded) and as a one-field record whose other keys are skipped.

Usage: reference_decoder.py DRIVER [SEED] [COUNT]
"""
import random
import subprocess
import sys

WHITESPACE = b' \t\n\r'
HEX = b'0123456789abcdefABCDEF'


class Fault(Exception):
    def __init__(self, message, index):
        super().__init__(message)
        self.message, self.index = message, index


def position_text(text, index, message):
    index = min(index, len(text))
    before = text[:index]
    line = 1 + before.count(b'\n')
    column = index - (before.rfind(b'\n') + 1)
    return f'{message} at line {line} column {column}'


def valid_utf8(data):
    try:
        data.decode('utf-8')
        return True
    except UnicodeDecodeError:
        return False


class Reader:
    def __init__(self, text):
        self.t, self.n = text, len(text)

    def ws(self, i):
        while i < self.n and self.t[i] in WHITESPACE:
            i += 1
        return i

    def hex4(self, i):
        value = 0
        for k in range(i, i + 4):
            if k >= self.n:
                raise Fault('EOF while parsing a string', self.n)
            if self.t[k] not in HEX:
                raise Fault('invalid unicode code point', k + 1)
            value = value * 16 + int(chr(self.t[k]), 16)
        return value, i + 4

    def string(self, quote, decode):
        t, n = self.t, self.n
        i, ill_formed = quote + 1, False
        while True:
            if i >= n:
                raise Fault('EOF while parsing a string', n)
            c = t[i]
            if c == ord('"'):
                if ill_formed:
                    raise Fault('invalid unicode code point', i + 1)
                return i + 1
            if c < 0x20:
                raise Fault('control character (\\u0000-\\u001F) found while parsing a string', i + 1)
            if c == ord('\\'):
                i += 1
                if i >= n:
                    raise Fault('EOF while parsing a string', n)
                if t[i] in b'"\\/bfnrt':
                    i += 1
                    continue
                if t[i] != ord('u'):
                    raise Fault('invalid escape', i + 1)
                unit, i = self.hex4(i + 1)
                if not decode:
                    continue
                if 0xDC00 <= unit <= 0xDFFF:
                    raise Fault('lone leading surrogate in hex escape', i)
                if 0xD800 <= unit <= 0xDBFF:
                    for expected in b'\\u':
                        if i >= n:
                            raise Fault('EOF while parsing a string', n)
                        if t[i] != expected:
                            raise Fault('unexpected end of hex escape', i + 1)
                        i += 1
                    unit, i = self.hex4(i)
                    if not 0xDC00 <= unit <= 0xDFFF:
                        raise Fault('lone leading surrogate in hex escape', i)
                continue
            if c >= 0x80 and decode:
                length = next((k for k in (2, 3, 4) if valid_utf8(t[i:i + k])), 0)
                ill_formed |= length == 0
                i += max(length, 1)
                continue
            i += 1

    def digits(self, i, end_message):
        if i >= self.n:
            raise Fault(end_message, self.n)
        if not chr(self.t[i]).isdigit():
            raise Fault('invalid number', i + 1)
        while i < self.n and chr(self.t[i]).isdigit():
            i += 1
        return i

    def number(self, start, decode):
        t, n = self.t, self.n
        end_message = 'EOF while parsing a value' if decode else 'invalid number'
        i = start + (t[start] == ord('-'))
        if i < n and t[i] == ord('0'):
            i += 1
            if i < n and chr(t[i]).isdigit():
                raise Fault('invalid number', i + 1)
        else:
            i = self.digits(i, end_message)
        if i < n and t[i] == ord('.'):
            i = self.digits(i + 1, end_message)
        if i < n and t[i] in b'eE':
            i += 1
            if i < n and t[i] in b'+-':
                i += 1
            i = self.digits(i, end_message)
        if decode and abs(float(t[start:i].decode())) == float('inf'):
            raise Fault('number out of range', i)
        return i

    def literal(self, i):
        word = {ord('n'): b'null', ord('t'): b'true', ord('f'): b'false'}[self.t[i]]
        for k in range(1, len(word)):
            if i + k >= self.n:
                raise Fault('EOF while parsing a value', self.n)
            if self.t[i + k] != word[k]:
                raise Fault('expected ident', i + k + 1)
        return i + len(word)

    def container(self, i, depth, decode, closer):
        t, n = self.t, self.n
        if depth >= 127:
            raise Fault('recursion limit exceeded', i + 1)
        in_object = closer == ord('}')
        eof = 'EOF while parsing an object' if in_object else 'EOF while parsing a list'
        i = self.ws(i + 1)
        if i >= n:
            raise Fault(eof, n)
        if t[i] == closer:
            return i + 1
        while True:
            if in_object:
                if t[i] != ord('"'):
                    raise Fault('key must be a string', i + 1)
                i = self.ws(self.string(i, decode))
                if i >= n:
                    raise Fault(eof, n)
                if t[i] != ord(':'):
                    raise Fault('expected `:`', i + 1)
                i = self.ws(i + 1)
            i = self.ws(self.value(i, depth + 1, decode))
            if i >= n:
                raise Fault(eof, n)
            if t[i] == closer:
                return i + 1
            if t[i] != ord(','):
                raise Fault('expected `,` or `}`' if in_object else 'expected `,` or `]`', i + 1)
            i = self.ws(i + 1)
            if i >= n:
                raise Fault('EOF while parsing a value', n)
            if t[i] == closer:
                raise Fault('trailing comma', i + 1)

    def value(self, i, depth, decode):
        if i >= self.n:
            raise Fault('EOF while parsing a value', self.n)
        c = self.t[i]
        if c in b'ntf':
            return self.literal(i)
        if c == ord('"'):
            return self.string(i, decode)
        if c == ord('-') or chr(c).isdigit():
            return self.number(i, decode)
        if c == ord('['):
            return self.container(i, depth, decode, ord(']'))
        if c == ord('{'):
            return self.container(i, depth, decode, ord('}'))
        raise Fault('expected value', i + 1)

    def end(self, i):
        i = self.ws(i)
        if i < self.n:
            raise Fault('trailing characters', i + 1)


def expect_value(text):
    reader = Reader(text)
    try:
        reader.end(reader.value(reader.ws(0), 0, True))
        return 'OK'
    except Fault as fault:
        return position_text(text, fault.index, fault.message)


def expect_probe(text):
    """{"name": "..."} with other keys skipped; None for shapes the model leaves out."""
    r, t, n = Reader(text), text, len(text)
    try:
        i = r.ws(0)
        if i >= n or t[i] != ord('{'):
            return None
        i, seen, first = r.ws(i + 1), False, True
        if i >= n:
            raise Fault('EOF while parsing an object', n)
        while not (first and t[i] == ord('}')):
            if t[i] != ord('"'):
                raise Fault('key must be a string', i + 1)
            key_end = r.string(i, True)
            is_name = t[i + 1:key_end - 1] == b'name'
            if is_name and seen:
                raise Fault('duplicate field `name`', r.ws(key_end))
            seen |= is_name
            i = r.ws(key_end)
            if i >= n:
                raise Fault('EOF while parsing an object', n)
            if t[i] != ord(':'):
                raise Fault('expected `:`', i + 1)
            i = r.ws(i + 1)
            if not is_name:
                i = r.value(i, 1, False)
            elif i < n and t[i] == ord('"'):
                i = r.string(i, True)
            elif i < n and t[i] in b'[{':
                kind = 'sequence' if t[i] == ord('[') else 'map'
                raise Fault(f'invalid type: {kind}, expected a string', i)
            else:
                return None
            i, first = r.ws(i), False
            if i >= n:
                raise Fault('EOF while parsing an object', n)
            if t[i] == ord('}'):
                break
            if t[i] != ord(','):
                raise Fault('expected `,` or `}`', i + 1)
            i = r.ws(i + 1)
            if i >= n:
                raise Fault('EOF while parsing a value', n)
            if t[i] == ord('}'):
                raise Fault('trailing comma', i + 1)
        if not seen:
            raise Fault('missing field `name`', i + 1)
        r.end(i + 1)
        return 'OK'
    except Fault as fault:
        return position_text(text, fault.index, fault.message)


ATOMS = [b'null', b'true', b'false', b'0', b'-0', b'12', b'-3.5e2', b'1e400', b'0e400', b'1E-400',
         b'"a"', b'"\\uD800"', b'"\\uDC00"', b'"\\uD83D\\uDE00"', b'"\\u00e9"', b'"\xc3\xa9"',
         b'"\xff"', b'"\\n"', b'""', b'18446744073709551616', b'"\\uD800\\u0041"', b'"\\uD800x"',
         b'9' * 320]
KEYS = [b'"a"', b'"b"', b'"\\uD800"', b'"\xff"', b'"name"']
NOISE = [b'', b' ', b'\n', b',', b':', b'"', b'\\', b'[', b']', b'{', b'}', b'0', b'-', b'.', b'e',
         b'u', b'D8', b'\x00', b'\xff', b'x', b'n']
NAMES = [b'"n"', b'"\\uD800"', b'"\xc3\xa9"', b'"\\uDC00"', b'"\xff"', b'[]', b'"\\uD83D\\uDE00"']


def generate(rng, depth=0):
    roll = rng.random()
    if depth > 4 or roll < 0.45:
        return rng.choice(ATOMS)
    if roll < 0.7:
        return b'[' + b','.join(generate(rng, depth + 1) for _ in range(rng.randint(0, 3))) + b']'
    members = (rng.choice(KEYS) + b':' + generate(rng, depth + 1) for _ in range(rng.randint(0, 3)))
    return b'{' + b','.join(members) + b'}'


def mutate(rng, text):
    text = bytearray(text)
    for _ in range(rng.randint(0, 3)):
        k = rng.randrange(len(text) + 1)
        roll = rng.random()
        if roll < 0.4:
            text[k:k + 1] = rng.choice(NOISE)
        elif roll < 0.7:
            text[k:k] = rng.choice(NOISE)
        else:
            del text[k:]
    return bytes(text)


def decode_all(driver, documents, mode):
    data = b''.join(str(len(d)).encode() + b'\n' + d for d in documents)
    out = subprocess.run([driver, mode], input=data, capture_output=True, check=True).stdout
    return out.decode('utf-8', 'replace').split('\n')[:-1]


def main():
    driver = sys.argv[1]
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 5000
    values = [mutate(rng, generate(rng)) for _ in range(count)]
    probes = []
    for _ in range(count):
        members = [b'"x":' + generate(rng, 1) for _ in range(rng.randint(0, 2))]
        members.append(b'"name":' + rng.choice(NAMES))
        rng.shuffle(members)
        probes.append(mutate(rng, b'{' + b','.join(members) + b'}'))
    mismatches = 0
    for mode, documents, expect in (('value', values, expect_value), ('probe', probes, expect_probe)):
        for document, got in zip(documents, decode_all(driver, documents, mode)):
            want = expect(document)
            if want is not None and want != got:
                mismatches += 1
                print(f'{mode} {document!r}\n  model:   {want}\n  decoder: {got}')
    print(f'{mismatches} mismatches in {2 * count} documents')
    return 1 if mismatches else 0


if __name__ == '__main__':
    sys.exit(main())
