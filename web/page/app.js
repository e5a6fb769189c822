// The web board: wires the controls, the board drawing, the game record and
// the engine link together.
//
// Every order sends the whole position (the moves in order and the points the
// engine must avoid), so undo, a pasted game or an engine restarted by the
// server need nothing else: the page keeps the game, the engine only thinks.

import { BoardView } from './board_view.js';
import { EngineLink } from './engine_link.js';
import { EngineReport, WinValue } from './engine_lines.js';
import {
  Black, GameRecord, MaxSize, MinSize, Rule, White, colourName, parseMoveList, pointName,
} from './game_record.js';

const $ = id => document.getElementById(id);

const state = {
  game: new GameRecord(15, Rule.FreeStyle),
  humanColour: Black,
  mode: 'play',          // play: against the engine; analyse: stones for both sides
  analysing: false,      // an analysis runs (analyse mode)
  tool: 'stone',
  blocks: [],
  expectTag: -1,         // the tag of the latest order
  synced: false,         // its sync came: the lines now are its answer
  awaitingMove: false,   // the engine is to answer the latest order with a move
  report: new EngineReport(15),
  reportSide: Black,     // the side to move of the position the report is about
  notice: '',
};

const board = new BoardView($('board'), (x, y) => clickPoint(x, y));
const link = new EngineLink({
  onSync: tag => {
    if (tag === state.expectTag) state.synced = true;
  },
  onLine: line => {
    if (!/^MESSAGE REALTIME (POS|DONE)/.test(line)) log(`< ${line}`);
    if (state.synced) engineLine(line);
  },
  onSent: line => log(`> ${line}`, 'sent'),
  onRestarted: info => {
    log(`engine restarted: ${info.reason}`, 'note');
    setNotice(`The engine stopped (${info.reason.replace(/^the engine /, '')}); a new one took over and was given the position again.`);
    sendPosition();
  },
  onFailed: message => {
    log(message, 'note');
    setNotice(`The engine could not be kept running: ${message}. Opening a new session.`);
  },
  onSession: () => {
    document.body.dataset.phase = 'ready';
    startOnEngine();
  },
  onProblem: message => {
    log(message, 'note');
    setNotice(message);
  },
});

// ---- orders ----------------------------------------------------------------

function timeMs() {
  const seconds = Number($('move-time').value);
  if (!Number.isFinite(seconds)) return 1000;
  return Math.round(Math.min(600, Math.max(0.1, seconds)) * 1000);
}

function lines() {
  const n = Math.round(Number($('lines').value));
  return Number.isFinite(n) ? Math.min(10, Math.max(1, n)) : 1;
}

function newTag() {
  state.expectTag = link.nextTag();
  state.synced = false;
  return state.expectTag;
}

// What the engine is to do with the position as it stands.
function thinkKind() {
  const game = state.game;
  if (game.isOver()) return 'none';
  if (state.mode === 'analyse') return state.analysing ? 'analyse' : 'none';
  return game.sideToMove() === state.humanColour ? 'none' : 'move';
}

// Tells the engine the board size and rule (a new game for it).
function sendSetup() {
  link.post('new', { size: state.game.size, rule: state.game.rule, tag: newTag() });
}

// Sends the position, and what to do with it.
function sendPosition() {
  const game = state.game;
  const think = thinkKind();
  const params = {
    size: game.size,
    moves: game.toText(),
    blocks: state.blocks.map(p => `${p.x},${p.y}`).join(' '),
    think,
    forbid: game.rule === Rule.Renju && game.sideToMove() === Black ? 1 : 0,
    tag: newTag(),
  };
  if (think === 'move') params.time = timeMs();
  if (think === 'analyse') params.lines = lines();
  state.awaitingMove = think === 'move';
  const finished = state.report, side = state.reportSide;
  state.report = new EngineReport(game.size);
  state.reportSide = game.sideToMove();
  // In a game, the figures of the engine's last think stay on show until it
  // thinks again.
  if (think === 'none' && state.mode === 'play') keepFigures(finished, side);
  link.post('position', params);
  refresh();
}

function startOnEngine() {
  sendSetup();
  sendPosition();
}

function newGame() {
  const size = Number($('size').value);
  const rule = Number($('rule').value);
  state.game = new GameRecord(size, rule);
  state.blocks = [];
  setNotice('');
  startOnEngine();
}

// ---- the engine's lines ------------------------------------------------------

function engineLine(line) {
  const result = state.report.read(line);
  if (!result) return;
  if (result.kind === 'move' && state.awaitingMove) {
    state.awaitingMove = false;
    const { x, y } = result.point;
    const game = state.game;
    if (!game.play(x, y)) {
      setNotice(`The engine answered ${x},${y}, which is not a free point.`);
    } else if (!game.isOver() && game.rule === Rule.Renju && game.sideToMove() === Black) {
      // Black's forbidden points for the position now on the board.
      sendPosition();
    }
  } else if (result.kind === 'error') {
    state.awaitingMove = false;
    setNotice(`Engine: ${result.text}`);
  }
  scheduleRefresh();
}

