// SPDX-License-Identifier: MIT
// worker.js - runs the program for the page: in a dedicated worker, drawing on the page's canvas
// transferred to it as an OffscreenCanvas on the worker's own animation frames; or, where a
// worker cannot draw, on the page's main thread, loaded there by page.js as a plain script. Either
// way it fetches and unpacks the texture data, makes the WebGL 2 context, loads the program
// (talvenor.js, talvenor.wasm) and hands it the page's input through the browser's GLUT
// (web/glut/), and tells the page what it should show. Nothing here touches the document.
//
// The page's messages, {type, ...}:
//   start    {canvas, args, still, size, hidden}  once; size as in 'size'; hidden as in 'visibility'
//   visibility {hidden}                    the page was hidden (a tab in the background, a locked
//                                          screen) or shown: the program draws nothing while hidden
//   key      {code, special, id}           a key: the program's character, or a GLUT_KEY_* code;
//                                          id counts the page's keys (1, 2, ...)
//   button   {button, released, x, y}      a mouse button (0 left, 1 middle, 2 right)
//   drag     {x, y}                        the pointer moved with a button held
//              (x and y in CSS pixels of the shown canvas)
//   size     {width, height, ratio}        the shown canvas in CSS pixels, the pixel ratio to draw at
//   state / memory  {id}                   asks for the scene's state / the wasm memory's size
//   lose / restore                         loses / restores the context (WEBGL_lose_context), for checks
//   stop                                   the page gave up: draw nothing more
// Its answers:
//   able     {able}                        from a worker, first: whether it may draw here
//   unable                                 from a worker given the canvas: no context on it, or
//                                          its frames do not come
//   progress {received, total}             the texture data arriving (total 0: unknown)
//   running                                the program runs and takes input
//   frames   {count, work, first, parts, layer, state}  frames drawn so far, the ms their steps took,
//            the first frame's time (ms since the epoch) and, with it, when each part of the start
//            ended (talvenorStartParts, ms since the epoch), the GL layer's bytes sent and draw calls
//            of the last frame, and the scene's state when it changed (its keys: the id of the
//            last key the program has taken, or dropped, before it); at the first frame, then
//            at most every tellEveryMs (a few times a second from a worker), and before the
//            frames stop
//   still    {frames, ms, image}           a still is drawn; image is its PNG as a data URL
//   refused  {words}                       a still's option was refused, in the tool's words
//   lost / restored / restoreFailed        the context was taken away / given back / not made again
//   ended    {code}                        the program ended (Escape)
//   failed   {words}                       something did not load or the program stopped
//   noWebGL                                no WebGL 2 context could be made
//   state {id, state} / memory {id, wasm}  the answers to the page's questions
'use strict';

// When each part of the start ended, in ms since the epoch (figures for the checks):
//   script   this script began            data      the texture data arrived
//   unpacked the data was unpacked         code      the program's code was compiled
//   context  the WebGL 2 context was made  frames    a worker's animation frames came
//   program  talvenor.js was loaded and run
//   runtime  the program's memory and files were ready, its main() about to start
//   setUp    main() had done its set-up (the window, the twelve texture files read, the textures
//            and their mipmaps built) and the loop's first step began
//   frame    the first frame was drawn (its shaders made first)
const talvenorStartParts = {};
function talvenorMark(part) {
    if (!(part in talvenorStartParts)) talvenorStartParts[part] = performance.timeOrigin + performance.now();
}
talvenorMark('script');

