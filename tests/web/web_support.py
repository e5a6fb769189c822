"""Shared pieces of the web board tests: starting the server, HTTP requests,
and reading a session's event stream."""

import http.client
import json
import os
import signal
import socket
import subprocess
import threading
import time
import urllib.parse

# Waits are for conditions, never measured: generous, so that a loaded
# machine (or a sanitizer build) only makes the tests slower.
PATIENCE = 120


def wait_until(condition, timeout=PATIENCE, what='the condition'):
    """Polls condition until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f'timed out waiting for {what}')
        time.sleep(0.05)


def process_gone(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return True
    # A zombie is gone too: it only waits for its parent to read its status.
    try:
        with open(f'/proc/{pid}/stat') as f:
            return f.read().split(') ')[1].startswith('Z')
    except OSError:
        return True


class WebServer:
    """build/olvar-web on a free port, with the given extra arguments."""

    def __init__(self, server, engine, *arguments):
        self.process = subprocess.Popen(
            [server, '--port', '0', '--engine', engine, '--engine-memory', '64', *arguments],
            stdout=subprocess.PIPE, text=True)
        first = self.process.stdout.readline()
        if 'http://' not in first:
            self.process.kill()
            raise AssertionError(f'the server did not start: {first!r}')
        self.url = first.split(': ', 1)[1].strip()
        parsed = urllib.parse.urlparse(self.url)
        self.host, self.port = parsed.hostname, parsed.port
        # The rest of its output is not needed, but must not fill the pipe.
        self.reader_thread = threading.Thread(target=self.process.stdout.read, daemon=True)
        self.reader_thread.start()

    def stop(self):
        """Stops it as Ctrl-C would; returns its exit status."""
        try:
            if self.process.poll() is None:
                self.process.send_signal(signal.SIGINT)
                try:
                    self.process.wait(PATIENCE)
                except subprocess.TimeoutExpired:
                    self.process.kill()
                    self.process.wait()
                    raise AssertionError('the server did not stop on SIGINT')
            return self.process.returncode
        finally:
            self.reader_thread.join(PATIENCE)
            self.process.stdout.close()

    def request(self, method, path, params=None, body=None, headers=None):
        """Returns (status, decoded JSON or text)."""
        connection = http.client.HTTPConnection(self.host, self.port, timeout=PATIENCE)
        all_headers = {'Host': f'{self.host}:{self.port}'}
        if params is not None:
            body = urllib.parse.urlencode(params)
            all_headers['Content-Type'] = 'application/x-www-form-urlencoded'
        if body is None and method == 'POST':
            body = ''
        all_headers.update(headers or {})
        connection.request(method, path, body=body, headers=all_headers)
        answer = connection.getresponse()
        data = answer.read().decode('utf-8', 'replace')
        connection.close()
        if answer.getheader('Content-Type', '').startswith('application/json'):
            data = json.loads(data)
        return answer.status, data

    def post(self, operation, **params):
        return self.request('POST', f'/api/{operation}', params=params)

    def new_session(self):
        status, answer = self.post('session')
        if status != 200:
            raise AssertionError(f'no session: {status} {answer}')
        return answer['session'], answer['engine']


class EventStream:
    """Reads one session's Server-Sent Events in a thread of its own."""

    def __init__(self, server, session):
        self.events = []
        self.ended = False
        self.changed = threading.Condition()
        self.sock = socket.create_connection((server.host, server.port), timeout=PATIENCE)
        self.sock.sendall((f'GET /api/events?session={session} HTTP/1.1\r\n'
                           f'Host: {server.host}:{server.port}\r\nAccept: text/event-stream\r\n\r\n').encode())
        self.status = None
        self.reader = self.sock.makefile('rb')
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        reader = self.reader
        try:
            self.status = int(reader.readline().split()[1])
            while reader.readline() not in (b'\r\n', b'\n', b''):
                pass
            if self.status != 200:
                raise ValueError('refused')
            chunked_text = b''
            current = {}
            while True:
                # The body is chunked: a size line, the chunk, CR LF.
                size_line = reader.readline()
                if not size_line:
                    break
                size = int(size_line.strip() or b'0', 16)
                if size == 0:
                    break
                chunked_text += reader.read(size)
                reader.readline()
                while b'\n' in chunked_text:
                    line, chunked_text = chunked_text.split(b'\n', 1)
                    line = line.decode('utf-8', 'replace')
                    if line == '':
                        if 'type' in current:
                            with self.changed:
                                self.events.append(current)
                                self.changed.notify_all()
                        current = {}
                    elif line.startswith(':'):
                        pass
                    else:
                        key, _, value = line.partition(': ')
                        if key == 'event':
                            current['type'] = value
                        elif key in ('id', 'data'):
                            current[key] = value
        except (OSError, ValueError, IndexError):
            pass
        with self.changed:
            self.ended = True
            self.changed.notify_all()

    def wait_for(self, predicate, start=0, timeout=PATIENCE, what='an event'):
        """The index of the first event at or after start that predicate takes."""
        deadline = time.monotonic() + timeout
        with self.changed:
            while True:
                for i in range(start, len(self.events)):
                    if predicate(self.events[i]):
                        return i
                if self.ended:
                    raise AssertionError(f'the stream ended before {what}')
                left = deadline - time.monotonic()
                if left <= 0:
                    raise AssertionError(f'timed out waiting for {what}; last events: {self.events[-8:]}')
                self.changed.wait(left)

    def wait_end(self, timeout=PATIENCE):
        with self.changed:
            self.changed.wait_for(lambda: self.ended, timeout)
            return self.ended

    def count(self):
        with self.changed:
            return len(self.events)

    def event(self, index):
        with self.changed:
            return self.events[index]

    def snapshot(self):
        with self.changed:
            return list(self.events)

    def close(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.thread.join(PATIENCE)
        self.reader.close()
        self.sock.close()


def is_line(prefix):
    return lambda e: e['type'] == 'line' and e['data'].startswith(prefix)


def is_sync(tag):
    return lambda e: e['type'] == 'sync' and e['data'] == str(tag)


def is_move(e):
    if e['type'] != 'line':
        return False
    parts = e['data'].split(',')
    return len(parts) == 2 and all(p.isdigit() for p in parts)
