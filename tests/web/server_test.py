#!/usr/bin/env python3
"""Tests of olvar-web without a browser: requests it must refuse, an engine
killed in the middle of a think, several sessions at once, expiry and
shutdown.

    server_test.py --server build/olvar-web --engine build/olvar [unittest options]
"""

import argparse
import os
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from web_support import (EventStream, WebServer, is_line, is_move, is_sync,  # noqa: E402
                         process_gone, wait_until)

SERVER = ENGINE = None


class BadRequests(unittest.TestCase):
    """Every malformed or out-of-range request gets a 4xx and a message, and
    nothing reaches the engine."""

    @classmethod
    def setUpClass(cls):
        cls.server = WebServer(SERVER, ENGINE)
        cls.session, _ = cls.server.new_session()
        cls.events = EventStream(cls.server, cls.session)
        status, _ = cls.server.post('new', session=cls.session, size=15, rule=0, tag=1)
        assert status == 200
        cls.events.wait_for(is_sync(1), what='the sync of the new game')

    @classmethod
    def tearDownClass(cls):
        cls.events.close()
        cls.server.stop()

    def refused(self, status, answer, expected_status, words):
        self.assertEqual(status, expected_status, answer)
        self.assertIsInstance(answer, dict, 'the refusal is JSON')
        self.assertIn(words, answer['error'])

    def position(self, **changes):
        params = dict(session=self.session, size=15, moves='7,7', think='move', time=500, tag=2)
        params.update(changes)
        return self.server.post('position', **{k: v for k, v in params.items() if v is not None})

    def test_unknown_paths_and_methods(self):
        self.refused(*self.server.request('GET', '/api/nothing'), 404, 'no such')
        self.refused(*self.server.request('GET', '/../CMakeLists.txt'), 404, 'no such')
        self.refused(*self.server.request('GET', '/board_view.js/x'), 404, 'no such')
        self.refused(*self.server.request('POST', '/api/nothing'), 404, 'no such')
        self.refused(*self.server.request('GET', '/api/position'), 405, 'POST')
        self.refused(*self.server.request('POST', '/index.html'), 405, 'GET')
        status, _ = self.server.request('DELETE', '/api/session')
        self.assertGreaterEqual(status, 400)
        self.assertLess(status, 500)

    def test_sessions_that_do_not_exist(self):
        self.refused(*self.server.post('stop'), 400, 'session is missing')
        self.refused(*self.server.post('stop', session='xyz'), 400, 'hexadecimal')
        self.refused(*self.server.post('stop', session='0' * 32), 404, 'no such session')
        self.refused(*self.server.request('GET', '/api/events?session=' + '0' * 32), 404, 'no such session')

    def test_numbers_out_of_range(self):
        for size in (4, 25, -1, '15x', '', '1e1', 99999999999999):
            self.refused(*self.server.post('new', session=self.session, size=size, rule=0, tag=3), 400, 'size')
        for rule in (3, -1, 'renju'):
            self.refused(*self.server.post('new', session=self.session, size=15, rule=rule, tag=3), 400, 'rule')
        self.refused(*self.server.post('new', session=self.session, size=15, rule=0, tag=-5), 400, 'tag')
        for time in (99, 600001, 'fast'):
            self.refused(*self.position(time=time), 400, 'time')
        self.refused(*self.position(think='none'), 400, 'time goes only with think=move')
        self.refused(*self.position(time=None), 400, 'time is missing')
        for lines in (0, 11):
            self.refused(*self.position(think='analyse', time=None, lines=lines), 400, 'lines')
        self.refused(*self.position(forbid=2), 400, 'forbid')
        self.refused(*self.position(think='ponder'), 400, 'think must be one of')

    def test_points_off_the_board_or_malformed(self):
        self.refused(*self.position(moves='7,7 15,0'), 400, 'off the 15 x 15 board')
        self.refused(*self.position(moves='7,7 3,15'), 400, 'off the 15 x 15 board')
        self.refused(*self.position(moves='7,7 8,8 7,7'), 400, 'given twice')
        self.refused(*self.position(moves='7,7 -1,2'), 400, 'not a point')
        self.refused(*self.position(moves='7,7,1'), 400, 'not a point')
        self.refused(*self.position(moves='7,7\nSTART 5'), 400, 'not a point')
        self.refused(*self.position(blocks='1,1 99,1'), 400, 'blocked point')
        # A board size that is not the session's: the points would mean another board.
        self.refused(*self.position(size=20), 409, 'start a new game')

    def test_parameters_unknown_repeated_or_too_large(self):
        self.refused(*self.position(colour='black'), 400, 'unknown parameter')
        body = f'session={self.session}&session={"0" * 32}'
        self.refused(*self.server.request('POST', '/api/stop', body=body,
                                          headers={'Content-Type': 'application/x-www-form-urlencoded'}),
                     400, 'given twice')
        self.refused(*self.position(moves=' '.join(['7,7'] * 20000)), 413, 'too large')

    def test_other_sites_are_refused(self):
        self.refused(*self.server.request('GET', '/', headers={'Host': 'attacker.example'}), 403, 'answers only')
        self.refused(*self.server.request('POST', '/api/session', headers={'Origin': 'http://attacker.example'}),
                     403, 'other sites')
        status, _ = self.server.request('POST', '/api/session',
                                        headers={'Origin': f'http://{self.server.host}:{self.server.port}'})
        self.assertEqual(status, 200)

    def test_refusals_reach_no_engine_and_the_session_still_works(self):
        before = sum(1 for e in self.events.snapshot() if e['type'] == 'sent')
        self.position(moves='7,7 99,99')
        self.position(time=5)
        self.server.post('new', session=self.session, size=30, rule=0, tag=4)
        # An order that is accepted, then its answer: nothing was sent in between.
        status, _ = self.position(moves='7,7', tag=5)
        self.assertEqual(status, 200)
        start = self.events.wait_for(is_sync(5), what='the sync of the good order')
        sent = [e['data'] for e in self.events.snapshot()[:start] if e['type'] == 'sent']
        self.assertEqual(sent[before:before + 2], ['ovstop', 'ABOUT'], 'the good order comes right after')
        self.events.wait_for(is_move, start, what="the engine's move")
        status, page = self.server.request('GET', '/')
        self.assertEqual(status, 200)
        self.assertIn('<svg id="board"', page)


