// Draws the board as SVG: grid, edge labels, stones, marks, and one
// transparent square per point that takes the clicks. Rows (x) run down,
// columns (y) across; the edges are labelled as the engine names points:
// letters for columns, rows counted from the bottom.

import { Black, pointName } from './game_record.js';

const Svg = 'http://www.w3.org/2000/svg';
const Cell = 32;
const Margin = 34;

function element(name, attributes, parent) {
  const e = document.createElementNS(Svg, name);
  for (const [key, value] of Object.entries(attributes)) e.setAttribute(key, value);
  if (parent) parent.appendChild(e);
  return e;
}

function starPoints(size) {
  if (size < 9) return [];
  const edge = size >= 13 ? 3 : 2;
  const far = size - 1 - edge;
  const points = [[edge, edge], [edge, far], [far, edge], [far, far]];
  if (size % 2 === 1) points.push([(size - 1) / 2, (size - 1) / 2]);
  return points;
}

export class BoardView {
  constructor(svg, onPoint) {
    this.svg = svg;
    this.onPoint = onPoint;
    this.size = 0;
  }

  centre(x, y) { return { cx: Margin + y * Cell, cy: Margin + x * Cell }; }

  // Rebuilds the fixed layers for a board of this size.
  setSize(size) {
    this.size = size;
    const svg = this.svg;
    while (svg.firstChild) svg.removeChild(svg.firstChild);
    const extent = 2 * Margin + (size - 1) * Cell;
    svg.setAttribute('viewBox', `0 0 ${extent} ${extent}`);

    const defs = element('defs', {}, svg);
    const gradient = (id, inner, outer) => {
      const g = element('radialGradient', { id, cx: '35%', cy: '30%', r: '70%' }, defs);
      element('stop', { offset: '0%', 'stop-color': inner }, g);
      element('stop', { offset: '100%', 'stop-color': outer }, g);
    };
    gradient('black-stone', '#666', '#050505');
    gradient('white-stone', '#ffffff', '#cfcfcf');

    element('rect', { class: 'wood', x: 0, y: 0, width: extent, height: extent, rx: 6 }, svg);
    const grid = element('g', { class: 'grid' }, svg);
    const last = Margin + (size - 1) * Cell;
    for (let i = 0; i < size; ++i) {
      const at = Margin + i * Cell;
      element('line', { x1: Margin, y1: at, x2: last, y2: at }, grid);
      element('line', { x1: at, y1: Margin, x2: at, y2: last }, grid);
    }
    for (const [x, y] of starPoints(size)) element('circle', { class: 'star', ...this.centre(x, y), r: 3.5 }, svg);
    const labels = element('g', {}, svg);
    for (let i = 0; i < size; ++i) {
      const at = Margin + i * Cell;
      const letter = String.fromCharCode(65 + i);
      element('text', { class: 'label', x: at, y: Margin / 2 - 4 }, labels).textContent = letter;
      element('text', { class: 'label', x: at, y: last + Margin / 2 + 4 }, labels).textContent = letter;
      element('text', { class: 'label', x: Margin / 2 - 4, y: at }, labels).textContent = String(size - i);
      element('text', { class: 'label', x: last + Margin / 2 + 4, y: at }, labels).textContent = String(size - i);
    }

    this.dynamic = element('g', {}, svg);
    const hits = element('g', { id: 'hits' }, svg);
    for (let x = 0; x < size; ++x) {
      for (let y = 0; y < size; ++y) {
        const { cx, cy } = this.centre(x, y);
        const hit = element('rect', {
          class: 'hit', x: cx - Cell / 2, y: cy - Cell / 2, width: Cell, height: Cell,
          'data-x': x, 'data-y': y,
        }, hits);
        element('title', {}, hit).textContent = `${pointName({ x, y }, size)}  (${x},${y})`;
        hit.addEventListener('click', () => this.onPoint(x, y));
      }
    }
  }

  // Draws what changes: `view` holds the game and the engine's marks.
  render(view) {
    const { game } = view;
    if (game.size !== this.size) this.setSize(game.size);
    const layer = this.dynamic;
    while (layer.firstChild) layer.removeChild(layer.firstChild);
    const mark = (cls, x, y) => ({ class: cls, 'data-x': x, 'data-y': y });

    for (const p of view.blocks) {
      const { cx, cy } = this.centre(p.x, p.y);
      element('rect', { ...mark('block', p.x, p.y), x: cx - 8, y: cy - 8, width: 16, height: 16, rx: 2 }, layer);
    }
    for (const p of view.forbidden) {
      const { cx, cy } = this.centre(p.x, p.y);
      const g = element('g', mark('forbid', p.x, p.y), layer);
      element('line', { x1: cx - 7, y1: cy - 7, x2: cx + 7, y2: cy + 7 }, g);
      element('line', { x1: cx - 7, y1: cy + 7, x2: cx + 7, y2: cy - 7 }, g);
    }
    for (const p of view.lose) {
      if (!game.isEmpty(p.x, p.y)) continue;
      const { cx, cy } = this.centre(p.x, p.y);
      element('circle', { ...mark('lose', p.x, p.y), cx, cy, r: 5 }, layer);
    }

    game.moves.forEach((p, i) => {
      const { cx, cy } = this.centre(p.x, p.y);
      const colour = i % 2 === 0 ? 'black' : 'white';
      element('circle', { ...mark(`stone ${colour}`, p.x, p.y), cx, cy, r: Cell * 0.46 }, layer);
      if (view.showNumbers)
        element('text', { class: `number on-${colour}`, x: cx, y: cy }, layer).textContent = String(i + 1);
    });

    const last = game.lastMove();
    if (last && !view.showNumbers) {
      const { cx, cy } = this.centre(last.x, last.y);
      element('circle', { ...mark('last-move', last.x, last.y), cx, cy, r: 4.5 }, layer);
    }
    for (const p of game.fiveLine) {
      const { cx, cy } = this.centre(p.x, p.y);
      element('circle', { ...mark('five', p.x, p.y), cx, cy, r: Cell * 0.5 }, layer);
    }

    // The line as numbered ghost stones, the best move ringed, and the
    // n-best candidates' ranks as badges beside their points.
    let colour = game.sideToMove();
    const shown = new Set();
    view.pv.forEach((p, i) => {
      const key = p.x * 64 + p.y;
      if (game.isEmpty(p.x, p.y) && !shown.has(key)) {
        shown.add(key);
        const name = colour === Black ? 'black' : 'white';
        const { cx, cy } = this.centre(p.x, p.y);
        element('circle', { ...mark(`ghost stone ${name}`, p.x, p.y), cx, cy, r: Cell * 0.46 }, layer);
        element('text', { class: `ghost-number on-${name}`, x: cx, y: cy }, layer).textContent = String(i + 1);
      }
      colour = colour === Black ? 2 : Black;
    });
    if (view.best && game.isEmpty(view.best.x, view.best.y)) {
      const { cx, cy } = this.centre(view.best.x, view.best.y);
      element('circle', { ...mark('best', view.best.x, view.best.y), cx, cy, r: Cell * 0.5 }, layer);
    }
    view.candidates.forEach((c, i) => {
      if (!game.isEmpty(c.x, c.y)) return;
      const { cx, cy } = this.centre(c.x, c.y);
      const bx = cx + Cell * 0.34, by = cy - Cell * 0.34;
      element('circle', { ...mark('candidate', c.x, c.y), cx: bx, cy: by, r: 7.5 }, layer);
      element('text', { class: 'candidate-label', x: bx, y: by }, layer).textContent = String(i + 1);
    });
  }
}
