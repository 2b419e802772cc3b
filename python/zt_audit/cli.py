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
import sys
import time
import uuid

from .packages import ArgumentProblem, load_packages, parse_signer_keys
from .report import FailuresFile, ResultsDirectory, ShardCounts, Tally, for_terminal, to_json
from .shards import InputError, cut_ranges, find_shards
from .worker import (PLUGIN_NAME, PackagePlugin, PackageRefused, ShardUnreadable, WorkerNotReady,
                     verify_range)

EXIT_VERIFIED = 0
EXIT_BAD_INPUT = 1  # bad argument, unreadable file, or the cluster could not finish the run
EXIT_PACKAGE_REFUSED = 2
EXIT_VERIFY_FAILED = 3

DEFAULT_RANGE_BYTES = 32 << 20

USAGE_EPILOG = """\
Each shard holds one bet per line (JSON Lines), {"receipt": ..., "transcript": ...},
as for `zt-verify batch`, plain or gzip-compressed. Shards must be readable at the
same path on every worker.

Exit codes: 0 every bet verified, 1 bad argument, unreadable file or a run the
cluster could not finish, 2 a package did not register or pass --signer, 3 at
least one bet failed.

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
                        help="write every bet's verdict, one JSON Lines file per shard")
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
    summary["wall_seconds"] = time.monotonic() - started
    _print_summary(options, summary)
    return summary["exit_code"]


def _report_usage_error(message: str, as_json: bool) -> int:
    if as_json:
        print(to_json({"command": None, "exit_code": EXIT_BAD_INPUT, "message": message}))
    else:
        print(f"ERROR  {for_terminal(message)}")
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
    summary["exit_code"] = EXIT_VERIFIED if tally.total("failed") == 0 else EXIT_VERIFY_FAILED


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
            cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                   dashboard_address=None, silence_logs=logging.ERROR)
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
    submitted = []  # (shard, job, future) in input order
    for shard, ranges in jobs:
        for job in ranges:
            future = client.submit(verify_range, run_id, job, want_every_verdict,
                                   key=f"zt-audit-{run_id[:8]}-{len(submitted)}",
                                   pure=False, retries=2)
            submitted.append((shard, job, future))
    futures = [future for _, _, future in submitted]
    if futures and not options.no_progress and sys.stderr.isatty():
        with contextlib.redirect_stdout(sys.stderr):  # Dask draws on standard output
            progress(futures)
    for future in as_completed(futures):
        if future.status == "error":
            break  # the first failure ends the run; the rest is cancelled below
    for shard, job, future in submitted:
        if future.status == "error":
            failure = _task_failure(shard, job, future.exception())
            client.cancel(futures)
            raise failure
    del futures  # from here on each result is held only until it has been read

    tally = Tally()
    position = 0
    for shard, ranges in jobs:
        counts = ShardCounts(shard.name)
        tally.shards.append(counts)
        if results is not None:
            results.start_shard(shard.name)
        lines_before = 0
        for _ in ranges:
            _, job, future = submitted[position]
            submitted[position] = None  # lets the worker drop the result once read
            position += 1
            try:
                outcome = future.result()
            except Exception as error:  # lost after it was computed, and not recomputed
                raise _task_failure(shard, job, error) from None
            verdicts = tally.add(counts, lines_before, outcome)
            lines_before += outcome.lines
            if failures is not None:
                failures.write(shard.name, verdicts)
            if results is not None:
                results.write(verdicts)
    summary["seconds"] = time.monotonic() - started
    summary["workers"] = len(client.scheduler_info().get("workers", {}))
    summary["tasks"] = len(submitted)
    return tally


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
        print(to_json(_summary_json(options, summary)))
    else:
        _print_text(options, summary)


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
        "shards": None, "lines": None, "total": None, "verified": None, "failed": None,
        "failures": None, "seconds": None, "bets_per_second": None,
    }
    if tally is not None:
        out["shards"] = [{"file": c.name, "lines": c.lines, "total": c.total,
                          "verified": c.verified, "failed": c.failed} for c in tally.shards]
        for key in ("lines", "total", "verified", "failed"):
            out[key] = tally.total(key)
        out["failures"] = [{"message": g.message, "count": g.count, "first_file": g.first_shard,
                            "first_line": g.first_line} for g in tally.failure_groups()]
        out["seconds"] = seconds
        out["bets_per_second"] = out["total"] / seconds if seconds else 0
    return out


def _print_text(options, summary):
    tally = summary.get("tally")
    if tally is None:
        print(f"ERROR  {for_terminal(summary['message'])}")
        return
    shards = tally.shards
    what = for_terminal(shards[0].name) if len(shards) == 1 else f"{len(shards)} shards"
    failed = tally.total("failed")
    print(f"{'VERIFIED' if failed == 0 else 'FAILED'}  {what}: {tally.total('total')} bets, "
          f"{tally.total('verified')} verified, {failed} failed")
    seconds = summary["seconds"]
    rate = tally.total("total") / seconds if seconds else 0
    workers = summary["workers"]
    print(f"  {seconds:.3f} s, {rate:.0f} bets/s on {workers} worker{'s' if workers != 1 else ''}, "
          f"{summary['tasks']} task{'s' if summary['tasks'] != 1 else ''}")
    groups = tally.failure_groups()
    if groups:
        print("  failures by message:")
        for g in groups:
            print(f"  {g.count:8d}  {for_terminal(g.message)} "
                  f"(first at {for_terminal(g.first_shard)} line {g.first_line})")
    if options.failures:
        print(f"  failing lines written to {for_terminal(options.failures)}")
    if options.results:
        print(f"  per-bet results written to {for_terminal(options.results)}")
