#!/usr/bin/env python3
"""The web board in a real browser (headless Chromium through Selenium):
playing the engine by clicking points, an analysis, Renju forbidden points,
a winning five, and a screenshot of the page in analysis.

    browser_test.py --server build/olvar-web --engine build/olvar [--screenshot FILE]

The README's picture, docs/web-board.png, is the screenshot of this test.

Exits 77 (skipped) when Chromium, its driver or Selenium is not installed
(Debian: chromium, chromium-driver, python3-selenium).
"""

import argparse
import os
import re
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from web_support import WebServer, wait_until  # noqa: E402

SKIP = 77
SERVER = ENGINE = SCREENSHOT = None

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import Select
except ImportError:
    webdriver = None


def find_browser():
    """The Chromium and driver programs, or a reason why there are none."""
    if webdriver is None:
        return None, None, 'the Python module selenium is missing (Debian: python3-selenium)'
    browser = shutil.which('chromium') or shutil.which('chromium-browser')
    driver = shutil.which('chromedriver')
    if not browser:
        return None, None, 'chromium is missing (Debian: chromium)'
    if not driver:
        return None, None, 'chromedriver is missing (Debian: chromium-driver)'
    return browser, driver, None


class WebBoard(unittest.TestCase):
    """One server and one browser for the whole class; each test begins with
    a new game of its own."""

    @classmethod
    def setUpClass(cls):
        browser, driver, _ = find_browser()
        cls.server = WebServer(SERVER, ENGINE)
        options = webdriver.ChromeOptions()
        options.binary_location = browser
        for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                         '--window-size=1240,1000', '--hide-scrollbars'):
            options.add_argument(argument)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        try:
            cls.driver = webdriver.Chrome(service=Service(driver), options=options)
        except Exception:
            cls.server.stop()
            raise
        cls.driver.get(cls.server.url)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.stop()

    # ---- helpers ----

    def css(self, selector):
        return self.driver.find_elements(By.CSS_SELECTOR, selector)

    def text(self, element_id):
        return self.driver.find_element(By.ID, element_id).text

    def wait(self, condition, what):
        try:
            return wait_until(condition, what=what)
        except AssertionError:
            self.report_browser()
            raise

    def report_browser(self):
        for entry in self.driver.get_log('browser'):
            print('browser:', entry.get('message'), file=sys.stderr)
        print('status:', self.text('status'), '| notice:', self.text('notice'), file=sys.stderr)

    def marks(self, selector):
        """The board's drawn elements that match, read at one moment (the
        board is redrawn as the engine reports): [{classes, x, y, text}]."""
        return self.driver.execute_script(
            'return Array.from(document.querySelectorAll(arguments[0])).map(e => ({'
            'classes: e.getAttribute("class").split(" "), x: Number(e.dataset.x), y: Number(e.dataset.y),'
            'text: e.textContent}));', selector)

    def points(self, selector):
        return [(m['x'], m['y']) for m in self.marks(selector)]

    def stones(self):
        """The stones on the board (not the ghosts of a line): {(x, y): 'black' or 'white'}."""
        return {(m['x'], m['y']): 'black' if 'black' in m['classes'] else 'white'
                for m in self.marks('#board circle.stone:not(.ghost)')}

    def ranking(self):
        """The rows of the n-best table, as lists of their cells' texts."""
        return self.driver.execute_script(
            'return Array.from(document.querySelectorAll("#nbest tbody tr")).map('
            'r => Array.from(r.cells).map(c => c.textContent));')

    def click_point(self, x, y):
        self.css(f'#board rect.hit[data-x="{x}"][data-y="{y}"]')[0].click()

    def free_point_near_centre(self, size=15):
        taken = self.stones()
        centre = size // 2
        points = sorted(((x, y) for x in range(size) for y in range(size)),
                        key=lambda p: (abs(p[0] - centre) + abs(p[1] - centre), p))
        return next(p for p in points if p not in taken)

    def choose(self, element_id, value):
        Select(self.driver.find_element(By.ID, element_id)).select_by_value(value)

    def set_number(self, element_id, value):
        field = self.driver.find_element(By.ID, element_id)
        field.clear()
        field.send_keys(str(value))

    def set_mode(self, mode):
        self.css(f'input[name=mode][value={mode}]')[0].click()

    def new_game(self, rule='0', human='1'):
        self.wait(lambda: self.driver.find_element(By.TAG_NAME, 'body').get_attribute('data-phase') == 'ready',
                  'the page to get its session')
        self.set_mode('play')
        self.choose('size', '15')
        self.choose('human', human)
        self.choose('rule', rule)
        self.driver.find_element(By.ID, 'new-game').click()
        self.wait(lambda: not self.stones() or human == '2', 'an empty board')

    def set_position(self, moves):
        field = self.driver.find_element(By.ID, 'move-list')
        field.clear()
        field.send_keys(moves)
        self.driver.find_element(By.ID, 'load').click()

    # ---- tests ----

    def test_1_play_the_engine_by_clicking(self):
        self.new_game()
        self.set_number('move-time', '0.3')
        for turn in range(1, 4):
            x, y = self.free_point_near_centre()
            self.click_point(x, y)
            # The engine's reply appears as a white stone.
            stones = self.wait(lambda: len(self.stones()) == 2 * turn and self.stones(),
                               f"the engine's reply to move {turn}")
            self.assertEqual(stones[(x, y)], 'black')
            self.assertEqual(sum(1 for c in stones.values() if c == 'white'), turn)
        # The last move is marked, and it is the engine's white stone.
        marked = self.points('#board circle.last-move')
        self.assertEqual(len(marked), 1)
        last = marked[0]
        self.assertEqual(self.stones()[last], 'white')
        self.assertIn('Your move', self.text('status'))
        # Undo takes back the engine's move and the player's.
        self.driver.find_element(By.ID, 'undo').click()
        self.wait(lambda: len(self.stones()) == 4, 'the position after undo')
        self.assertNotIn(last, self.stones())
        # The position as a move list, copied out.
        self.driver.find_element(By.ID, 'copy').click()
        copied = self.driver.find_element(By.ID, 'move-list').get_attribute('value').split()
        self.assertEqual(len(copied), 4)
        self.assertEqual(set(tuple(map(int, m.split(','))) for m in copied), set(self.stones()))

    def test_2_analysis_shows_best_move_line_and_ranking(self):
        self.new_game()
        self.set_position('7,7 6,8 8,8 6,6 6,7 8,6')
        self.wait(lambda: len(self.stones()) == 6, 'the set position')
        # One line: the engine's own search, with its best move on the board.
        self.set_number('lines', '1')
        self.set_mode('analyse')
        self.wait(lambda: self.points('#board circle.best'), 'the best move marked')
        self.wait(lambda: self.text('depth') not in ('', '–'), 'the depth shown')
        self.driver.find_element(By.ID, 'stop').click()
        self.wait(lambda: len(self.points('#board circle.ghost')) >= 2, 'the line as ghost stones')
        self.wait(lambda: self.driver.find_element(By.TAG_NAME, 'body').get_attribute('data-thinking') == 'no',
                  'the analysis to end')
        self.assertRegex(self.text('eval-value'), r'^([+-]?\d+ for (Black|White)|(Black|White) wins)$')
        # A figure, or what the page says while the node count is below a million.
        self.assertRegex(self.text('speed'), r'^(≈ )?[\d,]+$|^under a million nodes so far$')
        numbers = [m['text'] for m in self.marks('#board text.ghost-number')]
        self.assertEqual(numbers[:2], ['1', '2'])
        self.assertEqual(self.points('#board circle.best'), self.points('#board circle.ghost')[:1])
        # Three lines: the n-best ranking, each with its value and, once
        # stopped, its line.
        self.set_number('lines', '3')
        self.driver.find_element(By.ID, 'analyse').click()
        self.wait(lambda: len(self.ranking()) == 3, 'three ranked moves')
        self.wait(lambda: self.points('#board circle.candidate'), 'the candidates marked')
        # The speed shows once the search has passed a million nodes.
        self.wait(lambda: re.search(r'\d', self.text('speed')), 'the nodes per second')
        self.driver.find_element(By.ID, 'stop').click()
        self.wait(lambda: len(self.ranking()) == 3 and all(row[3] for row in self.ranking()),
                  'the ranked moves with their lines')
        self.wait(lambda: len(self.points('#board circle.ghost')) >= 2, 'the first line as ghost stones')
        for cells in self.ranking():
            self.assertRegex(cells[1], r'^[A-O]\d+$')
            self.assertRegex(cells[2], r'\d|wins')
        self.assertTrue(self.driver.save_screenshot(SCREENSHOT))
        self.assertGreater(os.path.getsize(SCREENSHOT), 10000)

    def test_3_renju_forbidden_points(self):
        self.new_game(rule='2')
        # Black to move; 7,7 would make two open threes at once.
        self.set_position('7,5 0,0 7,6 0,14 5,7 14,0 6,7 14,14')
        self.wait(lambda: (7, 7) in self.points('#board g.forbid'), 'the forbidden point marked')
        self.assertIn('H8', self.text('forbidden-note'))
        # Black may not play it.
        self.click_point(7, 7)
        self.wait(lambda: 'forbidden' in self.text('notice'), 'the refusal')
        self.assertNotIn((7, 7), self.stones())
        # Under free-style the same point is allowed: no marks.
        self.choose('rule', '0')
        self.wait(lambda: not self.points('#board g.forbid'), 'no forbidden points outside Renju')

    def test_4_a_winning_five_is_marked(self):
        self.new_game()
        self.set_position('7,3 0,0 7,4 0,2 7,5 0,4 7,6 0,6 7,7')
        self.wait(lambda: len(self.points('#board circle.five')) == 5, 'the five marked')
        self.assertIn('Black wins', self.text('status'))
        self.assertEqual(set(self.points('#board circle.five')), {(7, y) for y in range(3, 8)})

    def test_5_the_page_wrote_no_errors(self):
        # Everything above ran without a script error or a failed request.
        errors = [e['message'] for e in self.driver.get_log('browser') if e.get('level') == 'SEVERE']
        self.assertEqual(errors, [])


def main():
    global SERVER, ENGINE, SCREENSHOT
    parser = argparse.ArgumentParser()
    parser.add_argument('--server', required=True)
    parser.add_argument('--engine', required=True)
    parser.add_argument('--screenshot', default=os.path.join(tempfile.gettempdir(), 'olvar-web-board.png'),
                        help='where the picture of the page in analysis goes')
    options, rest = parser.parse_known_args()
    SERVER, ENGINE, SCREENSHOT = options.server, options.engine, options.screenshot
    _, _, missing = find_browser()
    if missing:
        print(f'SKIPPED: no browser test: {missing}')
        sys.exit(SKIP)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == '__main__':
    main()
