#!/usr/bin/env python3
"""Runs the conformance vectors against a shared library that exports the four
functions of the zt_core C interface, and prints "N passed, N failed".

    scripts/run-vectors.py LIBRARY.so [VECTORS_DIR]

VECTORS_DIR defaults to the vectors/ folder beside this script's folder. The
library is loaded with ctypes and called only through zt_core_verify_bet,
zt_core_register_noop_mapper, zt_core_register_gdp_package and
zt_core_last_error_message, so any implementation of that interface can be
checked. Cases run in the order of vectors/index.json, in one process. Exit
status: 0 when every case passed, 1 when any failed, 2 on a usage error.
"""
import ctypes
import json
import sys
from pathlib import Path

FORMAT = "zt-core-vectors 1"


def load(library_path: str):
    library = ctypes.CDLL(library_path)
    library.zt_core_verify_bet.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
    library.zt_core_verify_bet.restype = ctypes.c_int32
    library.zt_core_register_noop_mapper.argtypes = [ctypes.c_char_p]
    library.zt_core_register_noop_mapper.restype = ctypes.c_int32
    library.zt_core_register_gdp_package.argtypes = [ctypes.c_char_p, ctypes.c_size_t]
    library.zt_core_register_gdp_package.restype = ctypes.c_int32
    library.zt_core_last_error_message.argtypes = []
    library.zt_core_last_error_message.restype = ctypes.c_char_p  # copied into bytes
    return library


class Runner:
    def __init__(self, library, vectors: Path):
        self.library = library
        self.vectors = vectors

    def read(self, relative):
        """The bytes of a vector file, or None (a NULL pointer) for null."""
        return None if relative is None else (self.vectors / relative).read_bytes()

    def call(self, step: dict) -> int:
        name = step["call"]
        if name == "zt_core_verify_bet":
            return self.library.zt_core_verify_bet(self.read(step["receipt"]),
                                                   self.read(step["transcript"]))
        if name == "zt_core_register_noop_mapper":
            gdp_id = step["gdp_id"]
            return self.library.zt_core_register_noop_mapper(
                None if gdp_id is None else gdp_id.encode())
        if name == "zt_core_register_gdp_package":
            package = self.read(step["package"])
            return self.library.zt_core_register_gdp_package(
                package, 0 if package is None else len(package))
        raise ValueError(f"unknown call {name!r}")

    def run(self, case: dict) -> str | None:
        """None when |case| passed, otherwise what went wrong."""
        for step in case["setup"]:
            code = self.call(step)
            if code != 0:
                return f"setup {step['call']} returned {code}: {shown(self.last_error())}"
        code = self.call(case)
        message = self.last_error()
        want = case["message"]
        want = None if want is None else want.encode()
        if code != case["code"] or message != want:
            return (f"code {code}, message {shown(message)}; "
                    f"want code {case['code']}, message {shown(want)}")
        return None

    def last_error(self):
        return self.library.zt_core_last_error_message()


def shown(message) -> str:
    """A message as printable ASCII: library text is data, never terminal input."""
    if message is None:
        return "NULL"
    return json.dumps(message.decode("utf-8", errors="backslashreplace"))


def main(argv) -> int:
    if len(argv) not in (2, 3) or argv[1] in ("-h", "--help"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    vectors = Path(argv[2]) if len(argv) == 3 else Path(__file__).resolve().parent.parent / "vectors"
    index = json.loads((vectors / "index.json").read_text(encoding="utf-8"))
    if index.get("format") != FORMAT:
        print(f"run-vectors: {vectors}/index.json is not in the format {FORMAT!r}", file=sys.stderr)
        return 2
    runner = Runner(load(argv[1]), vectors)
    passed = failed = 0
    for case in index["cases"]:
        problem = runner.run(case)
        if problem is None:
            passed += 1
        else:
            failed += 1
            print(f"FAIL {shown(case['name'].encode())}: {problem}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
