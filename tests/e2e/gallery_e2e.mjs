// End to end: galleries built by the command line, opened in headless Chromium.
//
// Builds one project with every shipped theme (three albums, one of them empty, more pictures than
// a page holds, portrait and landscape photographs, one turned, a picture whose file is gone,
// comments and titles in several scripts), then visits every page reachable from index.html and
// checks that it loads, that every picture on it loads except the missing one's, that every link
// between pages resolves, that every page was reached, and that album pages fit a phone's width.
// The preview page of each theme gets the same checks, and no page logs an error. The themes' photo
// viewer is driven on every theme (viewer_e2e.mjs). Screenshots are kept in the artefacts folder.
// Last, a build is interrupted with SIGINT as Ctrl+C would, and must stop as the Cancel button does.
//
//   node gallery_e2e.mjs --fotoloom EXE --chromium EXE --photos DIR --work DIR --artifacts DIR

import { spawn, spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, readdirSync, readFileSync, rmSync, symlinkSync, unlinkSync, writeFileSync } from 'node:fs';
import { join, basename, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { Browser } from './cdp_pipe.mjs';
import { Watch } from './page_watch.mjs';
import { checkViewer } from './viewer_e2e.mjs';
import { checkDensePictures } from './dense_e2e.mjs';
import { checkHostilePages, SCREENS } from './hostile_e2e.mjs';
import { checkViewerAdditions } from './viewer_more_e2e.mjs';

const options = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) options[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
for (const name of ['fotoloom', 'chromium', 'photos', 'work', 'artifacts']) {
  if (!options[name]) {
    console.error(`gallery_e2e: --${name} is missing`);
    process.exit(2);
  }
}

const notes = new Set();
let passed = 0;
let failed = 0;
function check(condition, what, detail = '') {
  if (condition) {
    passed++;
  } else {
    failed++;
    console.log(`not ok - ${what}${detail ? `\n    ${detail}` : ''}`);
  }
  return condition;
}

// ---- The project -----------------------------------------------------------------------------

const THEMES = ['classic', 'darkroom', 'minimal'];
const LANDSCAPE = ['aitzgorri_by_Aitzol_Berasategi.jpg', 'picosdeeuropa_by_Aitzol_Berasategi.jpg',
  'sunset_by_Aitzol_Berasategi.jpg', 'life_by_Aitzol_Berasategi.jpg', 'Dragonfly_by_Bolly.jpg',
  'seeding_by_Clements_Engelhardt.jpg'];
const PORTRAIT = ['Wine_by_Jakkub_Mede.jpg', 'friends_by_Aitzol_Berasategi.jpg'];
const TITLE = 'Sommer på Åland — 夏';

function fotoloom(args, expectStatus = 0) {
  const run = spawnSync(options.fotoloom, args, { encoding: 'utf8', env: { ...process.env, FOTOLOOM_RECENT_INI: join(options.work, 'last.ini') } });
  if (expectStatus !== null && run.status !== expectStatus) {
    throw new Error(`fotoloom ${args.join(' ')}: status ${run.status}, expected ${expectStatus}\n${run.stderr}`);
  }
  return run;
}

function makeProject() {
  const pictures = join(options.work, 'pictures');
  mkdirSync(pictures, { recursive: true });
  for (const name of [...LANDSCAPE, ...PORTRAIT]) {
    const source = join(options.photos, name);
    if (!existsSync(source)) throw new Error(`${source} is missing: scripts/setup.sh installs lomiri-wallpapers-16.04`);
    symlinkSync(source, join(pictures, name));
  }
  const gone = join(pictures, 'gone.jpg');
  copyFileSync(join(options.photos, LANDSCAPE[0]), gone);

  const project = join(options.work, 'trip.gal');
  fotoloom(['new', project]);
  fotoloom(['set', project, `galleryTitle=${TITLE}`, 'galleryDescription=Ein Tag am Meer, <em>fünf</em> Möwen.',
    'rows=2', 'columns=2', 'homePageLink=1', 'homePageUrl=https://example.org/']);
  fotoloom(['album', 'add', project, 'Küste', '--caption', 'Möwen & Meer']);
  fotoloom(['album', 'add', project, 'Leer']);
  fotoloom(['album', 'add', project, 'Städte']);
  // Album 1: seven pictures (two pages of four), the seventh of which will be gone.
  const first = [LANDSCAPE[0], PORTRAIT[0], LANDSCAPE[1], LANDSCAPE[2], PORTRAIT[1], LANDSCAPE[3]];
  fotoloom(['image', 'add', project, '1', ...first.map((n) => join(pictures, n)), gone]);
  fotoloom(['image', 'add', project, '3', join(pictures, LANDSCAPE[4]), join(pictures, LANDSCAPE[5])]);
  fotoloom(['image', 'comment', project, '1', '1', '--text', 'Möwe über dem Hafen — 海と空']);
  fotoloom(['image', 'comment', project, '1', '5', '--text', 'Zwei Freunde am Steg']);
  fotoloom(['image', 'comment', project, '3', '2', '--text', 'Pusteblume «Löwenzahn»']);
  fotoloom(['image', 'rotate', project, '1', '3', '--right']);
  unlinkSync(gone);
  return { project, missing: ['photos/image-1-7.jpg', 'thumbs/thumb-1-7.jpg'] };
}

// ---- Visiting pages ----------------------------------------------------------------------------

// What a page holds, once every picture on it has loaded or failed.
const INSPECT = `(async () => {
  await Promise.all([...document.images].map((img) => img.complete ? null :
    new Promise((done) => { img.addEventListener('load', done); img.addEventListener('error', done); })));
  const root = document.documentElement;
  return {
    charset: document.characterSet,
    title: document.title,
    text: document.body ? document.body.textContent : '',
    images: [...document.images].map((img) => ({ src: img.src, width: img.naturalWidth })),
    links: [...document.querySelectorAll('a[href]')].map((a) => ({ raw: a.getAttribute('href'), href: a.href })),
    overflow: root.scrollWidth - root.clientWidth,
    viewport: !!document.querySelector('meta[name=viewport]'),
  };
})()`;

function localPath(url) {
  const u = new URL(url);
  if (u.protocol !== 'file:') return null;
  u.hash = '';
  u.search = '';
  return fileURLToPath(u);
}

async function visitGallery(page, theme, folder, missing) {
  const missingUrls = new Set(missing.map((m) => pathToFileURL(join(folder, m)).href));
  const start = join(folder, 'index.html');
  const queue = [start];
  const seen = new Set(queue);
  while (queue.length) {
    const path = queue.shift();
    const name = basename(path);
    const isAlbumPage = name.startsWith('index');
    await page.setViewport(1280, 900);
    await page.open(pathToFileURL(path).href);
    const info = await page.evaluate(INSPECT);
    check(info.charset === 'UTF-8', `${theme}/${name}: read as UTF-8`, info.charset);
    for (const img of info.images) {
      if (missingUrls.has(img.src)) {
        check(img.width === 0, `${theme}/${name}: the missing picture has no file`, img.src);
      } else {
        check(img.width > 0, `${theme}/${name}: picture loads`, img.src);
      }
    }
    for (const link of info.links) {
      const target = localPath(link.href);
      if (target === null || link.raw.startsWith('#')) continue;  // the home page and the credit line are outside
      if (!check(existsSync(target), `${theme}/${name}: link resolves`, link.raw)) continue;
      if (target.endsWith('.html') && !seen.has(target)) {
        seen.add(target);
        queue.push(target);
      }
    }
    if (isAlbumPage) {
      check(info.viewport, `${theme}/${name}: declares a viewport`);
      check(info.text.includes('Åland') && info.text.includes('夏'), `${theme}/${name}: title shown as written`);
    }
    // A desktop, a large phone at its density and the narrowest phone.
    for (const [width, height, mobile, scale] of SCREENS) {
      await page.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: scale, mobile });
      const narrow = await page.evaluate(INSPECT);
      check(narrow.overflow <= 0, `${theme}/${name}: fits ${width} pixels`, `${narrow.overflow} px too wide`);
    }
    if (name === 'image-1-1.html') {
      check(info.title === 'Möwe über dem Hafen — 海と空', `${theme}/${name}: the comment is the title`, info.title);
    }
    if (name === 'index-1-1.html') {
      check(info.text.includes('Möwe über dem Hafen — 海と空'), `${theme}/${name}: comment shown as written`);
      check(info.images.filter((i) => i.src.includes('/thumbs/')).length === 4, `${theme}/${name}: a full page of four`);
    }
  }
  const pages = readdirSync(folder).filter((n) => n.endsWith('.html')).map((n) => join(folder, n));
  const unreached = pages.filter((p) => !seen.has(p));
  check(unreached.length === 0, `${theme}: every page is reached from index.html`, unreached.join(', '));
  check(pages.length === 2 + 1 + 1 + 7 + 2 + 1, `${theme}: pages of three albums and nine pictures`, `${pages.length}`);
}

