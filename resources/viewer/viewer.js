/* Photo viewer of the album pages.
 *
 * A thumbnail opens its photo in an overlay with the comment, a counter, previous and next (buttons,
 * arrow keys, swipe), through every page of the album. Everything comes from the page as the build
 * wrote it: a thumbnail links to its picture page "image-A-N.html", whose photo is
 * "photos/image-A-N.jpg"; the page bar tells "Pictures first - last of n" and "Page P of Q", so the
 * photos of the album's other pages are known by name. Their comments come from those pages
 * themselves, loaded into a hidden frame where this script only posts them back (a page opened from
 * disk may not read another). The address names the open photo ("#image-A-N"), and the browser's
 * back button closes the viewer. A thumbnail link that names its photo's size ("data-photo2x", made
 * by themes with high-density pictures) has a photo twice as large beside it, "image-A-N@2x.jpg":
 * the viewer takes that one where the screen shows more pixels than the photo has. It preloads the
 * next and the previous photo. Without this script, or when it fails, the page works as written.
 * Plain ES5 and no outside requests, so it runs from disk and from any web server.
 */
(function () {
  'use strict';
  var doc = document;
  var win = window;
  var REPORT = '#viewer-report';
  var PICTURE = /(^|\/)image-(\d+)-(\d+)\.html$/;
  if (!doc.querySelector || !win.addEventListener || !win.postMessage || !win.history || !history.pushState ||
    !win.Element || !Element.prototype.closest || !Array.isArray) {
    return;
  }

  function textOf(element) {
    return element ? element.textContent.replace(/\s+/g, ' ').replace(/^ | $/g, '') : '';
  }

  // The thumbnails of this page in page order, each with its link, numbers, alt text and comment.
  function readThumbs() {
    var found = [];
    var links = doc.getElementsByTagName('a');
    for (var i = 0; i < links.length; i++) {
      var href = links[i].getAttribute('href') || '';
      var match = PICTURE.exec(href);
      var img = match && links[i].querySelector('img');
      if (!img) continue;
      var cell = links[i].closest('table');
      found.push({
        link: links[i],
        album: +match[2],
        number: +match[3],
        prefix: href.slice(0, href.length - match[0].length + match[1].length),
        label: img.getAttribute('alt') || '',
        comment: textOf(cell && cell.querySelector('.picturecomment')),
        dense: links[i].getAttribute('data-photo2x') || ''
      });
    }
    return found;
  }

  var thumbs = readThumbs();

  // Loaded by another album page to learn this page's comments: answer, and do nothing else.
  if (win.parent !== win && location.hash === REPORT) {
    var report = [];
    for (var r = 0; r < thumbs.length; r++) {
      var t = thumbs[r];
      report.push({album: t.album, number: t.number, label: t.label, comment: t.comment, dense: t.dense});
    }
    win.parent.postMessage({fotoloomViewer: report}, '*');
    return;
  }
  if (!thumbs.length) return;

  var album = thumbs[0].album;
  var prefix = thumbs[0].prefix;
  var known = {};  // picture number -> its thumbnail, or what its own page reported
  var order = [];  // the picture numbers the viewer pages through
  var here = 0;    // this page's number; 0 when the page bar does not tell
  var pageSize = 0;
  for (var k = 0; k < thumbs.length; k++) {
    if (thumbs[k].album === album) known[thumbs[k].number] = thumbs[k];
  }

  // The whole album when the page bar agrees with the thumbnails, otherwise this page's pictures.
  (function () {
    var text = '';
    var bars = doc.getElementsByTagName('nobr');
    for (var i = 0; i < bars.length; i++) text += ' ' + bars[i].textContent;
    var range = /Pictures (\d+) - (\d+)\s+of (\d+)/.exec(text);
    var pages = /Page (\d+) of (\d+)/.exec(text);
    var first = range ? +range[1] : 0, last = range ? +range[2] : 0, total = range ? +range[3] : 0;
    var page = pages ? +pages[1] : 0, count = pages ? +pages[2] : 0;
    var size = page > 1 ? (first - 1) / (page - 1) : count > 1 ? last : total;
    var agrees = range && pages && size >= 1 && size % 1 === 0 && first === (page - 1) * size + 1 &&
           last === Math.min(page * size, total) && count === Math.ceil(total / size) &&
           thumbs.length === last - first + 1;
    for (var j = 0; agrees && j < thumbs.length; j++) agrees = thumbs[j].number === first + j;
    if (agrees) {
      here = page;
      pageSize = size;
      for (var n = 1; n <= total; n++) order.push(n);
    } else {
      for (var m = 0; m < thumbs.length; m++) {
        if (thumbs[m].album === album) order.push(thumbs[m].number);
      }
    }
  })();

  var albumTitle = textOf(doc.querySelector('.albumtitle'));
  var ui = null;
  var shown = -1;      // index into order of the photo shown
  var open = false;
  var direction = 1;   // the way the visitor last went, for preloading
  var opener = null;   // the link that opened the viewer
  var inerted = [];
  var ahead = [];
  var asked = {};
  var frames = [];
  var swipe = null;

  function stem(number) { return 'image-' + album + '-' + number; }
  function pageOf(number) { return here ? Math.ceil(number / pageSize) : 0; }
  function base() { return location.href.replace(/#.*$/, ''); }

  var ICONS = {
    close: '<path d="M6 6l12 12M18 6L6 18"/>',
    prev: '<path d="M15 5l-7 7 7 7"/>',
    next: '<path d="M9 5l7 7-7 7"/>'
  };
  function button(name, label) {
    return '<button type="button" class="viewer-' + name + '" aria-label="' + label + '" title="' + label + '">' +
        '<svg viewBox="0 0 24 24" width="24" height="24" aria-hidden="true" focusable="false">' + ICONS[name] +
        '</svg></button>';
  }

  function build() {
    var root = doc.createElement('div');
    root.className = 'viewer';
    root.hidden = true;
    root.tabIndex = -1;
    root.setAttribute('role', 'dialog');
    root.setAttribute('aria-modal', 'true');
    root.setAttribute('aria-label', 'Photo viewer');
    root.setAttribute('aria-describedby', 'viewer-caption');
    root.innerHTML = '<div class="viewer-bar"><span class="viewer-title"></span>' +
             '<span class="viewer-counter" aria-live="polite"></span>' + button('close', 'Close') +
             '</div><div class="viewer-stage"><img class="viewer-photo" alt="">' +
             '<p class="viewer-missing" hidden>This photo could not be loaded.</p>' +
             button('prev', 'Previous photo') + button('next', 'Next photo') +
             '</div><p class="viewer-caption" id="viewer-caption"></p>';
    doc.body.appendChild(root);
    var find = function (name) { return root.querySelector('.viewer-' + name); };
    ui = {
      root: root, title: find('title'), counter: find('counter'), close: find('close'), stage: find('stage'),
      photo: find('photo'), missing: find('missing'), prev: find('prev'), next: find('next'),
      caption: find('caption')
    };
    ui.title.textContent = albumTitle;
    ui.close.addEventListener('click', function () { close(false); });
    ui.prev.addEventListener('click', function () { step(-1); });
    ui.next.addEventListener('click', function () { step(1); });
    ui.stage.addEventListener('click', function (e) {
      if (e.target === ui.stage) close(false);
    });
    ui.photo.addEventListener('load', function () { ui.stage.classList.remove('viewer-loading'); });
    ui.photo.addEventListener('error', function () {
      ui.stage.classList.remove('viewer-loading');
      ui.stage.classList.add('viewer-failed');
      ui.missing.hidden = false;
    });
    var passive = {passive: true};
    ui.stage.addEventListener('touchstart', function (e) {
      var p = e.touches[0];
      swipe = e.touches.length === 1 ? {x: p.clientX, y: p.clientY, dx: 0, dy: 0} : null;
    }, passive);
    ui.stage.addEventListener('touchmove', function (e) {
      if (!swipe) return;
      if (e.touches.length !== 1) return endSwipe(false);
      swipe.dx = e.touches[0].clientX - swipe.x;
      swipe.dy = e.touches[0].clientY - swipe.y;
      if (Math.abs(swipe.dx) > Math.abs(swipe.dy)) ui.photo.style.transform = 'translateX(' + swipe.dx + 'px)';
    }, passive);
    ui.stage.addEventListener('touchend', function () { endSwipe(true); });
    ui.stage.addEventListener('touchcancel', function () { endSwipe(false); });
  }

  function endSwipe(finished) {
    var s = swipe;
    swipe = null;
    if (!ui || !s) return;
    ui.photo.style.transform = '';
    if (finished && Math.abs(s.dx) > 40 && Math.abs(s.dx) > 1.5 * Math.abs(s.dy)) step(s.dx < 0 ? 1 : -1);
  }

  // Asks the album page holding a picture for its comments (once per page).
  function ask(number) {
    var page = pageOf(number);
    if (!page || page === here || asked[page]) return;
    asked[page] = true;
    var frame = doc.createElement('iframe');
    frame.setAttribute('aria-hidden', 'true');
    frame.setAttribute('tabindex', '-1');
    frame.hidden = true;
    frame.src = prefix + 'index-' + album + '-' + page + '.html' + REPORT;
    frames.push(frame);
    doc.body.appendChild(frame);
    setTimeout(function () { drop(frame); }, 20000);
  }

  function drop(frame) {
    var i = frames.indexOf(frame);
    if (i < 0) return;
    frames.splice(i, 1);
    if (frame.parentNode) frame.parentNode.removeChild(frame);
  }

  win.addEventListener('message', function (e) {
    var frame = null;
    for (var i = 0; i < frames.length; i++) {
      if (frames[i].contentWindow === e.source) frame = frames[i];
    }
    if (!frame) return;
    drop(frame);
    var list = e.data && e.data.fotoloomViewer;
    if (!Array.isArray(list)) return;
    for (var j = 0; j < list.length; j++) {
      var p = list[j];
      if (p && p.album === album && typeof p.number === 'number' && !known[p.number]) {
        known[p.number] = {label: String(p.label), comment: String(p.comment), dense: String(p.dense || '')};
      }
    }
    if (open) describe();
  });

  function describe() {
    var info = known[order[shown]];
    ui.photo.alt = info ? info.label : albumTitle;
    ui.caption.textContent = info ? info.comment : '';
  }

  // The file to show for a picture: the high-density one when it exists and the screen would show
  // more pixels than the photo has (the photo is never shown larger than its size in CSS pixels,
  // and the window is where it is shown), declared as 2x so that it takes the same room.
  function photoOf(number) {
    var file = prefix + 'photos/' + stem(number);
    var info = known[number];
    var size = info && /^(\d+)x(\d+)$/.exec(info.dense || '');
    if (size) {
      var w = +size[1], h = +size[2];
      var fit = Math.min(1, (win.innerWidth || w) / w, (win.innerHeight || h) / h);
      if (fit * (win.devicePixelRatio || 1) > 1.05) return {src: file + '@2x.jpg', srcset: file + '@2x.jpg 2x'};
    }
    return {src: file + '.jpg', srcset: ''};
  }

  function load(img, photo) {
    if (photo.srcset) {
      img.setAttribute('srcset', photo.srcset);
    } else {
      img.removeAttribute('srcset');
    }
    img.src = photo.src;
  }

  function preload(number) {
    if (!number) return;
    var img = new Image();
    load(img, photoOf(number));
    ahead.push(img);
    ask(number);
  }

  function show(index) {
    shown = index;
    var number = order[index];
    var photo = photoOf(number);
    if (ui.photo.getAttribute('src') !== photo.src) {
      ui.stage.classList.remove('viewer-failed');
      ui.stage.classList.add('viewer-loading');
      ui.missing.hidden = true;
      load(ui.photo, photo);
    }
    ui.counter.textContent = index + 1 + ' / ' + order.length;
    describe();
    ui.prev.disabled = index === 0;
    ui.next.disabled = index === order.length - 1;
    if (open && doc.activeElement && doc.activeElement.disabled) {
      (ui.next.disabled ? ui.prev.disabled ? ui.close : ui.prev : ui.next).focus();
    }
    ask(number);
    // The way the visitor goes first, then the other way.
    ahead = [];
    preload(order[index + direction]);
    preload(order[index - direction]);
  }

  // Shows order[index]; history: 'push' makes a new entry, 'replace' renames this one, 'keep' leaves it.
  // `from` is the thumbnail the visitor chose; opened from the address, the dialog itself takes the focus.
  function display(index, entry, from, thumb) {
    if (!ui) build();
    show(index);
    if (!open) {
      open = true;
      opener = from || thumb || null;
      ui.root.hidden = false;
      doc.documentElement.classList.add('viewer-open');
      var children = doc.body.children;
      for (var i = 0; i < children.length; i++) {
        if (children[i] !== ui.root && !children[i].inert) {
          children[i].inert = true;
          inerted.push(children[i]);
        }
      }
      (from ? ui.close : ui.root).focus();
    }
    var url = base() + '#' + stem(order[index]);
    if (entry === 'push') history.pushState({fotoloomViewer: 1}, '', url);
    if (entry === 'replace') history.replaceState(history.state, '', url);
  }

  function close(fromHistory) {
    if (!open) return;
    open = false;
    swipe = null;
    ui.root.hidden = true;
    doc.documentElement.classList.remove('viewer-open');
    for (var i = 0; i < inerted.length; i++) inerted[i].inert = false;
    inerted = [];
    var thumb = known[order[shown]];
    var back = (thumb && thumb.link) || opener;
    if (back) back.focus();
    if (fromHistory) return;
    if (history.state && history.state.fotoloomViewer) {
      history.back();
    } else {
      history.replaceState(null, '', base());
    }
  }

  function step(delta) {
    var index = shown + delta;
    if (index < 0 || index >= order.length) return;
    direction = delta < 0 ? -1 : 1;
    display(index, 'replace');
  }

  function fromAddress() {
    var match = /^#image-(\d+)-(\d+)$/.exec(location.hash);
    return match && +match[1] === album ? order.indexOf(+match[2]) : -1;
  }

  function follow() {
    var index = fromAddress();
    if (index < 0) {
      close(true);
    } else if (!open || index !== shown) {
      var thumb = known[order[index]];
      display(index, 'keep', null, thumb && thumb.link);
    }
  }

  function trapTab(backwards) {
    var stops = [ui.close, ui.prev, ui.next].filter(function (b) { return !b.disabled; });
    var at = stops.indexOf(doc.activeElement);
    var next = backwards ? (at <= 0 ? stops.length - 1 : at - 1) : (at < 0 || at === stops.length - 1 ? 0 : at + 1);
    stops[next].focus();
  }

  doc.addEventListener('click', function (e) {
    if (e.defaultPrevented || e.button !== 0 || e.ctrlKey || e.metaKey || e.shiftKey || e.altKey) return;
    var link = e.target.closest && e.target.closest('a');
    var index = -1;
    for (var i = 0; link && i < order.length && index < 0; i++) {
      if (known[order[i]] && known[order[i]].link === link) index = i;
    }
    if (index < 0) return;
    try {
      direction = 1;
      display(index, 'push', link);
      e.preventDefault();
    } catch (failure) {
      // The link then opens the picture page as it always did.
      close(true);
      if (ui) ui.root.hidden = true;
    }
  });

  doc.addEventListener('keydown', function (e) {
    if (!open || e.altKey || e.ctrlKey || e.metaKey) return;
    var key = e.key;
    if (key === 'Escape' || key === 'Esc') close(false);
    else if (key === 'ArrowRight' || key === 'Right') step(1);
    else if (key === 'ArrowLeft' || key === 'Left') step(-1);
    else if (key === 'Home') step(-shown);
    else if (key === 'End') step(order.length - 1 - shown);
    else if (key === 'Tab') trapTab(e.shiftKey);
    else return;
    e.preventDefault();
  });

  win.addEventListener('popstate', follow);
  win.addEventListener('hashchange', follow);

  // A shared address: the page without the photo is put behind it, so the back button closes it
  // (unless this entry is the viewer's own already, as after a reload).
  var start = fromAddress();
  if (start >= 0) {
    var own = history.state && history.state.fotoloomViewer;
    if (!own) history.replaceState(null, '', base());
    var thumb = known[order[start]];
    display(start, own ? 'keep' : 'push', null, thumb && thumb.link);
  }
})();
