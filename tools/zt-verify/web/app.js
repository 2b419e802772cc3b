// The verifier page. Every text that comes from a document, a package or the
// server is put into the page with textContent, never parsed as HTML, and the API
// is asked for ?text=visible, so control characters, escape sequences and
// direction marks in it arrive written out as visible escapes such as \u{1b}.
'use strict';

// What each check means, in a player's words, by the check's name in the API.
const CHECK_MEANINGS = {
  bet_id: 'The receipt and the transcript are about the same bet.',
  commitment: 'The receipt holds the bet parameters the operator committed to.',
  bet_leaf: 'Those parameters hash to the fingerprint (leaf) the operator published for this bet.',
  merkle_proof: 'That fingerprint is part of the operator\'s published list of bets (Merkle root), fixed before the bet was played.',
  server_seed: 'The server seed revealed after the bet is the one the operator committed to before it.',
  beacon_mix: 'The public beacon values were combined correctly.',
  rng_entropy: 'The random value of the bet follows from the seeds, the bet number and the beacons.',
  mapper: 'This page has the game\'s rules (its package), so the outcome can be replayed.',
  outcome: 'Replaying the game with that random value gives the outcome the operator reported.',
};

const byId = (id) => document.getElementById(id);

// element: a new element with class |className| and text |text| (as text).
function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined && text !== null) node.textContent = String(text);
  return node;
}

// sentence: a node of plain words and data; each data part is isolated in its own
// span, so direction marks inside it cannot reorder the words around it.
function sentence(tag, parts) {
  const node = element(tag, null);
  for (const part of parts) {
    node.append(typeof part === 'string' ? part : element('span', 'data', part.data));
  }
  return node;
}

async function requestJson(path, options) {
  let response;
  try {
    response = await fetch(path, options);
  } catch (error) {
    return { ok: false, body: { error: 'The page cannot reach the zt-verify server. Is it still running?' } };
  }
  let body;
  try {
    body = await response.json();
  } catch (error) {
    body = { error: `The server answered with HTTP status ${response.status}.` };
  }
  return { ok: response.ok, status: response.status, body };
}

// --- the bet ---------------------------------------------------------------------

// replacementNote: a sentence when the bet's game was replaced by an upload, since
// then the bet was checked with whatever package was uploaded last.
function replacementNote(gdpId, changes) {
  const latest = changes.filter((change) => change.gdp_id === gdpId).pop();
  if (!latest) return null;
  return ['Note: the game ', { data: gdpId }, ' was ', latest.replaced ? 'replaced' : 'added',
    ' by an upload (', { data: latest.file }, `) at ${latest.time}; this bet was checked with that uploaded package.`];
}

function showVerdict(kind, title, detail, message, bet, note) {
  const verdict = byId('verdict');
  verdict.className = `verdict ${kind}`;
  byId('verdict-title').textContent = title;
  const betLine = byId('verdict-bet');
  betLine.hidden = !bet;
  betLine.replaceChildren(...(bet ? sentence('span', bet).childNodes : []));
  byId('verdict-detail').textContent = detail;
  const noteLine = byId('verdict-note');
  noteLine.hidden = !note;
  noteLine.replaceChildren(...(note ? sentence('span', note).childNodes : []));
  const messageLine = byId('verdict-message');
  messageLine.hidden = !message;
  messageLine.textContent = message ? `Message: ${message}` : '';
  byId('result').hidden = false;
  verdict.focus();
  verdict.scrollIntoView({ block: 'start' });
}

const STATUS_WORDS = {
  passed: 'Passed', failed: 'FAILED', not_run: 'Not run', not_checked: 'Not checked',
};