// The program's two large files, fetched side by side: the texture data (its progress told) and
// the program's code, compiled as it arrives. Started by a worker as soon as it knows it can draw,
// before the page has handed it the canvas.
function talvenorLoad(tell) {
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
            const reader = response.body.getReader();
            const chunks = [];
            let received = 0;
            // Each step of the bar is a new picture of the page for the page's thread to paint:
            // a few a second are enough to see it move.
            let toldAt = performance.now();
            tell({type: 'progress', received: 0, total: total});
            function pump() {
                return reader.read().then(function (part) {
                    if (part.done) {
                        talvenorMark('data');
                        tell({type: 'progress', received: total || received, total: total});
                        return new Blob(chunks);
                    }
                    chunks.push(part.value);
                    received += part.value.length;
                    if (performance.now() - toldAt >= 200) {
                        toldAt = performance.now();
                        tell({type: 'progress', received: total ? Math.min(received, total) : received, total: total});
                    }
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
        }).then(function (data) {
            talvenorMark('unpacked');
            return data;
        });
    }

    // The program's code is fetched and compiled while the texture data arrives, rather than after it.
    const code = fetch('talvenor.wasm').then(function (response) {
        if (!response.ok) {
            throw new Error('The file talvenor.wasm did not load (' + response.status + ' ' +
                            response.statusText + ').');
        }
        // Streaming compiles as the bytes arrive, where the host sends the type it needs.
        const streams = typeof WebAssembly.compileStreaming === 'function' &&
                        /^application\/wasm\b/.test(response.headers.get('Content-Type') || '');
        return streams ? WebAssembly.compileStreaming(response) :
                         response.arrayBuffer().then(function (bytes) { return WebAssembly.compile(bytes); });
    }).then(function (module) {
        talvenorMark('code');
        return module;
    });
    code.catch(function () {});  // told when the program asks for it
    const data = fetchData();
    data.catch(function () {});  // told when the program asks for it
    return {data: data, code: code};
}

// Calls able() once two animation frames have come, or unable() when they have not come within
// ms of the page being shown: a hidden page may have none at all (some browsers give a hidden
// page's worker none), which says nothing of whether it can draw. Returns the function to call
// with each change of the page's visibility.
function talvenorAwaitFrames(ms, hidden, able, unable) {
    let count = 0;
    let timer = 0;
    let done = false;
    function clock(nowHidden) {
        clearTimeout(timer);
        if (!done && !nowHidden) {
            timer = setTimeout(function () {
                done = true;
                unable();
            }, ms);
        }
    }
    requestAnimationFrame(function tick() {
        if (done) return;
        if (++count < 2) {
            requestAnimationFrame(tick);
            return;
        }
        done = true;
        clearTimeout(timer);
        able();
    });
    clock(hidden);
    return clock;
}

