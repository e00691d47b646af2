// SPDX-License-Identifier: MIT
// layer_test.js - runs the GL layer's unit test (gl_layer_test.js, GoogleTest built with
// emscripten) in the page, collects what it prints, and sets
// window.layerTest = {done, status, output} when it ends: status is the test's exit status, or
// "abort: ..." when it stopped on an error.
'use strict';

(function () {
    const shown = document.getElementById('output');
    const result = {done: false, status: null, output: []};
    window.layerTest = result;

    function collect(text) {
        result.output.push(text);
        shown.textContent += text + '\n';
    }
    function finish(status) {
        if (result.done) return;
        result.status = status;
        result.done = true;
    }

    window.Module = {
        canvas: document.getElementById('canvas'),
        print: collect,
        printErr: collect,
        onExit: finish,
        onAbort: function (what) { finish('abort: ' + what); },
        // Every end passes here: exit() with the test's status, and a trap in the test (a
        // RuntimeError, which emscripten ends with status 1) with the error to throw.
        quit: function (status, toThrow) {
            if (toThrow && toThrow.name !== 'ExitStatus') {
                collect('stopped by ' + toThrow);
                finish('stopped by ' + toThrow);
            }
            finish(status);
            throw toThrow;
        },
    };
    function stopped(what) {
        collect('error: ' + what);
        finish('error: ' + what);
    }
    window.addEventListener('error', function (event) { stopped(event.message); });
    window.addEventListener('unhandledrejection', function (event) { stopped(String(event.reason)); });

    const test = document.createElement('script');
    test.src = 'gl_layer_test.js';
    test.onerror = function () { finish('gl_layer_test.js did not load'); };
    document.body.appendChild(test);
})();
