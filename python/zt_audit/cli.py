"""python3 -m zt_audit: `zt-verify batch` over many files on a Dask cluster.

The run: arguments, shards and packages are checked on this machine first (nothing
starts when one is wrong); then the cluster is reached or started, every worker
registers the packages, each shard range is one task, and the verdicts are put
together in input order. A task the cluster cannot finish stops the run with an
error: counts are only reported when every range was verified."""

import argparse
import contextlib
import logging
import os
import signal
import sys
import time
import uuid

from .packages import ArgumentProblem, load_packages, parse_signer_keys
from .report import FailuresFile, ResultsDirectory, ShardCounts, Tally
from .shards import InputError, cut_ranges, find_shards
from .text import json_text, visible_text
from .worker import (PLUGIN_NAME, PackagePlugin, PackageRefused, ShardUnreadable, WorkerNotReady,
                     verify_range)

EXIT_VERIFIED = 0
EXIT_BAD_INPUT = 1  # bad argument, unreadable file, or the cluster could not finish the run
EXIT_PACKAGE_REFUSED = 2
EXIT_VERIFY_FAILED = 3
EXIT_NOT_REGISTERED = 4  # a bet's game has no package, and no other failure
EXIT_NO_BETS = 5
EXIT_INTERRUPTED = 130  # Ctrl-C or SIGTERM

DEFAULT_RANGE_BYTES = 32 << 20

USAGE_EPILOG = """\
Each shard holds one bet per line (JSON Lines), {"receipt": ..., "transcript": ...},
as for `zt-verify batch`, plain or gzip-compressed. Shards must be readable at the
same path on every worker.

Exit codes: 0 every bet verified, 1 bad argument, unreadable file or a run the
cluster could not finish, 2 a package did not register or pass --signer, 3 at
least one bet failed (lines that are not bets included), 4 the only failures are
bets of a game without a package, 5 the shards hold no bets, 130 stopped by
Ctrl-C (the summary covers the bets verified until then).

examples:
  python3 -m zt_audit bets/ --local-workers 4 --gdp plinko.tar.gz --noop dice-noop
  python3 -m zt_audit 'month/*.jsonl.gz' --scheduler tcp://10.0.0.5:8786 \\
      --gdp plinko.tar.gz --signer KEY --failures failures.tsv --results results/
"""


class UsageError(Exception):
    pass


class _Parser(argparse.ArgumentParser):
    def error(self, message):
        raise UsageError(message)


class RunStopped(Exception):
    """The run ends without a verdict: an exit code and a message."""

    def __init__(self, exit_code: int, message: str):
        super().__init__(exit_code, message)
        self.exit_code = exit_code
        self.message = message


def build_parser() -> argparse.ArgumentParser:
    parser = _Parser(
        prog="python3 -m zt_audit",
        description="Verify settled bets from many JSON Lines files on a Dask cluster, "
        "with the verdicts and messages of `zt-verify batch`.",
        epilog=USAGE_EPILOG,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    parser.add_argument("shards", nargs="+", metavar="SHARD",
                        help="a JSON Lines file (plain or gzip), a directory of them, or a glob")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--scheduler", metavar="tcp://HOST:PORT",
                       help="the Dask scheduler of a running cluster")
    where.add_argument("--local-workers", type=_positive, metavar="N",
                       help="start a cluster of N worker processes on this machine "
                       "(the default, with one per core)")
    parser.add_argument("--gdp", action="append", default=[], metavar="PKG",
                        help="a game package to register (repeatable, in order)")
    parser.add_argument("--noop", action="append", default=[], metavar="ID",
                        help="register the no-op mapper for game ID: everything but the "
                        "outcome is checked (repeatable)")
    parser.add_argument("--signer", action="append", default=[], metavar="KEY",
                        help="refuse packages not signed by this Ed25519 key "
                        "(64 hex digits; repeatable, any of them will do)")
    parser.add_argument("--failures", metavar="FILE",
                        help="write SHARD, LINE, MESSAGE, BET_ID and NAME of each failed bet, "
                        "tab-separated")
    parser.add_argument("--results", metavar="DIR",
                        help="write every line's verdict, as zt-verify batch --results does, one "
                        "JSON Lines file per shard")
    parser.add_argument("--range-bytes", type=_size, default=DEFAULT_RANGE_BYTES, metavar="SIZE",
                        help="bytes of a plain shard per task, with suffix K, M or G "
                        "(default 32M)")
    parser.add_argument("--no-progress", action="store_true",
                        help="no progress bar (it is only drawn when standard error is a terminal)")
    parser.add_argument("--json", action="store_true", help="print the summary as one JSON object")
    return parser


