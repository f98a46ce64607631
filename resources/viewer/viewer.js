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
 * the viewer takes that one where the photo covers more device pixels than it has, and when zoomed.
 * It preloads the next and the previous photo. Full screen (F or its button), zoom (wheel, pinch,
 * double click or tap, + and -, drag to move), a slideshow (space or its button, at the interval the
 * page names in "data-slideshow" until the visitor picks another; it stops on any other input and
 * waits while the tab is hidden), the camera details ("data-details") and the original file
 * ("data-original", "data-original-size") of a thumbnail link when the build wrote them.
 * Without this script, or when it fails, the page works as written.
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
      // A picture the build could not make shows its file's name instead, and keeps its place.
      var img = match && links[i].querySelector('img, .missingpicture');
      if (!img) continue;
      var cell = links[i].closest('table');
      found.push({
        link: links[i],
        album: +match[2],
        number: +match[3],
        prefix: href.slice(0, href.length - match[0].length + match[1].length),
        label: img.getAttribute('alt') || img.getAttribute('aria-label') || '',
        comment: textOf(cell && cell.querySelector('.picturecomment')),
        dense: links[i].getAttribute('data-photo2x') || '',
        details: links[i].getAttribute('data-details') || '',
        original: links[i].getAttribute('data-original') || '',
        originalSize: links[i].getAttribute('data-original-size') || ''
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
      report.push({album: t.album, number: t.number, label: t.label, comment: t.comment, dense: t.dense,
        details: t.details, original: t.original, originalSize: t.originalSize});
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
  var zoom = {scale: 1, x: 0, y: 0};  // the photo's scale and offset while zoomed
  var drag = null;
  var pinch = null;
  var lastTap = 0;
  var playing = false;
  var timer = 0;
  var paced = doc.querySelector('[data-slideshow]');
  var interval = Math.max(1, Math.min(60, +(paced && paced.getAttribute('data-slideshow')) || 5));
  var MOST = 4;  // the largest zoom

  function stem(number) { return 'image-' + album + '-' + number; }
  function pageOf(number) { return here ? Math.ceil(number / pageSize) : 0; }
  function base() { return location.href.replace(/#.*$/, ''); }

  var ICONS = {
    close: '<path d="M6 6l12 12M18 6L6 18"/>',
    prev: '<path d="M15 5l-7 7 7 7"/>',
    next: '<path d="M9 5l7 7-7 7"/>',
    full: '<path d="M4 9V4h5M15 4h5v5M20 15v5h-5M9 20H4v-5"/>',
    zoom: '<circle cx="10.5" cy="10.5" r="6"/><path d="M15 15l5 5M8 10.5h5M10.5 8v5"/>',
    play: '<path d="M8 5l11 7-11 7z"/>',
    pause: '<path d="M8 5v14M16 5v14"/>',
    download: '<path d="M12 4v11M7 10l5 5 5-5M5 20h14"/>'
  };
  function icon(name) {
    return '<svg viewBox="0 0 24 24" width="24" height="24" aria-hidden="true" focusable="false">' + ICONS[name] + '</svg>';
  }
  function button(name, label) {
    return '<button type="button" class="viewer-' + name + '" aria-label="' + label + '" title="' + label + '">' +
        icon(name) + '</button>';
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
    var choices = [2, 3, 5, 8, 10, 15, 30];
    if (choices.indexOf(interval) < 0) choices.push(interval);
    choices.sort(function (a, b) { return a - b; });
    var options = '';
    for (var c = 0; c < choices.length; c++) {
      options += '<option value="' + choices[c] + '"' + (choices[c] === interval ? ' selected' : '') + '>' +
          choices[c] + ' s</option>';
    }
    root.innerHTML = '<div class="viewer-bar"><span class="viewer-title"></span>' +
             '<span class="viewer-counter" aria-live="polite"></span>' +
             '<select class="viewer-interval" aria-label="Seconds per photo" hidden>' + options + '</select>' +
             button('play', 'Slideshow') + button('zoom', 'Zoom') + button('full', 'Full screen') +
             '<a class="viewer-download" hidden download>' + icon('download') + '<span class="viewer-size"></span></a>' +
             button('close', 'Close') +
             '</div><div class="viewer-stage"><img class="viewer-photo" alt="">' +
             '<p class="viewer-missing" hidden>This photo could not be loaded.</p>' +
             button('prev', 'Previous photo') + button('next', 'Next photo') +
             '</div><p class="viewer-caption" id="viewer-caption"></p><p class="viewer-details" hidden></p>';
    doc.body.appendChild(root);
    var find = function (name) { return root.querySelector('.viewer-' + name); };
    ui = {
      root: root, title: find('title'), counter: find('counter'), close: find('close'), stage: find('stage'),
      photo: find('photo'), missing: find('missing'), prev: find('prev'), next: find('next'),
      caption: find('caption'), details: find('details'), play: find('play'), interval: find('interval'),
      zoom: find('zoom'), full: find('full'), download: find('download'), size: find('size')
    };
    ui.title.textContent = albumTitle;
    ui.close.addEventListener('click', function () { close(false); });
    ui.prev.addEventListener('click', function () { stop(); step(-1); });
    ui.next.addEventListener('click', function () { stop(); step(1); });
    ui.play.addEventListener('click', function () { playing ? stop() : play(); });
    ui.interval.addEventListener('change', function () {
      interval = +ui.interval.value || interval;
      if (playing) schedule();
    });
    ui.zoom.addEventListener('click', function () { stop(); zoomTo(zoom.scale > 1 ? 1 : 2.5); });
    ui.full.hidden = !doc.fullscreenEnabled || !ui.root.requestFullscreen;
    ui.full.addEventListener('click', toggleFullScreen);
    ui.stage.addEventListener('click', function (e) {
      if (e.target === ui.stage && zoom.scale === 1) close(false);
    });
    ui.stage.addEventListener('dblclick', function (e) {
      if (e.target !== ui.photo) return;
      stop();
      zoomTo(zoom.scale > 1 ? 1 : 2.5, e.clientX, e.clientY);
    });
    ui.stage.addEventListener('wheel', function (e) {
      if (e.target !== ui.photo && zoom.scale === 1) return;
      e.preventDefault();
      stop();
      zoomTo(zoom.scale * Math.exp(-e.deltaY * 0.002), e.clientX, e.clientY);
    }, {passive: false});
    ui.stage.addEventListener('mousedown', function (e) {
      if (zoom.scale === 1 || e.button !== 0) return;
      e.preventDefault();
      drag = {x: e.clientX - zoom.x, y: e.clientY - zoom.y};
    });
    win.addEventListener('mousemove', function (e) {
      if (!drag) return;
      moveTo(e.clientX - drag.x, e.clientY - drag.y);
    });
    win.addEventListener('mouseup', function () { drag = null; });
    ui.photo.addEventListener('load', function () { ui.stage.classList.remove('viewer-loading'); });
    ui.photo.addEventListener('error', function () {
      ui.stage.classList.remove('viewer-loading');
      ui.stage.classList.add('viewer-failed');
      ui.missing.hidden = false;
    });
    var passive = {passive: true};
    ui.stage.addEventListener('touchstart', function (e) {
      stop();
      var p = e.touches[0];
      swipe = null;
      drag = null;
      pinch = null;
      if (e.touches.length === 2) {
        pinch = {distance: spread(e.touches), scale: zoom.scale};
      } else if (zoom.scale > 1) {
        drag = {x: p.clientX - zoom.x, y: p.clientY - zoom.y};
      } else {
        swipe = {x: p.clientX, y: p.clientY, dx: 0, dy: 0};
      }
    }, passive);
    ui.stage.addEventListener('touchmove', function (e) {
      if (pinch && e.touches.length === 2) {
        var middle = {x: (e.touches[0].clientX + e.touches[1].clientX) / 2, y: (e.touches[0].clientY + e.touches[1].clientY) / 2};
        zoomTo(pinch.scale * spread(e.touches) / pinch.distance, middle.x, middle.y);
        return;
      }
      if (drag && e.touches.length === 1) return moveTo(e.touches[0].clientX - drag.x, e.touches[0].clientY - drag.y);
      if (!swipe) return;
      if (e.touches.length !== 1) return endSwipe(false);
      swipe.dx = e.touches[0].clientX - swipe.x;
      swipe.dy = e.touches[0].clientY - swipe.y;
      if (Math.abs(swipe.dx) > Math.abs(swipe.dy)) ui.photo.style.transform = 'translateX(' + swipe.dx + 'px)';
    }, passive);
    ui.stage.addEventListener('touchend', function (e) {
      var tapped = swipe && Math.abs(swipe.dx) < 10 && Math.abs(swipe.dy) < 10 && e.changedTouches.length === 1;
      var point = e.changedTouches[0];
      endSwipe(true);
      drag = null;
      if (e.touches.length < 2) pinch = null;
      // Two taps in quick succession zoom in at the place, or back out.
      if (tapped || (zoom.scale > 1 && !pinch && e.touches.length === 0 && point)) {
        var now = Date.now();
        if (now - lastTap < 350 && point) {
          zoomTo(zoom.scale > 1 ? 1 : 2.5, point.clientX, point.clientY);
          lastTap = 0;
        } else {
          lastTap = now;
        }
      }
    });
    ui.stage.addEventListener('touchcancel', function () {
      endSwipe(false);
      drag = null;
      pinch = null;
    });
  }

  function spread(touches) {
    var dx = touches[0].clientX - touches[1].clientX, dy = touches[0].clientY - touches[1].clientY;
    return Math.max(1, Math.sqrt(dx * dx + dy * dy));
  }

  // --- Zoom: the photo scaled about a point of the screen, the larger file taken when there is one.
  function applyZoom() {
    ui.photo.style.transform = zoom.scale === 1 ? '' :
        'translate(' + zoom.x + 'px, ' + zoom.y + 'px) scale(' + zoom.scale + ')';
    if (zoom.scale > 1) ui.stage.classList.add('viewer-zoomed'); else ui.stage.classList.remove('viewer-zoomed');
    ui.zoom.setAttribute('aria-pressed', zoom.scale > 1 ? 'true' : 'false');
  }

  // Keeps the scaled photo over the stage: it may not be moved off it.
  function moveTo(x, y) {
    var w = ui.photo.offsetWidth * (zoom.scale - 1) / 2;
    var h = ui.photo.offsetHeight * (zoom.scale - 1) / 2;
    zoom.x = Math.max(-w, Math.min(w, x));
    zoom.y = Math.max(-h, Math.min(h, y));
    applyZoom();
  }

  function zoomTo(scale, atX, atY) {
    scale = Math.max(1, Math.min(MOST, scale));
    if (scale < 1.02) scale = 1;
    var box = ui.photo.getBoundingClientRect();
    var cx = box.left + box.width / 2, cy = box.top + box.height / 2;
    var px = atX === undefined ? cx : atX, py = atY === undefined ? cy : atY;
    // The point under the pointer stays where it is.
    var ratio = scale / zoom.scale;
    var x = zoom.x + (px - cx) * (1 - ratio), y = zoom.y + (py - cy) * (1 - ratio);
    zoom.scale = scale;
    if (scale === 1) {
      zoom.x = zoom.y = 0;
      applyZoom();
    } else {
      moveTo(x, y);
      sharpen();
    }
  }

  function sharpen() {
    var number = order[shown];
    var info = known[number];
    var file = prefix + 'photos/' + stem(number);
    var larger = info && info.dense ? file + '@2x.jpg' : info && info.original ? prefix + info.original : '';
    if (!larger || ui.photo.getAttribute('src') === larger) return;
    // The larger file takes the room the photo has now, so that nothing moves when it arrives.
    ui.photo.style.width = ui.photo.offsetWidth + 'px';
    ui.photo.style.height = ui.photo.offsetHeight + 'px';
    ui.photo.removeAttribute('srcset');
    ui.photo.src = larger;
  }

  function resetZoom() {
    zoom = {scale: 1, x: 0, y: 0};
    drag = null;
    pinch = null;
    if (!ui) return;
    applyZoom();
    ui.photo.style.width = ui.photo.style.height = '';
  }

  // --- Full screen and the slideshow.
  function toggleFullScreen() {
    if (doc.fullscreenElement) {
      doc.exitFullscreen();
    } else if (ui.root.requestFullscreen) {
      var asked = ui.root.requestFullscreen();
      if (asked && asked.catch) asked.catch(function () {});
    }
  }

  function schedule() {
    clearTimeout(timer);
    timer = 0;
    if (playing && !doc.hidden) timer = setTimeout(advance, interval * 1000);
  }

  function advance() {
    timer = 0;
    if (!playing || !open) return;
    direction = 1;
    display(shown + 1 < order.length ? shown + 1 : 0, 'replace');
    schedule();
  }

  function play() {
    playing = true;
    resetZoom();
    ui.play.innerHTML = icon('pause');
    ui.play.setAttribute('aria-label', 'Pause the slideshow');
    ui.play.title = 'Pause the slideshow';
    ui.interval.hidden = false;
    ui.root.classList.add('viewer-playing');
    schedule();
  }

  function stop() {
    if (!playing) return;
    playing = false;
    clearTimeout(timer);
    timer = 0;
    ui.play.innerHTML = icon('play');
    ui.play.setAttribute('aria-label', 'Slideshow');
    ui.play.title = 'Slideshow';
    ui.interval.hidden = true;
    ui.root.classList.remove('viewer-playing');
  }

  doc.addEventListener('visibilitychange', function () { if (playing) schedule(); });

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
        known[p.number] = {label: String(p.label), comment: String(p.comment), dense: String(p.dense || ''),
          details: String(p.details || ''), original: String(p.original || ''), originalSize: String(p.originalSize || '')};
      }
    }
    if (open) describe();
  });

  function describe() {
    var info = known[order[shown]];
    ui.photo.alt = info ? info.label : albumTitle;
    ui.caption.textContent = info ? info.comment : '';
    ui.details.textContent = info ? info.details : '';
    ui.details.hidden = !(info && info.details);
    var original = info && info.original;
    ui.download.hidden = !original;
    if (original) {
      ui.download.href = prefix + original;
      ui.download.setAttribute('aria-label', 'Download the original' + (info.originalSize ? ', ' + info.originalSize : ''));
      ui.download.title = ui.download.getAttribute('aria-label');
      ui.size.textContent = info.originalSize;
    }
  }

  // The room the photo has on the stage, in CSS pixels: the stage less the photo's insets and mat.
  function room() {
    var stage = ui && !ui.root.hidden ? ui.stage.getBoundingClientRect() : null;
    if (!stage || !stage.width) return {width: win.innerWidth || 0, height: win.innerHeight || 0};
    var style = win.getComputedStyle(ui.photo);
    var mat = 2 * (parseFloat(style.paddingLeft) || 0);
    return {
      width: stage.width - (parseFloat(style.left) || 0) - (parseFloat(style.right) || 0) - mat,
      height: stage.height - (parseFloat(style.top) || 0) - (parseFloat(style.bottom) || 0) - mat
    };
  }

  // The file to show for a picture: the high-density one when it exists and the photo, as large as
  // its room lets it be (never larger than its size in CSS pixels), covers more device pixels than
  // the photo has; declared as 2x so that it takes the same room.
  function photoOf(number) {
    var file = prefix + 'photos/' + stem(number);
    var info = known[number];
    var size = info && /^(\d+)x(\d+)$/.exec(info.dense || '');
    if (size) {
      var w = +size[1], h = +size[2];
      var space = room();
      var fit = Math.min(1, (space.width || w) / w, (space.height || h) / h);
      if (fit * (win.devicePixelRatio || 1) > 1) return {src: file + '@2x.jpg', srcset: file + '@2x.jpg 2x'};
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
    resetZoom();
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
    var opening = !open;
    ui.root.hidden = false;
    show(index);
    if (opening) {
      open = true;
      opener = from || thumb || null;
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
    stop();
    resetZoom();
    if (doc.fullscreenElement) doc.exitFullscreen();
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
    var stops = [ui.interval, ui.play, ui.zoom, ui.full, ui.download, ui.close, ui.prev, ui.next].filter(function (b) {
      return !b.disabled && !b.hidden;
    });
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
    if (key === 'Tab') {
      trapTab(e.shiftKey);
      e.preventDefault();
      return;
    }
    // The slideshow's own key; any other one takes the visitor's control back.
    if (key === ' ' || key === 'Spacebar') {
      if (e.target && /^(BUTTON|SELECT|A)$/.test(e.target.tagName)) return;
      playing ? stop() : play();
      e.preventDefault();
      return;
    }
    stop();
    if (key === 'Escape' || key === 'Esc') close(false);
    else if (key === 'ArrowRight' || key === 'Right') step(1);
    else if (key === 'ArrowLeft' || key === 'Left') step(-1);
    else if (key === 'Home') step(-shown);
    else if (key === 'End') step(order.length - 1 - shown);
    else if (key === 'f' || key === 'F') { if (!ui.full.hidden) toggleFullScreen(); }
    else if (key === '+' || key === '=') zoomTo(zoom.scale * 1.5);
    else if (key === '-' || key === '_') zoomTo(zoom.scale / 1.5);
    else if (key === '0') zoomTo(1);
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
