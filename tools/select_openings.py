#!/usr/bin/env python3
"""Keeps the openings that recorded games have shown to be balanced in play.

The balance search judges an opening by the engine's evaluation; in games
many of those openings still go to one colour nearly every time, and a pair of
games from such an opening (each engine black once) ends 1-1 whatever the
engines' strength, which tells an SPRT nothing. This tool reads games that
selfplay recorded (--record: the winning colour, then the moves, opening
included), finds each game's opening in an openings file, and keeps the
openings whose black score (wins plus half the draws, per game) over at least
--min-games games lies within --low and --high. A game recorded twice (the
same line) counts once. The kept openings are written in the order of the
openings file, after the file's own comment lines and one saying how they
were chosen.

Example:
    tools/select_openings.py --openings tools/openings/standard15.txt \\
        --output tools/openings/standard15_played.txt standard_games/*.txt
"""

import argparse
import sys

RESULTS = {"black": 1.0, "white": 0.0, "draw": 0.5}


class InputError(Exception):
    pass


def read_openings(path):
    """The file's comment lines and its openings, each a tuple of "x,y" moves."""
    comments, openings = [], []
    try:
        with open(path) as f:
            for number, line in enumerate(f, 1):
                text = line.strip()
                if not text:
                    continue
                if text.startswith("#"):
                    comments.append(text)
                    continue
                moves = tuple(text.split())
                if not all(valid_move(m) for m in moves):
                    raise InputError(f"{path}:{number}: not an opening of \"x,y\" moves: {text}")
                openings.append(moves)
    except OSError as e:
        raise InputError(f"cannot read {path}: {e.strerror}")
    if not openings:
        raise InputError(f"{path} holds no opening")
    return comments, openings


def valid_move(text):
    parts = text.split(",")
    return len(parts) == 2 and all(p.isdigit() for p in parts)


def tally(openings, record_paths):
    """Per opening [games, black's points]; also the games counted and those
    no opening matched. Each game goes to the longest opening it begins with."""
    by_moves = {moves: [0, 0.0] for moves in openings}
    lengths = sorted({len(moves) for moves in openings}, reverse=True)
    seen, counted, unmatched = set(), 0, 0
    for path in record_paths:
        try:
            with open(path, errors="replace") as f:
                lines = f.readlines()
        except OSError as e:
            raise InputError(f"cannot read {path}: {e.strerror}")
        for line in lines:
            fields = line.split()
            if len(fields) < 2 or fields[0] not in RESULTS:
                continue
            if line in seen:
                continue
            seen.add(line)
            moves = tuple(fields[1:])
            for n in lengths:
                entry = by_moves.get(moves[:n])
                if entry is not None:
                    entry[0] += 1
                    entry[1] += RESULTS[fields[0]]
                    counted += 1
                    break
            else:
                unmatched += 1
    return by_moves, counted, unmatched


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--openings", required=True, help="the openings file the games were played from")
    parser.add_argument("--min-games", type=int, default=6,
                        help="keep only openings with at least this many recorded games (default 6)")
    parser.add_argument("--low", type=float, default=0.2, help="least black score kept (default 0.2)")
    parser.add_argument("--high", type=float, default=0.8, help="most black score kept (default 0.8)")
    parser.add_argument("--output", help="file to write (default standard output)")
    parser.add_argument("records", nargs="+", help="files of games recorded by selfplay --record")
    args = parser.parse_args(argv)
    if args.min_games < 1:
        parser.error("--min-games must be positive")
    if not 0.0 <= args.low <= args.high <= 1.0:
        parser.error("--low and --high must satisfy 0 <= low <= high <= 1")
    return args


def main(argv):
    args = parse_arguments(argv)
    try:
        comments, openings = read_openings(args.openings)
        by_moves, counted, unmatched = tally(openings, args.records)
    except InputError as e:
        print(f"select_openings.py: {e}", file=sys.stderr)
        return 2
    kept = [moves for moves in openings
            if by_moves[moves][0] >= args.min_games
            and args.low <= by_moves[moves][1] / by_moves[moves][0] <= args.high]
    lines = comments + [
        f"# {len(kept)} of these {len(openings)} openings: those whose black score lay within "
        f"{args.low:g} and {args.high:g} over at least {args.min_games} recorded games each ({counted} games in all; "
        f"tools/select_openings.py --min-games {args.min_games} --low {args.low:g} --high {args.high:g})"
    ] + [" ".join(moves) for moves in kept]
    text = "\n".join(lines) + "\n"
    if args.output:
        try:
            with open(args.output, "w") as f:
                f.write(text)
        except OSError as e:
            print(f"select_openings.py: cannot write {args.output}: {e.strerror}", file=sys.stderr)
            return 2
    else:
        sys.stdout.write(text)
    played = sum(1 for moves in openings if by_moves[moves][0] >= args.min_games)
    print(f"{counted} games counted, {unmatched} from no opening of the file; {played} openings with at least "
          f"{args.min_games} games, {len(kept)} kept (a match of more than {2 * len(kept)} games plays some twice)",
          file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