def _positive(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        value = 0
    if value < 1:
        raise argparse.ArgumentTypeError(f"{text} is not a whole number of at least 1")
    return value


def _size(text: str) -> int:
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    factor = units.get(text[-1:].upper(), 1)
    digits = text[:-1] if factor != 1 else text
    if not digits.isdigit() or int(digits) * factor < 1:
        raise argparse.ArgumentTypeError(f"{text} is not a size such as 65536, 512K or 32M")
    return int(digits) * factor


def main(argv=None) -> int:
    parser = build_parser()
    try:
        options = parser.parse_args(argv)
    except UsageError as error:
        parser.print_usage(sys.stderr)
        return _report_usage_error(str(error), "--json" in (argv if argv is not None else sys.argv))
    summary = {"exit_code": EXIT_VERIFIED, "message": None}
    started = time.monotonic()
    try:
        _run(options, summary)
    except RunStopped as stop:
        summary["exit_code"] = stop.exit_code
        summary["message"] = stop.message
    except KeyboardInterrupt:
        summary["exit_code"] = EXIT_INTERRUPTED
        summary["message"] = "stopped by Ctrl-C before any bet was verified"
    summary["wall_seconds"] = time.monotonic() - started
    _print_summary(options, summary)
    return summary["exit_code"]


def _report_usage_error(message: str, as_json: bool) -> int:
    if as_json:
        print(json_text({"command": None, "exit_code": EXIT_BAD_INPUT, "message": message}))
    else:
        print(f"ERROR  {visible_text(message)}")
    return EXIT_BAD_INPUT


def _run(options, summary):
    """The checks in the order of `zt-verify batch`: inputs, outputs, packages."""
    try:
        if any("\0" in gdp_id for gdp_id in options.noop):
            raise ArgumentProblem("--noop: a game id cannot hold a NUL character")
        shards = find_shards(options.shards)
        summary["shards"] = shards
    except (ArgumentProblem, InputError) as problem:
        raise RunStopped(EXIT_BAD_INPUT, str(problem)) from None

    failures = _open_output(FailuresFile, options.failures)
    results = None
    try:
        results = _open_output(ResultsDirectory, options.results)
        packages = _load_packages(options, summary)
        try:
            jobs = [(shard, cut_ranges(shard, options.range_bytes)) for shard in shards]
        except OSError as error:
            raise RunStopped(EXIT_BAD_INPUT,
                             f"cannot read {error.filename}: {error.strerror}") from None
        with _cluster(options, summary) as client:
            run_id = _register_on_workers(client, packages, options.noop)
            tally = _verify(client, run_id, jobs, options, summary, failures, results)
    except BaseException:
        if failures is not None:
            failures.close()
            with contextlib.suppress(OSError):
                os.remove(options.failures)  # no failure list beside an error
        raise
    finally:
        if results is not None:
            results.close()
    if failures is not None:
        failures.close()
    summary["tally"] = tally
    summary["exit_code"] = exit_code_of(tally)


def exit_code_of(tally) -> int:
    failed = tally.total("failed")
    if tally.interrupted:
        return EXIT_INTERRUPTED
    if tally.total("total") == 0:
        return EXIT_NO_BETS
    if failed > tally.unregistered:
        return EXIT_VERIFY_FAILED
    if tally.unregistered > 0:
        return EXIT_NOT_REGISTERED
    return EXIT_VERIFIED


def _load_packages(options, summary):
    try:
        pinned = parse_signer_keys(options.signer)
        packages, registrations = load_packages(options.gdp, options.noop, pinned)
    except ArgumentProblem as problem:
        raise RunStopped(EXIT_BAD_INPUT, str(problem)) from None
    except PackageRefused as refusal:
        raise RunStopped(EXIT_PACKAGE_REFUSED, str(refusal)) from None
    summary["registrations"] = registrations
    return packages


def _open_output(kind, path):
    if path is None:
        return None
    try:
        return kind(path)
    except OSError as error:
        raise RunStopped(EXIT_BAD_INPUT, f"cannot write {path}: {error.strerror}") from None


@contextlib.contextmanager
def _cluster(options, summary):
    from distributed import Client, LocalCluster

    cluster = None
    try:
        if options.scheduler:
            try:
                client = Client(options.scheduler, timeout="20s")
            except (OSError, TimeoutError) as error:
                raise RunStopped(EXIT_BAD_INPUT,
                                 f"cannot reach the scheduler at {options.scheduler}: {error}") from None
            if "dashboard" in client.scheduler_info().get("services", {}):
                summary["dashboard"] = client.dashboard_link
                print(f"dashboard: {client.dashboard_link}", file=sys.stderr, flush=True)
        else:
            workers = options.local_workers or os.cpu_count() or 1
            # Ctrl-C on a terminal reaches every process of the foreground group: the
            # worker processes start with SIGINT ignored, so that only this process
            # stops the run and the workers live until their results are read.
            previous = signal.signal(signal.SIGINT, signal.SIG_IGN)
            try:
                cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                       dashboard_address=None, silence_logs=logging.ERROR)
            finally:
                signal.signal(signal.SIGINT, previous)
            client = Client(cluster)
    except RunStopped:
        raise
    except Exception as error:
        raise RunStopped(EXIT_BAD_INPUT, f"cannot start the cluster: {error}") from None
    try:
        yield client
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


