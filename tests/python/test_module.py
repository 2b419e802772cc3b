# Tests of the zt_bindings_python module: argument rules, exceptions, the
# registry it shares with C callers, sub-interpreters and threads.
import ctypes
import inspect
import threading
import time

import pytest

import zt_bindings_python as zt

FFI = "ffi: "


@pytest.fixture(scope="session")
def c_library(library_path):
    # The same libzt_core.so the module is linked with: one registry for both.
    library = ctypes.CDLL(str(library_path))
    library.zt_core_register_noop_mapper.argtypes = [ctypes.c_char_p]
    library.zt_core_register_noop_mapper.restype = ctypes.c_int32
    return library


@pytest.fixture(scope="session")
def noop_bets(bets, c_library):
    chosen = [bet for bet in bets if bet.mapper_kind == "noop"]
    for bet in chosen:
        assert c_library.zt_core_register_noop_mapper(bet.gdp_id.encode()) == 0
    return chosen


def honest(bets):
    return next(bet for bet in bets if bet.code == 0)


def test_module_shape():
    assert zt.__doc__ == ""
    assert [name for name in vars(zt) if not name.startswith("__")] == [
        "verify_bet",
        "register_gdp_package",
    ]
    assert type(zt.verify_bet).__name__ == "builtin_function_or_method"
    assert zt.verify_bet.__text_signature__ == "(receipt_json, transcript_json)"
    assert zt.register_gdp_package.__text_signature__ == "(bytes)"
    assert zt.verify_bet.__doc__ is None
    assert list(inspect.signature(zt.verify_bet).parameters) == ["receipt_json", "transcript_json"]


def test_fixture_bets_verify_with_their_messages(noop_bets):
    assert noop_bets
    for bet in noop_bets:
        if bet.code == 0:
            assert zt.verify_bet(bet.receipt, bet.transcript) is None, bet.name
        else:
            with pytest.raises(ValueError) as raised:
                zt.verify_bet(bet.receipt, bet.transcript)
            assert raised.value.args == (FFI + bet.message,), bet.name


def test_keywords_in_either_order(noop_bets):
    bet = honest(noop_bets)
    assert zt.verify_bet(transcript_json=bet.transcript, receipt_json=bet.receipt) is None
    assert zt.verify_bet(bet.receipt, transcript_json=bet.transcript) is None
    # Keywords bind by name: the transcript given as receipt_json is decoded as a receipt.
    with pytest.raises(ValueError, match="^ffi: failed to parse receipt: "):
        zt.verify_bet(transcript_json=bet.receipt, receipt_json=bet.transcript)


@pytest.mark.parametrize(
    "call",
    [
        lambda: zt.verify_bet("{}"),
        lambda: zt.verify_bet("{}", "{}", "{}"),
        lambda: zt.verify_bet("{}", receipt_json="{}"),
        lambda: zt.verify_bet("{}", "{}", extra="{}"),
        lambda: zt.register_gdp_package(),
        lambda: zt.register_gdp_package(b"x", bytes=b"x"),
    ],
    ids=["too_few", "too_many", "repeated_keyword", "unknown_keyword", "no_package", "package_twice"],
)
def test_argument_count_errors(call):
    with pytest.raises(TypeError):
        call()


@pytest.mark.parametrize(
    "receipt, transcript, name",
    [
        (b"{}", "{}", "receipt_json"),
        (bytearray(b"{}"), "{}", "receipt_json"),
        ("{}", memoryview(b"{}"), "transcript_json"),
        ("{}", None, "transcript_json"),
    ],
)
def test_texts_must_be_str(receipt, transcript, name):
    with pytest.raises(TypeError, match=name):
        zt.verify_bet(receipt, transcript)


@pytest.mark.parametrize("package", [bytearray(b"x"), memoryview(b"x"), "x", None])
def test_package_must_be_bytes(package):
    with pytest.raises(TypeError, match="bytes"):
        zt.register_gdp_package(package)


def test_str_subclass_and_bytes_subclass_are_accepted(noop_bets):
    class Text(str):
        pass

    class Blob(bytes):
        pass

    bet = honest(noop_bets)
    assert zt.verify_bet(Text(bet.receipt), Text(bet.transcript)) is None
    with pytest.raises(ValueError, match="^ffi: failed to load GDP package: "):
        zt.register_gdp_package(Blob(b"not an archive"))


def test_lone_surrogate_raises_the_interpreters_encoding_error():
    with pytest.raises(UnicodeEncodeError):
        zt.verify_bet("\ud800", "{}")
    with pytest.raises(UnicodeEncodeError):
        zt.verify_bet("{}", "\udc00")


