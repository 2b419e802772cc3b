"""The JSON API of `zt-verify serve`, against a server on a free loopback port:
the same verdicts and messages as `zt-verify bet`, JSON errors for bad requests,
concurrent requests, package uploads and the security headers."""
import concurrent.futures
import gzip
import http.client
import json
import secrets
import signal
import socket
import subprocess
import urllib.parse

import pytest

from verifier_server import EXAMPLE_GAMES, EXAMPLES, PLINKO, SLOT, TOOL, VerifierServer

HOSTILE_ID = "<img src=x onerror=alert(1)>\x1b[31m\u202eevil</script>"


def example_names():
    lines = (EXAMPLES / "expected.tsv").read_text(encoding="utf-8").splitlines()
    return [line.split("\t")[0] for line in lines]


def documents(name):
    return tuple((EXAMPLES / f"{name}.{part}.json").read_text(encoding="utf-8")
                 for part in ("receipt", "transcript"))


def with_bet_id(text, bet_id):
    document = json.loads(text)
    document["bet_id"] = bet_id
    return json.dumps(document)


@pytest.fixture(scope="module")
def server():
    with VerifierServer(*EXAMPLE_GAMES) as running:
        yield running
    assert running.process.returncode == 0, running.rest_of_output()


def tool_json(command, name):
    receipt, transcript = (EXAMPLES / f"{name}.{part}.json" for part in ("receipt", "transcript"))
    done = subprocess.run([TOOL, command, receipt, transcript, *EXAMPLE_GAMES, "--json"],
                          capture_output=True, timeout=120)
    return json.loads(done.stdout)


@pytest.mark.parametrize("name", example_names())
def test_verdicts_match_the_bet_and_explain_commands(server, name):
    bet = tool_json("bet", name)
    explanation = tool_json("explain", name)
    receipt, transcript = documents(name)
    # Documents as texts, as the page sends them, and written inline as JSON values.
    for body in ({"receipt": receipt, "transcript": transcript},
                 {"receipt": json.loads(receipt), "transcript": json.loads(transcript)}):
        status, _, result = server.post("/api/explain", body)
        assert status == 200 and result == explanation

        status, _, result = server.post("/api/verify", body)
        assert status == 200
        for key in ("verdict", "exit_code", "message", "stage", "failed_check", "bet_id",
                    "gdp_id", "outcome_checked"):
            assert result[key] == bet[key], key
        assert [(c["name"], c["status"]) for c in result["checks"]] == [
            (c["name"], c["status"]) for c in bet["checks"]]


def test_documents_that_do_not_decode_give_the_library_message(server):
    receipt, transcript = documents("plinko-1")
    cases = [
        ({"receipt": "{", "transcript": transcript}, "receipt",
         "failed to parse receipt: EOF while parsing an object at line 1 column 1"),
        ({"receipt": receipt, "transcript": "[]"}, "transcript", "failed to parse transcript: "),
    ]
    for body, stage, message in cases:
        status, _, result = server.post("/api/explain", body)
        assert status == 200
        assert (result["verdict"], result["exit_code"], result["stage"]) == ("error", 2, stage)
        assert result["message"].startswith(message)
        assert result["checks"] == []


def test_hostile_text_comes_back_as_json_data(server):
    receipt, transcript = documents("plinko-1")
    body = {"receipt": with_bet_id(receipt, HOSTILE_ID),
            "transcript": with_bet_id(transcript, HOSTILE_ID)}
    status, headers, result = server.post("/api/explain", body)
    # The bet id is not part of the commitment, so the bet still verifies.
    assert status == 200 and result["verdict"] == "verified"
    assert result["bet_id"] == HOSTILE_ID
    assert headers.get_content_type() == "application/json"
    assert headers["X-Content-Type-Options"] == "nosniff"
    # For display, control characters and direction marks are written out visibly.
    status, _, shown = server.post("/api/explain?text=visible", body)
    visible = "<img src=x onerror=alert(1)>\\u{1b}[31m\\u{202e}evil</script>"
    assert shown["bet_id"] == visible
    assert shown["checks"][0]["values"] == {"receipt_bet_id": visible, "transcript_bet_id": visible}


MALFORMED_BODIES = [
    ("not json", b"receipt and transcript, please"),
    ("array", b"[1, 2]"),
    ("transcript missing", b'{"receipt": {}}'),
    ("receipt twice", b'{"receipt": {}, "receipt": {}, "transcript": {}}'),
    ("trailing bytes", b'{"receipt": {}, "transcript": {}} {}'),
    ("lone surrogate escape", b'{"receipt": "\\udc00", "transcript": "{}"}'),
    ("not UTF-8", b'{"receipt": "\xff", "transcript": "{}"}'),
    ("empty", b""),
]


@pytest.mark.parametrize("body", [body for _, body in MALFORMED_BODIES],
                         ids=[name for name, _ in MALFORMED_BODIES])
