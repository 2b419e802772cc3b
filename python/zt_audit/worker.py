"""What runs on the Dask workers: registering the run's game packages once per
worker process (a worker plugin, which Dask also runs on workers that join later,
replacements of lost workers included), and verifying one range of a shard."""

import ctypes
import gzip
import hashlib
import os
import zlib
from dataclasses import dataclass

import zt_bindings_python
from distributed.diagnostics.plugin import WorkerPlugin

from .verify_lines import verify_lines

PLUGIN_NAME = "zt-audit-packages"


class PackageRefused(Exception):
    """A package the library would not register, with its message."""

    def __init__(self, file: str, message: str):
        super().__init__(file, message)
        self.file = file
        self.message = message

    def __str__(self):
        return f"package {self.file} did not register: {self.message}"


class WorkerNotReady(Exception):
    """The worker cannot verify this run's bets: its registry is not the run's."""


class ShardUnreadable(Exception):
    """A shard range could not be read or decompressed on the worker: the reason."""


@dataclass(frozen=True)
class Package:
    file: str  # as given on the command line, for messages
    data: bytes

    def digest(self) -> str:
        return hashlib.sha256(self.data).hexdigest()


@dataclass(frozen=True)
class RangeJob:
    path: str  # absolute, readable on every worker
    start: int  # byte offsets; a range holds whole lines
    end: int  # None reads to the end (compressed shards are one range)
    compressed: bool


# This process's registry as far as audits are concerned: the run it was set up
# for, why that failed, and everything any run ever registered here (the library
# cannot unregister, so a worker that served another run may hold extra mappers).
_process = {"run": None, "failure": None, "registered": set(), "noop_ids": ()}


def register_run(run_id: str, packages: list, noop_ids: list):
    """Registers the packages in order, then the no-op ids, as `zt-verify` does."""
    wanted = {("package", p.digest()) for p in packages} | {("noop", i) for i in noop_ids}
    if _process["registered"] - wanted:
        raise WorkerNotReady(
            "this worker still holds game mappers that an earlier run registered; "
            "restart the workers so every process starts with an empty registry"
        )
    for package in packages:
        try:
            zt_bindings_python.register_gdp_package(package.data)
        except ValueError as error:
            raise PackageRefused(package.file, str(error).removeprefix("ffi: ")) from None
        _process["registered"].add(("package", package.digest()))
    for gdp_id in noop_ids:
        register_noop_mapper(gdp_id)
        _process["registered"].add(("noop", gdp_id))
    _process["noop_ids"] = tuple(noop_ids)
    _process["run"] = run_id


def register_noop_mapper(gdp_id: str):
    """The module's own function when it has one, else the C interface of the very
    library the module loaded (same file, so the same registry)."""
    register = getattr(zt_bindings_python, "register_noop_mapper", None)
    if register is not None:
        register(gdp_id)
        return
    library = ctypes.CDLL(_loaded_library_path())
    library.zt_core_register_noop_mapper.argtypes = [ctypes.c_char_p]
    library.zt_core_register_noop_mapper.restype = ctypes.c_int32
    if library.zt_core_register_noop_mapper(gdp_id.encode("utf-8")) != 0:
        raise WorkerNotReady(f"the no-op mapper for {gdp_id} did not register")


def _loaded_library_path() -> str:
    """The libzt_core file this process loaded for the module, whatever its version
    suffix or directory; opening the same file again gives the same library."""
    with open("/proc/self/maps", encoding="utf-8", errors="replace") as maps:
        for line in maps:
            path = line.rstrip("\n").split(maxsplit=5)[-1]
            if os.path.basename(path).startswith("libzt_core.so"):
                return path
    return os.path.join(os.path.dirname(zt_bindings_python.__file__), "libzt_core.so")


class PackagePlugin(WorkerPlugin):
    """Carries the run's packages to every worker once and registers them there
    before the worker verifies any bet of the run."""

    name = PLUGIN_NAME

    def __init__(self, run_id: str, packages: list, noop_ids: list):
        self.run_id = run_id
        self.packages = packages
        self.noop_ids = noop_ids

    def setup(self, worker):
        _process["run"] = None
        _process["failure"] = None
        try:
            register_run(self.run_id, self.packages, self.noop_ids)
        except Exception as error:
            _process["failure"] = error
            raise


def verify_range(run_id: str, job: RangeJob, want_every_verdict: bool):
    """The task: the verdicts of every line of one range."""
    if _process["run"] != run_id:
        raise _process["failure"] or WorkerNotReady(
            "the game packages of this run are not registered on this worker"
        )
    try:
        lines = _read_lines(job)
        return verify_lines(lines, want_every_verdict, _process["noop_ids"])
    except (OSError, EOFError, zlib.error) as error:
        raise ShardUnreadable(_reason(error)) from None


def _read_lines(job: RangeJob):
    if job.compressed:
        return _compressed_lines(job.path)
    with open(job.path, "rb") as shard:
        shard.seek(job.start)
        data = shard.read(job.end - job.start)
    if len(data) != job.end - job.start:
        raise ShardUnreadable("the file is shorter than when the run began")
    lines = data.split(b"\n")
    if lines[-1] == b"":
        lines.pop()  # the newline ends the last line; it does not start another
    return lines


def _compressed_lines(path: str):
    with gzip.open(path, "rb") as shard:
        for line in shard:
            yield line[:-1] if line.endswith(b"\n") else line


def _reason(error) -> str:
    return error.strerror if isinstance(error, OSError) and error.strerror else str(error)
