"""Reading the game packages on the machine that starts the run, with the checks of
`zt-verify`: each package is registered once here first (so a refusal gives the
library's exact message before any cluster is involved), and compared with the
--signer keys."""

import io
import json
import re
import tarfile
from dataclasses import dataclass

import zt_bindings_python

from .worker import Package, PackageRefused

_KEY = re.compile(r"[0-9a-fA-F]{64}")
_LOAD_FAILURE = "failed to load GDP package: "
# gdp.json as an array: its members in declared order.
_ARRAY_MEMBERS = ("id", "version", "name", "description", "mapper", "parameters",
                  "mapping_sha256", "signer_ed25519")


class ArgumentProblem(Exception):
    """A bad argument or an unreadable file (exit code 1)."""


@dataclass
class Registration:
    gdp_id: str | None
    mapper: str | None
    parameters: object
    file: str | None
    signer: str | None

    def as_json(self) -> dict:
        return {"gdp_id": self.gdp_id, "mapper": self.mapper, "parameters": self.parameters,
                "file": self.file, "signer_ed25519": self.signer}


def parse_signer_keys(keys: list) -> list:
    for key in keys:
        if not _KEY.fullmatch(key):
            raise ArgumentProblem(f"--signer {key}: an Ed25519 public key is 64 hexadecimal digits")
    return [key.lower() for key in keys]


def load_packages(files: list, noop_ids: list, pinned: list):
    """(packages, registrations) in registration order, or ArgumentProblem /
    PackageRefused. Registers the packages in this process, which then only
    starts the run."""
    packages = []
    registrations = []
    for file in files:
        try:
            with open(file, "rb") as package_file:
                data = package_file.read()
        except OSError as error:
            raise ArgumentProblem(f"cannot read {file}: {error.strerror}") from None
        metadata = _metadata(data)
        try:
            zt_bindings_python.register_gdp_package(data)
            refusal = None
        except ValueError as error:
            refusal = str(error).removeprefix("ffi: ")
        # The signer is compared once the package has loaded (its signature
        # checked) and before its mapper is built, the order zt-verify uses.
        if refusal is not None and refusal.startswith(_LOAD_FAILURE):
            raise PackageRefused(file, refusal)
        if pinned:
            _check_pinned_signer(file, metadata, pinned)
        if refusal is not None:
            raise PackageRefused(file, refusal)
        packages.append(Package(file, data))
        registrations.append(Registration(metadata.get("id"), metadata.get("mapper"),
                                          metadata.get("parameters", {}), file,
                                          metadata.get("signer_ed25519")))
    for gdp_id in noop_ids:
        registrations.append(Registration(gdp_id, "noop", None, None, None))
    return packages, registrations


def _check_pinned_signer(file: str, metadata: dict, pinned: list):
    signer = metadata.get("signer_ed25519")
    if not isinstance(signer, str):
        raise PackageRefused(file, "package is unsigned, but --signer requires a pinned signer")
    if signer.lower() not in pinned:
        raise PackageRefused(file, f"package is signed by {signer}, which is not a --signer key")


def _metadata(data: bytes) -> dict:
    """The members of the package's gdp.json, read with Python's own tar reader; empty
    when it cannot be read (the library's verdict on the package comes first)."""
    try:
        with tarfile.open(fileobj=io.BytesIO(data), mode="r:*") as archive:
            for member in archive:
                if member.isreg() and _file_name(member.name).lower() == "gdp.json":
                    document = json.loads(archive.extractfile(member).read())
                    break
            else:
                return {}
    except (tarfile.TarError, OSError, EOFError, ValueError, RecursionError):
        return {}
    if isinstance(document, list):
        document = dict(zip(_ARRAY_MEMBERS, document))
    if not isinstance(document, dict):
        return {}
    return {key: value for key, value in document.items() if value is not None}


def _file_name(path: str) -> str:
    parts = [part for part in path.split("/") if part not in ("", ".")]
    return parts[-1] if parts else ""