function describeVerdict(result) {
  const game = result.gdp_id === null ? '' : result.gdp_id;
  switch (result.verdict) {
    case 'verified':
      if (!result.outcome_checked) {
        return ['warn', 'This bet checks out, except its outcome',
          `Every check passed, but the game "${game}" is loaded without its rules (--noop), so the outcome itself was not replayed.`];
      }
      return ['ok', 'This bet checks out',
        `Every check passed: the operator committed to this bet before it was played, and its outcome follows from the revealed seeds and the rules of the game "${game}".`];
    case 'unregistered':
      return ['warn', 'This bet\'s game is not loaded',
        `The game "${game}" is not loaded on this page, so its outcome cannot be checked; the checks before it are shown below. Start zt-verify serve with --gdp and that game's package (a .tar or .tar.gz file from the operator).`];
    case 'failed':
      return ['bad', 'This bet does NOT check out',
        'One of the checks failed: the documents do not prove that this bet was fair. The failed check is marked below.'];
    default:
      return ['bad', 'These documents could not be read',
        `The ${result.stage === 'receipt' ? 'receipt' : 'transcript'} is not a valid document of its kind, so the bet could not be checked. Check that you pasted the right text into the right box.`];
  }
}

function describeBet(result) {
  if (result.bet_id === null) return null;
  const game = result.gdp_id === null ? ['no commitment, so no game'] : ['game ', { data: result.gdp_id }];
  return ['Bet ', { data: result.bet_id }, ', ', ...game];
}

// shownValue: a value of the explanation as text: strings as they are (the server
// already made them visible), anything else as compact JSON.
function shownValue(value) {
  return typeof value === 'string' ? value : JSON.stringify(value);
}

function valueList(values) {
  const list = element('dl', 'values');
  for (const [name, value] of Object.entries(values)) {
    list.append(element('dt', null, name.replaceAll('_', ' ')));
    list.append(element('dd', 'data-mono', shownValue(value)));
  }
  return list;
}

function stepList(steps) {
  const details = element('details', 'steps');
  details.append(element('summary', null, `${steps.length} step${steps.length === 1 ? '' : 's'}`));
  const list = element('ol', null);
  for (const step of steps) {
    const parts = Object.entries(step).map(([name, value]) => `${name.replaceAll('_', ' ')}: ${shownValue(value)}`);
    list.append(element('li', 'data-mono', parts.join(', ')));
  }
  details.append(list);
  return details;
}

function checkItem(check, message) {
  const item = element('li', `check ${check.status}`);
  const head = element('div', 'check-head');
  head.append(element('span', 'status', STATUS_WORDS[check.status] || check.status));
  head.append(element('span', 'title', check.title));
  item.append(head);
  if (CHECK_MEANINGS[check.name]) item.append(element('p', 'meaning', CHECK_MEANINGS[check.name]));
  if (check.status === 'failed' && message) item.append(element('p', 'message', `Message: ${message}`));
  if (check.values && Object.keys(check.values).length > 0) item.append(valueList(check.values));
  if (check.steps && check.steps.length > 0) item.append(stepList(check.steps));
  for (const note of check.notes || []) item.append(element('p', 'note', note));
  return item;
}

function showChecks(result) {
  const list = byId('checks');
  list.replaceChildren(...result.checks.map((check) => checkItem(check, result.message)));
  byId('checks-block').hidden = result.checks.length === 0;
}

async function verify(event) {
  event.preventDefault();
  const button = byId('verify');
  button.disabled = true;
  try {
    const body = JSON.stringify({ receipt: byId('receipt').value, transcript: byId('transcript').value });
    const reply = await requestJson('/api/explain?text=visible', {
      method: 'POST', headers: { 'Content-Type': 'application/json' }, body,
    });
    const games = await loadGames();
    if (!reply.ok) {
      byId('checks-block').hidden = true;
      showVerdict('bad', 'The documents could not be sent', reply.body.error || 'The request failed.', null);
    } else {
      const result = reply.body;
      const [kind, title, detail] = describeVerdict(result);
      showChecks(result);
      const hint = result.verdict === 'error' ? result.hint : null;
      const note = games && result.gdp_id !== null ? replacementNote(result.gdp_id, games.changes) : null;
      showVerdict(kind, title, hint ? `${detail} Hint: ${hint}.` : detail, result.message, describeBet(result), note);
    }
  } finally {
    button.disabled = false;
  }
}

// --- documents from files ----------------------------------------------------------

function readInto(file, textarea) {
  const reader = new FileReader();
  reader.onload = () => { textarea.value = reader.result; };
  reader.readAsText(file);
}