// Keeps the figures of an earlier think (about a position with `side` to
// move) in the new report.
function keepFigures(old, side) {
  for (const key of ['depth', 'value', 'timeMs', 'nodesMillions', 'speed', 'best', 'pv', 'nbest', 'nbestFinal'])
    state.report[key] = old[key];
  state.report.finished = true;
  state.reportSide = side;
}

// ---- the player's actions ----------------------------------------------------

function clickPoint(x, y) {
  const game = state.game;
  if (state.tool === 'block') {
    if (!game.isEmpty(x, y)) return;
    const at = state.blocks.findIndex(p => p.x === x && p.y === y);
    if (at >= 0) state.blocks.splice(at, 1);
    else state.blocks.push({ x, y });
    sendPosition();
    return;
  }
  if (game.isOver()) {
    setNotice('The game is over: start a new one, undo, or set a position.');
    return;
  }
  if (state.mode === 'play' && game.sideToMove() !== state.humanColour) {
    setNotice('The engine is to move.');
    return;
  }
  if (!game.isEmpty(x, y)) return;
  if (game.rule === Rule.Renju && game.sideToMove() === Black) {
    const forbidden = state.synced ? state.report.forbidden : null;
    if (forbidden === null) {
      setNotice('Still checking the forbidden points; try again.');
      return;
    }
    if (forbidden.some(p => p.x === x && p.y === y)) {
      setNotice(`${pointName({ x, y }, game.size)} is forbidden for black under Renju.`);
      return;
    }
  }
  setNotice('');
  game.play(x, y);
  sendPosition();
}

function undo() {
  const game = state.game;
  if (!game.moves.length) return;
  if (state.mode === 'analyse' || state.awaitingMove) {
    game.undo(1);
  } else {
    // Back to the last position with the player to move, before their last move.
    let count = 0;
    do {
      ++count;
    } while (count < game.moves.length && (game.moves.length - count) % 2 !== state.humanColour - 1);
    if ((game.moves.length - count) % 2 !== state.humanColour - 1) return;
    game.undo(count);
  }
  setNotice('');
  sendPosition();
}

function stop() {
  if (state.mode === 'analyse') {
    if (!state.analysing) return;
    state.analysing = false;
  } else if (!state.awaitingMove) {
    return;
  }
  // The think ends and writes its final lines (and, in play, its move).
  link.post('stop', {});
  refresh();
}

function analyse() {
  if (state.mode !== 'analyse') {
    document.querySelector('input[name=mode][value=analyse]').checked = true;
    state.mode = 'analyse';
  }
  state.analysing = true;
  sendPosition();
}

function setMode(mode) {
  state.mode = mode;
  state.analysing = mode === 'analyse';
  sendPosition();
}

function changeRule() {
  // The moves stay; the rule decides anew who has won.
  const game = state.game;
  const moves = game.moves.slice();
  state.game = new GameRecord(game.size, Number($('rule').value));
  state.game.replay(moves);
  startOnEngine();
}

function copyMoves() {
  const text = state.game.toText();
  $('move-list').value = text;
  $('move-list').select();
  if (navigator.clipboard) navigator.clipboard.writeText(text).catch(() => {});
}

function loadMoves() {
  const game = state.game;
  try {
    const points = parseMoveList($('move-list').value, game.size);
    game.setMoves(points);
  } catch (e) {
    setNotice(`Position not set: ${e.message}`);
    return;
  }
  state.blocks = state.blocks.filter(p => game.isEmpty(p.x, p.y));
  setNotice('');
  sendPosition();
}

// ---- showing -------------------------------------------------------------------

function setNotice(text) {
  state.notice = text;
  $('notice').textContent = text;
  $('notice').hidden = !text;
}

function log(text, kind) {
  const box = $('log');
  const line = document.createElement('div');
  line.textContent = text;
  if (kind) line.className = kind;
  box.appendChild(line);
  while (box.childNodes.length > 400) box.removeChild(box.firstChild);
  box.scrollTop = box.scrollHeight;
}

function valueText(value, side) {
  if (value === null) return '–';
  if (value >= WinValue) return `${colourName(side)} wins`;
  if (value <= -WinValue) return `${colourName(3 - side)} wins`;
  return `${value > 0 ? '+' : ''}${value} for ${colourName(side)}`;
}