// start: the page's start message; start.loading, the files a worker began to fetch (talvenorLoad).
function talvenorRun(canvas, tell, start, tellEveryMs) {
    const inWorker = typeof importScripts === 'function';
    const still = start.still;
    let running = false;  // the program's loop runs and takes input
    let ended = false;    // ended, failed or given up: nothing more is drawn
    let paused = false;   // the context is away
    let runtimeReady = false;  // the program's code and memory are there: its functions may be called
    let hidden = !!start.hidden;  // the page is hidden: the loop rests
    let resting = false;  // the loop was paused because the page is hidden
    let framesAwaited = null;  // the check that the worker's frames come (talvenorAwaitFrames)
    let size = start.size || null;
    let sizeChanged = !!size;
    const stateAsked = [];  // questions for the state, answered after the next step
    const keys = {received: 0, beforeStep: 0, taken: 0};  // ids of the page's keys (see 'key')

    function stopProgram() {  // nothing of the program runs any more: no step, no timer
        ended = true;
        running = false;
        if (typeof Module.pauseMainLoop === 'function') Module.pauseMainLoop();
        if (runtimeReady) {
            Module._talvenorGlutStop();
            Module._talvenorStopStill();
        }
    }

    function fail(words) {
        if (ended) return;
        stopProgram();
        answerStateAsked();
        tell({type: 'failed', words: words});
    }

    // The drawing buffer: the shown size times the pixel ratio, within the GPU's limits. The
    // program's window starts at the canvas's own size (800 x 600, as in the page), and learns of
    // any other from the first step on. The canvas takes that size before its context is made:
    // a drawing buffer resized later waits for the GPU to finish the textures' uploads first.
    function fittedSize(limit) {
        const w = size.width * size.ratio, h = size.height * size.ratio;
        const scale = Math.min(1, limit / w, limit / h);
        return {width: Math.max(1, Math.round(w * scale)), height: Math.max(1, Math.round(h * scale))};
    }
    const programSize = {width: canvas.width, height: canvas.height};
    if (size && !still) {
        const early = fittedSize(2048);  // what every WebGL 2 context can draw
        canvas.width = early.width;
        canvas.height = early.height;
    }

    const gl = canvas.getContext('webgl2', {
        alpha: false,
        depth: true,
        stencil: false,
        antialias: false,
        preserveDrawingBuffer: still,  // a still stays in the canvas to be read
    });
    if (!gl) {
        // A worker's page falls back to drawing on its own thread, which may have WebGL.
        tell({type: inWorker ? 'unable' : 'noWebGL'});
        return function () {};
    }
    talvenorMark('context');
    // On the page's canvas, a worker's animation frames must come before the program is loaded:
    // a browser with WebGL switched off hands a worker a context all the same, and then hardly
    // gives it frames. The page then runs the program itself (which finds no WebGL, and says so).
    // The wait runs while the texture data arrives.
    const framesCome = new Promise(function (resolve) {
        if (!inWorker) {
            resolve();
            return;
        }
        framesAwaited = talvenorAwaitFrames(1000, hidden, function () {
            framesAwaited = null;
            talvenorMark('frames');
            resolve();
        }, function () {
            framesAwaited = null;
            ended = true;
            tell({type: 'unable'});
        });
    });
    const viewportLimits = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    const bufferLimit = Math.min(viewportLimits[0], viewportLimits[1], gl.getParameter(gl.MAX_RENDERBUFFER_SIZE));
    const loss = gl.getExtension('WEBGL_lose_context');
    let restoreAsked = false;  // the page asked for a restore before the loss was seen

    // ---- the drawing buffer's size, applied ----------------------------------------------------------
    // Before the step that draws the next frame; a new size clears the canvas, which the frame then
    // fills. Stills keep their 800 x 600, which their comparison needs.
    function fitDrawingBuffer() {
        if (!sizeChanged || still || !running || paused) return;
        sizeChanged = false;
        const fitted = fittedSize(bufferLimit);
        if (fitted.width !== canvas.width || fitted.height !== canvas.height) {
            canvas.width = fitted.width;
            canvas.height = fitted.height;
        }
        if (fitted.width === programSize.width && fitted.height === programSize.height) return;
        programSize.width = fitted.width;
        programSize.height = fitted.height;
        Module._talvenorGlutReshape(fitted.width, fitted.height);
    }

    // While the page is hidden the loop rests: its next step pauses it instead, until the page is
    // shown again. The day clock's timer goes on as the browser lets it.
    function beforeStep() {
        talvenorMark('setUp');
        if (hidden) {
            resting = true;
            Module.pauseMainLoop();
            tellFramesNow();
            return false;
        }
        keys.beforeStep = keys.received;
        fitDrawingBuffer();
        return true;
    }
    function visibility(nowHidden) {
        hidden = nowHidden;
        if (framesAwaited) framesAwaited(hidden);
        if (hidden || !resting) return;
        resting = false;
        if (running && !paused && !ended) Module.resumeMainLoop();
    }

    // ---- what the page is told of the frames ----------------------------------------------------
    // The scene's state goes along only when it changed since it was last told.
    const frames = {count: 0, work: 0, toldAt: -Infinity, toldCount: 0, toldState: ''};
    function programState() {
        Module._talvenorTellState();
        Module.talvenorState.keys = keys.taken;
        return Module.talvenorState;
    }
    function tellFrames() {
        frames.toldAt = performance.now();
        frames.toldCount = frames.count;
        programState();
        const state = JSON.stringify(Module.talvenorState);
        const message = {type: 'frames', count: frames.count, work: frames.work, first: frames.first,
                         parts: frames.toldCount === 1 ? talvenorStartParts : undefined, layer: [Module._talvenorLayerBytesUploaded(), Module._talvenorLayerDrawCalls()]};
        if (state !== frames.toldState) {
            frames.toldState = state;
            message.state = Module.talvenorState;
        }
        tell(message);
    }
    function tellState(id) {
        tell({type: 'state', id: id, state: runtimeReady ? programState() : null});
    }
    function answerStateAsked() {
        while (stateAsked.length) tellState(stateAsked.shift());
    }
    function stepDone(drawn, ms, took) {
        if (took) keys.taken = keys.beforeStep;
        answerStateAsked();
        if (!drawn) return;
        frames.count += 1;
        frames.work += ms;
        if (frames.count === 1) {
            talvenorMark('frame');
            frames.first = talvenorStartParts.frame;
        }
        if (frames.count === 1 || performance.now() - frames.toldAt >= tellEveryMs) tellFrames();
    }
    function tellFramesNow() {  // before the page is told the frames stopped
        if (runtimeReady && frames.count !== frames.toldCount) tellFrames();
    }

    // ---- the context taken away and given back --------------------------------------------------
    canvas.addEventListener('webglcontextlost', function (event) {
        event.preventDefault();  // asks the browser to give it back
        if (ended) return;
        paused = true;
        tellFramesNow();
        answerStateAsked();
        if (runtimeReady) {
            Module._talvenorGraphicsLost();
            Module._talvenorGlutContextLost();
        }
        if (typeof Module.pauseMainLoop === 'function') Module.pauseMainLoop();
        tell({type: 'lost'});
        if (restoreAsked) {
            restoreAsked = false;
            loss.restoreContext();
        }
    });
    canvas.addEventListener('webglcontextrestored', function () {
        if (ended || !paused) return;
        const made = !runtimeReady || Module._talvenorGraphicsRestored();
        if (!made) {
            stopProgram();
            tell({type: 'restoreFailed'});
            return;
        }
        paused = false;
        sizeChanged = !!size;
        resting = false;  // a hidden page's loop rests again at its next step
        if (running && typeof Module.resumeMainLoop === 'function') Module.resumeMainLoop();
        tell({type: 'restored'});
    });

    // ---- the program ----------------------------------------------------------------------------
    function stillImage() {
        if (typeof canvas.convertToBlob !== 'function') return Promise.resolve(canvas.toDataURL('image/png'));
        return canvas.convertToBlob({type: 'image/png'}).then(function (blob) {
            return new Promise(function (resolve, reject) {
                const reader = new FileReader();
                reader.onload = function () { resolve(reader.result); };
                reader.onerror = function () { reject(reader.error); };
                reader.readAsDataURL(blob);
            });
        });
    }

    const Module = {
        canvas: canvas,
        preinitializedWebGLContext: gl,
        arguments: start.args,
        print: function (text) { console.log(text); },
        printErr: function (text) { console.warn(text); },
        setStatus: function () {},  // the data is fetched here, with its own progress
        onRuntimeInitialized: function () {
            talvenorMark('runtime');
            runtimeReady = true;
            if (still || ended) return;
            running = true;
            tell({type: 'running'});
        },
        preMainLoop: beforeStep,
        talvenorStepDone: stepDone,
        talvenorStillDone: function (count, ms) {
            if (ended) return;  // the page gave up meanwhile: its words stay
            stillImage().then(function (image) {
                tell({type: 'still', frames: count, ms: ms, image: image});
            }, function (error) {
                fail('The still was drawn but could not be read (' + error + ').');
            });
        },
        talvenorStillRefused: function (words) { tell({type: 'refused', words: words.trim()}); },
        // exit() ends here: Escape quits the program, as on the desktop.
        quit: function (code, toThrow) {
            if (!ended) {
                stopProgram();
                tellFramesNow();
                answerStateAsked();
                tell({type: 'ended', code: code});
            }
            throw toThrow;
        },
        onAbort: function (what) {
            if (/fetching of the wasm|talvenor\.wasm/.test(String(what))) fail('The file talvenor.wasm did not load.');
            else fail('Talvenor could not start or stopped with an error (' + what + ').');
        },
    };
    self.Module = Module;

    function loadProgram() {
        if (inWorker) {
            try {
                importScripts('talvenor.js');
                talvenorMark('program');
            } catch (error) {
                fail('The file talvenor.js did not load.');
            }
            return;
        }
        const program = document.createElement('script');
        program.src = 'talvenor.js';
        program.onerror = function () { fail('The file talvenor.js did not load.'); };
        program.onload = function () { talvenorMark('program'); };
        document.body.appendChild(program);
    }

    // emscripten's loader takes the module compiled while the texture data arrived.
    Module.instantiateWasm = function (imports, receiveInstance) {
        code.then(function (module) {
            return WebAssembly.instantiate(module, imports).then(function (instance) {
                receiveInstance(instance, module);
            });
        }).catch(function (error) {
            fail(error instanceof Error && /^The file/.test(error.message) ? error.message :
                 'The file talvenor.wasm did not load (' + error + ').');
        });
        return {};  // the exports come later, through receiveInstance
    };

    const loading = start.loading || talvenorLoad(tell);
    const code = loading.code;
    loading.data.then(function (data) {
        if (ended) return;
        Module.getPreloadedPackage = function () { return data; };
        framesCome.then(function () {
            if (!ended) loadProgram();
        });
    }, function (error) {
        fail(error instanceof Error && /^(The file|This browser)/.test(error.message) ? error.message :
             'The file talvenor.data.gz did not load (' + error + ').');
    });

    // ---- the page's messages ----------------------------------------------------------------------
    function takesInput() { return running && !paused && !ended; }
    return function receive(message) {
        switch (message.type) {
        case 'key':
            keys.received = message.id;
            if (!takesInput()) break;
            if (message.special) Module._talvenorGlutSpecial(message.code, 0, 0);
            else Module._talvenorGlutKeyboard(message.code, 0, 0);
            break;
        case 'button':
            // A release sent as the context went away still reaches the program, after the restore.
            if (takesInput() || (message.released && running && !ended)) {
                Module._talvenorGlutMouse(message.button, message.released ? 1 : 0, message.x, message.y);
            }
            break;
        case 'drag':
            if (takesInput()) Module._talvenorGlutMotion(message.x, message.y);
            break;
        case 'visibility':
            visibility(message.hidden);
            break;
        case 'size':
            size = message;
            sizeChanged = true;
            break;
        case 'state':
            // After the next step, which hands the program the input sent before the question;
            // at once where no step comes.
            if (takesInput()) stateAsked.push(message.id);
            else tellState(message.id);
            break;
        case 'memory':
            tell({type: 'memory', id: message.id, wasm: Module.HEAP8 ? Module.HEAP8.buffer.byteLength : 0});
            break;
        case 'lose':
            if (loss) loss.loseContext();
            break;
        case 'restore':
            // Before the loss is seen here, a restore would be lost itself: it waits for it.
            if (loss && paused) loss.restoreContext();
            else if (loss) restoreAsked = true;
            break;
        case 'stop':
            if (!ended) {
                stopProgram();
                answerStateAsked();
            }
            break;
        }
    };
}