def test_malformed_bodies_get_400_with_a_json_error(server, body):
    for path in ("/api/verify", "/api/explain"):
        status, headers, result = server.post(path, body)
        assert status == 400
        assert headers.get_content_type() == "application/json"
        assert result["error"]


def test_oversized_bodies_get_413(server):
    limit = 8 * 1024 * 1024
    receipt, transcript = documents("plinko-1")
    padded = json.dumps({"receipt": receipt, "transcript": transcript, "pad": ""}).encode()
    fits = padded[:-2] + b" " * (limit - len(padded)) + padded[-2:]
    assert len(fits) == limit
    status, _, result = server.post("/api/verify", fits)
    assert status == 200 and result["verdict"] == "verified"

    status, _, result = server.post("/api/verify", fits + b" ")
    assert status == 413 and "8 MiB" in result["error"]

    # Without a declared length (chunked) the cap holds just the same.
    host = urllib.parse.urlsplit(server.url)
    connection = http.client.HTTPConnection(host.hostname, host.port, timeout=60)
    connection.request("POST", "/api/verify", body=iter([fits, b" "]), encode_chunked=True,
                       headers={"Transfer-Encoding": "chunked"})
    response = connection.getresponse()
    assert response.status == 413 and "8 MiB" in json.loads(response.read())["error"]
    connection.close()

    # Nor can a small compressed body unpack past it.
    status, _, result = server.post("/api/verify", gzip.compress(fits + b" "),
                                    {"Content-Encoding": "gzip"})
    assert status == 413

    assert server.get("/api/games")[0] == 200


def test_unknown_paths_and_wrong_methods_get_json_errors(server):
    for method, path, status in [("GET", "/nothing-here", 404), ("GET", "/api/verify", 405),
                                 ("POST", "/api/games", 405), ("GET", "/api/explain", 405),
                                 ("DELETE", "/api/games", 404)]:
        answer, _, result = server.request(method, path, b"" if method != "GET" else None)
        assert answer == status, (method, path)
        assert result["error"]


def raw_exchange(server, raw):
    """Sends |raw| bytes on a new connection; (status line, JSON body) of the answer."""
    address = urllib.parse.urlsplit(server.url)
    with socket.create_connection((address.hostname, address.port), timeout=30) as connection:
        connection.sendall(raw)
        answer = b""
        while b"\r\n\r\n" not in answer:
            answer += connection.recv(65536)
        head, _, body = answer.partition(b"\r\n\r\n")
        length = int(next(line.split(b":")[1] for line in head.split(b"\r\n")
                          if line.lower().startswith(b"content-length:")))
        while len(body) < length:
            body += connection.recv(65536)
    return head.split(b"\r\n")[0], json.loads(body)


def test_requests_that_are_not_http_get_400_and_the_server_goes_on(server):
    host = urllib.parse.urlsplit(server.url).netloc.encode()
    for raw in (b"GARBAGE\r\n\r\n", b"\x00\xff\x1b[2J\r\n\r\n",
                b"POST /api/verify HTTP/1.1\r\nHost: " + host +
                b"\r\nContent-Length: 99999999999999999999\r\n\r\n"):
        status, body = raw_exchange(server, raw)
        assert status.startswith(b"HTTP/1.1 400 "), raw
        assert body["error"]
    assert server.get("/api/games")[0] == 200


def test_other_sites_are_refused(server):
    receipt, transcript = documents("plinko-1")
    body = json.dumps({"receipt": receipt, "transcript": transcript}).encode()
    # A page elsewhere posting to the server, and a DNS name pointed at 127.0.0.1.
    assert server.post("/api/verify", body, {"Origin": "http://attacker.example"})[0] == 403
    assert server.request("GET", "/api/games", headers={"Host": "attacker.example"})[0] == 403
    port = urllib.parse.urlsplit(server.url).port
    for host in (f"127.0.0.1:{port}", f"localhost:{port}"):
        assert server.request("GET", "/api/games", headers={"Host": host})[0] == 200


def test_the_page_is_served_with_a_strict_policy(server):
    status, headers, page = server.get("/")
    assert status == 200 and b"<title>Verify a bet</title>" in page
    policy = headers["Content-Security-Policy"]
    assert "default-src 'none'" in policy and "script-src 'self'" in policy
    assert "unsafe-inline" not in policy
    for asset, kind in [("/app.js", "text/javascript"), ("/style.css", "text/css")]:
        status, headers, content = server.get(asset)
        assert status == 200 and headers.get_content_type() == kind and content
    # No script or style written into the page itself, which the policy would block anyway.
    assert b"<script>" not in page and b"style=" not in page
    assert b"innerHTML" not in server.get("/app.js")[2]


