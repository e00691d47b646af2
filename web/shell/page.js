// SPDX-License-Identifier: MIT
// page.js - Talvenor's page: starts the program (web/shell/worker.js) in a dedicated worker that
// draws on the page's canvas transferred to it, or on this thread where a worker cannot draw;
// wires the buttons, hands keys, mouse and touch to the program, tells it the shown picture's size,
// offers full screen, keeps the site for offline visits (sw.js), and says in words what went wrong
// when something does. The page and the program speak by messages only (see worker.js).
//
// Two ways to open it:
//   index.html                      the running program, one frame per animation frame
//   index.html?camera=3&frames=40   a still, drawn as talvenor_snapshot draws it: the query's
//                                   names that are the tool's options (camera, frames, time,
//                                   drag-yaw, drag-pitch, orbit-angle, shininess) make it, any
//                                   other name is ignored; when the frames are drawn,
//                                   window.talvenorStill = {frames, ms} and window.talvenorStillImage
//                                   holds its pixels as a PNG data URL; on a refused value
//                                   window.talvenorStill = {refused: words}
// thread=main in the query runs the program on this thread even where a worker could draw;
// window.talvenorPath says which it is, 'worker' or 'main'.
// window.talvenorFrames counts the frames drawn (from a worker, told a few times a second),
// window.talvenorFrameWork = {frames, ms} the time the program's own steps took, on its thread;
// window.talvenorFirstFrame is the time (ms since navigation) the first one was drawn,
// window.talvenorStartParts when each part of the start before it ended (worker.js lists them),
// window.talvenorEnded is set once the program has ended. window.talvenorState holds the scene
// fields the program told last (talvenorAskState() asks for them afresh, as a promise), and
// window.talvenorLayerCounts the GL layer's bytes sent and draw calls of a frame.
// window.talvenorPaused is true while the browser has taken the graphics context away, and
// window.talvenorRestores counts the times it gave it back; talvenorLoseContext() and
// talvenorRestoreContext() have the program's thread lose and restore it, and
// talvenorAskMemory() tells the size of the program's memory (for the checks).
'use strict';