async function screenshot(page, url, file, width, height, mobile) {
  await page.setViewport(width, height, mobile);
  await page.open(url);
  await page.evaluate(INSPECT);
  writeFileSync(join(options.artifacts, file), await page.screenshot());
}

async function visitPreview(page, watch, theme, project) {
  const folder = join(options.work, `preview-${theme}`);
  watch.drain();
  const run = fotoloom(['preview', project, '--output', folder, '--theme', theme]);
  const path = run.stdout.trim();
  check(path === join(folder, 'index.htm'), `${theme} preview: page path printed`, path);
  await page.setViewport(1280, 900);
  await page.open(pathToFileURL(path).href);
  const info = await page.evaluate(INSPECT);
  check(info.charset === 'UTF-8', `${theme} preview: read as UTF-8`);
  check(info.images.length === 4, `${theme} preview: a sample grid of the project's 2 x 2`, `${info.images.length}`);
  for (const img of info.images) check(img.width > 0, `${theme} preview: sample picture loads`, img.src);
  for (const link of info.links) check(link.raw === '#', `${theme} preview: links lead nowhere`, link.raw);
  check(info.text.includes('Album 5 (selected album)'), `${theme} preview: the sample album list`);
  check(info.overflow <= 0, `${theme} preview: fits 1280 pixels`, `${info.overflow}`);
  // The theme's viewer is loaded here too: the sample's links lead nowhere, so it stays closed.
  await page.evaluate(`document.querySelector('.divaround a').click()`);
  check(await page.evaluate(`!document.querySelector('.viewer')`), `${theme} preview: no viewer on the sample`);
  check(await page.evaluate(`!!document.querySelector('script[src="images/viewer.js"]')`), `${theme} preview: the viewer's script is there`);
  await screenshot(page, pathToFileURL(path).href, `${theme}-preview.png`, 1280, 900, false);
  await page.setViewport(390, 844, true);
  const narrow = await page.evaluate(INSPECT);
  check(narrow.overflow <= 0, `${theme} preview: fits a phone's width`, `${narrow.overflow}`);
  const { errors } = watch.drain();
  check(errors.length === 0, `${theme} preview: no console errors`, Watch.errorsExcept(errors, []).join('\n'));
}

