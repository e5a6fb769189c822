#!/usr/bin/env python3
"""Tests of tools/select_openings.py, and of the selected openings files kept
beside the full ones in tools/openings/.

    select_openings_test.py [unittest options]
"""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOL = os.path.join(ROOT, "tools", "select_openings.py")
OPENINGS = os.path.join(ROOT, "tools", "openings")

# A at 7,7 8,8 and D that begins with it; B, C, E and F elsewhere.
A = "7,7 8,8"
D = "7,7 8,8 6,6"
B = "1,1 2,2 3,3"
C = "4,4 5,5"
E = "10,10 11,11"
F = "12,12 13,13"


def game(winner, opening, *more):
    return " ".join([winner, opening] + list(more))


class Selection(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def write(self, name, lines):
        path = os.path.join(self.dir.name, name)
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
        return path

    def run_tool(self, *args):
        return subprocess.run([sys.executable, TOOL] + list(args), capture_output=True, text=True)

    def kept(self, result):
        self.assertEqual(result.returncode, 0, result.stderr)
        return [line for line in result.stdout.splitlines() if not line.startswith("#")]

    def test_keeps_the_openings_balanced_in_play(self):
        openings = self.write("openings.txt", ["# made by hand", A, B, C, D, E, F])
        games = []
        # A: 3 black wins, 3 white wins, each game ending differently.
        games += [game("black", A, f"9,{i}") for i in range(3)] + [game("white", A, f"10,{i}") for i in range(3)]
        # D begins with A's stones: its games are D's, not A's. All black: dropped.
        games += [game("black", D, f"9,{i}") for i in range(6)]
        # B: black wins 5 of 6, a score of 0.83: dropped.
        games += [game("black", B, f"9,{i}") for i in range(5)] + [game("white", B, "9,9")]
        # C: even but only 4 games: dropped.
        games += [game("black", C, f"9,{i}") for i in range(2)] + [game("white", C, f"9,{i}") for i in range(2, 4)]
        # E: 5 different games, one of them recorded three times: still 5, dropped.
        games += [game("white", E, f"9,{i}") for i in range(2)] + [game("black", E, f"9,{i}") for i in range(2, 5)]
        games += [game("black", E, "9,4")] * 2
        # F: six draws, a score of one half: kept.
        games += [game("draw", F, f"9,{i}") for i in range(6)]
        # A game of no opening of the file counts nowhere.
        games += [game("black", "0,0 0,1", "0,2")]
        first = self.write("games1.txt", games[:20])
        second = self.write("games2.txt", games[20:] + ["a line that is no game"])
        result = self.run_tool("--openings", openings, first, second)
        self.assertEqual(self.kept(result), [A, F])
        self.assertIn("1 from no opening", result.stderr)
        comments = [line for line in result.stdout.splitlines() if line.startswith("#")]
        self.assertEqual(comments[0], "# made by hand")
        self.assertIn("2 of these 6 openings", comments[1])

        # Narrower bounds or more games asked for drop the even ones too.
        self.assertEqual(self.kept(self.run_tool("--openings", openings, "--low", "0.6", first, second)), [])
        self.assertEqual(self.kept(self.run_tool("--openings", openings, "--min-games", "7", first, second)), [])
        # Wider ones keep B (0.83), C (four games) and E (five).
        wide = self.run_tool("--openings", openings, "--high", "0.9", "--min-games", "4", first, second)
        self.assertEqual(self.kept(wide), [A, B, C, E, F])

    def test_output_file(self):
        openings = self.write("openings.txt", [A, B])
        games = self.write("games.txt", [game("draw", A, f"9,{i}") for i in range(6)])
        output = os.path.join(self.dir.name, "out.txt")
        result = self.run_tool("--openings", openings, "--output", output, games)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, "")
        with open(output) as f:
            self.assertEqual([line.strip() for line in f if not line.startswith("#")], [A])

    def test_unusable_input_is_refused(self):
        openings = self.write("openings.txt", [A])
        games = self.write("games.txt", [game("black", A)])
        bad = self.write("bad.txt", ["7,7 eight"])
        empty = self.write("empty.txt", ["# nothing"])
        for args, words in (
            (["--openings", os.path.join(self.dir.name, "missing.txt"), games], "cannot read"),
            (["--openings", openings, os.path.join(self.dir.name, "missing.txt")], "cannot read"),
            (["--openings", bad, games], "not an opening"),
            (["--openings", empty, games], "holds no opening"),
            (["--openings", openings, "--low", "0.7", "--high", "0.3", games], "--low and --high"),
            (["--openings", openings, "--min-games", "0", games], "--min-games"),
            (["--openings", openings], "records"),
        ):
            result = self.run_tool(*args)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn(words, result.stderr, args)
            self.assertEqual(result.stdout, "", args)


class KeptFiles(unittest.TestCase):
    """Each selected file holds openings of its full file, in its order, each once."""

    def test_selected_files_are_subsets_of_their_files(self):
        for rule in ("freestyle", "standard", "renju"):
            with self.subTest(rule=rule):
                def openings(name):
                    with open(os.path.join(OPENINGS, name)) as f:
                        return [line.strip() for line in f if line.strip() and not line.startswith("#")]
                full, selected = openings(f"{rule}15.txt"), openings(f"{rule}15_played.txt")
                self.assertGreaterEqual(len(selected), 100)
                positions = [full.index(line) for line in selected]
                self.assertEqual(positions, sorted(set(positions)))


if __name__ == "__main__":
    unittest.main()
