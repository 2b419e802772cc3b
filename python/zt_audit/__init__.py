"""zt_audit: the batch verification of `zt-verify batch`, spread over a Dask cluster.

Run it as `python3 -m zt_audit SHARDS... --local-workers N` on one machine or
`--scheduler tcp://HOST:PORT` on a cluster; docs/audit.md explains both. Every
worker needs this package and zt_bindings_python importable (the `python` install
component puts both into site-packages)."""
