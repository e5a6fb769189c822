// The page's connection to its engine through the server: a session of its
// own, the event stream of the engine's lines, and the orders, sent one
// after another (never two at once, so they reach the engine in order).
//
// Each order carries a tag; the server answers it with a sync event once the
// engine has finished whatever ran before, so the lines after the sync of
// the latest order are the answer to it and older lines can be told apart.

export class EngineLink {
  // handlers: onSync(tag), onLine(line), onSent(line), onRestarted(info),
  // onFailed(message), onSession(), onProblem(message)
  constructor(handlers) {
    this.handlers = handlers;
    this.session = null;
    this.source = null;
    this.tag = 0;
    this.queue = Promise.resolve();
    this.opening = null;
  }

  nextTag() {
    this.tag = (this.tag + 1) % 1000000000;
    return this.tag;
  }

  // A new session and its event stream; calls onSession when ready.
  open() {
    if (this.opening) return this.opening;
    this.opening = (async () => {
      if (this.source) this.source.close();
      this.source = null;
      for (;;) {
        try {
          const answer = await fetch('api/session', { method: 'POST', body: new URLSearchParams() });
          const body = await answer.json();
          if (answer.ok) {
            this.session = body.session;
            break;
          }
          this.handlers.onProblem(body.error || `the server answered ${answer.status}`);
        } catch (e) {
          this.handlers.onProblem('the server cannot be reached; trying again');
        }
        await new Promise(resolve => setTimeout(resolve, 3000));
      }
      this.listen();
      this.opening = null;
      this.handlers.onSession();
    })();
    return this.opening;
  }

  listen() {
    const source = new EventSource(`api/events?session=${this.session}`);
    this.source = source;
    source.addEventListener('line', e => this.handlers.onLine(e.data));
    source.addEventListener('sent', e => this.handlers.onSent(e.data));
    source.addEventListener('sync', e => this.handlers.onSync(Number(e.data)));
    source.addEventListener('restarted', e => this.handlers.onRestarted(JSON.parse(e.data)));
    source.addEventListener('failed', e => {
      this.handlers.onFailed(e.data);
      this.reopen();
    });
    source.onerror = () => {
      // The browser reconnects by itself after a broken connection; a
      // stream refused (an expired session) stays closed: open a new one.
      if (source.readyState === EventSource.CLOSED && this.source === source) this.reopen();
    };
  }

  reopen() {
    if (this.source) this.source.close();
    this.source = null;
    this.session = null;
    this.open();
  }

  // Sends an order once the ones before it are answered. Resolves to the
  // server's JSON answer; an order the server refuses is reported through
  // onProblem (and resolves to null).
  post(operation, params) {
    const run = async () => {
      if (this.opening) await this.opening;
      if (!this.session) return null;
      const body = new URLSearchParams({ session: this.session, ...params });
      try {
        const answer = await fetch(`api/${operation}`, { method: 'POST', body });
        const json = await answer.json();
        if (answer.status === 404 && operation !== 'close') {
          this.handlers.onProblem('the session expired; starting a new one');
          this.reopen();
          return null;
        }
        if (!answer.ok) this.handlers.onProblem(json.error || `the server answered ${answer.status}`);
        return answer.ok ? json : null;
      } catch (e) {
        this.handlers.onProblem('the server cannot be reached');
        return null;
      }
    };
    const result = this.queue.then(run);
    this.queue = result.catch(() => null);
    return result;
  }

  // Ends the session when the page goes away.
  close() {
    if (!this.session) return;
    navigator.sendBeacon('api/close', new URLSearchParams({ session: this.session }));
  }
}
