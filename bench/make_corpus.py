"""Writes a corpus of honest bets for throughput measurements, and the game
packages that verify them.

    make_corpus.py OUT_DIR [--bets N] [--distinct D] [--seed TEXT]

OUT_DIR receives:
  bets.jsonl       N bets, one {"receipt": ..., "transcript": ...} per line, the
                   format of `zt-verify batch`
  packages/*.tar.gz  signed game packages: plinko-8 .. plinko-16, slot-3 .. slot-5
  gdp_args.txt     the matching `--gdp packages/NAME.tar.gz` arguments, one a line

The mix: Merkle proofs of 0 to 20 nodes, 1 to 3 beacons, plinko of 8 to 16 levels
and slots of 3 to 5 reels, with and without client seed, about 2.2 KB of JSON per
bet. D distinct bets are issued with the independent operator model
(tests/fixtures/operator_model.py); bet i repeats distinct bet i % D under its own
bet id. The bet id is not part of the commitment, so every line stays an honest,
verifiable bet with a bet id of its own, and a million lines take well under a
minute. Output is deterministic for a given seed.
"""

import argparse
import json
import random
import sys
from pathlib import Path

FIXTURES = Path(__file__).resolve().parent.parent / "tests" / "fixtures"
sys.path.insert(0, str(FIXTURES))

import make_packages  # noqa: E402  (fixture helpers: metadata, signing, tar)
import operator_model as om  # noqa: E402
import packages_tar  # noqa: E402

PLINKO_LEVELS = range(8, 17)
SLOT_REEL_COUNTS = range(3, 6)
BEACON_NAMES = ["drand", "nist-beacon", "btc-block-hash", "eth-randao", "lotto-draw"]
BET_ID_MARK = "@@BET_ID@@"


def slot_reels(count: int):
    """Reels of 20 to 32 symbols, the same for a given reel count."""
    rng = random.Random(f"slot-{count}")
    return [[rng.randrange(12) for _ in range(rng.randrange(20, 33))] for _ in range(count)]


def games():
    """(gdp_id, mapper name, parameters, outcome function) for every game in the mix."""
    out = []
    for levels in PLINKO_LEVELS:
        out.append((f"plinko-{levels}", "plinko", {"levels": levels},
                    lambda stream, n=levels: om.plinko_outcome(stream, n)))
    for count in SLOT_REEL_COUNTS:
        reels = slot_reels(count)
        out.append((f"slot-{count}", "slot", {"reels": reels},
                    lambda stream, r=reels: om.slot_outcome(stream, r)))
    return out


def write_packages(out: Path):
    directory = out / "packages"
    directory.mkdir(parents=True, exist_ok=True)
    args = []
    for gdp_id, mapper, parameters, _ in games():
        doc = make_packages.metadata(gdp_id, mapper, parameters)
        data = packages_tar.gzip_of(packages_tar.tar_of(make_packages.signed(doc)))
        (directory / f"{gdp_id}.tar.gz").write_bytes(data)
        args.append(f"--gdp packages/{gdp_id}.tar.gz\n")
    (out / "gdp_args.txt").write_text("".join(args), encoding="utf-8")


def issue(rng: random.Random, serial: int, game) -> om.IssuedBet:
    gdp_id, _, _, outcome = game
    server_seed = rng.randbytes(32)
    client_seed = rng.randbytes(rng.choice([16, 32])) if rng.random() < 0.5 else None
    commitment = om.Commitment(
        session_id=f"session-{rng.randrange(10**8):08d}",
        bet_nonce=rng.getrandbits(64),
        stake=f"{rng.randrange(1, 10**6) / 100:.2f}",
        gdp_id=gdp_id,
        rng_id=om.STREAM_LABEL.decode(),
        rng_params_commit=rng.randbytes(32),
        server_seed_commit=om.sha256(server_seed),
        client_seed=client_seed,
        beacon_plan_id=f"beacon-plan-{rng.randrange(1000):03d}",
        timestamp_ms=1_760_000_000_000 + serial * 250,
    )
    names = rng.sample(BEACON_NAMES, rng.randint(1, 3))
    beacons = [(name, rng.randbytes(32)) for name in names]
    # A proof of random siblings on random sides; its root is whatever they give,
    # the inclusion proof of this leaf in some operator's tree.
    proof = [(rng.randbytes(32), rng.choice(["left", "right"]))
             for _ in range(rng.randint(0, 20))]
    root = om.walk_proof(commitment.leaf(), proof)
    payout = f"{rng.randrange(0, 10**6) / 100:.2f}"
    return om.issue_bet(BET_ID_MARK, commitment, server_seed, beacons, proof, root, outcome,
                        payout)


def line_template(bet: om.IssuedBet, serial: int) -> list:
    receipt = bet.receipt(root_index=serial, operator_sig=f"ed25519:{serial:08x}" + "ab" * 16)
    transcript = bet.transcript(operator_sig=f"ed25519:{serial:08x}" + "cd" * 16)
    text = json.dumps({"receipt": receipt, "transcript": transcript}, separators=(",", ":"))
    parts = text.split(BET_ID_MARK)
    assert len(parts) == 3, "the bet id appears once in each document"
    return parts


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out", type=Path)
    parser.add_argument("--bets", type=int, default=10_000)
    parser.add_argument("--distinct", type=int, default=4096)
    parser.add_argument("--seed", default="zt corpus")
    options = parser.parse_args()
    if options.bets < 0 or options.distinct < 1:
        parser.error("--bets must be at least 0 and --distinct at least 1")

    options.out.mkdir(parents=True, exist_ok=True)
    write_packages(options.out)
    rng = random.Random(options.seed)
    mix = games()
    distinct = min(options.distinct, max(options.bets, 1))
    templates = [line_template(issue(rng, i, mix[i % len(mix)]), i) for i in range(distinct)]

    with open(options.out / "bets.jsonl", "w", encoding="utf-8", newline="\n") as out:
        chunk = []
        for i in range(options.bets):
            head, middle, tail = templates[i % distinct]
            bet_id = f"bet-{i:010d}"
            chunk.append(f"{head}{bet_id}{middle}{bet_id}{tail}\n")
            if len(chunk) == 4096:
                out.write("".join(chunk))
                chunk.clear()
        out.write("".join(chunk))


if __name__ == "__main__":
    main()