def _register_on_workers(client, packages, noop_ids) -> str:
    """Registers the packages on every worker, present and future; the run's id."""
    run_id = uuid.uuid4().hex
    plugin = PackagePlugin(run_id, packages, noop_ids)
    try:
        try:
            client.register_worker_plugin(plugin, name=PLUGIN_NAME)
        except WorkerNotReady as stale:
            # A worker of a long-lived cluster served another audit: its registry
            # may hold mappers this run does not have. Fresh processes have none.
            print(f"restarting the workers: {stale}", file=sys.stderr, flush=True)
            client.restart()
            client.register_worker_plugin(plugin, name=PLUGIN_NAME)
    except PackageRefused as refusal:
        raise RunStopped(EXIT_PACKAGE_REFUSED, f"on a worker, {refusal}") from None
    except WorkerNotReady as problem:
        raise RunStopped(EXIT_BAD_INPUT, f"a worker cannot take part: {problem}") from None
    return run_id


def _verify(client, run_id, jobs, options, summary, failures, results):
    from distributed import as_completed
    from distributed.diagnostics.progressbar import progress

    want_every_verdict = results is not None
    started = time.monotonic()
    submitted = []  # (shard index, job, future) in input order
    tally = Tally(shards=[ShardCounts(shard.name) for shard, _ in jobs])
    reader = _InOrder(jobs, submitted, tally, failures, results)
    try:
        with _stop_on_signals():
            for index, (shard, ranges) in enumerate(jobs):
                for job in ranges:
                    future = client.submit(verify_range, run_id, job, want_every_verdict,
                                           key=f"zt-audit-{run_id[:8]}-{len(submitted)}",
                                           pure=False, retries=2)
                    submitted.append((index, job, future))
            futures = [future for *_, future in submitted]
            if futures and not options.no_progress and sys.stderr.isatty():
                with contextlib.redirect_stdout(sys.stderr):  # Dask draws on standard output
                    progress(futures)
            for future in as_completed(futures):
                if future.status == "error":
                    break  # the first failure ends the run; the rest is cancelled below
                reader.read_finished()
            for index, job, future in submitted[reader.position:]:
                if future.status == "error":
                    failure = _task_failure(jobs[index][0], job, future.exception())
                    client.cancel(futures)
                    raise failure
            del futures  # from here on each result is held only until it has been read
            reader.read_all()
    except KeyboardInterrupt:
        # A second Ctrl-C ends the process at once; this one keeps what is verified.
        signal.signal(signal.SIGINT, signal.SIG_DFL)
        # Dask logs the progress bar and the tasks being cancelled as errors.
        for logger in ("distributed", "asyncio"):
            logging.getLogger(logger).setLevel(logging.CRITICAL)
        reader.read_finished()
        client.cancel([future for *_, future in submitted[reader.position:]])
        tally.interrupted = True
    summary["tasks"] = len(submitted)
    summary["seconds"] = time.monotonic() - started
    summary["workers"] = len(client.scheduler_info().get("workers", {}))
    return tally


@contextlib.contextmanager
def _stop_on_signals():
    """SIGTERM stops the run as Ctrl-C does."""
    previous = signal.signal(signal.SIGTERM, signal.default_int_handler)
    try:
        yield
    finally:
        signal.signal(signal.SIGTERM, previous)


