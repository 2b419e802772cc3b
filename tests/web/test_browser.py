"""The verifier page in headless Chromium, as a player uses it: paste a bet's two
documents, press Verify, read the verdict and the marked check. Saves a
screenshot of each verdict in ZT_SCREENSHOT_DIR."""
import contextlib
import json
import os
import tempfile
from pathlib import Path

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

from verifier_server import EXAMPLE_GAMES, EXAMPLES, PLINKO, SLOT, VerifierServer

SCREENSHOTS = Path(os.environ["ZT_SCREENSHOT_DIR"])
PHONE = (390, 844)
DESKTOP = (1280, 1000)
# Written as JSON escapes in the documents: an escape sequence (ESC [31m) and a
# right-to-left override, around markup that would run script if parsed as HTML.
HOSTILE_ID_JSON = r'<img src=x onerror=\"document.title=\u0027pwned\u0027\">\u001b[31m\u202egnp.exe'
HOSTILE_ID = json.loads(f'"{HOSTILE_ID_JSON}"')


@contextlib.contextmanager
def browser(server, games):
    """Headless Chromium with a fresh profile, showing the server's page once its
    list of |games| games has loaded."""
    SCREENSHOTS.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="zt-chromium-") as profile:
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         "--disable-dev-shm-usage", f"--user-data-dir={profile}"):
            options.add_argument(argument)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            driver.set_window_size(*DESKTOP)
            driver.get(server.url)
            WebDriverWait(driver, 30).until(
                lambda d: len(d.find_elements(By.CSS_SELECTOR, "#games tbody tr")) == games)
            yield driver
        finally:
            driver.quit()


@pytest.fixture(scope="module")
def page():
    with VerifierServer(*EXAMPLE_GAMES) as server, browser(server, 3) as driver:
        yield driver


def paste(driver, field, text):
    box = driver.find_element(By.ID, field)
    box.clear()
    box.send_keys(text)


VERDICT_PLACE = (
    "const box = document.getElementById('verdict').getBoundingClientRect();"
    "return [box.top, box.bottom, window.innerHeight,"
    " document.documentElement.scrollWidth - window.innerWidth];")


def verify(driver, receipt, transcript, screenshot):
    """Pastes the documents, presses Verify from the keyboard, waits for the verdict
    and checks that the page brought it into view. Returns the result's text."""
    paste(driver, "receipt", receipt)
    paste(driver, "transcript", transcript)
    driver.execute_script("document.getElementById('verdict-title').textContent = ''")
    driver.find_element(By.ID, "verify").send_keys(Keys.ENTER)
    WebDriverWait(driver, 30).until(lambda d: d.find_element(By.ID, "verdict-title").text)
    driver.save_screenshot(str(SCREENSHOTS / f"{screenshot}.png"))
    top, bottom, height, overflow = driver.execute_script(VERDICT_PLACE)
    assert -1 <= top and bottom <= height + 1, "the verdict is not in view"
    assert overflow <= 0, "the page scrolls sideways"
    assert driver.switch_to.active_element.get_attribute("id") == "verdict"
    failed = driver.find_elements(By.CSS_SELECTOR, "#checks > li.failed")
    if failed:
        driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", failed[0])
        driver.save_screenshot(str(SCREENSHOTS / f"{screenshot}-failed-check.png"))
    return driver.find_element(By.ID, "result").text


def example(name):
    return tuple((EXAMPLES / f"{name}.{part}.json").read_text(encoding="utf-8")
                 for part in ("receipt", "transcript"))


def test_the_page_lists_the_loaded_games(page):
    page.save_screenshot(str(SCREENSHOTS / "start.png"))
    rows = [row.text for row in page.find_elements(By.CSS_SELECTOR, "#games tbody tr")]
    assert any(row.startswith("plinko-classic plinko") for row in rows)
    assert any(row.startswith("dice-noop no-op") for row in rows)


def test_an_honest_bet_checks_out(page):
    text = verify(page, *example("plinko-1"), "honest-plinko")
    assert text.startswith("This bet checks out")