class EngineDeath(unittest.TestCase):
    """An engine that dies is started again and the page is told."""

    def test_engine_killed_during_a_think_is_restarted(self):
        server = WebServer(SERVER, ENGINE)
        try:
            session, pid = server.new_session()
            events = EventStream(server, session)
            self.assertEqual(server.post('new', session=session, size=20, rule=2, tag=1)[0], 200)
            # An analysis runs until stopped: the engine is surely thinking.
            status, _ = server.post('position', session=session, size=20, moves='10,10 9,9', think='analyse', tag=2)
            self.assertEqual(status, 200)
            start = events.wait_for(is_sync(2), what='the sync of the analysis')
            events.wait_for(is_line('MESSAGE DETAIL'), start, what='a line of the search')
            os.kill(pid, signal.SIGKILL)
            at = events.wait_for(lambda e: e['type'] == 'restarted', start, what='the restarted event')
            restarted = events.event(at)
            self.assertIn('killed by signal 9', restarted['data'])
            new_pid = int(restarted['data'].split('"engine":')[1].split(',')[0])
            self.assertNotEqual(new_pid, pid)
            wait_until(lambda: process_gone(pid), what='the killed engine to be reaped')
            # The new engine was given the session's rule and board before the event.
            sent = [e['data'] for e in events.snapshot()[start:at] if e['type'] == 'sent']
            self.assertEqual(sent[-2:], ['INFO rule 2', 'START 20'])
            # The page sends its position again; the new engine answers it.
            status, _ = server.post('position', session=session, size=20, moves='10,10 9,9', think='move',
                                    time=300, tag=3)
            self.assertEqual(status, 200)
            synced = events.wait_for(is_sync(3), at, what='the sync after the restart')
            move = events.event(events.wait_for(is_move, synced, what="the new engine's move"))
            x, y = map(int, move['data'].split(','))
            self.assertTrue(0 <= x < 20 and 0 <= y < 20)
            events.close()
        finally:
            self.assertEqual(server.stop(), 0)

    def test_engine_that_cannot_run_ends_the_session(self):
        server = WebServer(SERVER, '/bin/false')
        try:
            session, _ = server.new_session()
            events = EventStream(server, session)
            at = events.wait_for(lambda e: e['type'] == 'failed', what='the failed event')
            self.assertIn('not started again', events.event(at)['data'])
            self.assertTrue(events.wait_end(), 'the stream ends')
            wait_until(lambda: server.post('stop', session=session)[0] == 404,
                       what='the session to be forgotten')
            status, page = server.request('GET', '/')
            self.assertEqual(status, 200)
            events.close()
        finally:
            self.assertEqual(server.stop(), 0)


    def test_a_page_that_connects_after_the_failure_still_hears_of_it(self):
        server = WebServer(SERVER, '/bin/false')
        try:
            session, _ = server.new_session()
            # The engine fails at once, and the session takes no more orders...
            wait_until(lambda: server.post('stop', session=session)[0] == 404, what='the session to fail')
            # ...but a stream opened after a few rounds of the server's expiry
            # (half a second each) still gets the log, failure included.
            time.sleep(1.5)
            events = EventStream(server, session)
            at = events.wait_for(lambda e: e['type'] == 'failed', what='the failed event')
            self.assertEqual(events.status, 200)
            self.assertIn('not started again', events.event(at)['data'])
            self.assertTrue(events.wait_end(), 'the stream ends')
            events.close()

            # Some seconds later the session is forgotten.
            def refused():
                time.sleep(0.5)
                late = EventStream(server, session)
                late.wait_end()
                late.close()
                return late.status == 404
            wait_until(refused, what='the failed session to be forgotten')
        finally:
            self.assertEqual(server.stop(), 0)


