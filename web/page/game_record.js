// The game on the page: board size, rule, the moves in order, and who has
// won. Points are {x, y} as the engine writes them: x the row from the top,
// y the column, both from 0. Black plays the even-numbered moves (0, 2, ...).

export const Black = 1;
export const White = 2;
export const Rule = { FreeStyle: 0, Standard: 1, Renju: 2 };
export const MinSize = 5;
export const MaxSize = 24;

export function colourName(colour) { return colour === Black ? 'Black' : 'White'; }
export function otherColour(colour) { return colour === Black ? White : Black; }

// "H8": the column letter and the row counted from the bottom, as on the board's edges.
export function pointName(point, size) {
  return String.fromCharCode(65 + point.y) + (size - point.x);
}

const Directions = [[0, 1], [1, 0], [1, 1], [1, -1]];

export class GameRecord {
  constructor(size, rule) {
    this.size = size;
    this.rule = rule;
    this.moves = [];
    this.cells = new Array(size * size).fill(0);
    this.winner = 0;     // the colour that made a winning line, 0 while none has
    this.fiveLine = [];  // its stones
  }

  onBoard(x, y) { return x >= 0 && y >= 0 && x < this.size && y < this.size; }
  colourAt(x, y) { return this.cells[x * this.size + y]; }
  isEmpty(x, y) { return this.onBoard(x, y) && this.colourAt(x, y) === 0; }
  sideToMove() { return this.moves.length % 2 === 0 ? Black : White; }
  isFull() { return this.moves.length === this.size * this.size; }
  isOver() { return this.winner !== 0 || this.isFull(); }
  lastMove() { return this.moves.length ? this.moves[this.moves.length - 1] : null; }

  // Adds the side to move's stone; false when the point is not free or the game is over.
  play(x, y) {
    if (!this.isEmpty(x, y) || this.winner !== 0) return false;
    const colour = this.sideToMove();
    this.cells[x * this.size + y] = colour;
    this.moves.push({ x, y });
    const line = this.winningLine(x, y, colour);
    if (line) {
      this.winner = colour;
      this.fiveLine = line;
    }
    return true;
  }

  // Takes back the last `count` moves.
  undo(count) {
    const kept = this.moves.slice(0, Math.max(0, this.moves.length - count));
    this.replay(kept);
  }

  // Replaces the game by these moves; throws an Error naming the first one
  // that cannot be played.
  setMoves(points) {
    const copy = new GameRecord(this.size, this.rule);
    points.forEach((p, i) => {
      if (copy.winner !== 0) throw new Error(`the game is already won before move ${i + 1}`);
      if (!copy.play(p.x, p.y)) throw new Error(`move ${i + 1} (${p.x},${p.y}) is on a taken point`);
    });
    this.replay(points);
  }

  replay(points) {
    this.moves = [];
    this.cells.fill(0);
    this.winner = 0;
    this.fiveLine = [];
    for (const p of points) this.play(p.x, p.y);
  }

  // The run of `colour` through (x, y) in one direction when it wins under
  // the rule: five or more in free-style; exactly five in standard; in Renju
  // exactly five for black, five or more for white.
  winningLine(x, y, colour) {
    for (const [dx, dy] of Directions) {
      const run = [{ x, y }];
      for (const sign of [1, -1]) {
        let px = x + sign * dx, py = y + sign * dy;
        while (this.onBoard(px, py) && this.colourAt(px, py) === colour) {
          run.push({ x: px, y: py });
          px += sign * dx;
          py += sign * dy;
        }
      }
      const exact = this.rule === Rule.Standard || (this.rule === Rule.Renju && colour === Black);
      if (run.length === 5 || (run.length > 5 && !exact)) return run;
    }
    return null;
  }

  toText() { return this.moves.map(p => `${p.x},${p.y}`).join(' '); }
}

// Reads a move list: "x,y" pairs (from 0, x the row from the top) or names
// such as "h8" (column letter, row from the bottom), separated by blanks,
// semicolons or line ends. Throws an Error for anything else.
export function parseMoveList(text, size) {
  const points = [];
  const tokens = text.split(/[\s;]+/).filter(t => t.length > 0);
  for (const token of tokens) {
    let m = /^(\d{1,2}),(\d{1,2})$/.exec(token);
    let point = null;
    if (m) {
      point = { x: Number(m[1]), y: Number(m[2]) };
    } else if ((m = /^([a-xA-X])(\d{1,2})$/.exec(token))) {
      point = { x: size - Number(m[2]), y: m[1].toUpperCase().charCodeAt(0) - 65 };
    } else {
      throw new Error(`"${token}" is not a move (write x,y or a name such as h8)`);
    }
    if (point.x < 0 || point.y < 0 || point.x >= size || point.y >= size)
      throw new Error(`"${token}" is off the ${size} x ${size} board`);
    points.push(point);
  }
  return points;
}
