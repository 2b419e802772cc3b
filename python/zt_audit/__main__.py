"""python3 -m zt_audit SHARDS... [--scheduler ADDR | --local-workers N] ...; see --help."""
import sys

from .cli import main

if __name__ == "__main__":
    sys.exit(main())