// ---- in a worker ------------------------------------------------------------------------------------
// It says first whether it may draw here: an OffscreenCanvas with WebGL 2 and animation frames of
// its own (Safari before 17 and older Firefox lack them); the page keeps its canvas otherwise.
// Whether it can draw there is known only on the page's canvas, whose context is the one the
// program needs: a worker that finds no context or no frames on it says 'unable'. The program's
// files are fetched meanwhile.
if (typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope) {
    (function () {
        function tell(message) { self.postMessage(message); }
        let receive = null;
        let loading = null;
        self.addEventListener('message', function (event) {
            const message = event.data;
            if (message.type === 'start') {
                message.loading = loading;
                if (!receive) receive = talvenorRun(message.canvas, tell, message, 250);
            } else if (receive) {
                receive(message);
            }
        });
        const able = typeof requestAnimationFrame === 'function' && typeof OffscreenCanvas === 'function' &&
                     typeof WebGL2RenderingContext === 'function';
        if (able) loading = talvenorLoad(tell);
        self.postMessage({type: 'able', able: able});

        // What goes wrong outside any call of ours (the program's code not arriving, an error in
        // it) is the page's to say.
        self.addEventListener('error', function (event) {
            const text = String(event.message || '');
            const file = text.match(/(talvenor\.[a-z]+)\b/);
            tell({type: 'failed', words: file ? 'The file ' + file[1] + ' did not load.' :
                                         'Talvenor failed: ' + (text || 'an error in the program') + '.'});
        });
        self.addEventListener('unhandledrejection', function (event) {
            tell({type: 'failed', words: 'Talvenor failed: ' + event.reason + '.'});
        });
    })();
}
