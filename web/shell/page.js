// SPDX-License-Identifier: MIT
// page.js - Talvenor's page: creates the WebGL 2 context, hands it to the program, loads the
// program (talvenor.data.gz, talvenor.js, talvenor.wasm), wires the buttons, hands mouse and touch
// to the program, sizes the drawing buffer to the shown picture, offers full screen, keeps the
// site for offline visits (sw.js), and says in words what went wrong when something does.
//
// Two ways to open it:
//   index.html                      the running program, one frame per animation frame
//   index.html?camera=3&frames=40   a still, drawn as talvenor_snapshot draws it: the query's
//                                   names that are the tool's options (camera, frames, time,
//                                   drag-yaw, drag-pitch, orbit-angle, shininess) make it, any
//                                   other name is ignored; when the frames are
//                                   drawn, window.talvenorStill = {frames, ms}, and on a refused
//                                   value window.talvenorStill = {refused: words}
// window.talvenorFrames counts the frames of the running program, window.talvenorFirstFrame is
// the time (ms since navigation) the first one was drawn, window.talvenorEnded is set once the
// program has ended. Module._talvenorTellState() puts a few scene fields into
// Module.talvenorState. window.talvenorPaused is true while the browser has taken the graphics
// context away, and window.talvenorRestores counts the times it gave it back.
'use strict';