class _InOrder:
    """Reads the ranges' results in input order into the tally and the files, so
    what is reported is always every line up to some point of the input."""

    def __init__(self, jobs, submitted, tally, failures, results):
        self.jobs = jobs
        self.submitted = submitted
        self.tally = tally
        self.failures = failures
        self.results = results
        self.position = 0  # the next range to read
        self.shard = -1  # the shard being read
        self.lines_before = 0  # lines of that shard in the ranges already read

    def read_finished(self):
        """Every range from the position on that is finished, up to the first that
        is not."""
        while self.position < len(self.submitted):
            if self.submitted[self.position][2].status != "finished":
                return
            self._read_next()

    def read_all(self):
        """The rest, waiting for each range; a range the cluster cannot finish stops
        the run."""
        while self.position < len(self.submitted):
            self._read_next()
        for index in range(self.shard + 1, len(self.jobs)):
            self._start_shard(index)  # shards without ranges: empty files

    def _read_next(self):
        index, job, future = self.submitted[self.position]
        shard = self.jobs[index][0]
        try:
            outcome = future.result()
        except Exception as error:  # lost after it was computed, and not recomputed
            raise _task_failure(shard, job, error) from None
        # A Ctrl-C waits until the range is in the tally and the files alike.
        signals = {signal.SIGINT, signal.SIGTERM}
        signal.pthread_sigmask(signal.SIG_BLOCK, signals)
        try:
            self._take(index, job, shard, outcome)
        finally:
            signal.pthread_sigmask(signal.SIG_UNBLOCK, signals)

    def _take(self, index, job, shard, outcome):
        self.submitted[self.position] = (index, job, None)  # lets the worker drop it
        self.position += 1
        while self.shard < index:
            self._start_shard(self.shard + 1)
        verdicts = self.tally.add(index, self.lines_before, outcome)
        self.lines_before += outcome.lines
        if self.failures is not None:
            self.failures.write(shard.name, verdicts)
        if self.results is not None:
            self.results.write(verdicts)

    def _start_shard(self, index):
        self.shard = index
        self.lines_before = 0
        if self.results is not None:
            self.results.start_shard(self.jobs[index][0].name)


def _task_failure(shard, job, error) -> RunStopped:
    if isinstance(error, PackageRefused):
        return RunStopped(EXIT_PACKAGE_REFUSED, f"on a worker, {error}")
    where = (f"{shard.name} (the whole compressed file)" if job.compressed
             else f"{shard.name} bytes {job.start} to {job.end}")
    if isinstance(error, ShardUnreadable):
        return RunStopped(EXIT_BAD_INPUT, f"a worker cannot read {where}: {error}; "
                          "nothing is reported for this run")
    reason = f"{type(error).__name__}: {error}"
    if type(error).__name__ == "KilledWorker":
        reason = "the workers running it kept dying (KilledWorker)"
    return RunStopped(EXIT_BAD_INPUT, f"the cluster could not verify {where}: {reason}; "
                      "nothing is reported for this run")


def _print_summary(options, summary):
    if options.json:
        print(json_text(_summary_json(options, summary)))
    else:
        _print_text(options, summary)


def _place_json(prefix: str, tally, place) -> dict:
    shard, line = place
    return {f"{prefix}file": tally.shards[shard].name if line else None, f"{prefix}line": line}


def _group_json(tally, group) -> dict:
    return {"message": group.message, "count": group.count,
            **_place_json("first_", tally, group.first), **_place_json("last_", tally, group.last)}


def _summary_json(options, summary) -> dict:
    tally = summary.get("tally")
    shards = summary.get("shards") or []
    seconds = summary.get("seconds")
    out = {
        "command": "audit",
        "exit_code": summary["exit_code"],
        "message": summary["message"],
        "files": [shard.name for shard in shards],
        "failures_file": options.failures,
        "results_dir": options.results,
        "scheduler": options.scheduler,
        "dashboard": summary.get("dashboard"),
        "workers": summary.get("workers"),
        "tasks": summary.get("tasks"),
        "registrations": [r.as_json() for r in summary.get("registrations", [])],
    }
    for key in ("shards", "lines", "total", "verified", "failed", "unregistered",
                "unchecked_outcomes", "failures", "other_failures", "duplicates", "interrupted",
                "seconds", "bets_per_second"):
        out[key] = None
    if tally is None:
        return out
    out["shards"] = [{"file": c.name, "lines": c.lines, "total": c.total,
                      "verified": c.verified, "failed": c.failed} for c in tally.shards]
    for key in ("lines", "total", "verified", "failed"):
        out[key] = tally.total(key)
    out["unregistered"] = tally.unregistered
    out["unchecked_outcomes"] = tally.unchecked_outcomes
    out["failures"] = [_group_json(tally, g) for g in tally.groups.groups()]
    out["other_failures"] = _group_json(tally, tally.groups.other())
    duplicates = tally.duplicates
    out["duplicates"] = {
        "count": duplicates.count, "complete": duplicates.complete,
        "examples": [{"bet_id": d.bet_id, **_place_json("first_", tally, d.first),
                      **_place_json("", tally, d.place)} for d in duplicates.examples]}
    out["interrupted"] = tally.interrupted
    out["seconds"] = seconds
    out["bets_per_second"] = out["total"] / seconds if seconds else 0
    return out


