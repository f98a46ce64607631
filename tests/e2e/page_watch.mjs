// Watches a page and every frame inside it, also frames that Chromium runs in a process of their
// own: every address requested, every console error, uncaught exception and failed load.

import { fileURLToPath } from 'node:url';

export class Watch {
  static async start(browser, page) {
    const watch = new Watch(browser, page);
    await watch.follow(page.sessionId);
    return watch;
  }

  constructor(browser, page) {
    this.browser = browser;
    this.sessions = new Set([page.sessionId]);
    this.requests = [];
    this.errors = [];
    this.off = browser.on((message) => this.take(message));
  }

  async follow(sessionId) {
    this.sessions.add(sessionId);
    for (const method of ['Network.enable', 'Runtime.enable', 'Log.enable']) {
      await this.browser.send(method, {}, sessionId);
    }
    await this.browser.send('Target.setAutoAttach',
      { autoAttach: true, waitForDebuggerOnStart: true, flatten: true }, sessionId);
  }

  take({ method, params, sessionId }) {
    if (!this.sessions.has(sessionId)) return;
    if (method === 'Target.attachedToTarget') {
      const child = params.sessionId;
      this.follow(child)
        .then(() => this.browser.send('Runtime.runIfWaitingForDebugger', {}, child))
        .catch(() => {});  // the frame went away meanwhile
    } else if (method === 'Network.requestWillBeSent') {
      this.requests.push(params.request.url);
    } else if (method === 'Runtime.consoleAPICalled' && (params.type === 'error' || params.type === 'assert')) {
      this.errors.push({ text: params.args.map((a) => a.value ?? a.description).join(' '), url: '' });
    } else if (method === 'Runtime.exceptionThrown') {
      const details = params.exceptionDetails;
      this.errors.push({ text: details.exception?.description ?? details.text, url: details.url ?? '' });
    } else if (method === 'Log.entryAdded' && params.entry.level === 'error') {
      this.errors.push({ text: params.entry.text, url: params.entry.url ?? '' });
    }
  }

  // What was seen since the last call.
  drain() {
    const seen = { requests: this.requests, errors: this.errors };
    this.requests = [];
    this.errors = [];
    return seen;
  }

  // The errors of a drained list, but for failed loads of the given files (which are known to be gone).
  static errorsExcept(errors, gonePaths) {
    const gone = new Set(gonePaths);
    return errors.filter((e) => !(e.url.startsWith('file:') && gone.has(fileURLToPath(e.url))))
      .map((e) => `${e.text} ${e.url}`);
  }

  stop() {
    this.off();
  }
}
