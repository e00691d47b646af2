// SPDX-License-Identifier: MIT
// page.js - Talvenor's page: creates the WebGL 2 context, hands it to the program, loads the
// program (talvenor.data.gz, talvenor.js, talvenor.wasm), wires the buttons, and says in words what
// went wrong when something does.
//
// Two ways to open it:
//   index.html                      the running program, one frame per animation frame
//   index.html?camera=3&frames=40   a still, drawn as talvenor_snapshot draws it: the query's
//                                   names are the tool's options (camera, frames, time,
//                                   drag-yaw, drag-pitch, orbit-angle); when the frames are
//                                   drawn, window.talvenorStill = {frames, ms}, and on a refused
//                                   value window.talvenorStill = {refused: words}
// window.talvenorFrames counts the frames of the running program, window.talvenorFirstFrame is
// the time (ms since navigation) the first one was drawn, window.talvenorEnded is set once the
// program has ended. window.talvenorPaused is true while the browser has taken the graphics
// context away, and window.talvenorRestores counts the times it gave it back.
'use strict';

(function () {
    const canvas = document.getElementById('canvas');
    const status = document.getElementById('status');
    const statusText = document.getElementById('status-text');
    const progress = document.getElementById('progress');
    const buttons = document.querySelectorAll('#buttons button');

    const query = new URLSearchParams(window.location.search);
    const still = window.location.search.length > 1;
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
    function call(exported, value) {
        if (!running || paused) return;
        try {
            exported(value);
        } catch (e) {
            if (!ended) fail('Talvenor stopped with an error: ' + e + '.');
        }
    }
    function pressKey(code) { call(Module._talvenorPressKey, code); }
    function pressSpecialKey(code) { call(Module._talvenorPressSpecialKey, code); }

    buttons.forEach(function (button) {
        button.disabled = true;
        // A button that took the focus would be pressed again by the space bar, which the
        // program also gets.
        button.addEventListener('mousedown', function (event) { event.preventDefault(); });
        button.addEventListener('click', function () {
            if (button.dataset.special) pressSpecialKey(Number(button.dataset.special));
            else pressKey(button.dataset.key.charCodeAt(0));
            canvas.focus();
        });
    });

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
    // Phones and tablets take contexts away (a tab in the background, a locked screen, a restarted
    // graphics process) and give them back to a page that asked for that by preventDefault. The
    // program keeps its state meanwhile; the GL layer then makes its GPU objects again.
    const restoreSeconds = 20;
    let restoreTimer = 0;
    canvas.addEventListener('webglcontextlost', function (event) {
        event.preventDefault();
        if (ended) return;
        paused = true;
        window.talvenorPaused = true;
        if (typeof Module._talvenorGraphicsLost === 'function') Module._talvenorGraphicsLost();
        if (typeof Module.pauseMainLoop === 'function') Module.pauseMainLoop();
        buttons.forEach(function (button) { button.disabled = true; });
        say('The browser has taken the graphics away (as it does for a tab in the background or ' +
            'a locked screen): drawing is paused until it gives them back.', 'paused');
        restoreTimer = setTimeout(function () {
            fail('The graphics context was lost (the browser or the graphics driver reset it) and ' +
                 'not given back within ' + restoreSeconds + ' s, so Talvenor cannot draw any more.');
        }, restoreSeconds * 1000);
    });
    canvas.addEventListener('webglcontextrestored', function () {
        if (ended || !paused) return;
        clearTimeout(restoreTimer);
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
        for (const [name, value] of query) {
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
        postMainLoop: function () {
            window.talvenorFrames = (window.talvenorFrames || 0) + 1;
            if (window.talvenorFirstFrame === undefined) window.talvenorFirstFrame = performance.now();
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
            const total = Number(response.headers.get('Content-Length')) || 0;
            if (total) progress.max = total;
            const reader = response.body.getReader();
            const chunks = [];
            let received = 0;
            function pump() {
                return reader.read().then(function (part) {
                    if (part.done) return new Blob(chunks);
                    chunks.push(part.value);
                    received += part.value.length;
                    if (total) progress.value = received;
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