def test_a_tampered_bet_is_marked_with_the_library_message(page):
    text = verify(page, *example("plinko-wrong-outcome"), "tampered-plinko")
    assert text.startswith("This bet does NOT check out")
    message = ("Message: deterministic mapping outcome mismatch: path step 5 mismatch: "
               "derived 1 vs reported 0")
    assert message in text
    checks = page.find_elements(By.CSS_SELECTOR, "#checks > li")
    assert len(checks) == 9
    statuses = [check.find_element(By.CLASS_NAME, "status").text for check in checks]
    assert statuses == ["Passed"] * 8 + ["FAILED"]
    failed = page.find_elements(By.CSS_SELECTOR, "#checks > li.failed")
    assert failed == [checks[-1]]
    assert (failed[0].find_element(By.CLASS_NAME, "title").text ==
            "the mapper derives the reported outcome from rng_entropy")
    assert message in failed[0].text
    assert "derived outcome" in failed[0].text and "reported outcome" in failed[0].text


def test_a_bet_of_a_game_that_is_not_loaded_says_so(page):
    text = verify(page, *example("unregistered-game"), "game-not-loaded")
    assert text.startswith("This bet's game is not loaded")
    assert 'The game "coinflip" is not loaded' in text
    statuses = [item.find_element(By.CLASS_NAME, "status").text
                for item in page.find_elements(By.CSS_SELECTOR, "#checks > li")]
    assert statuses == ["Passed"] * 7 + ["FAILED", "Not run"]


def test_hostile_text_is_shown_as_text_and_runs_nothing(page):
    receipt, transcript = (text.replace('"bet-plinko-1"', f'"{HOSTILE_ID_JSON}"')
                           for text in example("plinko-1"))
    assert HOSTILE_ID_JSON in receipt and HOSTILE_ID_JSON in transcript
    text = verify(page, receipt, transcript, "hostile-bet-id")
    assert text.startswith("This bet checks out")
    assert page.title == "Verify a bet"
    assert page.find_elements(By.CSS_SELECTOR, "#result img") == []
    # The markup is shown as text, the escape sequence and the override made visible.
    shown = page.find_element(By.ID, "verdict-bet").get_attribute("textContent")
    assert shown == 'Bet <img src=x onerror="document.title=\'pwned\'">\\u{1b}[31m\\u{202e}gnp.exe, game plinko-classic'
    assert "\x1b" not in shown and "\u202e" not in shown


def test_on_a_phone_the_verdict_comes_first(page):
    page.set_window_size(*PHONE)
    try:
        text = verify(page, *example("swapped-seed"), "phone-swapped-seed")
        assert text.startswith("This bet does NOT check out")
        assert "server seed commitment mismatch" in text
    finally:
        page.set_window_size(*DESKTOP)


def test_an_upload_that_replaces_a_game_is_announced():
    with VerifierServer("--gdp", PLINKO, "--allow-package-upload") as server, \
            browser(server, 1) as driver:
        status = driver.find_element(By.ID, "upload-status")
        for package, said in [(SLOT, 'Loaded the game "slot-3x5" from slot-3x5.tar.'),
                              (PLINKO, 'Loaded the game "plinko-classic" from '
                                       'plinko-classic.tar.gz, replacing the one loaded before.')]:
            driver.find_element(By.ID, "package-file").send_keys(str(package))
            WebDriverWait(driver, 30).until(lambda d: status.text == said)
        notice = driver.find_element(By.ID, "changes").text
        assert "The game slot-3x5 was added by an upload (slot-3x5.tar)" in notice
        assert "The game plinko-classic was replaced by an upload (plinko-classic.tar.gz)" in notice

        text = verify(driver, *example("plinko-1"), "upload-replaced-game")
        assert text.startswith("This bet checks out")
        assert ("Note: the game plinko-classic was replaced by an upload "
                "(plinko-classic.tar.gz)") in text