// ---- Ctrl+C ------------------------------------------------------------------------------------

async function interruptBuild() {
  const folder = join(options.work, 'many');
  mkdirSync(folder, { recursive: true });
  for (let i = 1; i <= 30; i++) symlinkSync(join(options.photos, LANDSCAPE[1]), join(folder, `p${i}.jpg`));
  const out = join(options.work, 'interrupted');
  const child = spawn(options.fotoloom, ['quick', folder, '--output', out, '--jobs', '1'],
    { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, FOTOLOOM_RECENT_INI: join(options.work, 'last.ini') } });
  let stderr = '';
  let sent = false;
  child.stderr.setEncoding('utf8');
  child.stderr.on('data', (text) => {
    stderr += text;
    if (!sent && stderr.includes('building')) {
      sent = true;
      child.kill('SIGINT');
    }
  });
  const status = await new Promise((done) => child.on('exit', (code, signal) => done(signal ?? code)));
  check(sent, 'Ctrl+C: the build reported progress before it ended', stderr);
  check(status === 130, 'Ctrl+C: exit status 130, as for any program stopped by Ctrl+C', `${status}\n${stderr}`);
  check(stderr.includes('cancelled'), 'Ctrl+C: the cancel is told', stderr);
  check(!existsSync(join(out, 'many', 'style.css')), 'Ctrl+C: no style sheet, as after Cancel');
  check(existsSync(join(out, 'many', 'photos', 'image-1-1.jpg')), 'Ctrl+C: what was made is kept');
  check(!existsSync(join(out, 'many', 'photos', 'image-1-30.jpg')), 'Ctrl+C: the rest is not made');
}

