// The themes' photo viewer on a built gallery, driven as a visitor would: real mouse, keyboard and
// touch input through the DevTools protocol, the browser's own back button, a shared address.
//
// The gallery's first album holds seven pictures on two pages of four (rows 2, columns 2); the
// fifth has a comment, so its arrival from the other page is seen; the seventh's photo is gone.

import { writeFileSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { Watch } from './page_watch.mjs';

// What the viewer shows, read from the page.
const STATE = `(() => {
  const v = document.querySelector('.viewer');
  const q = (name) => v && v.querySelector('.viewer-' + name);
  const active = document.activeElement;
  const style = active ? getComputedStyle(active) : null;
  return {
    open: !!v && !v.hidden && getComputedStyle(v).display !== 'none',
    role: v && v.getAttribute('role'), modal: v && v.getAttribute('aria-modal'), label: v && v.getAttribute('aria-label'),
    photo: q('photo') ? q('photo').getAttribute('src') : null,
    loaded: !!q('photo') && q('photo').complete && q('photo').naturalWidth > 0,
    missing: !!q('missing') && !q('missing').hidden,
    counter: q('counter') ? q('counter').textContent : '',
    caption: q('caption') ? q('caption').textContent : '',
    prevOff: !!q('prev') && q('prev').disabled, nextOff: !!q('next') && q('next').disabled,
    url: location.href, hash: location.hash, page: location.pathname.split('/').pop(),
    inside: !!v && v.contains(active),
    focus: active ? (active.getAttribute('href') || active.className || active.tagName) : '',
    ring: !!active && active.matches(':focus-visible') && style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) > 0,
    mark: window.viewerTestMark || 0,
  };
})()`;

const KEYS = {
  Tab: 9, Enter: 13, Escape: 27, End: 35, Home: 36, ArrowLeft: 37, ArrowRight: 39,
};

export async function checkViewer({ page, watch, check, theme, folder, artifacts, missing }) {
  const url = (name) => { const [file, hash] = name.split('#'); return pathToFileURL(join(folder, file)).href + (hash ? `#${hash}` : ''); };
  const state = () => page.evaluate(STATE);

  // Waits (up to five seconds, polling the page) until `condition` holds for the viewer's state.
  async function until(what, condition) {
    const deadline = Date.now() + 5000;
    let s = await state();
    while (!condition(s) && Date.now() < deadline) {
      await page.evaluate('new Promise((done) => requestAnimationFrame(() => setTimeout(done, 20)))');
      s = await state();
    }
    check(condition(s), `${theme} viewer: ${what}`, JSON.stringify(s));
    return s;
  }
  const showing = (n, total = 7) => (s) => s.open && s.counter === `${n} / ${total}` &&
    s.photo === `photos/image-1-${n}.jpg` && s.hash === `#image-1-${n}` && (s.loaded || s.missing);

  async function centre(selector) {
    return page.evaluate(`(() => {
      const el = document.querySelector(${JSON.stringify(selector)});
      el.scrollIntoView({ block: 'center' });
      const r = el.getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
    })()`);
  }
  async function click(selector) {
    const { x, y } = await centre(selector);
    await page.send('Input.dispatchMouseEvent', { type: 'mouseMoved', x, y });
    await page.send('Input.dispatchMouseEvent', { type: 'mousePressed', x, y, button: 'left', clickCount: 1 });
    await page.send('Input.dispatchMouseEvent', { type: 'mouseReleased', x, y, button: 'left', clickCount: 1 });
  }
  async function key(name, shift = false) {
    const common = { key: name, code: name, windowsVirtualKeyCode: KEYS[name], modifiers: shift ? 8 : 0 };
    await page.send('Input.dispatchKeyEvent', { type: 'keyDown', ...common, ...(name === 'Enter' ? { text: '\r' } : {}) });
    await page.send('Input.dispatchKeyEvent', { type: 'keyUp', ...common });
  }
  async function swipe(fromX, toX, y) {
    const point = (x) => [{ x, y, id: 1 }];
    await page.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: point(fromX) });
    for (let i = 1; i <= 6; i++) {
      await page.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: point(fromX + ((toX - fromX) * i) / 6) });
    }
    await page.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  }
  async function goBack() {
    const { currentIndex, entries } = await page.send('Page.getNavigationHistory');
    await page.send('Page.navigateToHistoryEntry', { entryId: entries[currentIndex - 1].id });
  }
  async function shot(file) {
    await page.evaluate('Promise.all(document.getAnimations().map((a) => a.finished.catch(() => null)))');
    writeFileSync(join(artifacts, file), await page.screenshot());
  }

  watch.drain();
  await page.setViewport(1280, 900);

  // ---- Mouse: open, through the page boundary and back, close --------------------------------
  await page.open(url('index-1-1.html'));
  await page.evaluate('window.viewerTestMark = 1');
  let s = await state();
  check(!s.open && s.photo === null, `${theme} viewer: nothing shows before a click`, JSON.stringify(s));
  await click('a[href="image-1-2.html"]');
  s = await until('a click on the second thumbnail opens its photo', showing(2));
  check(s.page === 'index-1-1.html' && s.mark === 1, `${theme} viewer: the click stays on the album page`, s.url);
  check(s.role === 'dialog' && s.modal === 'true' && s.label, `${theme} viewer: a labelled modal dialog`, JSON.stringify(s));
  check(s.inside, `${theme} viewer: focus moves into the viewer`, s.focus);
  const ahead = () => watch.requests.some((r) => r.endsWith('/photos/image-1-3.jpg'));
  for (let i = 0; i < 100 && !ahead(); i++) await page.evaluate('new Promise((done) => setTimeout(done, 20))');
  check(ahead(), `${theme} viewer: the next photo is loaded ahead`);
  await click('.viewer-next');
  await until('next shows the third photo', showing(3));
  await click('.viewer-next');
  await until('next shows the fourth, the last of the page', showing(4));
  await click('.viewer-next');
  s = await until('next crosses to the first photo of page 2, with its comment', (x) =>
    showing(5)(x) && x.caption === 'Zwei Freunde am Steg');
  check(s.page === 'index-1-1.html' && s.mark === 1, `${theme} viewer: crossing pages keeps the page`, s.url);
  await key('ArrowRight');
  await until('the right arrow key goes on', showing(6));
  await key('ArrowRight');
  s = await until('the last photo of the album, whose file is gone, is told missing', (x) => showing(7)(x) && x.missing);
  check(s.nextOff && !s.prevOff, `${theme} viewer: no next after the album's last photo`, JSON.stringify(s));
  await key('ArrowLeft');
  await until('the left arrow key goes back', showing(6));
  await click('.viewer-prev');
  await click('.viewer-prev');
  await until('previous crosses back to page 1', showing(4));
  await key('Escape');
  s = await until('Escape closes the viewer and clears the address', (x) => !x.open && x.hash === '');
  check(s.focus === 'image-1-4.html' && s.mark === 1, `${theme} viewer: focus returns to the photo's thumbnail`, s.focus);

  // ---- The back button closes; a shared address opens the named photo ------------------------
  await click('a[href="image-1-1.html"]');
  await until('a click on the first thumbnail opens its photo', showing(1));
  await key('ArrowRight');
  await until('next after a fresh open', showing(2));
  await goBack();
  s = await until("the browser's back button closes the viewer", (x) => !x.open && x.hash === '');
  check(s.mark === 1 && s.page === 'index-1-1.html', `${theme} viewer: back stays on the album page`, s.url);

  await page.open(url('index-1-2.html#image-1-1'));
  await until('an address naming a photo of another page opens it, with its comment', (x) =>
    showing(1)(x) && x.caption === 'Möwe über dem Hafen — 海と空');
  await page.open(url('index.html#image-1-6'));
  s = await until('index.html with an address naming photo 6 opens it', showing(6));
  const entries = async () => (await page.send('Page.getNavigationHistory')).entries.length;
  const count = await entries();
  const reloaded = page.browser.waitFor('Page.loadEventFired', page.sessionId);
  await page.send('Page.reload');
  await reloaded;
  await until('a reload keeps the photo open', showing(6));
  check((await entries()) === count, `${theme} viewer: a reload adds no history entry`, `${count}`);
  await page.evaluate('window.viewerTestMark = 2');
  await goBack();
  s = await until('back from a shared address shows the album page', (x) => !x.open && x.hash === '');
  check(s.mark === 2, `${theme} viewer: back from a shared address stays on the page`, s.url);

  // ---- Keyboard only ------------------------------------------------------------------------
  await page.open(url('index-1-1.html'));
  for (let i = 0; i < 60 && (await state()).focus !== 'image-1-1.html'; i++) await key('Tab');
  check((await state()).focus === 'image-1-1.html', `${theme} viewer: the first thumbnail is reached with Tab`);
  await key('Enter');
  s = await until('Enter on a thumbnail opens its photo', showing(1));
  check(s.inside && s.ring, `${theme} viewer: the focused control shows a ring`, JSON.stringify(s));
  const seen = new Set();
  for (const shift of [false, false, false, true, true, true, true]) {
    await key('Tab', shift);
    s = await state();
    seen.add(s.focus);
    check(s.inside && s.ring, `${theme} viewer: Tab keeps a visible focus inside the viewer`, JSON.stringify(s));
  }
  check(seen.has('viewer-close') && seen.has('viewer-next'), `${theme} viewer: Tab reaches the controls`, [...seen].join());
  await key('End');
  await until('End shows the last photo', showing(7));
  await key('Home');
  await until('Home shows the first photo', showing(1));
  for (let i = 0; i < 4 && (await state()).focus !== 'viewer-next'; i++) await key('Tab');
  await key('Enter');
  await until('Enter on the next button goes on', showing(2));
  await key('Escape');
  s = await until('Escape closes', (x) => !x.open);
  check(s.focus === 'image-1-2.html', `${theme} viewer: focus returns to the thumbnail`, s.focus);

  // Wide screenshot with a comment.
  await page.open(url('index-1-2.html#image-1-1'));
  await until('the shared photo loads for the picture', (x) => showing(1)(x) && x.caption.length > 0);
  await shot(`${theme}-viewer.png`);
  const motion = `(() => {
    const photo = getComputedStyle(document.querySelector('.viewer-photo'));
    return { viewer: getComputedStyle(document.querySelector('.viewer')).animationName,
      photo: photo.transitionDuration.split(',').every((d) => parseFloat(d) === 0) };
  })()`;
  const moving = await page.evaluate(motion);
  await page.send('Emulation.setEmulatedMedia', { features: [{ name: 'prefers-reduced-motion', value: 'reduce' }] });
  const still = await page.evaluate(motion);
  await page.send('Emulation.setEmulatedMedia', { features: [] });
  check(moving.viewer !== 'none' && !moving.photo && still.viewer === 'none' && still.photo,
    `${theme} viewer: reduced motion is honoured`, JSON.stringify({ moving, still }));

  // ---- A phone: swipe ----------------------------------------------------------------------
  await page.setViewport(390, 844, true);
  await page.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  try {
    await page.open(url('index-1-1.html#image-1-4'));
    await until('a phone opens the shared photo', showing(4));
    await swipe(320, 60, 420);
    s = await until('a swipe to the left goes on, across the page boundary', (x) =>
      showing(5)(x) && x.caption === 'Zwei Freunde am Steg');
    await swipe(60, 320, 420);
    await until('a swipe to the right goes back', showing(4));
    await swipe(200, 180, 420);
    await until('a slight move does not turn the page', showing(4));
    await swipe(60, 320, 420);
    await until('another swipe to the right', showing(3));
    await page.open(url('index-1-2.html#image-1-5'));
    await until('the phone shows a photo with a comment', (x) => showing(5)(x) && x.caption.length > 0);
    await shot(`${theme}-viewer-phone.png`);
  } finally {
    await page.send('Emulation.setTouchEmulationEnabled', { enabled: false });
    await page.setViewport(1280, 900);
  }

  // ---- Nothing leaves the gallery, nothing complains --------------------------------------
  const { requests, errors } = watch.drain();
  const outside = requests.filter((r) => {
    if (!r.startsWith('file:')) return true;
    const path = fileURLToPath(r.replace(/[?#].*$/, ''));
    return !path.startsWith(folder + '/');
  });
  check(requests.some((r) => r.includes('index-1-2.html')), `${theme} viewer: the other page was asked`, requests.join('\n'));
  check(outside.length === 0, `${theme} viewer: no request leaves the gallery folder`, outside.join('\n'));
  const complaints = Watch.errorsExcept(errors, missing.map((m) => join(folder, m)));
  check(complaints.length === 0, `${theme} viewer: no console errors`, complaints.join('\n'));

  await overHttp(page, watch, check, theme, folder, missing, { click, until, showing });
  await withoutScript(page, check, theme, url);
}

// The same gallery from a web server: the album's other page is asked over HTTP.
async function overHttp(page, watch, check, theme, folder, missing, { click, until, showing }) {
  const types = { '.html': 'text/html; charset=utf-8', '.css': 'text/css', '.js': 'text/javascript', '.jpg': 'image/jpeg', '.png': 'image/png' };
  const server = createServer(async (request, response) => {
    const file = join(folder, normalize(decodeURIComponent(new URL(request.url, 'http://host').pathname)));
    try {
      if (!file.startsWith(folder + '/')) throw new Error('outside');
      const body = await readFile(file);
      response.writeHead(200, { 'content-type': types[extname(file)] ?? 'application/octet-stream' }).end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  const origin = `http://127.0.0.1:${server.address().port}/`;
  try {
    watch.drain();
    await page.open(`${origin}index-1-1.html`);
    await click('a[href="image-1-4.html"]');
    await until('from a web server, a click opens the photo', showing(4));
    await click('.viewer-next');
    await until('from a web server, next crosses to page 2 with its comment', (x) =>
      showing(5)(x) && x.caption === 'Zwei Freunde am Steg');
    const { requests, errors } = watch.drain();
    const outside = requests.filter((r) => !r.startsWith(origin));
    check(outside.length === 0, `${theme} viewer over HTTP: no request leaves the gallery`, outside.join('\n'));
    const complaints = errors.filter((e) => !missing.some((m) => e.url === origin + m));
    check(complaints.length === 0, `${theme} viewer over HTTP: no console errors`, complaints.map((e) => `${e.text} ${e.url}`).join('\n'));
  } finally {
    await new Promise((done) => server.close(done));
  }
}

// With scripts off a thumbnail opens its picture page in the same tab, and the picture pages lead
// from one to the next and back without the script.
async function withoutScript(page, check, theme, url) {
  await page.send('Emulation.setScriptExecutionDisabled', { value: true });
  try {
    await page.open(url('index-1-1.html'));
    check(await page.evaluate('!document.querySelector(".viewer")'), `${theme} without script: no viewer in the page`);
    const where = () => page.evaluate('location.pathname.split("/").pop()');
    const follow = async (selector) => {
      const loaded = page.browser.waitFor('Page.loadEventFired', page.sessionId);
      const { root } = await page.send('DOM.getDocument');
      const { nodeId } = await page.send('DOM.querySelector', { nodeId: root.nodeId, selector });
      await page.send('DOM.scrollIntoViewIfNeeded', { nodeId });
      const { model } = await page.send('DOM.getBoxModel', { nodeId });
      const [x1, y1, , , x3, y3] = model.content;
      const x = (x1 + x3) / 2, y = (y1 + y3) / 2;
      await page.send('Input.dispatchMouseEvent', { type: 'mousePressed', x, y, button: 'left', clickCount: 1 });
      await page.send('Input.dispatchMouseEvent', { type: 'mouseReleased', x, y, button: 'left', clickCount: 1 });
      await loaded;
    };
    await follow('a[href="image-1-3.html"]');
    check(await where() === 'image-1-3.html', `${theme} without script: a thumbnail opens its picture page in the same tab`);
    const position = () => page.evaluate('(document.querySelector(".picturenav .position") || {}).textContent');
    check(await position() === '3 of 7', `${theme} without script: the picture page tells its place`, await position());
    await follow('.picturenav .next');
    check(await where() === 'image-1-4.html', `${theme} without script: next leads to the next picture`, await where());
    await follow('.picturenav .previous');
    await follow('.picturenav .previous');
    check(await where() === 'image-1-2.html', `${theme} without script: previous leads back`, await where());
  } finally {
    await page.send('Emulation.setScriptExecutionDisabled', { value: false });
  }
}