def test_nul_character_never_reaches_the_library(noop_bets):
    bet = honest(noop_bets)
    for receipt, transcript in [("{}\0", "{}"), (bet.receipt, bet.transcript + "\0")]:
        with pytest.raises(ValueError) as raised:
            zt.verify_bet(receipt, transcript)
        assert raised.value.args == ("invalid utf8",)


def test_decoding_failures_carry_the_decoder_message():
    with pytest.raises(ValueError) as raised:
        zt.verify_bet("not json", "{}")
    assert raised.value.args[0].startswith(FFI + "failed to parse receipt: ")
    with pytest.raises(ValueError) as raised:
        zt.verify_bet("", "{}")
    assert raised.value.args == (FFI + "failed to parse receipt: EOF while parsing a value at line 1 column 0",)


def test_empty_package_is_refused():
    with pytest.raises(ValueError) as raised:
        zt.register_gdp_package(b"")
    assert raised.value.args == (FFI + "package pointer is null or length is zero",)


def test_package_results(packages, fixtures_dir):
    assert packages
    for package in packages:
        data = (fixtures_dir / package["file"]).read_bytes()
        if package["expected"] == "ok":
            assert zt.register_gdp_package(data) is None, package["name"]
        else:
            with pytest.raises(ValueError) as raised:
                zt.register_gdp_package(data)
            assert raised.value.args == (FFI + package["expected"],), package["name"]


def test_an_earlier_failure_does_not_leak_into_a_later_success(noop_bets):
    bet = honest(noop_bets)
    with pytest.raises(ValueError):
        zt.register_gdp_package(b"\x1f")
    assert zt.verify_bet(bet.receipt, bet.transcript) is None


def test_registry_is_shared_with_c_callers(bets, c_library):
    unregistered = [bet for bet in bets if bet.mapper_kind == "none"]
    assert unregistered
    bet = unregistered[0]
    with pytest.raises(ValueError) as raised:
        zt.verify_bet(bet.receipt, bet.transcript)
    assert raised.value.args == (FFI + bet.message,)
    # A no-op mapper registered through the C ABI is seen by the module.
    assert c_library.zt_core_register_noop_mapper(bet.gdp_id.encode()) == 0
    assert zt.verify_bet(bet.receipt, bet.transcript) is None


def test_second_sub_interpreter_import_fails(library_path):
    interpreters = pytest.importorskip("_xxsubinterpreters")
    interpreter = interpreters.create()
    script = f"import sys; sys.path.insert(0, {str(library_path.parent)!r}); import zt_bindings_python"
    try:
        with pytest.raises(interpreters.RunFailedError, match="ImportError"):
            interpreters.run_string(interpreter, script)
    finally:
        interpreters.destroy(interpreter)


def _run_mixed(bets, threads, seconds):
    """Verifies |bets| round robin on |threads| threads for |seconds|; returns the
    number of calls and the mismatches between a call's exception and its bet."""
    stop = time.monotonic() + seconds
    counts = [0] * threads
    wrong = []

    def work(index):
        position = index
        while time.monotonic() < stop:
            bet = bets[position % len(bets)]
            position += 1
            try:
                zt.verify_bet(bet.receipt, bet.transcript)
                got = None
            except ValueError as error:
                got = error.args[0]
            want = None if bet.code == 0 else FFI + bet.message
            if got != want:
                wrong.append((bet.name, got, want))
            counts[index] += 1

    workers = [threading.Thread(target=work, args=(i,)) for i in range(threads)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    return sum(counts), wrong


def test_threads_raise_their_own_messages(noop_bets):
    mixed = [bet for bet in noop_bets if bet.code in (0, 3)]
    assert any(bet.code == 0 for bet in mixed) and any(bet.code == 3 for bet in mixed)
    calls, wrong = _run_mixed(mixed, threads=8, seconds=3)
    assert calls > 0
    assert wrong == []


def test_report_throughput_one_and_two_threads(noop_bets, capsys):
    # Reports figures only: timing is not asserted in unit tests.
    honest_bets = [bet for bet in noop_bets if bet.code == 0]
    one, wrong_one = _run_mixed(honest_bets, threads=1, seconds=1.5)
    two, wrong_two = _run_mixed(honest_bets, threads=2, seconds=1.5)
    assert wrong_one == [] and wrong_two == []
    with capsys.disabled():
        print(f"\nverify_bet throughput: 1 thread {one / 1.5:.0f}/s, 2 threads {two / 1.5:.0f}/s")
