#!/usr/bin/env python3
"""Makes balanced openings for engine matches with the engine's own balance search.

Each opening starts from a seed of a few stones put at random near the centre
(black first, colours alternating); the engine is then asked through the
protocol (ovboard, then ovbalanceone) for the stone of the side to move that
leaves the position closest to even, and that stone ends the opening. An
opening is kept when the balance search found a position within
--max-distance of even, its stone stands within two rows and columns of a
seed stone, and no opening kept before is the same position under one of the
board's 8 symmetries. The searches have a node budget rather than a time
limit, so the same arguments and engine make the same openings on any machine.

The openings are written one per line as "x,y x,y ..." in played order, the
format of selfplay --openings, after a comment line saying how they were made.

Example:
    tools/make_openings.py --rule 2 --count 300 --seed 3 > tools/openings/renju15.txt
"""

import argparse
import os
import random
import re
import select
import subprocess
import sys
import time

RULE_NAMES = {0: "free-style", 1: "standard", 2: "Renju"}


class EngineError(Exception):
    pass


class Engine:
    """An engine process spoken to one line at a time."""

    def __init__(self, path):
        try:
            self.process = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
        except OSError as e:
            raise EngineError(f"cannot start the engine {path}: {e.strerror}")
        self.pending = b""

    def send(self, line):
        try:
            self.process.stdin.write((line + "\n").encode())
        except BrokenPipeError:
            raise EngineError("the engine has exited")

    def read_line(self, timeout):
        deadline = time.monotonic() + timeout
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0:
                raise EngineError(f"no answer from the engine within {timeout:.0f} s")
            ready, _, _ = select.select([self.process.stdout], [], [], left)
            if not ready:
                continue
            chunk = os.read(self.process.stdout.fileno(), 4096)
            if not chunk:
                raise EngineError("the engine has exited")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode(errors="replace").rstrip("\r")

    def close(self):
        try:
            self.send("END")
            self.process.wait(timeout=5)
        except (EngineError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()


BALANCE_LINE = re.compile(r"MESSAGE DETAIL \(BALANCE\) .*\|VAL[+-]\d+\|:(\d+) .*\[(\d+),([A-Z])\]\s*$")


def balance_stone(engine, size, stones, turn_ms):
    """The engine's balancing stone for the side to move after stones, as
    (distance from even, (x, y)), or None when it gives none."""
    to_move = len(stones) % 2  # 0 black, 1 white
    engine.send("ovboard")
    for i, (x, y) in enumerate(stones):
        engine.send(f"{x},{y},{1 if i % 2 == to_move else 2}")
    engine.send("DONE")
    engine.send("ovbalanceone 0")
    while True:
        line = engine.read_line(turn_ms / 1000 + 30)
        if line.startswith("ERROR"):
            return None
        match = BALANCE_LINE.match(line)
        if match:
            # Points in DETAIL lines are the row counted from the bottom and the column letter.
            row, column = int(match.group(2)), ord(match.group(3)) - ord("A")
            return int(match.group(1)), (size - row, column)


def symmetries(size):
    n = size - 1
    return [
        lambda x, y: (x, y), lambda x, y: (y, n - x), lambda x, y: (n - x, n - y), lambda x, y: (n - y, x),
        lambda x, y: (x, n - y), lambda x, y: (n - x, y), lambda x, y: (y, x), lambda x, y: (n - y, n - x),
    ]


def canonical(stones, size):
    """The same key for every position that one of the board's symmetries maps to another."""
    keys = []
    for f in symmetries(size):
        keys.append(tuple(sorted((i % 2, *f(x, y)) for i, (x, y) in enumerate(stones))))
    return min(keys)


def random_seed(rng, size, stones, radius):
    """Stones within radius of the centre, each after the first within two
    rows and columns of one put before it, so that they stand together as in
    a game's opening."""
    centre = size // 2
    seed = []
    while len(seed) < stones:
        if seed:
            near = rng.choice(seed)
            point = (near[0] + rng.randint(-2, 2), near[1] + rng.randint(-2, 2))
        else:
            point = (centre + rng.randint(-1, 1), centre + rng.randint(-1, 1))
        if point not in seed and max(abs(point[0] - centre), abs(point[1] - centre)) <= radius:
            seed.append(point)
    return seed


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--engine", default="build/olvar", help="engine executable (default build/olvar)")
    parser.add_argument("--rule", type=int, choices=[0, 1, 2], default=0,
                        help="0 free-style, 1 standard, 2 Renju (default 0)")
    parser.add_argument("--size", type=int, default=15, help="board size, 5 to 24 (default 15)")
    parser.add_argument("--count", type=int, default=200, help="openings to make (default 200)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the random stones (default 1)")
    parser.add_argument("--nodes", type=int, default=100,
                        help="INFO max_node: each balance search's budget in units of 1024 nodes (default 100)")
    parser.add_argument("--turn", type=int, default=20000,
                        help="INFO timeout_turn, ms: a backstop, well above what the node budget takes (default 20000)")
    parser.add_argument("--min-stones", type=int, default=2, help="fewest random stones before the balancing one (default 2)")
    parser.add_argument("--max-stones", type=int, default=4, help="most random stones (default 4)")
    parser.add_argument("--radius", type=int, default=3,
                        help="random stones within this many rows and columns of the centre (default 3)")
    parser.add_argument("--max-distance", type=int, default=50,
                        help="keep an opening when its balanced value is at most this far from even (default 60)")
    parser.add_argument("--hash", type=int, default=16384, help="INFO hash_size of the engine (default 16384)")
    parser.add_argument("--output", help="file to write (default standard output)")
    args = parser.parse_args()
    if not 5 <= args.size <= 24:
        parser.error("--size must be from 5 to 24")
    if args.count < 1 or args.nodes < 1 or args.turn < 1 or args.hash < 1:
        parser.error("--count, --nodes, --turn and --hash must be positive")
    if not 1 <= args.min_stones <= args.max_stones <= 8:
        parser.error("--min-stones and --max-stones must satisfy 1 <= min <= max <= 8")
    if not 0 <= args.radius or 2 * args.radius + 1 > args.size:
        parser.error("--radius must be from 0 to (size - 1) / 2")
    if (2 * args.radius + 1) ** 2 < args.max_stones:
        parser.error("--radius is too small for --max-stones stones")
    if args.max_distance < 0:
        parser.error("--max-distance must not be negative")
    if not (os.path.isfile(args.engine) and os.access(args.engine, os.X_OK)):
        parser.error(f"the engine {args.engine} is not an executable file")
    return args


def make_openings(args):
    rng = random.Random(args.seed)
    engine = Engine(args.engine)
    try:
        for line in (f"INFO timeout_turn {args.turn}", f"INFO max_node {args.nodes}", f"INFO rule {args.rule}",
                     f"INFO hash_size {args.hash}", f"START {args.size}"):
            engine.send(line)
        for _ in range(2):
            line = engine.read_line(30)
            if line.startswith("ERROR"):
                raise EngineError(f"the engine refused START {args.size}: {line}")
        openings, seen, tried, tries = [], set(), set(), 0
        while len(openings) < args.count:
            tries += 1
            if tries > 50 * args.count:
                raise EngineError(f"only {len(openings)} openings after {tries - 1} tries: "
                                  "allow more --max-distance or a larger --radius")
            seed = random_seed(rng, args.size, rng.randint(args.min_stones, args.max_stones), args.radius)
            if canonical(seed, args.size) in tried:
                continue
            tried.add(canonical(seed, args.size))
            answer = balance_stone(engine, args.size, seed, args.turn)
            if answer is None:
                continue
            distance, (x, y) = answer
            # A stone away from the others would balance the position by
            # giving up a move, which makes no opening worth playing.
            if distance > args.max_distance or all(max(abs(x - a), abs(y - b)) > 2 for a, b in seed):
                continue
            opening = seed + [(x, y)]
            key = canonical(opening, args.size)
            if key in seen:
                continue
            seen.add(key)
            openings.append(opening)
            print(f"\r{len(openings)}/{args.count} openings, {tries} tries", end="", file=sys.stderr, flush=True)
        print(file=sys.stderr)
        return openings
    finally:
        engine.close()


def main():
    args = parse_arguments()
    command = ["tools/make_openings.py", "--rule", str(args.rule), "--size", str(args.size), "--count",
               str(args.count), "--seed", str(args.seed), "--nodes", str(args.nodes), "--min-stones",
               str(args.min_stones), "--max-stones", str(args.max_stones), "--radius", str(args.radius),
               "--max-distance", str(args.max_distance)]
    try:
        openings = make_openings(args)
    except EngineError as e:
        sys.exit(f"make_openings: {e}")
    text = [f"# {RULE_NAMES[args.rule]} {args.size}x{args.size}: {len(openings)} openings balanced by the engine, "
            f"made by {' '.join(command)}"]
    text += [" ".join(f"{x},{y}" for x, y in opening) for opening in openings]
    if args.output:
        with open(args.output, "w") as f:
            f.write("\n".join(text) + "\n")
    else:
        print("\n".join(text))


if __name__ == "__main__":
    main()