class Sessions(unittest.TestCase):
    """Pages open at once each drive an engine of their own."""

    def test_two_sessions_think_at_once_without_mixing(self):
        server = WebServer(SERVER, ENGINE)
        try:
            (a, pid_a), (b, pid_b) = server.new_session(), server.new_session()
            self.assertNotEqual(a, b)
            self.assertNotEqual(pid_a, pid_b)
            events_a, events_b = EventStream(server, a), EventStream(server, b)
            self.assertEqual(server.post('new', session=a, size=15, rule=0, tag=10)[0], 200)
            self.assertEqual(server.post('new', session=b, size=20, rule=2, tag=20)[0], 200)
            # Both think at the same time, on different boards.
            self.assertEqual(server.post('position', session=a, size=15, moves='0,0 14,14 0,1', think='move',
                                         time=500, tag=11)[0], 200)
            self.assertEqual(server.post('position', session=b, size=20, moves='19,19 10,10 19,18', think='move',
                                         time=500, tag=21)[0], 200)
            for events, tag, size in ((events_a, 11, 15), (events_b, 21, 20)):
                start = events.wait_for(is_sync(tag), what=f'the sync {tag}')
                move = events.event(events.wait_for(is_move, start, what='a move'))['data']
                x, y = map(int, move.split(','))
                self.assertTrue(x < size and y < size, move)
            # Each stream holds its own session's orders and answers only.
            for events, own, other in ((events_a, ('10', '11'), ('20', '21')), (events_b, ('20', '21'), ('10', '11'))):
                syncs = [e['data'] for e in events.snapshot() if e['type'] == 'sync']
                self.assertEqual(syncs, list(own))
                self.assertFalse(set(syncs) & set(other))
            sent_a = [e['data'] for e in events_a.snapshot() if e['type'] == 'sent']
            sent_b = [e['data'] for e in events_b.snapshot() if e['type'] == 'sent']
            self.assertIn('START 15', sent_a)
            self.assertNotIn('START 20', sent_a)
            self.assertIn('START 20', sent_b)
            self.assertNotIn('0,0,1', sent_b)
            # An order for one session does not go to the other.
            self.assertEqual(server.post('stop', session=a)[0], 200)
            self.assertEqual(sent_b, [e['data'] for e in events_b.snapshot() if e['type'] == 'sent'])
            events_a.close()
            events_b.close()
        finally:
            self.assertEqual(server.stop(), 0)

    def test_limit_close_and_expiry(self):
        server = WebServer(SERVER, ENGINE, '--max-sessions', '2', '--idle-seconds', '2')
        try:
            a, pid_a = server.new_session()
            b, pid_b = server.new_session()
            events_b = EventStream(server, b)
            status, answer = server.post('session')
            self.assertEqual(status, 503)
            self.assertIn('all 2 engine sessions are in use', answer['error'])
            # Closing a session ends its engine and frees its place.
            self.assertEqual(server.post('close', session=b)[0], 200)
            self.assertTrue(events_b.wait_end(), 'the closed session ends its stream')
            wait_until(lambda: process_gone(pid_b), what='the closed engine to end')
            c, pid_c = server.new_session()
            # a has had no stream and no order: it expires and its engine ends;
            # c keeps a stream open and stays.
            events_c = EventStream(server, c)
            wait_until(lambda: process_gone(pid_a), what='the idle session to expire')
            self.assertEqual(server.post('stop', session=a)[0], 404)
            self.assertEqual(server.post('stop', session=c)[0], 200)
            self.assertFalse(process_gone(pid_c))
            events_b.close()
            events_c.close()
        finally:
            self.assertEqual(server.stop(), 0)

    def test_stopping_the_server_ends_its_engines(self):
        server = WebServer(SERVER, ENGINE)
        session, pid = server.new_session()
        events = EventStream(server, session)
        server.post('position', session=session, size=15, moves='7,7', think='analyse', tag=1)
        events.wait_for(is_sync(1), what='the sync of the analysis')
        self.assertEqual(server.stop(), 0)
        wait_until(lambda: process_gone(pid), what='the engine to end with the server')
        events.close()


def main():
    global SERVER, ENGINE
    parser = argparse.ArgumentParser()
    parser.add_argument('--server', required=True)
    parser.add_argument('--engine', required=True)
    options, rest = parser.parse_known_args()
    SERVER, ENGINE = options.server, options.engine
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == '__main__':
    main()