// ---- Main --------------------------------------------------------------------------------------

async function main() {
  rmSync(options.work, { recursive: true, force: true });
  mkdirSync(options.work, { recursive: true });
  mkdirSync(options.artifacts, { recursive: true });
  const { project, missing } = makeProject();

  const browser = await Browser.launch(options.chromium);
  try {
    const page = await browser.newPage();
    const watch = await Watch.start(browser, page);
    const script = (theme) => readFileSync(join(dirname(options.fotoloom), 'template', theme, 'images', 'viewer.js'));
    check(THEMES.every((theme) => script(theme).equals(script(THEMES[0]))), 'every theme ships the same viewer script');
    const style = (theme) => readFileSync(join(dirname(options.fotoloom), 'template', theme, 'images', 'viewer.css'), 'utf8');
    for (const theme of THEMES) {
      check(style(theme).includes('/* ---- The frame of the viewer') && !style(theme).includes('@include'),
        `${theme}: the viewer's style holds the shared frame in place of its include line`);
    }
    for (const theme of THEMES) {
      const run = fotoloom(['build', project, '--output', join(options.work, 'out'), '--title', `${TITLE} ${theme}`,
        '--theme', theme, '--jobs', '2'], null);
      check(run.status === 1, `${theme}: build ends with status 1 for the skipped picture`, `${run.status}\n${run.stderr}`);
      check(run.stderr.includes('gone.jpg'), `${theme}: the unreadable picture is named`, run.stderr);
      const index = run.stdout.trim();
      const folder = join(options.work, 'out', `${TITLE} ${theme}`);
      check(index === join(folder, 'index.html'), `${theme}: index path printed`, index);
      watch.drain();
      await visitGallery(page, theme, folder, missing);
      const complaints = Watch.errorsExcept(watch.drain().errors, missing.map((m) => join(folder, m)));
      check(complaints.length === 0, `${theme}: no console errors on the pages`, complaints.join('\n'));
      await checkViewer({ page, watch, check, theme, folder, artifacts: options.artifacts, missing });
      await checkDensePictures({ page, check, theme, folder });
      await checkHostilePages({ page, check, fotoloom, photos: options.photos, work: options.work, theme });
      await checkViewerAdditions({ page, watch, check, theme, fotoloom, photos: options.photos, work: options.work,
        source: join(dirname(fileURLToPath(import.meta.url)), '..', '..') });
      watch.drain();
      await screenshot(page, pathToFileURL(join(folder, 'index.html')).href, `${theme}-index.png`, 1280, 900, false);
      await screenshot(page, pathToFileURL(join(folder, 'index-1-1.html')).href, `${theme}-index-phone.png`, 390, 844, true);
      await visitPreview(page, watch, theme, project);
    }
    // An album width in pixels wider than the screen is narrowed to it.
    fotoloom(['set', project, 'albumWidthUnit=1', 'albumWidth=1500']);
    for (const theme of THEMES) {
      const run = fotoloom(['build', project, '--output', join(options.work, 'out'), '--title', `pixels ${theme}`,
        '--theme', theme], null);
      const url = pathToFileURL(run.stdout.trim()).href;
      for (const [width, mobile] of [[1280, false], [820, true]]) {
        await page.setViewport(width, 900, mobile);
        await page.open(url);
        const info = await page.evaluate(INSPECT);
        check(info.overflow <= 0, `${theme}: an album 1500 pixels wide fits ${width} pixels`, `${info.overflow} px too wide`);
      }
    }
  } finally {
    await browser.close();
  }
  await interruptBuild();
}

main().then(() => {
  for (const note of notes) console.log(`note - ${note}`);
  console.log(`screenshots: ${options.artifacts}`);
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}, (error) => {
  console.log(`not ok - ${error.stack || error}`);
  console.log(`${passed} passed, ${failed + 1} failed`);
  process.exit(1);
});
