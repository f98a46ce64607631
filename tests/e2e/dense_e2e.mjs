// High-density pictures on a built gallery: on a screen of 1 and of 3 device pixels per CSS pixel,
// each thumbnail loads the file of its srcset that the screen needs, the page does not move while
// the thumbnails arrive, and the viewer shows the high-density photo on the dense screen and
// preloads the photos before and after the one it shows.

import { pathToFileURL } from 'node:url';
import { join } from 'node:path';

// Every thumbnail once all have loaded (the lazy ones are scrolled to first), and the layout
// shifts the page has seen.
const THUMBS = `(async () => {
  const shifts = [];
  new PerformanceObserver((list) => { for (const e of list.getEntries()) if (!e.hadRecentInput) shifts.push(e.value); })
    .observe({ type: 'layout-shift', buffered: true });
  const thumbs = [...document.querySelectorAll('img.divaround')];
  for (const img of thumbs) {
    img.scrollIntoView({ block: 'center' });
    await new Promise((done) => img.complete ? done() : (img.onload = img.onerror = done));
  }
  window.scrollTo(0, 0);
  await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 50)));
  return {
    shift: shifts.reduce((a, b) => a + b, 0),
    thumbs: thumbs.map((img) => ({
      src: img.getAttribute('src'), current: img.currentSrc.replace(/^.*\\/thumbs\\//, 'thumbs/'),
      srcset: img.getAttribute('srcset') || '', width: +img.getAttribute('width'), height: +img.getAttribute('height'),
      naturalWidth: img.naturalWidth, naturalHeight: img.naturalHeight, lazy: img.getAttribute('loading') === 'lazy',
      colour: img.style.backgroundColor,
    })),
  };
})()`;

export async function checkDensePictures({ page, check, theme, folder }) {
  const album = pathToFileURL(join(folder, 'index-1-1.html')).href;
  for (const scale of [1, 3]) {
    await page.send('Emulation.setDeviceMetricsOverride', { width: scale === 1 ? 1280 : 390, height: 844,
      deviceScaleFactor: scale, mobile: scale !== 1 });
    await page.open(album);
    const { shift, thumbs } = await page.evaluate(THUMBS);
    const what = `${theme} at ${scale}x`;
    check(thumbs.length === 4, `${what}: a page of four thumbnails`, JSON.stringify(thumbs));
    check(shift < 0.001, `${what}: nothing moves while the thumbnails load`, `${shift}`);
    check(thumbs.some((t) => t.lazy) && !thumbs[0].lazy, `${what}: the thumbnails of the first row load at once, the rest lazily`,
      JSON.stringify(thumbs.map((t) => t.lazy)));
    for (const t of thumbs) {
      if (t.naturalWidth === 0) continue;  // the picture whose file is gone is on the other page
      const dense = t.src.replace(/\.jpg$/, '@2x.jpg');
      check(t.srcset.includes(dense), `${what}: ${t.src} offers its high-density file`, t.srcset);
      check(t.current === (scale === 1 ? t.src : dense), `${what}: ${t.src} loads the file the screen needs`, t.current);
      // The declared size is the picture's (a high-density file counts at its density), so the
      // room kept for it is the room it takes.
      check(t.width === t.naturalWidth && t.height === t.naturalHeight,
        `${what}: ${t.src} is declared at its own size`, `${t.width}x${t.height} for ${t.naturalWidth}x${t.naturalHeight}`);
      check(/^rgb\(/.test(t.colour), `${what}: ${t.src} has its colour behind it`, t.colour);
    }
  }

  // The viewer on the dense phone screen: the second picture, shown with both neighbours preloaded.
  await page.open(album);
  await page.evaluate(`(() => {
    const Plain = window.Image;
    window.preloaded = [];
    window.Image = function () { const img = new Plain(); window.preloaded.push(img); return img; };
  })()`);
  await page.evaluate(`document.querySelector('a[href="image-1-2.html"]').click()`);
  const viewer = await page.evaluate(`new Promise((done) => {
    const photo = document.querySelector('.viewer-photo');
    const report = () => done({ src: photo.getAttribute('src'), natural: photo.naturalWidth, shown: photo.width,
      preloaded: window.preloaded.map((img) => img.getAttribute('src')),
      dense: document.querySelector('a[href="image-1-2.html"]').getAttribute('data-photo2x') });
    photo.complete && photo.naturalWidth ? report() : photo.addEventListener('load', report);
    setTimeout(report, 4000);
  })`);
  check(!!viewer.dense, `${theme} viewer: the link tells the high-density photo`, JSON.stringify(viewer));
  check(viewer.src === 'photos/image-1-2@2x.jpg', `${theme} viewer: the dense screen gets the high-density photo`, JSON.stringify(viewer));
  check(!!viewer.dense && viewer.natural === +viewer.dense.split('x')[0] && viewer.shown <= viewer.natural,
    `${theme} viewer: the high-density photo takes the room of the ordinary one`, JSON.stringify(viewer));
  const expected = ['photos/image-1-3@2x.jpg', 'photos/image-1-1@2x.jpg'];
  check(JSON.stringify(viewer.preloaded) === JSON.stringify(expected),
    `${theme} viewer: the next and the previous photo are preloaded`, JSON.stringify(viewer.preloaded));
  await page.send('Emulation.setDeviceMetricsOverride', { width: 1280, height: 900, deviceScaleFactor: 1, mobile: false });
}