def _count_of(count: int, singular: str, plural: str) -> str:
    return f"{count} {singular if count == 1 else plural}"


def _verdict_line(tally) -> str:
    total, failed = tally.total("total"), tally.total("failed")
    if tally.interrupted:
        return ("INTERRUPTED  stopped before the end of the input; the summary covers the "
                f"{_count_of(total, 'bet', 'bets')} verified until then")
    if total == 0:
        return "NO BETS  the shards hold no bets, so nothing was verified"
    if failed == 0:
        if tally.unchecked_outcomes > 0:
            return (f"VERIFIED  all {_count_of(total, 'bet', 'bets')} passed, "
                    f"{tally.unchecked_outcomes} of them without an outcome check (--noop)")
        return "VERIFIED  the one bet verified" if total == 1 else f"VERIFIED  all {total} bets verified"
    if failed == tally.unregistered:
        games = _count_of(failed, "bet's game has", "bets' games have")
        return f"NOT VERIFIED  {games} no package, so their outcomes were not checked"
    return f"FAILED  {failed} of {_count_of(total, 'bet', 'bets')} failed"


def _place_text(tally, place) -> str:
    shard, line = place
    return f"{visible_text(tally.shards[shard].name)} line {line}"


def _print_text(options, summary):
    tally = summary.get("tally")
    if tally is None:
        print(f"ERROR  {visible_text(summary['message'])}")
        return
    shards = tally.shards
    total = tally.total("total")
    print(_verdict_line(tally))
    print(f"  shards   {visible_text(shards[0].name) if len(shards) == 1 else f'{len(shards)} files'}")
    unregistered = (f" ({_count_of(tally.unregistered, 'bet', 'bets')} of a game without a package)"
                    if tally.unregistered else "")
    print(f"  {_count_of(total, 'bet', 'bets')}, {tally.total('verified')} verified, "
          f"{tally.total('failed')} failed{unregistered}")
    print(f"  {_count_of(tally.unchecked_outcomes, 'bet was', 'bets were')} accepted without "
          "an outcome check (--noop)")
    seconds = summary["seconds"]
    rate = total / seconds if seconds else 0
    print(f"  {seconds:.3f} s, {rate:.0f} bets/s on {_count_of(summary['workers'], 'worker', 'workers')}, "
          f"{_count_of(summary['tasks'], 'task', 'tasks')}")
    groups = tally.groups.groups()
    other = tally.groups.other()
    if groups:
        print("  failures by message (positions within a line or document left out):")
        for group in groups + ([other] if other.count else []):
            where = (f"at {_place_text(tally, group.first)}" if group.first == group.last else
                     f"first at {_place_text(tally, group.first)}, "
                     f"last at {_place_text(tally, group.last)}")
            print(f"  {group.count:9d}  {visible_text(group.message)}\n             {where}")
    duplicates = tally.duplicates
    if duplicates.count:
        compared = "" if duplicates.complete else " (only the first 2,097,152 ids were compared)"
        print(f"  {_count_of(duplicates.count, 'line repeats', 'lines repeat')} the bet_id of "
              f"an earlier line{compared}:")
        for d in duplicates.examples:
            print(f"    {_place_text(tally, d.place)} repeats {_place_text(tally, d.first)}: "
                  f"{visible_text(d.bet_id)}")
    if options.failures and tally.total("failed"):
        print(f"  failing lines written to {visible_text(options.failures)}")
    if options.results and tally.total("lines"):
        print(f"  per-line results written to {visible_text(options.results)}")
    if total == 0 and tally.total("lines") == 0 and not tally.interrupted:
        print("  hint     the shards are empty (or the directories given hold no files); "
              "each shard holds one bet per line")
    if any(g.message.startswith("line ends inside its JSON object") for g in groups):
        print("  hint     some lines end inside a JSON object, as in a pretty-printed document: "
              "each shard holds one bet per line; verify a single bet with "
              "'zt-verify bet RECEIPT TRANSCRIPT'")