def test_games_lists_what_is_loaded(server):
    status, _, result = server.get("/api/games")
    assert status == 200
    games = {game["gdp_id"]: game for game in result["games"]}
    assert set(games) == {"plinko-classic", "slot-3x5", "dice-noop"}
    assert games["plinko-classic"]["mapper"] == "plinko"
    assert games["plinko-classic"]["signer_ed25519"] == (EXAMPLES / "signer.hex").read_text().strip()
    assert games["dice-noop"]["mapper"] == "noop"
    assert not any(game["pinned"] for game in games.values())
    assert (result["uploads_allowed"], result["changes"], result["revision"]) == (False, [], 0)
    status, _, result = server.post("/api/packages", PLINKO.read_bytes())
    assert status == 403 and "--allow-package-upload" in result["error"]


def test_concurrent_requests_each_get_their_own_verdict(server):
    names = example_names()
    expected = {name: tool_json("bet", name)["message"] for name in names}
    bodies = {name: dict(zip(("receipt", "transcript"), documents(name))) for name in names}

    def check(index):
        name = names[index % len(names)]
        status, _, result = server.post(("/api/verify", "/api/explain")[index % 2], bodies[name])
        return name, status, result["message"]

    with concurrent.futures.ThreadPoolExecutor(max_workers=32) as pool:
        for name, status, message in pool.map(check, range(400)):
            assert (status, message) == (200, expected[name]), name


def test_uploads_replace_a_game_for_everyone():
    signer = (EXAMPLES / "signer.hex").read_text().strip()
    receipt, transcript = documents("slot-1")
    bet = {"receipt": receipt, "transcript": transcript}
    with VerifierServer("--gdp", PLINKO, "--signer", signer, "--allow-package-upload") as server:
        assert server.post("/api/verify", bet)[2]["verdict"] == "unregistered"

        status, _, result = server.post("/api/packages?file=slot-3x5.tar", SLOT.read_bytes())
        assert status == 200
        assert (result["registers"], result["replaced"], result["signer_pinned"]) == (True, False, True)
        assert (result["id"], result["mapper"], result["file"]) == ("slot-3x5", "slot", "slot-3x5.tar")

        status, _, result = server.post("/api/packages", SLOT.read_bytes())
        assert status == 200 and result["replaced"] is True
        games = server.get("/api/games")[2]
        assert games["revision"] == 2
        assert [(c["gdp_id"], c["replaced"]) for c in games["changes"]] == [
            ("slot-3x5", False), ("slot-3x5", True)]
        slot = next(game for game in games["games"] if game["gdp_id"] == "slot-3x5")
        assert (slot["source"], slot["pinned"]) == ("upload", True)
        assert server.post("/api/verify", bet)[2]["verdict"] == "verified"

        status, _, result = server.post("/api/packages", b"not a package")
        assert status == 422
        assert result["registers"] is False
        assert result["message"].startswith("failed to load GDP package: ")
        assert "not a tar" in result["hint"]
        assert server.get("/api/games")[2]["revision"] == 2


def test_uploads_must_be_signed_by_the_pinned_key():
    stranger = secrets.token_hex(32)
    with VerifierServer("--signer", stranger, "--allow-package-upload") as server:
        status, _, result = server.post("/api/packages", SLOT.read_bytes())
        assert status == 422
        assert (result["registers"], result["signer_pinned"]) == (False, False)
        assert result["id"] == "slot-3x5" and result["message"]
        games = server.get("/api/games")[2]
        assert (games["games"], games["revision"]) == ([], 0)


@pytest.mark.parametrize("args,message", [
    (["--listen", "localhost"], "--listen must be HOST:PORT"),
    (["--listen", "127.0.0.1:70000"], "--listen must be HOST:PORT"),
    (["--signer", "abc"], "--signer"),
    (["--gdp", "/nonexistent.tar"], "cannot read /nonexistent.tar"),
])
def test_bad_arguments_exit_1_before_serving(args, message):
    done = subprocess.run([TOOL, "serve", *args], capture_output=True, text=True, timeout=60)
    assert done.returncode == 1
    assert message in done.stderr


def test_a_busy_port_is_reported(server):
    port = urllib.parse.urlsplit(server.url).port
    done = subprocess.run([TOOL, "serve", "--listen", f"127.0.0.1:{port}"], capture_output=True,
                          text=True, timeout=60)
    assert done.returncode == 1
    assert f"cannot listen on 127.0.0.1:{port}" in done.stderr


@pytest.mark.parametrize("stop_signal", [signal.SIGINT, signal.SIGTERM], ids=["ctrl-c", "sigterm"])
def test_stops_cleanly_on_a_signal(stop_signal):
    with VerifierServer(*EXAMPLE_GAMES) as server:
        assert server.get("/api/games")[0] == 200
        server.process.send_signal(stop_signal)
        assert server.process.wait(timeout=30) == 0
        output = server.rest_of_output()
    assert "Games loaded:\n  plinko-classic  plinko" in output
    assert output.endswith("Stopped.\n")
