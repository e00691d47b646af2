// SPDX-License-Identifier: MIT
// floor.js - the page floor.html and its worker: one triangle on a transferred canvas, at the shown
// size times the pixel ratio as the program draws, on the worker's first animation frame.
'use strict';

if (typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope) {
    self.onmessage = function (event) {
        const canvas = event.data.canvas;
        const gl = canvas.getContext('webgl2', {alpha: false, antialias: false});
        function shader(type, source) {
            const s = gl.createShader(type);
            gl.shaderSource(s, '#version 300 es\nprecision mediump float;\n' + source);
            gl.compileShader(s);
            return s;
        }
        const program = gl.createProgram();
        gl.attachShader(program, shader(gl.VERTEX_SHADER,
            'in vec2 p; void main() { gl_Position = vec4(p, 0.0, 1.0); }'));
        gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
            'out vec4 c; void main() { c = vec4(1.0, 0.5, 0.0, 1.0); }'));
        gl.linkProgram(program);
        gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
        gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-0.5, -0.5, 0.5, -0.5, 0, 0.5]), gl.STATIC_DRAW);
        gl.enableVertexAttribArray(0);
        gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
        requestAnimationFrame(function () {
            gl.viewport(0, 0, canvas.width, canvas.height);
            gl.clearColor(0, 0, 0, 1);
            gl.clear(gl.COLOR_BUFFER_BIT);
            gl.useProgram(program);
            gl.drawArrays(gl.TRIANGLES, 0, 3);
            self.postMessage(performance.timeOrigin + performance.now());
        });
    };
} else {
    const canvas = document.getElementById('canvas');
    // The page's box; set here, as the policy allows no inline style.
    canvas.style.display = 'block';
    canvas.style.width = '100%';
    canvas.style.aspectRatio = '4 / 3';
    const box = canvas.getBoundingClientRect();
    canvas.width = Math.round(box.width * Math.min(window.devicePixelRatio || 1, 2));
    canvas.height = Math.round(box.height * Math.min(window.devicePixelRatio || 1, 2));
    const worker = new Worker('floor.js');
    const offscreen = canvas.transferControlToOffscreen();
    worker.postMessage({canvas: offscreen}, [offscreen]);
    worker.onmessage = function (event) { window.floorFirstFrame = event.data - performance.timeOrigin; };
}
