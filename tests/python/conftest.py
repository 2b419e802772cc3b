# Shared fixtures of the Python module tests: the generated bets and packages.
import csv
import os
import pathlib
import sys

import pytest

FIXTURES = pathlib.Path(os.environ.get("ZT_FIXTURES_DIR", ""))
LIBRARY_DIR = pathlib.Path(os.environ.get("ZT_LIBRARY_DIR", ""))
sys.path.insert(0, str(LIBRARY_DIR))


class Bet:
    def __init__(self, row):
        self.name, self.mapper, code, self.message, self.receipt, self.transcript = row
        self.code = int(code)
        kind, _, rest = self.mapper.partition(":")
        self.mapper_kind = kind
        self.gdp_id = rest.split(":", 1)[0] if kind in ("plinko", "slot") else rest


def _rows(name):
    with open(FIXTURES / name, newline="", encoding="utf-8") as f:
        return [row for row in csv.reader(f, delimiter="\t", quoting=csv.QUOTE_NONE) if row]


@pytest.fixture(scope="session")
def bets():
    return [Bet(row) for row in _rows("bets.tsv")]


@pytest.fixture(scope="session")
def packages():
    # name, file, expected result ("ok" or the message), gdp_id
    return [dict(zip(("name", "file", "expected", "gdp_id"), row)) for row in _rows("packages.tsv")]


@pytest.fixture(scope="session")
def fixtures_dir():
    return FIXTURES


@pytest.fixture(scope="session")
def library_path():
    return LIBRARY_DIR / "libzt_core.so"