(function () {
    const canvas = document.getElementById('canvas');
    const status = document.getElementById('status');
    const statusText = document.getElementById('status-text');
    const progress = document.getElementById('progress');
    const buttons = document.querySelectorAll('#buttons button:not(#fullscreen)');
    const fullscreenButton = document.getElementById('fullscreen');

    // A still is asked for by the still options' own names alone. Links passed around gain names
    // of their own (fbclid, utm_source, ref, ...): those are left in the address and ignored, so
    // that such a link still starts the program, and a still's link that gained one still draws it.
    const kStillNames = ['camera', 'frames', 'time', 'drag-yaw', 'drag-pitch', 'orbit-angle', 'shininess'];
    const query = new URLSearchParams(window.location.search);
    const stillQuery = Array.from(query).filter(function (pair) { return kStillNames.includes(pair[0]); });
    const still = stillQuery.length > 0;
    let running = false;  // the program takes keys
    let ended = false;    // ended, failed or lost its context for good: nothing more is drawn
    let paused = false;   // the context is away until the browser gives it back

    function say(words, kind) {
        statusText.textContent = words;
        status.className = kind || '';
        status.hidden = false;
        progress.hidden = kind !== undefined;
    }

    function stopDrawing() {
        running = false;
        ended = true;
        window.talvenorEnded = true;
        if (typeof Module.pauseMainLoop === 'function') Module.pauseMainLoop();
        buttons.forEach(function (button) { button.disabled = true; });
    }

    function fail(words) {
        if (ended) return;  // the first explanation stays; later errors are its consequences
        stopDrawing();
        say(words + ' Reload the page to try again.', 'problem');
    }

    // ---- the keys and the mouse buttons the browser must not have -------------------------
    // Listeners of the capture phase on window run in the order they were added: these come
    // before the toolkit's, which glutInit adds later.
    function isFunctionKey(event) {
        return /^F([1-9]|1[0-2])$/.test(event.key);
    }
    window.addEventListener('keydown', function (event) {
        if (ended || paused) {
            event.stopImmediatePropagation();  // the program takes no more keys; the browser may
            return;
        }
        if (isFunctionKey(event)) event.preventDefault();  // F5 must not reload, F3 not search
        if (event.key === 'Escape' && document.fullscreenElement) {
            event.stopImmediatePropagation();  // the browser's: it leaves full screen
            return;
        }
        if (event.key === 'Escape' && running) {
            // Handed over here rather than by the toolkit, so that the end of the program
            // (exit, which unwinds the call) is caught where it is expected.
            event.preventDefault();
            event.stopImmediatePropagation();
            pressKey(27);
        }
    }, true);
    for (const type of ['keyup', 'mousedown', 'mouseup', 'mousemove']) {
        window.addEventListener(type, function (event) {
            if (ended || paused) event.stopImmediatePropagation();
        }, true);
    }
    canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });

    // ---- the buttons -------------------------------------------------------------------------
    function call(exported, ...values) {
        if (!running || paused) return;
        try {
            exported(...values);
        } catch (e) {
            if (!ended) fail('Talvenor stopped with an error: ' + e + '.');
        }
    }
    function pressKey(code) { call(Module._talvenorPressKey, code); }
    function pressSpecialKey(code) { call(Module._talvenorPressSpecialKey, code); }
    // button: 0 left, 1 middle, 2 right (the toolkit's numbers, and the DOM's); at a point of
    // the shown canvas in CSS pixels
    function pointerButton(button, released, point) {
        call(Module._talvenorPointerButton, button, released ? 1 : 0, point[0], point[1]);
    }
    function pointerDrag(point) { call(Module._talvenorPointerDrag, point[0], point[1]); }

    buttons.forEach(function (button) {
        button.disabled = true;
        button.addEventListener('click', function () {
            if (button.dataset.special) {
                pressSpecialKey(Number(button.dataset.special));
            } else if (button.dataset.pointer) {
                pointerButton(Number(button.dataset.pointer), false, [0, 0]);
                pointerButton(Number(button.dataset.pointer), true, [0, 0]);
            } else {
                pressKey(button.dataset.key.charCodeAt(0));
            }
            canvas.focus();
        });
    });

    // ---- the pointer: mouse and touch, in CSS pixels -------------------------------------------
    // The page hands the pointer to the program rather than the toolkit, which counts in pixels
    // of the drawing buffer (twice as many on a sharp screen) and turns touch into nothing but
    // the left button. Listeners of the capture phase on window, added before the toolkit's,
    // stop every mouse and touch event from reaching it.
    function canvasPoint(x, y) {
        const box = canvas.getBoundingClientRect();
        return [Math.round(x - box.left), Math.round(y - box.top)];
    }

    let mouseHeld = 0;  // bits 1 << button of the mouse buttons the program was told are down
    // A release can happen where the page does not see it: outside the window, or after alt-tab.
    // The next move says which buttons are still down (event.buttons, whose bits are 1 left,
    // 4 middle, 2 right), and a window that loses the focus has none held; what the program was
    // told is down and is not any more is handed to it as a release.
    const kButtonsBit = [1, 4, 2];
    let mouseLast = [0, 0];  // where the pointer was last seen, canvas CSS pixels
    function releaseUnseen(stillDown, point) {
        for (let button = 0; button < 3; ++button) {
            if ((mouseHeld & (1 << button)) && !(stillDown & kButtonsBit[button])) {
                mouseHeld &= ~(1 << button);
                pointerButton(button, true, point);
            }
        }
    }
    function onMouse(event) {
        event.stopImmediatePropagation();  // also the target's own listeners: the buttons' are here
        // A button that took the focus would be pressed again by the space bar, which the
        // program also gets.
        if (event.type === 'mousedown' && event.target.closest && event.target.closest('#buttons button')) {
            event.preventDefault();
        }
        const point = canvasPoint(event.clientX, event.clientY);
        mouseLast = point;
        const bit = 1 << event.button;
        if (event.type === 'mousedown' && event.target === canvas && running) {
            event.preventDefault();
            mouseHeld |= bit;
            pointerButton(event.button, false, point);
        } else if (event.type === 'mouseup' && (mouseHeld & bit)) {
            mouseHeld &= ~bit;
            pointerButton(event.button, true, point);
        } else if (event.type === 'mousemove' && mouseHeld) {
            releaseUnseen(event.buttons, point);
            if (mouseHeld) pointerDrag(point);  // with any button held, as the toolkit does
        }
    }
    for (const type of ['mousedown', 'mouseup', 'mousemove']) window.addEventListener(type, onMouse, true);
    window.addEventListener('blur', function () { releaseUnseen(0, mouseLast); });
    function releasePointer() {  // before the context goes away: nothing stays pressed meanwhile
        for (let button = 0; button < 3; ++button) {
            if (mouseHeld & (1 << button)) pointerButton(button, true, [0, 0]);
        }
        mouseHeld = 0;
        releaseTouch();
    }

    // One finger is the mouse: held still it waits, up to kLongPressMs; lifted by then it was a
    // tap (the left button pressed and released); moved by more than kTouchSlop first, it is a
    // drag with the left button held from where it came down; still held at kLongPressMs, it is
    // the right button (pressed and released, with no left press at all). A second finger makes
    // it a pinch, which releases what the first had pressed and zooms until every finger is up.
    const kLongPressMs = 500;
    const kTouchSlop = 10;  // CSS pixels
    const touch = {
        mode: '',           // '' none, 'waiting', 'drag', 'held' (long press done), 'pinch'
        finger: -1,         // identifier of the finger that is the mouse
        start: [0, 0],      // where it came down, canvas CSS pixels
        last: [0, 0],       // where it was last
        timer: 0,
        pinchDistance: 0,   // CSS pixels between the two fingers when the pinch began
        pinchView: 0,       // tan of half the field of view then
        fieldOfView: 0,     // degrees, as the zoom keys the pinch pressed have left it
    };

    function fingerPoint(list, finger) {
        for (const t of list) if (t.identifier === finger) return canvasPoint(t.clientX, t.clientY);
        return null;
    }
    function fingerDistance(list) {
        return Math.hypot(list[0].clientX - list[1].clientX, list[0].clientY - list[1].clientY) || 1;
    }
    function releaseTouch() {  // after a cancelled touch or a pinch: nothing stays pressed
        clearTimeout(touch.timer);
        if (touch.mode === 'drag') pointerButton(0, true, touch.last);
        touch.mode = '';
    }
    function longPress() {
        if (touch.mode !== 'waiting') return;
        touch.mode = 'held';
        pointerButton(2, false, touch.start);
        pointerButton(2, true, touch.start);
    }
    function startPinch(fingers) {
        releaseTouch();
        touch.mode = 'pinch';
        call(Module._talvenorTellState);
        touch.fieldOfView = Module.talvenorState ? Module.talvenorState.fieldOfView : 30;
        touch.pinchView = Math.tan(touch.fieldOfView * Math.PI / 360);
        touch.pinchDistance = fingerDistance(fingers);
    }
    // The picture follows the fingers: twice as far apart, half the view's width. The zoom keys'
    // own half degrees take it there.
    function pinch(fingers) {
        const wanted = Math.min(179, Math.max(1,
            Math.atan(touch.pinchView * touch.pinchDistance / fingerDistance(fingers)) * 360 / Math.PI));
        for (let steps = Math.round((touch.fieldOfView - wanted) / 0.5); steps !== 0; steps -= Math.sign(steps)) {
            pressSpecialKey(steps > 0 ? 101 : 103);  // Up narrows the view, Down widens it
            touch.fieldOfView -= 0.5 * Math.sign(steps);
        }
    }

    function onTouch(event) {
        if (event.target !== canvas) return;  // the page's own: scrolling, the buttons
        event.stopImmediatePropagation();
        event.preventDefault();  // no mouse events made up from it, no zoom of the page
        if (!running || paused) return;
        const fingers = event.targetTouches;
        switch (event.type) {
        case 'touchstart':
            if (fingers.length >= 2) {
                if (touch.mode !== 'pinch') startPinch(fingers);
            } else if (!touch.mode) {
                const finger = event.changedTouches[0];
                touch.mode = 'waiting';
                touch.finger = finger.identifier;
                touch.start = touch.last = canvasPoint(finger.clientX, finger.clientY);
                touch.timer = setTimeout(longPress, kLongPressMs);
            }
            break;
        case 'touchmove': {
            if (touch.mode === 'pinch') {
                if (fingers.length >= 2) pinch(fingers);
                break;
            }
            const point = fingerPoint(event.changedTouches, touch.finger);
            if (!point) break;
            touch.last = point;
            if (touch.mode === 'waiting' &&
                Math.hypot(point[0] - touch.start[0], point[1] - touch.start[1]) > kTouchSlop) {
                clearTimeout(touch.timer);
                touch.mode = 'drag';
                pointerButton(0, false, touch.start);
            }
            if (touch.mode === 'drag') pointerDrag(point);
            break;
        }
        case 'touchend':
            if (touch.mode === 'pinch') {
                if (!fingers.length) touch.mode = '';
            } else if (fingerPoint(event.changedTouches, touch.finger)) {
                if (touch.mode === 'waiting') {
                    clearTimeout(touch.timer);
                    pointerButton(0, false, touch.start);
                    pointerButton(0, true, touch.start);
                }
                releaseTouch();
            }
            break;
        case 'touchcancel':
            releaseTouch();
            break;
        }
    }
    for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel']) {
        window.addEventListener(type, onTouch, {capture: true, passive: false});
    }

    // ---- full screen ---------------------------------------------------------------------------
    // The picture alone on black (page.css, #stage:fullscreen); the drawing buffer follows the
    // bigger box by itself. Leaving full screen (the button again, or Escape, which the browser
    // keeps for this) gives the page back as it was.
    function setUpFullscreen() {
        const stage = document.getElementById('stage');
        if (!document.fullscreenEnabled) {
            fullscreenButton.hidden = true;  // as on phones whose browser lets only videos have it
            return;
        }
        fullscreenButton.addEventListener('click', function () {
            if (document.fullscreenElement) document.exitFullscreen();
            else stage.requestFullscreen().catch(function () {});
            canvas.focus();
        });
        document.addEventListener('fullscreenchange', function () {
            fullscreenButton.textContent = document.fullscreenElement ? 'leave full screen' : 'full screen';
        });
    }
    setUpFullscreen();

    // ---- the context -------------------------------------------------------------------------
    const gl = canvas.getContext('webgl2', {
        alpha: false,
        depth: true,
        stencil: false,
        antialias: false,
        preserveDrawingBuffer: still,  // a still stays in the canvas for toDataURL
    });
    if (!gl) {
        ended = true;
        window.talvenorEnded = true;
        say('This browser cannot show Talvenor: it has no WebGL 2, or WebGL is switched off. ' +
            'Talvenor needs WebGL 2, which current versions of Firefox, Chrome, Edge and Safari ' +
            'have; check that hardware acceleration or WebGL is enabled in the browser\'s settings.',
            'problem');
        window.talvenorNoWebGL = true;
        return;
    }
    // ---- the drawing buffer: the shown size times the pixel ratio --------------------------------
    // Checked before each frame of the running program, so a new size (a turned phone, full
    // screen, a browser zoom) is drawn at once; a new size clears the canvas, which the frame
    // then fills. Stills keep their 800 x 600, which their comparison needs. The shown size is
    // measured again only when a resize observer saw it change or the pixel ratio changed:
    // measuring makes the browser lay the page out, which every frame cannot afford on a phone.
    const kMostPixelRatio = 2;
    const viewportLimits = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    const bufferLimit = Math.min(viewportLimits[0], viewportLimits[1], gl.getParameter(gl.MAX_RENDERBUFFER_SIZE));
    const observed = typeof ResizeObserver === 'function';
    let measuredRatio = 0;  // the pixel ratio of the last measure; 0: measure before the next frame
    if (observed) new ResizeObserver(function () { measuredRatio = 0; }).observe(canvas);
    function fitDrawingBuffer() {
        if (!running || paused) return;
        const ratio = Math.min(window.devicePixelRatio || 1, kMostPixelRatio);
        if (ratio === measuredRatio) return;
        if (observed) measuredRatio = ratio;
        const box = canvas.getBoundingClientRect();
        const scale = Math.min(1, bufferLimit / (box.width * ratio), bufferLimit / (box.height * ratio));
        const width = Math.max(1, Math.round(box.width * ratio * scale));
        const height = Math.max(1, Math.round(box.height * ratio * scale));
        if (width === canvas.width && height === canvas.height) return;
        canvas.width = width;
        canvas.height = height;
        call(Module._talvenorReshape, width, height);
    }

    // Phones and tablets take contexts away (a tab in the background, a locked screen, a restarted
    // graphics process) and give them back to a page that asked for that by preventDefault. The
    // program keeps its state meanwhile; the GL layer then makes its GPU objects again.
    // The browser has restoreSeconds to give the context back, counted only while the page is
    // shown: a phone locked for an hour takes the context away and gives it back once the screen
    // is on again, and a page that gave up in the dark would greet its user with an error.
    const restoreSeconds = 20;
    const restoreDeadline = {
        timer: 0,
        leftMs: 0,      // visible time still allowed
        shownSince: 0,  // performance.now() when the page was last shown with the clock running; 0: not running
    };
    function runRestoreClock() {
        if (restoreDeadline.shownSince || document.visibilityState !== 'visible') return;
        restoreDeadline.shownSince = performance.now();
        restoreDeadline.timer = setTimeout(function () {
            restoreDeadline.shownSince = 0;
            fail('The graphics context was lost (the browser or the graphics driver reset it) and ' +
                 'not given back within ' + restoreSeconds + ' s, so Talvenor cannot draw any more.');
        }, restoreDeadline.leftMs);
    }
    function holdRestoreClock() {
        if (!restoreDeadline.shownSince) return;
        clearTimeout(restoreDeadline.timer);
        restoreDeadline.leftMs = Math.max(0, restoreDeadline.leftMs - (performance.now() - restoreDeadline.shownSince));
        restoreDeadline.shownSince = 0;
    }
    document.addEventListener('visibilitychange', function () {
        if (!paused || ended) return;
        if (document.visibilityState === 'visible') runRestoreClock();
        else holdRestoreClock();
    });
    canvas.addEventListener('webglcontextlost', function (event) {
        event.preventDefault();
        if (ended) return;
        releasePointer();
        paused = true;
        window.talvenorPaused = true;
        if (typeof Module._talvenorGraphicsLost === 'function') Module._talvenorGraphicsLost();
        if (typeof Module.pauseMainLoop === 'function') Module.pauseMainLoop();
        buttons.forEach(function (button) { button.disabled = true; });
        say('The browser has taken the graphics away (as it does for a tab in the background or ' +
            'a locked screen): drawing is paused until it gives them back.', 'paused');
        restoreDeadline.leftMs = restoreSeconds * 1000;
        runRestoreClock();
    });
    canvas.addEventListener('webglcontextrestored', function () {
        if (ended || !paused) return;
        holdRestoreClock();
        const made = typeof Module._talvenorGraphicsRestored !== 'function' || Module._talvenorGraphicsRestored();
        if (!made) {
            fail('The graphics context was lost (the browser or the graphics driver reset it) and ' +
                 'could not be made again, so Talvenor cannot draw any more.');
            return;
        }
        paused = false;
        window.talvenorPaused = false;
        window.talvenorRestores = (window.talvenorRestores || 0) + 1;
        status.hidden = true;
        if (running) {
            buttons.forEach(function (button) { button.disabled = false; });
            if (typeof Module.resumeMainLoop === 'function') Module.resumeMainLoop();
        }
    });

    // ---- the program -------------------------------------------------------------------------
    const args = [];
    if (still) {
        for (const [name, value] of stillQuery) {
            args.push('--' + name);
            if (value !== '') args.push(value);
        }
    }

    window.Module = {
        canvas: canvas,
        preinitializedWebGLContext: gl,
        arguments: args,
        print: function (text) { console.log(text); },
        printErr: function (text) { console.warn(text); },
        setStatus: function (text) {
            if (ended || !text) return;
            // emscripten's own words while the data arrives: "Downloading data... (12/345)"
            const m = text.match(/\((\d+(?:\.\d+)?)\/(\d+(?:\.\d+)?)\)/);
            statusText.textContent = 'Loading…';
            if (m) {
                progress.max = Number(m[2]);
                progress.value = Number(m[1]);
            }
        },
        onRuntimeInitialized: function () {
            if (still || ended) return;
            running = true;
            if (paused) return;  // the restore shows the picture and wakes the buttons
            status.hidden = true;
            buttons.forEach(function (button) { button.disabled = false; });
            canvas.focus();
        },
        preMainLoop: fitDrawingBuffer,
        postMainLoop: function () {
            window.talvenorFrames = (window.talvenorFrames || 0) + 1;
            if (window.talvenorFirstFrame === undefined) {
                window.talvenorFirstFrame = performance.now();
                keepForOffline();
            }
        },
        talvenorStillDone: function (frames, ms) {
            window.talvenorStill = {frames: frames, ms: ms};
            say('Still: ' + frames + (frames === 1 ? ' frame' : ' frames') + ' drawn in ' +
                ms.toFixed(1) + ' ms.', 'still');
        },
        talvenorStillRefused: function (words) {
            words = words.trim();
            window.talvenorStill = {refused: words};
            say('This still cannot be drawn: ' + words + '.', 'problem');
        },
        // exit() ends here: Escape quits the program, as on the desktop.
        quit: function (code, toThrow) {
            stopDrawing();
            say('Talvenor has ended' + (code ? ' (status ' + code + ')' : '') +
                '. Reload the page to start it again.', 'ended');
            throw toThrow;
        },
        onAbort: function (what) {
            if (/fetching of the wasm/.test(String(what))) fail('The file talvenor.wasm did not load.');
            else fail('Talvenor could not start or stopped with an error (' + what + ').');
        },
    };

    // A file that does not arrive (talvenor.wasm) raises its error outside any
    // call of ours.
    window.addEventListener('error', function (event) {
        const message = event.message || '';
        const file = message.match(/(talvenor\.[a-z]+)\b/);
        const reason = message.match(/Error: ([^:]+?) :/);
        if (file) fail('The file ' + file[1] + ' did not load' + (reason ? ' (' + reason[1] + ')' : '') + '.');
        else fail('Talvenor failed: ' + (message || 'an error in the page') + '.');
    });
    window.addEventListener('unhandledrejection', function (event) {
        if (!ended) fail('Talvenor failed: ' + event.reason + '.');
    });

    // ---- offline -------------------------------------------------------------------------------
    // Once the program runs, the service worker (sw.js) keeps the site's files, so that the next
    // visit starts without a network. Not before: the site's first load comes first.
    function keepForOffline() {
        if (!('serviceWorker' in navigator)) return;
        navigator.serviceWorker.register('sw.js').catch(function (error) {
            console.warn('Talvenor will not be kept for offline use: ' + error);
        });
    }

    // ---- the texture data, then the program ----------------------------------------------------
    // talvenor.data.gz holds the twelve texture files as the program's loader wants them, gzipped.
    // It is fetched and unpacked here and handed to the loader, which would otherwise fetch
    // talvenor.data itself. A server may have unpacked it on the way already (Content-Encoding).
    function fetchData() {
        return fetch('talvenor.data.gz').then(function (response) {
            if (!response.ok) {
                throw new Error('The file talvenor.data.gz did not load (' + response.status + ' ' +
                                response.statusText + ').');
            }
            // A host that adds Content-Encoding counts the packed bytes in Content-Length while
            // the body arrives unpacked, three times as long: the bar then shows no end.
            const encoded = (response.headers.get('Content-Encoding') || 'identity') !== 'identity';
            const total = encoded ? 0 : Number(response.headers.get('Content-Length')) || 0;
            if (!total) progress.removeAttribute('value');
            if (total) progress.max = total;
            const reader = response.body.getReader();
            const chunks = [];
            let received = 0;
            function pump() {
                return reader.read().then(function (part) {
                    if (part.done) return new Blob(chunks);
                    chunks.push(part.value);
                    received += part.value.length;
                    if (total) progress.value = Math.min(received, total);
                    return pump();
                });
            }
            return pump();
        }).then(function (blob) {
            return blob.slice(0, 2).arrayBuffer().then(function (head) {
                const magic = new Uint8Array(head);
                if (magic.length < 2 || magic[0] !== 0x1f || magic[1] !== 0x8b) return blob.arrayBuffer();
                if (typeof DecompressionStream !== 'function') {
                    throw new Error('This browser cannot unpack the texture data (it has no ' +
                                    'DecompressionStream); current browsers can.');
                }
                return new Response(blob.stream().pipeThrough(new DecompressionStream('gzip'))).arrayBuffer();
            });
        });
    }

    say('Loading…');
    fetchData().then(function (data) {
        if (ended) return;
        Module.getPreloadedPackage = function () { return data; };
        const program = document.createElement('script');
        program.src = 'talvenor.js';
        program.onerror = function () { fail('The file talvenor.js did not load.'); };
        document.body.appendChild(program);
    }, function (error) {
        fail(error instanceof Error && /^(The file|This browser)/.test(error.message) ? error.message :
             'The file talvenor.data.gz did not load (' + error + ').');
    });
})();
