// Texts that try to leave their attribute: a comment, an album title and caption, a gallery title
// and a file name full of quotes, brackets and handlers, and words longer than a phone is wide.
// Built with a theme, every page is parsed by the browser itself: no element carries a handler,
// every alt text reads as the text meant, and no page is wider than 320, 412 or 1366 pixels.

import { copyFileSync, mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const LONG = 'W'.repeat(105);
const HOSTILE = `Quotes "and" <b>tags</b> & ' onmouseover='alert(1) " onerror="alert(2) ${LONG}`;

// What the parsed page holds: handlers, the alt texts, the meta contents.
const PARSED = `(() => {
  const handlers = [];
  for (const el of document.querySelectorAll('*'))
    for (const a of el.attributes) if (/^on/i.test(a.name)) handlers.push(el.tagName + ' ' + a.name);
  return {
    handlers,
    alts: [...document.querySelectorAll('img')].map((i) => i.getAttribute('alt')),
    scripts: document.querySelectorAll('script').length,
    bold: document.querySelectorAll('head b, img b').length,
    details: document.querySelectorAll('dl.exif, [data-details]').length,
    overflow: document.documentElement.scrollWidth - document.documentElement.clientWidth,
  };
})()`;

export const SCREENS = [[1366, 900, false, 1], [412, 915, true, 2.625], [320, 640, true, 2]];

export async function checkHostilePages({ page, check, fotoloom, photos, work, theme }) {
  const folder = join(work, `hostile-${theme}`);
  mkdirSync(join(folder, 'pictures'), { recursive: true });
  const named = join(folder, 'pictures', `" onerror="alert(3) <i>x ${LONG}.jpg`);
  copyFileSync(join(photos, 'Wine_by_Jakkub_Mede.jpg'), named);
  const commented = join(folder, 'pictures', 'commented.jpg');
  copyFileSync(join(photos, 'Dragonfly_by_Bolly.jpg'), commented);
  const project = join(folder, 'hostile.gal');
  fotoloom(['new', project]);
  fotoloom(['set', project, `galleryDescription=${HOSTILE}`, 'homePageLink=1',
    'homePageUrl=https://example.org/?a=1&b="2"']);
  fotoloom(['album', 'add', project, HOSTILE, '--caption', HOSTILE]);
  fotoloom(['image', 'add', project, '1', named, commented]);
  fotoloom(['image', 'comment', project, '1', '2', '--text', HOSTILE]);
  const run = fotoloom(['build', project, '--output', folder, '--title', `Q & 'x' onmouseover='alert(4) ${theme}`, '--theme', theme]);
  const gallery = run.stdout.trim().replace(/[\\/]index\.html$/, '');
  const alts = { 'image-1-1': `" onerror="alert(3) <i>x ${LONG}`,
    'image-1-2': `Quotes "and" tags & ' onmouseover='alert(1) " onerror="alert(2) ${LONG}` };
  for (const name of ['index-1-1.html', 'image-1-1.html', 'image-1-2.html']) {
    for (const [width, height, mobile, scale] of SCREENS) {
      await page.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: scale, mobile });
      await page.open(pathToFileURL(join(gallery, name)).href);
      const p = await page.evaluate(PARSED);
      const what = `${theme} hostile ${name} at ${width}`;
      if (width === 1366) {
        check(p.handlers.length === 0, `${what}: no handler added`, p.handlers.join(', '));
        check(p.bold === 0, `${what}: no markup inside an attribute`);
        check(p.details === 0, `${what}: no camera details unless the owner turns them on`);
        check(p.scripts === (name.startsWith('index') ? 1 : 0), `${what}: no script added`, `${p.scripts}`);
        const expected = name.startsWith('index') ? Object.values(alts) : [alts[name.replace('.html', '')]];
        check(JSON.stringify(p.alts) === JSON.stringify(expected), `${what}: alt texts read as meant`, JSON.stringify(p.alts));
      }
      check(p.overflow <= 0, `${what}: no wider than the screen`, `${p.overflow} px too wide`);
    }
  }
  await page.setViewport(1280, 900);
}
