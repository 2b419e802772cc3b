"""Finding the shards named on the command line and cutting them into ranges.

A plain shard is cut into byte ranges of about the requested size, each moved
forward to the next line start, so one big file keeps many workers busy and every
range holds whole lines. A gzip shard (recognised by its magic bytes, whatever its
name) cannot be entered in the middle and is one range."""

import glob
import os
from dataclasses import dataclass

from .worker import RangeJob

GZIP_MAGIC = b"\x1f\x8b"
_GLOB_CHARACTERS = set("*?[")


class InputError(Exception):
    """A shard argument that names nothing readable."""


@dataclass
class Shard:
    name: str  # as the user wrote it (or as found in a directory or a glob)
    path: str  # absolute
    size: int
    compressed: bool


def find_shards(arguments: list) -> list:
    """Files as given, directories as the regular files directly inside them (sorted,
    hidden files left out), globs as their sorted matches; each file once."""
    names = []
    for argument in arguments:
        if os.path.isdir(argument):
            entries = sorted(e for e in os.listdir(argument) if not e.startswith("."))
            names += [p for p in (os.path.join(argument, e) for e in entries) if os.path.isfile(p)]
        elif not os.path.exists(argument) and _GLOB_CHARACTERS & set(argument):
            matches = sorted(p for p in glob.glob(argument) if os.path.isfile(p))
            if not matches:
                raise InputError(f"no file matches {argument}")
            names += matches
        else:
            names.append(argument)
    shards = []
    seen = set()
    for name in names:
        path = os.path.abspath(name)
        if os.path.realpath(path) in seen:
            continue
        seen.add(os.path.realpath(path))
        shards.append(_open_shard(name, path))
    return shards


def _open_shard(name: str, path: str) -> Shard:
    try:
        with open(path, "rb") as shard:
            magic = shard.read(2)
            size = os.fstat(shard.fileno()).st_size
    except OSError as error:
        raise InputError(f"cannot read {name}: {error.strerror}") from None
    return Shard(name, path, size, magic == GZIP_MAGIC)


def cut_ranges(shard: Shard, range_bytes: int) -> list:
    """The ranges of |shard|, in file order; none for an empty file."""
    if shard.compressed:
        return [RangeJob(shard.path, 0, None, True)]
    starts = [0]
    with open(shard.path, "rb") as data:
        for nominal in range(range_bytes, shard.size, range_bytes):
            if nominal <= starts[-1]:
                continue  # a long line already covers this offset
            start = _line_start_at_or_after(data, nominal, shard.size)
            if start < shard.size and start > starts[-1]:
                starts.append(start)
    ends = starts[1:] + [shard.size]
    return [RangeJob(shard.path, s, e, False) for s, e in zip(starts, ends) if e > s]


def _line_start_at_or_after(data, offset: int, size: int) -> int:
    data.seek(offset - 1)
    position = offset - 1
    while position < size:
        block = data.read(1 << 16)
        if not block:
            break
        newline = block.find(b"\n")
        if newline >= 0:
            return position + newline + 1
        position += len(block)
    return size
