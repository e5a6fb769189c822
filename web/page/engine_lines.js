// Reads the engine's output lines into what the page shows: the move of a
// think, the search's figures, the best move and its line, the n-best
// ranking, the Renju forbidden points. The lines are the engine's, as its
// README lists them, with show_detail on:
//
//   MESSAGE DETAIL DEPTH:9-34 VAL:241 TIME:4047ms NODE:0m [8,J]   each iteration
//   MESSAGE REALTIME BEST 7,9 / VAL 185 / PV [8J] [8G] ... / LOSE x,y / REFRESH
//   MESSAGE Complexity: ... | Depth: 11-36 | Time: 25164ms | Node: 5m
//   MESSAGE Speed: 209 | Evaluation: 338          (nodes per millisecond)
//   MESSAGE Bestline: [7H] [8J] ...
//   MESSAGE (1) VAL:33 [8,H]                       ovnbest, each iteration (from 1)
//   MESSAGE DETAIL (NBEST) DEPTH:8-29 VAL:219 TIME:4024ms NODE:0m [7,G]
//   MESSAGE (0) VAL:219 [7,G][8,G][7,H]...         ovnbest, the final lines (from 0)
//   FORBID 0707.                                   ovshowforbid
//   7,9                                            the move
//
// Points written [row,C] or [rowC] count the row from the bottom and the
// column from A; "x,y" points are the protocol's.

// Values at or beyond this are a won or lost game.
export const WinValue = 10000;

function clampValue(v) { return Math.max(-WinValue, Math.min(WinValue, v)); }

export class EngineReport {
  constructor(size) {
    this.size = size;
    this.clear();
  }

  clear() {
    this.depth = null;        // "d-s" of the last iteration
    this.value = null;        // for the side to move
    this.timeMs = null;
    this.nodesMillions = null;
    this.speed = null;        // nodes per millisecond, from the final report
    this.best = null;
    this.pv = [];
    this.nbest = [];          // [{point, value, line}]
    this.nbestFinal = false;  // the final n-best lines have come
    this.lose = [];           // root moves found lost in this iteration
    this.forbidden = null;    // null: not asked for this position
    this.finished = false;    // the think has ended
  }

  // A point written as a row from the bottom and a column letter.
  namedPoint(row, letter) {
    return { x: this.size - Number(row), y: letter.charCodeAt(0) - 65 };
  }

  namedLine(text) {
    const points = [];
    for (const m of text.matchAll(/\[(\d+),?([A-Z])\]/g)) points.push(this.namedPoint(m[1], m[2]));
    return points;
  }

  // Takes one line. Returns what it was: {kind: 'move', point}, {kind:
  // 'error', text}, {kind: 'report'} for a line that changed the figures, or
  // null for a line of no interest.
  read(line) {
    let m;
    if ((m = /^(\d+),(\d+)$/.exec(line))) {
      this.finished = true;
      return { kind: 'move', point: { x: Number(m[1]), y: Number(m[2]) } };
    }
    if (line.startsWith('ERROR')) {
      this.finished = true;
      return { kind: 'error', text: line.slice(6) };
    }
    if ((m = /^FORBID ((?:\d{4})*)\.$/.exec(line))) {
      this.forbidden = [];
      for (let i = 0; i < m[1].length; i += 4)
        this.forbidden.push({ x: Number(m[1].slice(i, i + 2)), y: Number(m[1].slice(i + 2, i + 4)) });
      return { kind: 'report' };
    }
    if ((m = /^MESSAGE DETAIL DEPTH:(\d+)-(\d+)(\*?) VAL:(-?\d+) TIME:(\d+)ms NODE:(\d+)m \[(\d+),([A-Z])\]$/.exec(line))) {
      this.depth = `${m[1]}-${m[2]}`;
      this.value = clampValue(Number(m[4]));
      this.timeMs = Number(m[5]);
      this.nodesMillions = Number(m[6]);
      const best = this.namedPoint(m[7], m[8]);
      if (!this.best || this.best.x !== best.x || this.best.y !== best.y) this.pv = [best];
      this.best = best;
      if (!this.nbestFinal) this.nbest = [];
      return { kind: 'report' };
    }
    if ((m = /^MESSAGE DETAIL \(NBEST\) DEPTH:(\d+)-(\d+) VAL:(-?\d+) TIME:(\d+)ms NODE:(\d+)m(?: \[(\d+),([A-Z])\])?$/.exec(line))) {
      this.depth = `${m[1]}-${m[2]}`;
      this.value = clampValue(Number(m[3]));
      this.timeMs = Number(m[4]);
      this.nodesMillions = Number(m[5]);
      if (m[6]) this.best = this.namedPoint(m[6], m[7]);
      this.nbest = [];
      this.nbestFinal = true;
      this.finished = true;
      return { kind: 'report' };
    }
    if ((m = /^MESSAGE \((\d+)\) VAL:(-?\d+) ?((?:\[\d+,[A-Z]\])+)$/.exec(line))) {
      const points = this.namedLine(m[3]);
      this.nbest.push({ point: points[0], value: clampValue(Number(m[2])), line: points });
      if (this.nbestFinal && this.nbest.length === 1) {
        this.pv = points;
        this.best = points[0];
      }
      return { kind: 'report' };
    }
    if ((m = /^MESSAGE REALTIME (\w+) ?(.*)$/.exec(line))) {
      const [, word, rest] = m;
      let p;
      if (word === 'BEST' && (p = /^(\d+),(\d+)$/.exec(rest))) {
        const best = { x: Number(p[1]), y: Number(p[2]) };
        if (!this.best || this.best.x !== best.x || this.best.y !== best.y) this.pv = [best];
        this.best = best;
      } else if (word === 'VAL') {
        this.value = clampValue(Number(rest));
      } else if (word === 'PV') {
        this.pv = this.namedLine(rest);
      } else if (word === 'LOSE' && (p = /^(\d+),(\d+)$/.exec(rest))) {
        this.lose.push({ x: Number(p[1]), y: Number(p[2]) });
      } else if (word === 'REFRESH') {
        this.lose = [];
      } else {
        return null;
      }
      return { kind: 'report' };
    }
    if ((m = /^MESSAGE Complexity: .*\| Depth: (\d+)-(\d+) \| Time: (\d+)ms \| Node: (\d+)m$/.exec(line))) {
      this.depth = `${m[1]}-${m[2]}`;
      this.timeMs = Number(m[3]);
      this.nodesMillions = Number(m[4]);
      return { kind: 'report' };
    }
    if ((m = /^MESSAGE Speed: (\d+) \| Evaluation: (-?\d+)/.exec(line))) {
      this.speed = Number(m[1]);
      this.value = clampValue(Number(m[2]));
      return { kind: 'report' };
    }
    if ((m = /^MESSAGE Bestline: (.*)$/.exec(line))) {
      const pv = this.namedLine(m[1]);
      if (pv.length) {
        this.pv = pv;
        this.best = pv[0];
      }
      return { kind: 'report' };
    }
    return null;
  }

  // Nodes per second: exact from the final report, estimated from the node
  // count in millions while the search runs (none below a million).
  nodesPerSecond() {
    if (this.speed !== null) return { value: this.speed * 1000, estimate: false };
    if (this.nodesMillions > 0 && this.timeMs > 0)
      return { value: this.nodesMillions * 1e6 / (this.timeMs / 1000), estimate: true };
    return null;
  }
}