function statusText() {
  const game = state.game;
  if (game.winner) return `${colourName(game.winner)} wins with five.`;
  if (game.isFull()) return 'Draw: the board is full.';
  const side = colourName(game.sideToMove());
  if (state.mode === 'analyse')
    return state.analysing ? `Analysing: ${side} to move.` : `Analysis stopped: ${side} to move.`;
  if (state.awaitingMove) return `The engine (${side}) is thinking…`;
  if (game.sideToMove() === state.humanColour) return `Your move (${side}).`;
  return `${side} to move.`;
}

let refreshPending = false;
function scheduleRefresh() {
  if (refreshPending) return;
  refreshPending = true;
  requestAnimationFrame(() => {
    refreshPending = false;
    refresh();
  });
}

function refresh() {
  const { game, report } = state;
  const size = game.size;
  const thinking = state.mode === 'analyse' || state.awaitingMove;
  const showForbidden = game.rule === Rule.Renju && game.sideToMove() === Black && report.forbidden;
  board.render({
    game,
    blocks: state.blocks,
    forbidden: showForbidden ? report.forbidden : [],
    lose: thinking ? report.lose : [],
    best: thinking ? report.best : null,
    pv: thinking ? report.pv : [],
    candidates: thinking && report.nbest.length > 1 ? report.nbest.map(c => c.point) : [],
    showNumbers: $('numbers').checked,
  });

  $('status').textContent = statusText();
  const side = state.reportSide;
  $('eval-value').textContent = valueText(report.value, side);
  const blackValue = report.value === null ? 0 : side === Black ? report.value : -report.value;
  $('eval-fill').style.width = `${(100 / (1 + Math.exp(-blackValue / 300))).toFixed(1)}%`;
  $('depth').textContent = report.depth ?? '–';
  const speed = report.nodesPerSecond();
  $('speed').textContent = speed
    ? `${speed.estimate ? '≈ ' : ''}${Math.round(speed.value).toLocaleString('en')}`
    : report.timeMs !== null ? 'under a million nodes so far' : '–';
  $('think-time').textContent = report.timeMs === null ? '–' : `${(report.timeMs / 1000).toFixed(1)} s`;
  $('best').textContent = report.best ? pointName(report.best, size) : '–';
  $('pv').textContent = report.pv.length ? report.pv.map(p => pointName(p, size)).join(' ') : '–';

  const rows = $('nbest').querySelector('tbody');
  rows.replaceChildren(...report.nbest.map((c, i) => {
    const row = document.createElement('tr');
    for (const [text, cls] of [
      [String(i + 1), ''], [pointName(c.point, size), ''], [valueText(c.value, side), ''],
      [c.line.length > 1 ? c.line.map(p => pointName(p, size)).join(' ') : '', 'line'],
    ]) {
      const cell = document.createElement('td');
      cell.textContent = text;
      if (cls) cell.className = cls;
      row.appendChild(cell);
    }
    return row;
  }));
  $('forbidden-note').textContent = showForbidden && report.forbidden.length
    ? `Forbidden for black: ${report.forbidden.map(p => pointName(p, size)).join(' ')}`
    : '';
  $('stop').disabled = !(state.mode === 'analyse' ? state.analysing : state.awaitingMove);
  document.body.dataset.thinking = (state.analysing || state.awaitingMove) && !report.finished ? 'yes' : 'no';
}

// ---- start -----------------------------------------------------------------------

function setUp() {
  for (let size = MinSize; size <= MaxSize; ++size) {
    const option = document.createElement('option');
    option.value = String(size);
    option.textContent = `${size} × ${size}`;
    if (size === 15) option.selected = true;
    $('size').appendChild(option);
  }
  $('size').addEventListener('change', newGame);
  $('rule').addEventListener('change', changeRule);
  $('human').addEventListener('change', () => {
    state.humanColour = Number($('human').value) === White ? White : Black;
    if (state.mode === 'play') sendPosition();
  });
  $('new-game').addEventListener('click', newGame);
  $('undo').addEventListener('click', undo);
  $('analyse').addEventListener('click', analyse);
  $('stop').addEventListener('click', stop);
  $('lines').addEventListener('change', () => {
    if (state.analysing) sendPosition();
  });
  for (const radio of document.querySelectorAll('input[name=mode]'))
    radio.addEventListener('change', () => setMode(radio.value));
  for (const radio of document.querySelectorAll('input[name=tool]'))
    radio.addEventListener('change', () => { state.tool = radio.value; });
  $('clear-blocks').addEventListener('click', () => {
    state.blocks = [];
    sendPosition();
  });
  $('numbers').addEventListener('change', refresh);
  $('copy').addEventListener('click', copyMoves);
  $('load').addEventListener('click', loadMoves);
  window.addEventListener('pagehide', () => link.close());

  state.game = new GameRecord(Number($('size').value), Number($('rule').value));
  state.humanColour = Number($('human').value) === White ? White : Black;
  document.body.dataset.phase = 'connecting';
  refresh();
  link.open();
}

setUp();
