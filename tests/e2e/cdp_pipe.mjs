// A small DevTools-protocol client for a headless Chromium started with --remote-debugging-pipe:
// requests go to the browser's fd 3 and answers come from its fd 4, each a JSON text ended by NUL.
// No port is opened and no package is needed.

import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export class Browser {
  static async launch(executable) {
    const profile = mkdtempSync(join(tmpdir(), 'fotoloom-e2e-chromium-'));
    const args = [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-extensions', '--mute-audio', '--hide-scrollbars',
      `--user-data-dir=${profile}`, '--remote-debugging-pipe', 'about:blank',
    ];
    const child = spawn(executable, args, { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    const browser = new Browser(child, profile);
    await browser.send('Target.setDiscoverTargets', { discover: false });
    return browser;
  }

  constructor(child, profile) {
    this.child = child;
    this.profile = profile;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    this.stderr = '';
    this.exited = false;
    let buffer = Buffer.alloc(0);
    child.stdio[4].on('data', (chunk) => {
      buffer = Buffer.concat([buffer, chunk]);
      for (let end = buffer.indexOf(0); end >= 0; end = buffer.indexOf(0)) {
        const message = JSON.parse(buffer.subarray(0, end).toString('utf8'));
        buffer = buffer.subarray(end + 1);
        this.dispatch(message);
      }
    });
    child.stderr.on('data', (chunk) => { this.stderr = (this.stderr + chunk).slice(-4000); });
    child.on('exit', (code) => {
      this.exited = true;
      for (const { reject } of this.pending.values()) reject(new Error(`chromium ended (${code}): ${this.stderr}`));
      this.pending.clear();
    });
  }

  dispatch(message) {
    if (message.id !== undefined) {
      const waiting = this.pending.get(message.id);
      if (!waiting) return;
      this.pending.delete(message.id);
      clearTimeout(waiting.timer);
      if (message.error) waiting.reject(new Error(`${waiting.method}: ${message.error.message}`));
      else waiting.resolve(message.result);
      return;
    }
    for (const listener of [...this.listeners]) listener(message);
  }

  send(method, params = {}, sessionId = undefined, timeoutMs = 30000) {
    if (this.exited) return Promise.reject(new Error(`chromium has ended: ${this.stderr}`));
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.pending.delete(id);
        reject(new Error(`${method}: no answer in ${timeoutMs} ms`));
      }, timeoutMs);
      this.pending.set(id, { resolve, reject, timer, method });
      this.child.stdio[3].write(JSON.stringify(message) + '\0');
    });
  }

  // Calls `listener` with every event until the returned function is called.
  on(listener) {
    this.listeners.push(listener);
    return () => { this.listeners = this.listeners.filter((l) => l !== listener); };
  }

  // Resolves with the first event of that name (and session) for which `accept` is true.
  waitFor(method, sessionId, accept = () => true, timeoutMs = 30000) {
    return new Promise((resolve, reject) => {
      const listener = (message) => {
        if (message.method !== method || message.sessionId !== sessionId || !accept(message.params)) return;
        clearTimeout(timer);
        this.listeners = this.listeners.filter((l) => l !== listener);
        resolve(message.params);
      };
      const timer = setTimeout(() => {
        this.listeners = this.listeners.filter((l) => l !== listener);
        reject(new Error(`${method}: not seen in ${timeoutMs} ms`));
      }, timeoutMs);
      this.listeners.push(listener);
    });
  }

  async newPage() {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(this, sessionId);
    await page.send('Page.enable');
    await page.send('Runtime.enable');
    return page;
  }

  async close() {
    try {
      await this.send('Browser.close', {}, undefined, 5000);
    } catch {
      // It may be gone already.
    }
    // The answer to Browser.close comes before the browser has finished writing its profile:
    // wait for it to end before removing the profile, and retry while its helpers let go.
    if (!(await this.ended(5000))) {
      this.child.kill('SIGKILL');
      await this.ended(5000);
    }
    try {
      rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    } catch (error) {
      console.log(`# could not remove the browser profile ${this.profile}: ${error.message}`);
    }
  }

  // True once the browser process has ended, false when it has not within timeoutMs.
  ended(timeoutMs) {
    if (this.exited) return Promise.resolve(true);
    return new Promise((resolve) => {
      const timer = setTimeout(() => resolve(false), timeoutMs);
      this.child.once('exit', () => {
        clearTimeout(timer);
        resolve(true);
      });
    });
  }
}

export class Page {
  constructor(browser, sessionId) {
    this.browser = browser;
    this.sessionId = sessionId;
  }

  send(method, params = {}, timeoutMs = 30000) {
    return this.browser.send(method, params, this.sessionId, timeoutMs);
  }

  async setViewport(width, height, mobile = false) {
    await this.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile });
  }

  // Loads the address and waits for its load event (every image has loaded or failed by then).
  async open(url) {
    const loaded = this.browser.waitFor('Page.loadEventFired', this.sessionId);
    const result = await this.send('Page.navigate', { url });
    if (result.errorText) throw new Error(`${url}: ${result.errorText}`);
    await loaded.catch((error) => { throw new Error(`${url}: ${error.message}`); });
  }

  async evaluate(expression) {
    const { result, exceptionDetails } = await this.send('Runtime.evaluate', {
      expression, returnByValue: true, awaitPromise: true,
    });
    if (exceptionDetails) throw new Error(`${expression}: ${exceptionDetails.text}`);
    return result.value;
  }

  async screenshot() {
    const { data } = await this.send('Page.captureScreenshot', { format: 'png' });
    return Buffer.from(data, 'base64');
  }
}