(function () {
    let canvas = document.getElementById('canvas');  // replaced once if a worker took it and could not draw
    const status = document.getElementById('status');
    const statusText = document.getElementById('status-text');
    const progress = document.getElementById('progress');
    const buttons = document.querySelectorAll('#buttons button:not(#fullscreen)');
    const fullscreenButton = document.getElementById('fullscreen');
    // The program's first frame as a picture (first-frame.webp), shown from the page's first
    // paint until the program has drawn that frame itself. A still, a failure or an end has no
    // use for it: it would show what is not there.
    const picture = document.getElementById('first-frame');
    function dropPicture() {
        if (picture) picture.remove();
    }

    // A still is asked for by the still options' own names alone. Links passed around gain names
    // of their own (fbclid, utm_source, ref, ...): those are left in the address and ignored, so
    // that such a link still starts the program, and a still's link that gained one still draws it.
    const kStillNames = ['camera', 'frames', 'time', 'drag-yaw', 'drag-pitch', 'orbit-angle', 'shininess'];
    const query = new URLSearchParams(window.location.search);
    const stillQuery = Array.from(query).filter(function (pair) { return kStillNames.includes(pair[0]); });
    const still = stillQuery.length > 0;
    const onThisThread = query.get('thread') === 'main';
    if (still) dropPicture();
    let running = false;  // the program takes input
    let ended = false;    // ended, failed or lost its context for good: nothing more is drawn
    let paused = false;   // the context is away until the browser gives it back
    let send = function () {};  // a message to the program, once it is started
    let endWorker = function () {};  // ends the worker that runs the program, if one does

    function say(words, kind) {
        statusText.textContent = words;
        status.className = kind || '';
        status.hidden = false;
        progress.hidden = kind !== undefined;
    }

    function stopDrawing() {
        dropPicture();
        running = false;
        ended = true;
        endWorker();
        window.talvenorEnded = true;
        buttons.forEach(function (button) { button.disabled = true; });
    }

    function fail(words) {
        if (ended) return;  // the first explanation stays; later errors are its consequences
        send({type: 'stop'});
        stopDrawing();
        say(words + ' Reload the page to try again.', 'problem');
    }

    // ---- keys: the program's characters and GLUT's special keys -------------------------------
    const kSpecialKeys = {
        F1: 1, F2: 2, F3: 3, F4: 4, F5: 5, F6: 6, F7: 7, F8: 8, F9: 9, F10: 10, F11: 11, F12: 12,
        ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103, PageUp: 104, PageDown: 105,
        Home: 106, End: 107, Insert: 108,
    };
    const kNamedCharacters = {Escape: 27, Enter: 13, Backspace: 8, Tab: 9, Delete: 127};
    // The zoom keys (Up narrows the view by half a degree, Down widens it) are the only thing
    // that changes the program's field of view. The program tells it a few times a second with
    // the id of the last key it had taken: the keys sent since are still to act on it.
    const zoom = {keys: 0, pending: []};  // keys sent; [id, degrees] of the zoom keys sent
    function sendKey(code, special) {
        if (!running || paused) return;
        send({type: 'key', code: code, special: special, id: ++zoom.keys});
        if (special && (code === 101 || code === 103)) zoom.pending.push([zoom.keys, code === 101 ? -0.5 : 0.5]);
    }
    function zoomSent() {  // the field of view the keys sent so far lead to
        const state = window.talvenorState;
        while (state && zoom.pending.length && zoom.pending[0][0] <= state.keys) zoom.pending.shift();
        return zoom.pending.reduce(function (sum, key) { return sum + key[1]; }, state ? state.fieldOfView : 30);
    }
    function pressKey(code) { sendKey(code, false); }
    function pressSpecialKey(code) { sendKey(code, true); }
    window.addEventListener('keydown', function (event) {
        if (ended || paused || !running) return;  // the program takes no keys; the browser may
        if (event.key === 'Escape' && document.fullscreenElement) return;  // the browser's: it leaves full screen
        if (event.ctrlKey || event.altKey || event.metaKey) return;  // the browser's shortcuts
        // A button with the focus is pressed by Enter and the space bar, as anywhere.
        const onButton = event.target.closest && event.target.closest('button');
        if (onButton && (event.key === 'Enter' || event.key === ' ')) return;
        const special = kSpecialKeys[event.key];
        if (special !== undefined) {
            event.preventDefault();  // F5 must not reload, F3 not search, the arrows not scroll
            pressSpecialKey(special);
            return;
        }
        const code = kNamedCharacters[event.key] !== undefined ? kNamedCharacters[event.key] :
                     event.key.length === 1 ? event.key.charCodeAt(0) : 0;
        if (code <= 0 || code > 127) return;
        if (event.key !== 'Tab') event.preventDefault();  // Tab still moves the focus
        pressKey(code);
    }, true);
    canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });

    // ---- the buttons -------------------------------------------------------------------------
    // button: 0 left, 1 middle, 2 right (GLUT's numbers, and the DOM's); at a point of the shown
    // canvas in CSS pixels
    function pointerButton(button, released, point) {
        if (running && !paused) send({type: 'button', button: button, released: released, x: point[0], y: point[1]});
    }
    function pointerDrag(point) {
        if (running && !paused) send({type: 'drag', x: point[0], y: point[1]});
    }

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
    // The program counts the pointer in CSS pixels of the shown canvas, so that a drag moves the
    // view by the same amount per CSS pixel whatever the drawing buffer's size.
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
        // A button that took the focus would be pressed again by the space bar, which the
        // program also gets.
        if (event.type === 'mousedown' && event.target.closest && event.target.closest('#buttons button')) {
            event.preventDefault();
        }
        if (ended || paused) return;
        if (event.button > 2 && event.type !== 'mousemove') return;  // back and forward are the browser's
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
            if (mouseHeld) pointerDrag(point);  // with any button held, as GLUT does
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
    // A pinch starts from the field of view the zoom keys sent so far lead to, not the one
    // told last, which may not have taken them yet.
    function startPinch(fingers) {
        releaseTouch();
        touch.mode = 'pinch';
        touch.pinchView = Math.tan(zoomSent() * Math.PI / 360);
        touch.pinchDistance = fingerDistance(fingers);
    }
    // The picture follows the fingers: twice as far apart, half the view's width. The zoom keys'
    // own half degrees take it there, within 1 to 179 degrees.
    function pinch(fingers) {
        const wanted = Math.min(179, Math.max(1,
            Math.atan(touch.pinchView * touch.pinchDistance / fingerDistance(fingers)) * 360 / Math.PI));
        for (let steps = Math.round((zoomSent() - wanted) / 0.5); steps !== 0; steps -= Math.sign(steps)) {
            pressSpecialKey(steps > 0 ? 101 : 103);
        }
    }

    function onTouch(event) {
        if (event.target !== canvas) return;  // the page's own: scrolling, the buttons
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

    // ---- the shown size: the program draws at it times the pixel ratio -------------------------------
    // Measured when a resize observer sees the box change (a turned phone, full screen) and when
    // the pixel ratio changes (a browser zoom, another screen), never once a frame: measuring
    // makes the browser lay the page out. The program fits its drawing buffer before its next
    // frame. Stills keep their 800 x 600.
    const kMostPixelRatio = 2;
    function shownSize() {
        const box = canvas.getBoundingClientRect();
        return {type: 'size', width: box.width, height: box.height,
                ratio: Math.min(window.devicePixelRatio || 1, kMostPixelRatio)};
    }
    function tellSize() { send(shownSize()); }
    function watchSize() {
        if (typeof ResizeObserver === 'function') new ResizeObserver(tellSize).observe(canvas);
        else window.addEventListener('resize', tellSize);
        (function watchRatio() {
            if (typeof window.matchMedia !== 'function') return;
            const now = window.matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
            const changed = function () {
                now.removeEventListener('change', changed);
                tellSize();
                watchRatio();
            };
            now.addEventListener('change', changed);
        })();
    }

    // ---- a context taken away and given back ---------------------------------------------------
    // Phones and tablets take contexts away (a tab in the background, a locked screen, a restarted
    // graphics process) and give them back to a page that asked for that. The program keeps its
    // state meanwhile; the GL layer then makes its GPU objects again.
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
    function contextLost() {
        if (ended) return;
        releasePointer();
        paused = true;
        window.talvenorPaused = true;
        buttons.forEach(function (button) { button.disabled = true; });
        say('The browser has taken the graphics away (as it does for a tab in the background or ' +
            'a locked screen): drawing is paused until it gives them back.', 'paused');
        restoreDeadline.leftMs = restoreSeconds * 1000;
        runRestoreClock();
    }
    function contextRestored() {
        if (ended || !paused) return;
        holdRestoreClock();
        paused = false;
        window.talvenorPaused = false;
        window.talvenorRestores = (window.talvenorRestores || 0) + 1;
        status.hidden = true;
        if (running) buttons.forEach(function (button) { button.disabled = false; });
    }

    // ---- what the program tells ------------------------------------------------------------------
    const asked = {next: 1, answers: {}};  // questions to the program waiting for their answer
    function ask(type) {
        return new Promise(function (resolve) {
            const id = asked.next++;
            asked.answers[id] = resolve;
            send({type: type, id: id});
        });
    }
    window.talvenorAskState = function () {
        return ask('state').then(function (state) { return state ? Object.assign({}, state) : null; });
    };
    window.talvenorAskMemory = function () { return ask('memory'); };
    window.talvenorLoseContext = function () { send({type: 'lose'}); };
    window.talvenorRestoreContext = function () { send({type: 'restore'}); };

    function noWebGL() {
        dropPicture();
        ended = true;
        endWorker();
        window.talvenorEnded = true;
        say('This browser cannot show Talvenor: it has no WebGL 2, or WebGL is switched off. ' +
            'Talvenor needs WebGL 2, which current versions of Firefox, Chrome, Edge and Safari ' +
            'have; check that hardware acceleration or WebGL is enabled in the browser\'s settings.',
            'problem');
        window.talvenorNoWebGL = true;
    }

    // The first frame is drawn: it takes the picture's place, and the buttons wake.
    function showRunning() {
        dropPicture();
        if (ended || paused) return;  // the restore hides the status and wakes the buttons
        status.hidden = true;
        buttons.forEach(function (button) { button.disabled = false; });
        canvas.focus();
    }

    function told(message) {
        switch (message.type) {
        case 'progress':
            if (ended) break;
            if (statusText.textContent !== 'Loading…') statusText.textContent = 'Loading…';
            if (message.total) {
                progress.max = message.total;
                progress.value = message.received;
            } else {
                progress.removeAttribute('value');
            }
            break;
        case 'running':
            if (ended) break;
            running = true;
            tellSize();
            watchSize();
            break;
        case 'frames':
            window.talvenorFrames = message.count;
            window.talvenorFrameWork = {frames: message.count, ms: message.work};
            if (message.state) window.talvenorState = message.state;
            window.talvenorLayerCounts = {bytes: message.layer[0], draws: message.layer[1]};
            if (window.talvenorFirstFrame === undefined && message.first !== undefined) {
                window.talvenorFirstFrame = message.first - performance.timeOrigin;
                window.talvenorStartParts = {};
                for (const part in message.parts) window.talvenorStartParts[part] = message.parts[part] - performance.timeOrigin;
                // On this thread the frame and the page's change are painted together; a worker's
                // frame is on its way to the screen already when it tells it. All of the change
                // is one picture of the page: while the GPU is busy with the program's first
                // frames, each picture of the page waits for it.
                if (window.talvenorPath === 'main') showRunning();
                else requestAnimationFrame(showRunning);
                keepForOffline();
            }
            break;
        case 'still':
            if (ended) break;  // a failure's words stay
            window.talvenorStillImage = message.image;
            window.talvenorStill = {frames: message.frames, ms: message.ms};
            say('Still: ' + message.frames + (message.frames === 1 ? ' frame' : ' frames') + ' drawn in ' +
                message.ms.toFixed(1) + ' ms.', 'still');
            break;
        case 'refused':
            if (ended) break;
            window.talvenorStill = {refused: message.words};
            say('This still cannot be drawn: ' + message.words + '.', 'problem');
            break;
        case 'lost':
            contextLost();
            break;
        case 'restored':
            contextRestored();
            break;
        case 'restoreFailed':
            fail('The graphics context was lost (the browser or the graphics driver reset it) and ' +
                 'could not be made again, so Talvenor cannot draw any more.');
            break;
        case 'ended':
            stopDrawing();
            say('Talvenor has ended' + (message.code ? ' (status ' + message.code + ')' : '') +
                '. Reload the page to start it again.', 'ended');
            break;
        case 'failed':
            fail(message.words);
            break;
        case 'noWebGL':
            noWebGL();
            break;
        case 'state':
        case 'memory': {
            const answer = asked.answers[message.id];
            delete asked.answers[message.id];
            if (answer) answer(message.type === 'state' ? message.state : {wasm: message.wasm});
            break;
        }
        }
    }

    // A file that does not arrive or an error outside any call of ours, on this thread.
    window.addEventListener('error', function (event) {
        const message = event.message || '';
        const file = message.match(/(talvenor\.[a-z]+|worker\.js)\b/);
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

    // ---- the program: in a worker where one can draw, on this thread otherwise ------------------------
    const args = [];
    if (still) {
        for (const [name, value] of stillQuery) {
            args.push('--' + name);
            if (value !== '') args.push(value);
        }
    }
    function startMessage() {
        return {type: 'start', args: args, still: still, size: still ? null : shownSize(), hidden: document.hidden};
    }

    // Hidden (a tab in the background, a locked screen), the page has the program draw nothing,
    // so that it costs next to no CPU; shown again, it carries on where it was.
    document.addEventListener('visibilitychange', function () {
        send({type: 'visibility', hidden: document.hidden});
    });

    // Making the first graphics context keeps the GPU busy for a while, and the page's paint
    // waits for the GPU: the program's context is made once the page has painted (the picture).
    function afterFirstPaint(then) {
        if (document.hidden) then();  // no paint, no animation frames
        else requestAnimationFrame(function () { setTimeout(then, 0); });
    }

    function runHere() {
        window.talvenorPath = 'main';
        const script = document.createElement('script');
        script.src = 'worker.js';
        script.onerror = function () { fail('The file worker.js did not load.'); };
        script.onload = function () {
            afterFirstPaint(function () {
                if (ended) return;
                // Messages to the program reach it after the call that sent them, as from a worker.
                const receive = window.talvenorRun(canvas, told, startMessage(), 0);
                send = function (message) { receive(message); };
            });
        };
        document.body.appendChild(script);
    }

    function runInWorker() {
        if (onThisThread || typeof Worker !== 'function' || typeof canvas.transferControlToOffscreen !== 'function') {
            runHere();
            return;
        }
        let worker;
        try {
            worker = new Worker('worker.js');
        } catch (error) {
            runHere();
            return;
        }
        let decided = false;
        // The canvas goes to the worker once the page has painted (see afterFirstPaint), or when
        // the worker says it may draw, whichever comes last.
        let painted = false;
        let handOver = null;
        afterFirstPaint(function () {
            painted = true;
            if (handOver) handOver();
        });
        worker.addEventListener('message', function (event) {
            const message = event.data;
            if (message.type === 'unable') {
                // The canvas went to the worker, which cannot draw on it: a new one in its place.
                worker.terminate();
                const fresh = canvas.cloneNode(true);
                canvas.replaceWith(fresh);
                canvas = fresh;
                canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });
                send = function () {};
                if (paused) {  // a loss the worker heard of: this thread makes a context of its own
                    holdRestoreClock();
                    paused = false;
                    window.talvenorPaused = false;
                    say('Loading…');
                }
                runHere();
                return;
            }
            if (message.type !== 'able') {
                told(message);
                return;
            }
            if (decided) return;
            decided = true;
            if (ended) {  // a file the worker fetched first did not arrive: said already
                worker.terminate();
                return;
            }
            if (!message.able) {
                worker.terminate();
                runHere();
                return;
            }
            window.talvenorPath = 'worker';
            endWorker = function () { worker.terminate(); };
            handOver = function () {
                if (ended) return;
                const offscreen = canvas.transferControlToOffscreen();
                const start = startMessage();
                start.canvas = offscreen;
                worker.postMessage(start, [offscreen]);
                send = function (message) { worker.postMessage(message); };
            };
            if (painted) handOver();
        });
        worker.addEventListener('error', function (event) {
            event.preventDefault();
            if (!decided) {  // the worker did not start (its script did not arrive): try here
                decided = true;
                worker.terminate();
                runHere();
                return;
            }
            fail('Talvenor failed: ' + (event.message || 'an error in the program') + '.');
        });
    }

    say('Loading…');
    runInWorker();
})();