function acceptDrops(zone, onFile) {
  zone.addEventListener('dragover', (event) => {
    event.preventDefault();
    zone.classList.add('dragging');
  });
  zone.addEventListener('dragleave', () => zone.classList.remove('dragging'));
  zone.addEventListener('drop', (event) => {
    event.preventDefault();
    zone.classList.remove('dragging');
    const file = event.dataTransfer.files[0];
    if (file) onFile(file);
  });
}

function wireDocument(name) {
  const textarea = byId(name);
  acceptDrops(byId(`${name}-drop`), (file) => readInto(file, textarea));
  byId(`${name}-file`).addEventListener('change', (event) => {
    const file = event.target.files[0];
    if (file) readInto(file, textarea);
  });
}

// --- games -----------------------------------------------------------------------

function gameRow(game) {
  const row = document.createElement('tr');
  const cell = (label, className, content) => {
    const td = typeof content === 'string' || content === null
      ? element('td', className, content) : sentence('td', content);
    td.dataset.label = label;
    row.append(td);
  };
  cell('Game id', 'data-mono', game.gdp_id);
  cell('Mapper', 'data', game.mapper === 'noop' ? 'no-op (outcome not checked)' : game.mapper);
  cell('Signed by', 'data-mono', game.signer_ed25519 || (game.mapper === 'noop' ? '-' : 'not signed'));
  cell('Trusted key', null, game.pinned ? 'yes' : 'no');
  if (game.source === 'upload') {
    cell('Loaded from', null, ['upload ', { data: game.file }, ` at ${game.loaded_at}`]);
  } else {
    cell('Loaded from', 'data', game.file || '--noop');
  }
  return row;
}

function showChanges(changes) {
  const box = byId('changes');
  box.replaceChildren();
  for (const change of changes) {
    const verb = change.replaced ? ' was replaced by an upload (' : ' was added by an upload (';
    box.append(sentence('p', ['The game ', { data: change.gdp_id }, verb, { data: change.file },
      `) at ${change.time}. Bets of that game are now checked with the uploaded package, for everyone using this server.`]));
  }
  box.hidden = changes.length === 0;
}

// loadGames: shows the games and the uploads so far; returns the answer, or null.
async function loadGames() {
  const reply = await requestJson('/api/games?text=visible');
  if (!reply.ok) return null;
  const { games, changes, signers, uploads_allowed: uploadsAllowed } = reply.body;
  byId('games').tBodies[0].replaceChildren(...games.map(gameRow));
  let note = games.length === 0
    ? 'No games are loaded: bets can be checked up to their outcome, but not the outcome itself.'
    : 'A bet names its game by id; its outcome is replayed with that game\'s rules.';
  note += signers.length > 0
    ? ' Packages must be signed by a key you trusted when starting the server (--signer).'
    : ' Package signers are not compared with a key you trust (start the server with --signer to do that).';
  byId('games-note').textContent = note;
  byId('upload').hidden = !uploadsAllowed;
  showChanges(changes);
  return reply.body;
}

async function uploadPackage(file) {
  const status = byId('upload-status');
  status.textContent = `Loading ${file.name}...`;
  const reply = await requestJson(`/api/packages?text=visible&file=${encodeURIComponent(file.name)}`, {
    method: 'POST', headers: { 'Content-Type': 'application/octet-stream' }, body: await file.arrayBuffer(),
  });
  await loadGames();
  if (reply.ok) {
    status.textContent = `Loaded the game "${reply.body.id}" from ${file.name}${reply.body.replaced ? ', replacing the one loaded before' : ''}.`;
  } else {
    const hint = reply.body.hint ? ` ${reply.body.hint}` : '';
    status.textContent = `${file.name} was not loaded: ${reply.body.message || reply.body.error}${hint}`;
  }
}

document.addEventListener('DOMContentLoaded', () => {
  byId('bet-form').addEventListener('submit', verify);
  wireDocument('receipt');
  wireDocument('transcript');
  byId('package-file').addEventListener('change', (event) => {
    const file = event.target.files[0];
    if (file) uploadPackage(file);
  });
  acceptDrops(byId('package-drop'), uploadPackage);
  loadGames();
  // Someone else's upload shows up without a reload.
  setInterval(loadGames, 15000);
});
