# Shared fixtures of the zt_audit tests: paths, one LocalCluster of two worker
# processes for the session, and runners for zt_audit and zt-verify.
import json
import os
import subprocess
import sys
from pathlib import Path

import pytest

TOOL = os.environ["ZT_VERIFY"]
EXAMPLES = Path(os.environ["ZT_EXAMPLES_DIR"])
PYTHONPATH = os.pathsep.join([os.environ["ZT_PYTHON_SOURCE_DIR"], os.environ["ZT_LIBRARY_DIR"]])
# The test process and every worker it starts import zt_audit and the module.
os.environ["PYTHONPATH"] = PYTHONPATH
sys.path[:0] = PYTHONPATH.split(os.pathsep)

PLINKO = EXAMPLES / "plinko-classic.tar.gz"
SLOT = EXAMPLES / "slot-3x5.tar"
SIGNER = (EXAMPLES / "signer.hex").read_text().strip()
PACKAGES = ["--gdp", str(PLINKO), "--gdp", str(SLOT), "--noop", "dice-noop"]


@pytest.fixture(scope="session")
def cluster():
    from distributed import Client, LocalCluster

    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as local:
        with Client(local) as client:
            yield local, client


def run_audit(*args, timeout=300):
    """zt_audit's exit code, its --json summary and its standard error."""
    done = subprocess.run([sys.executable, "-m", "zt_audit", *map(str, args), "--json"],
                          capture_output=True, timeout=timeout)
    summary = json.loads(done.stdout)
    assert summary["exit_code"] == done.returncode
    return done.returncode, summary, done.stderr.decode()


def run_batch(path, *args):
    """zt-verify batch's exit code and --json summary."""
    done = subprocess.run([TOOL, "batch", str(path), *map(str, args), "--json", "--no-progress"],
                          capture_output=True, timeout=300)
    return done.returncode, json.loads(done.stdout)
