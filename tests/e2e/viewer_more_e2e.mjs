// What the viewer adds to looking at photos, on a small gallery of its own (three photos, camera
// details on, a slideshow of one second): the photo file chosen by the device pixels it covers,
// full screen, zoom with the larger file, the slideshow, and the camera details as text.

import { copyFileSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const VIEW = `(() => {
  const v = document.querySelector('.viewer');
  const q = (n) => v && v.querySelector('.viewer-' + n);
  return {
    open: !!v && !v.hidden, counter: q('counter') ? q('counter').textContent : '',
    photo: q('photo') ? q('photo').getAttribute('src') : '', details: q('details') ? q('details').textContent : '',
    full: document.fullscreenElement === v, zoomed: !!q('stage') && q('stage').classList.contains('viewer-zoomed'),
    playing: !!v && v.classList.contains('viewer-playing'),
  };
})()`;

// A copy of a wallpaper with a camera's EXIF segment (the fuzz seed's TIFF structure) after SOI.
function withExif(photo, tiff, to) {
  const jpeg = readFileSync(photo);
  const body = Buffer.concat([Buffer.from('Exif\0\0', 'binary'), readFileSync(tiff)]);
  const head = Buffer.from([0xFF, 0xE1, (body.length + 2) >> 8, (body.length + 2) & 0xFF]);
  writeFileSync(to, Buffer.concat([jpeg.subarray(0, 2), head, body, jpeg.subarray(2)]));
}

export async function checkViewerAdditions({ page, watch, check, theme, fotoloom, photos, work, source }) {
  const folder = join(work, `more-${theme}`);
  mkdirSync(folder, { recursive: true });
  const pictures = ['aitzgorri_by_Aitzol_Berasategi.jpg', 'sunset_by_Aitzol_Berasategi.jpg', 'life_by_Aitzol_Berasategi.jpg']
    .map((name, i) => join(folder, `p${i + 1}.jpg`));
  withExif(join(photos, 'aitzgorri_by_Aitzol_Berasategi.jpg'), join(source, 'tests/fuzz/corpus/exif_fields/camera.tif'), pictures[0]);
  copyFileSync(join(photos, 'sunset_by_Aitzol_Berasategi.jpg'), pictures[1]);
  copyFileSync(join(photos, 'life_by_Aitzol_Berasategi.jpg'), pictures[2]);
  const project = join(folder, 'more.gal');
  fotoloom(['new', project]);
  fotoloom(['set', project, 'cameraDetails=1', 'slideshowSeconds=1']);
  fotoloom(['album', 'add', project, 'More']);
  fotoloom(['image', 'add', project, '1', ...pictures]);
  const index = fotoloom(['build', project, '--output', folder, '--title', 'more', '--theme', theme]).stdout.trim();
  const gallery = index.replace(/[\\/]index\.html$/, '');
  const view = () => page.evaluate(VIEW);
  async function until(what, condition) {
    const deadline = Date.now() + 8000;
    let s = await view();
    while (!condition(s) && Date.now() < deadline) {
      await page.evaluate('new Promise((done) => requestAnimationFrame(() => setTimeout(done, 20)))');
      s = await view();
    }
    check(condition(s), `${theme} viewer: ${what}`, JSON.stringify(s));
    return s;
  }
  const key = async (name, code = name, vk = 0) => {
    await page.send('Input.dispatchKeyEvent', { type: 'keyDown', key: name, code, windowsVirtualKeyCode: vk, text: name.length === 1 ? name : undefined });
    await page.send('Input.dispatchKeyEvent', { type: 'keyUp', key: name, code, windowsVirtualKeyCode: vk });
  };
  const click = async (selector, count = 1) => {
    const { x, y } = await page.evaluate(`(() => { const r = document.querySelector(${JSON.stringify(selector)}).getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2 }; })()`);
    for (let i = 1; i <= count; i++) {
      await page.send('Input.dispatchMouseEvent', { type: 'mousePressed', x, y, button: 'left', clickCount: i });
      await page.send('Input.dispatchMouseEvent', { type: 'mouseReleased', x, y, button: 'left', clickCount: i });
    }
  };

  // The camera's account on the picture page, as text, without the place.
  await page.setViewport(1366, 900);
  await page.open(pathToFileURL(join(gallery, 'image-1-1.html')).href);
  const text = await page.evaluate('document.body.innerText');
  check(text.includes('Canon EOS 5D Mark IV') && text.includes('1/250 s') && text.includes('ISO'),
    `${theme}: the picture page tells the camera details`, text);
  check(!/52\.5|13\.25/.test(text), `${theme}: the picture page never tells the place`);

  // The photo file by the device pixels it covers: 1024 pixels drawn over more than 1024 take the 2x.
  for (const [width, height, scale, mobile, dense] of [[1366, 900, 1, false, false], [1366, 900, 1.05, false, true],
    [412, 915, 2.625, true, true]]) {
    await page.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: scale, mobile });
    await page.open(pathToFileURL(join(gallery, 'index-1-1.html')).href + `?at=${width}x${scale}#image-1-1`);
    const s = await until(`at ${width} px x ${scale} the photo opens`, (x) => x.open && x.photo);
    check(s.photo.endsWith('@2x.jpg') === dense, `${theme} viewer: at ${width} px x ${scale} the ${dense ? '2x' : '1x'} photo is taken`, s.photo);
  }
  await page.send('Emulation.setDeviceMetricsOverride', { width: 1366, height: 900, deviceScaleFactor: 1, mobile: false });
  await page.open(pathToFileURL(join(gallery, 'index-1-1.html')).href);
  await click('a[href="image-1-1.html"]');
  let s = await until('a click opens the first photo with its camera details', (x) => x.open && x.details.includes('ISO 200'));

  // Full screen by its button, then by F.
  await click('.viewer-full');
  await until('the full screen button fills the screen with the viewer', (x) => x.full);
  await key('f', 'KeyF', 70);
  await until('F leaves full screen', (x) => !x.full && x.open);

  // Zoom: a double click zooms in and asks for the larger file; 0 zooms out.
  watch.drain();
  await click('.viewer-photo', 2);
  await until('a double click zooms in', (x) => x.zoomed);
  const larger = () => watch.requests.some((r) => r.endsWith('/photos/image-1-1@2x.jpg'));
  for (let i = 0; i < 100 && !larger(); i++) await page.evaluate('new Promise((done) => setTimeout(done, 20))');
  check(larger(), `${theme} viewer: zooming in asks for the larger file`);
  await key('0', 'Digit0', 48);
  await until('0 zooms back out', (x) => !x.zoomed);

  // The slideshow: space starts it and it goes on by itself; another key stops it; Esc closes.
  await key(' ', 'Space', 32);
  s = await until('space starts a slideshow that goes on by itself', (x) => x.playing && x.counter === '2 / 3');
  await until('the slideshow goes on to the third photo', (x) => x.counter === '3 / 3');
  await key('ArrowLeft', 'ArrowLeft', 37);
  s = await until('an arrow key stops the slideshow and goes back', (x) => !x.playing && x.counter === '2 / 3');
  await click('.viewer-play');
  await until('the slideshow button starts it again', (x) => x.playing);
  await key('Escape', 'Escape', 27);
  await until('Escape stops the slideshow and closes the viewer', (x) => !x.open && !x.playing);
  watch.drain();
}
