#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The web build's checks, in headless Chromium against our own static server.

    check.py stills SITE NATIVE OUT   the five cameras by night and by day: the page's still
                                      against talvenor_snapshot's picture of the same options
    check.py page SITE NATIVE         the running page: it animates, F5 keeps the page, F3 and F5
                                      change the camera, Escape ends it; refused stills; no WebGL;
                                      files that do not load; a narrow screen; a lost context not
                                      given back, given back once and twice, across a still, and
                                      50 times in a row with no memory kept;
                                      the controls table; a phone (see phone)
    check.py phone SITE               a phone, emulated, with real touch events: the picture
                                      fits and is sharp in both orientations, touch does every
                                      mouse action, full screen, a second start offline
    check.py lighthouse SITE TOOL     Lighthouse (its mobile settings; TOOL is the folder of
                                      its npm install) against our server: accessibility, best
                                      practices and SEO must be 100, performance is a figure
    check.py restore SITE NATIVE      the lost context given back alone (a part of page)
    check.py wild SITE                shared links with names of their own, a button released
                                      unseen, a page hidden while its context is away, hosts that
                                      redirect or pack on the way (a part of page)
    check.py layer FOLDER             the GL layer's unit test (gl_layer_test.js in FOLDER)
    check.py speed SITE NATIVE        300 frames on the page against 300 native ones, the first
                                      frame's time after navigation (figures only, never fails)
    check.py frames SITE [BEFORE]     the running page's main-thread time per frame (median, p95)
                                      plain and under 4x CPU throttling, frames per second, bytes
                                      sent and draw calls a frame; BEFORE, another build's site, the
                                      same way (figures only, never fails)
    check.py imports WASM             the program's imports: no GL entry point from JavaScript

SITE is build-web/site, NATIVE the native build folder (talvenor_snapshot and the texture files;
it runs under the X server in DISPLAY). Each check prints "PASS: name" or "FAIL: name"; the
exit status is 1 when any failed.
"""
import base64
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import numpy
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import serve  # noqa: E402

failures = 0


def report(name, ok, detail=""):
    global failures
    print("%s: %s%s" % ("PASS" if ok else "FAIL", name, (" (%s)" % detail) if detail else ""), flush=True)
    if not ok:
        failures += 1


# ---- the browser ------------------------------------------------------------------------------

def browser(webgl=True, width=1000, height=1300):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="talvenor-chromium-")
    for arg in ["--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                "--no-sandbox", "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--no-first-run", "--disable-quic", "--user-data-dir=" + profile,
                "--window-size=%d,%d" % (width, height)]:
        options.add_argument(arg)
    if not webgl:
        options.add_argument("--disable-webgl")
        options.add_argument("--disable-3d-apis")
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_script_timeout(60)
    driver.talvenor_profile = profile
    return driver


def close(driver):
    driver.quit()
    shutil.rmtree(driver.talvenor_profile, ignore_errors=True)


def wait_for(driver, script, seconds=60):
    """Polls a script until it returns something true; returns that, or None after the time."""
    end = time.monotonic() + seconds
    while True:
        value = driver.execute_script(script)
        if value or time.monotonic() > end:
            return value
        time.sleep(0.05)


def page_words(driver):
    return driver.execute_script("return document.getElementById('status-text').textContent")


def canvas_data(driver):
    """The canvas's pixels as toDataURL reads them (a still keeps its drawing buffer)."""
    url = driver.execute_script("return document.getElementById('canvas').toDataURL('image/png')")
    return numpy.asarray(Image.open(io.BytesIO(base64.b64decode(url.split(",", 1)[1]))).convert("RGB"))


def canvas_shown(driver):
    """What the canvas shows on the screen, scaled to 800 x 600 (the running page)."""
    from selenium.webdriver.common.by import By
    png = driver.find_element(By.ID, "canvas").screenshot_as_png
    return numpy.asarray(Image.open(io.BytesIO(png)).convert("RGB").resize((800, 600)))


def policy_complaints(driver):
    return [entry["message"] for entry in driver.get_log("browser")
            if "Content Security Policy" in entry["message"] or "Refused to" in entry["message"]]


def still(driver, address, query, seconds=120):
    driver.get(address + "index.html?" + query)
    return wait_for(driver, "return window.talvenorStill || (window.talvenorEnded && "
                    "{failed: document.getElementById('status-text').textContent})", seconds)


# ---- the native tool --------------------------------------------------------------------------

def snapshot(native, args, output):
    # The output first: a refused value may be the last argument, as the page passes it.
    native = os.path.abspath(native)
    return subprocess.run([os.path.join(native, "tools", "talvenor_snapshot"), os.path.abspath(output)] + args, cwd=native,
                          capture_output=True, text=True, env=dict(os.environ, LIBGL_ALWAYS_SOFTWARE="1"))


# The gallery's views (see scripts/gallery and scripts/windows): thirty frames from each hour.
CAMERA_ARGS = {1: ["--orbit-angle", "-1.1"], 2: [], 3: [], 4: ["--drag-pitch", "3400", "--drag-yaw", "-1000"],
               5: ["--drag-pitch", "30", "--drag-yaw", "20"]}
START_TIME = {"night": "1.2", "day": "4.4"}
FRAMES = 30
LIMIT_PERCENT = 2.0
EXACT_SHININESS = "0.000001"


def as_query(args):
    return "&".join("%s=%s" % (args[i][2:], args[i + 1]) for i in range(0, len(args), 2))


def stills(site, native, out):
    os.makedirs(out, exist_ok=True)
    server, address = serve.start(site)
    driver = browser()
    worst = (-1.0, "")
    ok = True
    try:
        for camera in range(1, 6):
            for hour in ("night", "day"):
                name = "camera%d-%s" % (camera, hour)
                args = ["--camera", str(camera), "--frames", str(FRAMES), "--time", START_TIME[hour]] + CAMERA_ARGS[camera]
                # Mesa draws the beacon's highlight at the program's shininess of 0 otherwise than
                # OpenGL says (see app/still_options.h; the GL layer's unit test pins OpenGL's
                # answer). The pictures are compared where both follow OpenGL, at a shininess of
                # EXACT_SHININESS; the pictures at the program's own 0 are compared for the record.
                percents = {}
                for kind, extra in (("exact", ["--shininess", EXACT_SHININESS]), ("as-is", [])):
                    native_file = os.path.join(out, "%s-%s-native.dib" % (name, kind))
                    run = snapshot(native, args + extra, native_file)
                    if run.returncode != 0:
                        print("%s: talvenor_snapshot failed (%d): %s" % (name, run.returncode, run.stderr.strip()))
                        break
                    result = still(driver, address, as_query(args + extra))
                    if not result or "frames" not in result:
                        print("%s: the page drew no still: %s" % (name, result))
                        break
                    web = canvas_data(driver)
                    reference = numpy.asarray(Image.open(native_file).convert("RGB"))
                    differs = (numpy.abs(web.astype(int) - reference.astype(int)).max(axis=2) > 8)
                    percents[kind] = 100.0 * differs.mean()
                    Image.fromarray(web).save(os.path.join(out, "%s-%s-web.png" % (name, kind)))
                    Image.fromarray(reference).save(os.path.join(out, "%s-%s-native.png" % (name, kind)))
                    # The diff: differing pixels red on the native picture dimmed to a quarter.
                    diff = (reference // 4).astype(numpy.uint8)
                    diff[differs] = (255, 0, 0)
                    Image.fromarray(diff).save(os.path.join(out, "%s-%s-diff.png" % (name, kind)))
                if len(percents) < 2:
                    ok = False
                    continue
                percent = percents["exact"]
                errors = [e["message"] for e in driver.get_log("browser")
                          if e["level"] == "SEVERE" and "favicon.ico" not in e["message"]]
                print("%-13s %.3f %% of the pixels differ by more than 8 levels (at the program's shininess 0, "
                      "against Mesa's own picture: %.3f %%)%s"
                      % (name, percent, percents["as-is"], "; console: %s" % errors[:3] if errors else ""), flush=True)
                if percent > worst[0]:
                    worst = (percent, name)
                if percent > LIMIT_PERCENT:
                    ok = False
        print("worst: %.3f %% (%s); at most %.1f %% may differ; pictures in %s" % (worst[0], worst[1], LIMIT_PERCENT, out))
    finally:
        close(driver)
        server.shutdown()
    report("the page's stills match talvenor_snapshot's pictures", ok, "worst %.3f %%, %s" % worst)


# ---- the running page -------------------------------------------------------------------------

def green_ground(picture):
    """Where the unlit ground's green is, on a 200 x 150 grid."""
    small = numpy.asarray(Image.fromarray(picture).resize((200, 150), Image.NEAREST)).astype(int)
    r, g, b = small[..., 0], small[..., 1], small[..., 2]
    return (g > r + 10) & (g > b + 10)


def moved(a, b):
    return 100.0 * float((a != b).sum()) / a.size


def frames(driver):
    return driver.execute_script("return window.talvenorFrames || 0")


def after_frames(driver, count):
    """Waits until the program has drawn count more frames."""
    start = frames(driver)
    return wait_for(driver, "return (window.talvenorFrames || 0) >= %d" % (start + count), 30)


def press(driver, key):
    from selenium.webdriver.common.action_chains import ActionChains
    ActionChains(driver).send_keys(key).perform()


def animation_frames(driver, count):
    """Waits for count animation frames of the browser, whether or not the program draws."""
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1]; let n = %d;"
        "function tick() { if (--n <= 0) done(true); else requestAnimationFrame(tick); }"
        "requestAnimationFrame(tick);" % count)


def switched(before, after):
    """A new camera moves the ground far more than ten frames of the old one do."""
    return after > 5 and after > 5 * before


def camera_switch(driver, key):
    """How far the green ground moves in ten frames of the present camera, and then after key,
    as soon as that is a switch (or after 20 s): (before, after), in per cent."""
    reference = green_ground(canvas_shown(driver))
    after_frames(driver, 10)
    before = moved(reference, green_ground(canvas_shown(driver)))
    press(driver, key)
    after = 0.0
    end = time.monotonic() + 20
    while time.monotonic() < end:
        after_frames(driver, 3)
        after = moved(reference, green_ground(canvas_shown(driver)))
        if switched(before, after):
            break
    return before, after


def running_page(site, native):
    from selenium.webdriver.common.keys import Keys
    server, address = serve.start(site)
    driver = browser()
    try:
        driver.get(address + "index.html")
        started = wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60)
        title = driver.title
        if not started or driver.execute_script("return !!window.talvenorEnded"):
            report("the page starts the program", False, page_words(driver))
            return
        report("the page starts the program", title == "Talvenor", "title %r" % title)

        first = canvas_shown(driver)
        changed = None
        end = time.monotonic() + 20
        while time.monotonic() < end:
            after_frames(driver, 5)
            changed = moved(first.reshape(-1), canvas_shown(driver).reshape(-1))
            if changed > 0.5:
                break
        report("the running page animates", changed is not None and changed > 0.5,
               "%.1f %% of the channel values changed" % (changed or 0))

        # The lit picture changes colour with the fast day clock; unlit (l), the ground is its
        # texture's green wherever the camera sees it. The picture is taken once the program has
        # had the key (a listener added after the toolkit's sees it after the toolkit did) and
        # drawn frames since, however late a busy machine delivers it.
        driver.execute_script("window.talvenorKeys = [];"
                              "window.addEventListener('keydown', function (e) {"
                              "  window.talvenorKeys.push([e.key, window.talvenorFrames || 0]);"
                              "});")
        press(driver, "l")
        had = wait_for(driver, "const k = window.talvenorKeys.find(function (k) { return k[0] === 'l'; });"
                       "return k && (window.talvenorFrames || 0) >= k[1] + 3", 30)
        unlit = green_ground(canvas_shown(driver))
        if not had or unlit.mean() <= 0.2:
            report("F5 keeps the page and switches to camera 5", False,
                   "the unlit picture did not come (key seen: %s, ground %.1f %%)" % (bool(had), 100 * unlit.mean()))
            return
        driver.execute_script("window.talvenorMarker = 'kept';"
                              "window.addEventListener('keydown', function (e) {"
                              "  if (/^F[0-9]+$/.test(e.key)) window.talvenorKept = (window.talvenorKept || '') +"
                              "    e.key + (e.defaultPrevented ? ' kept ' : ' passed on ');"
                              "});")
        url = driver.current_url
        frames_before = frames(driver)
        before, after = camera_switch(driver, Keys.F5)
        kept = driver.execute_script("return window.talvenorMarker") == "kept" and driver.current_url == url \
            and frames(driver) > frames_before
        browser_got = driver.execute_script("return window.talvenorKept") or ""
        report("F5 keeps the page and switches to camera 5",
               kept and browser_got == "F5 kept " and switched(before, after),
               "page kept: %s; %s; the green ground moved by %.1f %% without a key, %.1f %% after F5"
               % (kept, browser_got.strip(), before, after))

        before, after = camera_switch(driver, Keys.F3)
        browser_got = driver.execute_script("return window.talvenorKept") or ""
        report("F3 switches to camera 3, kept from the browser", switched(before, after) and
               browser_got.endswith("F3 kept "),
               "%s; the green ground moved by %.1f %% without a key, %.1f %% after F3" % (browser_got.strip(), before, after))
        menu = driver.execute_script(
            "const e = new MouseEvent('contextmenu', {bubbles: true, cancelable: true, button: 2});"
            "document.getElementById('canvas').dispatchEvent(e); return e.defaultPrevented")
        report("the right button opens no menu over the picture", bool(menu))

        complaints = policy_complaints(driver)
        report("the page runs under its content security policy", not complaints, "; ".join(complaints[:3]))

        press(driver, Keys.ESCAPE)
        ended = wait_for(driver, "return window.talvenorEnded", 10)
        words = page_words(driver)
        shown = canvas_shown(driver)
        drawn = frames(driver)
        animation_frames(driver, 30)
        press(driver, "l")  # no key reaches the ended program
        animation_frames(driver, 30)
        same = bool((canvas_shown(driver) == shown).all()) and frames(driver) == drawn
        report("Escape ends the program: drawing stops and the page says so",
               bool(ended) and same and "ended" in words and "Reload" in words, "page: %r; picture unchanged: %s" % (words, same))
    finally:
        close(driver)
        server.shutdown()


def refused_stills(site, native):
    """Values the snapshot tool refuses are refused on the page in the tool's words, with nothing drawn."""
    server, address = serve.start(site)
    driver = browser()
    ok = True
    try:
        for query, args in [("camera=9", ["--camera", "9"]), ("frames=100001", ["--frames", "100001"]),
                            ("time=nan", ["--time", "nan"]), ("frames=", ["--frames"]),
                            ("camera=9&zoom=2", ["--camera", "9"]), ("shininess=129", ["--shininess", "129"])]:
            run = snapshot(native, args, "/dev/null")
            expected = run.stderr.splitlines()[0].replace("talvenor_snapshot: ", "", 1) if run.stderr else "?"
            result = still(driver, address, query, 30) or {}
            words = page_words(driver)
            blank = canvas_data(driver)
            nothing_drawn = bool((blank == blank[0, 0]).all())
            right = result.get("refused") == expected and expected in words and nothing_drawn and run.returncode == 2
            print("?%-14s page: %r; talvenor_snapshot: %r; nothing drawn: %s" % (query, result.get("refused"), expected, nothing_drawn))
            ok = ok and right
    finally:
        close(driver)
        server.shutdown()
    report("the page refuses what talvenor_snapshot refuses, in its words, and draws nothing", ok)


def controls_table(site):
    """The page's controls table is the README's."""
    readme = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")
    text = open(readme, encoding="utf-8").read()
    section = text.split("## Controls", 1)[1].split("\n### ", 1)[0]
    rows = [[cell.strip().replace("`", "") for cell in line.strip().strip("|").split("|")]
            for line in section.splitlines() if line.startswith("|") and not line.startswith("|---")][1:]
    html = open(os.path.join(site, "index.html"), encoding="utf-8").read()
    table = html.split('<table id="controls">', 1)[1].split("</table>", 1)[0].split("<tbody>", 1)[1]
    page_rows = [[re.sub(r"<[^>]+>", "", cell).replace("&amp;", "&").strip() for cell in re.findall(r"<td>(.*?)</td>", row)]
                 for row in re.findall(r"<tr>(.*?)</tr>", table, re.S)]
    missing = [r for r in rows if r not in page_rows]
    extra = [r for r in page_rows if r not in rows]
    for r in missing:
        print("in the README, not on the page: %s" % " | ".join(r))
    for r in extra:
        print("on the page, not in the README: %s" % " | ".join(r))
    report("the page's controls table is the README's", bool(rows) and not missing and not extra and rows == page_rows,
           "%d rows" % len(rows))


def no_webgl(site):
    server, address = serve.start(site)
    driver = browser(webgl=False)
    try:
        driver.get(address + "index.html")
        told = wait_for(driver, "return window.talvenorNoWebGL", 20)
        words = page_words(driver)
        loaded = driver.execute_script(
            "return performance.getEntriesByType('resource').map(e => e.name).filter(n => /talvenor\\.(js|wasm|data)$/.test(n))")
        report("without WebGL the page says so in words and loads no program",
               bool(told) and "WebGL 2" in words and not loaded, "page: %r; loaded: %s" % (words, loaded))
    finally:
        close(driver)
        server.shutdown()


def missing_files(site):
    """A file that does not arrive is told in words, and nothing starts."""
    ok = True
    for name in ("talvenor.data.gz", "talvenor.wasm", "talvenor.js"):
        server, address = serve.start(site, withheld=[name])
        driver = browser()
        try:
            driver.get(address + "index.html")
            told = wait_for(driver, "return window.talvenorEnded", 30)
            words = page_words(driver)
            right = bool(told) and "Reload" in words and not frames(driver)
            print("without %-14s the page says: %r" % (name, words))
            ok = ok and right
        finally:
            close(driver)
            server.shutdown()
    report("a file that does not load is told in words", ok)


def narrow_screen(site):
    """On a 400 pixel wide screen the canvas is scaled to fit, 4:3, its drawing buffer the shown size."""
    server, address = serve.start(site)
    driver = browser(width=400, height=900)
    try:
        driver.get(address + "index.html")
        wait_for(driver, "return (window.talvenorFrames || 0) > 2 || window.talvenorEnded", 60)
        settled(driver)
        box = layout(driver)
        ok = box["right"] <= box["screenWidth"] and abs(box["width"] * 3 - box["height"] * 4) < 4 \
            and box["scrollWidth"] <= box["screenWidth"] and sharp(box)
        report("on a narrow screen the canvas fits, keeping 4:3, its drawing buffer the shown size", ok, describe(box))

        # The same page loses its context, as when the graphics driver resets, and the browser
        # does not give it back: the page waits, then says so.
        lose_context(driver)
        lost = wait_for(driver, "return window.talvenorEnded", 40)
        words = page_words(driver)
        drawn = frames(driver)
        animation_frames(driver, 30)
        report("a lost graphics context that does not come back stops the drawing and is told in words",
               bool(lost) and "context was lost" in words and frames(driver) == drawn, "page: %r" % words)
    finally:
        close(driver)
        server.shutdown()


# ---- a phone ----------------------------------------------------------------------------------
# A 915 x 412 CSS pixel screen (turned: 412 x 915) at 2.625 device pixels per CSS pixel, with
# touch, as DevTools emulates one; touches are DevTools' own touch events, as a screen sends them.
PHONE = (915, 412, 2.625)


def emulate_phone(driver, landscape):
    width, height, ratio = PHONE
    if not landscape:
        width, height = height, width
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": True,
        "screenOrientation": {"type": "landscapePrimary" if landscape else "portraitPrimary",
                              "angle": 90 if landscape else 0}})


def touches(driver, kind, points=()):
    driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
        "type": kind, "touchPoints": [{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)]})


def mouse(driver, kind, x, y, button="none"):
    driver.execute_cdp_cmd("Input.dispatchMouseEvent", {
        "type": kind, "x": x, "y": y, "button": button, "buttons": 1 if button == "left" else 0, "clickCount": 1})


def program_state(driver):
    return driver.execute_script("Module._talvenorTellState(); return Object.assign({}, Module.talvenorState)")


def layout(driver):
    """The picture's box, the screen, the drawing buffer and the program's viewport."""
    return driver.execute_script(
        "const c = document.getElementById('canvas'), r = c.getBoundingClientRect();"
        "const b = document.querySelector('#buttons button').getBoundingClientRect();"
        "Module._talvenorTellState();"
        "return {left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height,"
        " screenWidth: innerWidth, screenHeight: innerHeight, ratio: devicePixelRatio,"
        " scrollWidth: document.documentElement.scrollWidth,"
        " bufferWidth: c.width, bufferHeight: c.height, viewport: [Module.talvenorState.width,"
        " Module.talvenorState.height], buttonLeft: b.left, buttonTop: b.top, buttonBottom: b.bottom,"
        " fullscreen: document.fullscreenElement ? document.fullscreenElement.id : '',"
        " background: document.fullscreenElement ? getComputedStyle(document.fullscreenElement).backgroundColor : ''}")


def sharp(box):
    """The drawing buffer is the shown size times the pixel ratio (at most 2), and the program's."""
    ratio = min(box["ratio"], 2)
    return abs(box["bufferWidth"] - box["width"] * ratio) <= 1 and abs(box["bufferHeight"] - box["height"] * ratio) <= 1 \
        and box["viewport"] == [box["bufferWidth"], box["bufferHeight"]]


def fits(box, margin=40):
    """The whole picture is on the screen, 4:3, as wide or as high as the screen less a margin."""
    return box["left"] >= 0 and box["top"] >= 0 and box["right"] <= box["screenWidth"] + 0.5 \
        and box["bottom"] <= box["screenHeight"] + 0.5 and abs(box["width"] * 3 - box["height"] * 4) < 4 \
        and (box["width"] >= box["screenWidth"] - margin or box["height"] >= box["screenHeight"] - margin) \
        and box["scrollWidth"] <= box["screenWidth"]


def describe(box):
    return "%.0fx%.0f at (%.0f, %.0f) on %dx%d, buffer %dx%d, viewport %dx%d" % (
        box["width"], box["height"], box["left"], box["top"], box["screenWidth"], box["screenHeight"],
        box["bufferWidth"], box["bufferHeight"], box["viewport"][0], box["viewport"][1])


def settled(driver):
    """Two frames drawn after the screen changed: the buffer follows before a frame."""
    after_frames(driver, 2)
    animation_frames(driver, 2)


def phone(site):
    server, address = serve.start(site)
    driver = browser(width=PHONE[0], height=PHONE[1])
    try:
        driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
        emulate_phone(driver, landscape=True)
        driver.get(address + "index.html")
        driver.execute_script("window.talvenorShifts = 0; new PerformanceObserver(function (list) {"
                              "  for (const e of list.getEntries()) window.talvenorShifts += e.value;"
                              "}).observe({type: 'layout-shift', buffered: true});")
        if not wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60) \
                or driver.execute_script("return !!window.talvenorEnded"):
            report("on a phone the page starts", False, page_words(driver))
            return
        settled(driver)

        # ---- both orientations: the whole picture, sharp, the buttons beside or below
        landscape = layout(driver)
        shifted = driver.execute_script("return window.talvenorShifts")
        emulate_phone(driver, landscape=False)
        settled(driver)
        portrait = layout(driver)
        beside = landscape["buttonLeft"] >= landscape["right"] and landscape["buttonTop"] < landscape["screenHeight"]
        below = portrait["buttonTop"] >= portrait["bottom"] and portrait["buttonBottom"] <= portrait["screenHeight"]
        report("on a phone the whole picture shows, sharp, in landscape and portrait, the buttons beside or below it",
               fits(landscape) and fits(portrait) and sharp(landscape) and sharp(portrait) and beside and below
               and shifted == 0,
               "landscape: %s, buttons beside: %s; portrait: %s, buttons below: %s; layout shift %.3f"
               % (describe(landscape), beside, describe(portrait), below, shifted))

        # ---- touch: every mouse action (in portrait)
        x = portrait["left"] + portrait["width"] / 2
        y = portrait["top"] + portrait["height"] / 2
        start = program_state(driver)
        touches(driver, "touchStart", [(x, y)])
        touches(driver, "touchEnd")
        tapped = program_state(driver)
        touches(driver, "touchStart", [(x, y)])
        wait_for(driver, "Module._talvenorTellState(); return Module.talvenorState.autoOrbit !== %d" % tapped["autoOrbit"], 10)
        touches(driver, "touchEnd")
        held = program_state(driver)
        report("a tap reverses the sails; a long press toggles the orbit and reverses no sails",
               tapped["sailSpeed"] == -start["sailSpeed"] and tapped["autoOrbit"] == start["autoOrbit"]
               and held["autoOrbit"] != tapped["autoOrbit"] and held["sailSpeed"] == tapped["sailSpeed"],
               "sails %g, after the tap %g, after the long press %g; orbit by itself %d, %d, %d"
               % (start["sailSpeed"], tapped["sailSpeed"], held["sailSpeed"], start["autoOrbit"],
                  tapped["autoOrbit"], held["autoOrbit"]))

        touches(driver, "touchStart", [(x - 50, y), (x + 50, y)])
        for step in range(1, 6):
            touches(driver, "touchMove", [(x - 50 - 10 * step, y), (x + 50 + 10 * step, y)])
        touches(driver, "touchEnd")
        pinched = program_state(driver)
        page_scale = driver.execute_script("return visualViewport.scale")
        # Fingers twice as far apart: half the view's width, tan(fov / 2) halved.
        wanted = 2 * numpy.degrees(numpy.arctan(numpy.tan(numpy.radians(held["fieldOfView"] / 2)) / 2))
        report("a pinch zooms the view, following the fingers, not the page",
               abs(pinched["fieldOfView"] - wanted) <= 0.5 and page_scale == 1,
               "field of view %.1f -> %.1f degrees (the fingers ask for %.1f); page scale %s"
               % (held["fieldOfView"], pinched["fieldOfView"], wanted, page_scale))

        driver.find_element("css selector", "#buttons button[data-special='4']").click()
        before = program_state(driver)
        touches(driver, "touchStart", [(x, y)])
        for step in range(1, 6):
            touches(driver, "touchMove", [(x, y - 20 * step)])
        touches(driver, "touchEnd")
        by_touch = program_state(driver)
        mouse(driver, "mousePressed", x, y, "left")
        for step in range(1, 6):
            mouse(driver, "mouseMoved", x, y - 20 * step, "left")
        mouse(driver, "mouseReleased", x, y - 100, "left")
        by_mouse = program_state(driver)
        touch_pitch = by_touch["dragPitch"] - before["dragPitch"]
        mouse_pitch = by_mouse["dragPitch"] - by_touch["dragPitch"]
        report("a drag in camera 4 moves the view, by touch as by mouse, one step per CSS pixel",
               by_touch["camera"] == 4 and touch_pitch == 100 and mouse_pitch == 100
               and by_mouse["dragYaw"] == before["dragYaw"],
               "100 CSS pixels up: %g by touch, %g by mouse (drawing buffer %dx%d)"
               % (touch_pitch, mouse_pitch, by_mouse["width"], by_mouse["height"]))

        touches(driver, "touchStart", [(x, y)])
        touches(driver, "touchMove", [(x, y - 50)])
        touches(driver, "touchCancel")
        cancelled = program_state(driver)
        for step in range(1, 6):
            mouse(driver, "mouseMoved", x + 20 * step, y + 20 * step)
        moved_after = program_state(driver)
        touches(driver, "touchStart", [(x, y)])
        touches(driver, "touchEnd")
        tapped_after = program_state(driver)
        report("a cancelled touch leaves no button held",
               moved_after["dragPitch"] == cancelled["dragPitch"] and moved_after["dragYaw"] == cancelled["dragYaw"]
               and tapped_after["sailSpeed"] == -moved_after["sailSpeed"],
               "a mouse moved with no button then dragged %g, %g; the next tap reversed the sails: %s"
               % (moved_after["dragYaw"] - cancelled["dragYaw"], moved_after["dragPitch"] - cancelled["dragPitch"],
                  tapped_after["sailSpeed"] == -moved_after["sailSpeed"]))

        # ---- full screen, and back
        driver.find_element("id", "fullscreen").click()
        wait_for(driver, "return !!document.fullscreenElement", 10)
        settled(driver)
        full = layout(driver)
        driver.execute_script("document.exitFullscreen()")
        wait_for(driver, "return !document.fullscreenElement", 10)
        settled(driver)
        back = layout(driver)
        centred = abs(full["left"] - (full["screenWidth"] - full["right"])) <= 1 \
            and abs(full["top"] - (full["screenHeight"] - full["bottom"])) <= 1
        report("the full-screen button shows the picture alone on black, and leaving restores the page",
               full["fullscreen"] == "stage" and fits(full, margin=1) and centred and sharp(full)
               and full["background"] == "rgb(0, 0, 0)" and back == portrait and not frames_stopped(driver),
               "full screen: %s (%s, %s); after: %s" % (describe(full), full["fullscreen"] or "none",
                                                        full["background"], describe(back)))

        # ---- a second start with the server gone
        kept = driver.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "navigator.serviceWorker.ready.then(function (r) { done(r.active && r.active.state); },"
            " function (e) { done(String(e)); }); setTimeout(function () { done('no worker'); }, 30000);")
        server.shutdown()
        server.server_close()
        from selenium.common.exceptions import WebDriverException
        try:
            driver.get(address + "index.html")
            again = wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60)
            words = page_words(driver) if again else ""
        except WebDriverException as error:  # the browser's own error page
            again, words = False, error.msg
        report("the page starts a second time with the server stopped",
               bool(again) and not driver.execute_script("return !!window.talvenorEnded"),
               "service worker: %s; then, offline: %s" % (kept, "drawing" if again else repr(words)))
    finally:
        close(driver)
        server.shutdown()


def frames_stopped(driver):
    drawn = frames(driver)
    return not after_frames(driver, 2) or frames(driver) == drawn or driver.execute_script("return !!window.talvenorEnded")


def page(site, native):
    running_page(site, native)
    refused_stills(site, native)
    no_webgl(site)
    missing_files(site)
    narrow_screen(site)
    phone(site)
    context_restored(site, native)
    shared_links_and_buttons(site)
    hidden_while_lost(site)
    offline_hosts(site)
    controls_table(site)


# ---- the graphics context taken away and given back ---------------------------------------------

def lose_context(driver):
    driver.execute_script("window.talvenorLoseContext = document.getElementById('canvas').getContext('webgl2')"
                          ".getExtension('WEBGL_lose_context'); window.talvenorLoseContext.loseContext()")


def restore_context(driver):
    driver.execute_script("window.talvenorLoseContext.restoreContext()")


def lost_and_back(driver, restores):
    """Loses the context, checks the page is paused and takes no key, restores it; True when the
    page came back (restores: the count of restores expected after it)."""
    lose_context(driver)
    paused = wait_for(driver, "return window.talvenorPaused === true", 10)
    words = page_words(driver)
    drawn = frames(driver)
    press(driver, "l")  # no key acts on a picture that cannot be drawn
    animation_frames(driver, 20)
    still_now = frames(driver) == drawn
    restore_context(driver)
    back = wait_for(driver, "return window.talvenorRestores >= %d && window.talvenorPaused === false && "
                    "!window.talvenorEnded" % restores, 20)
    carried_on = bool(back) and bool(after_frames(driver, 10))
    hidden = driver.execute_script("return document.getElementById('status').hidden")
    print("  lost: paused %s (%r), no frame while lost %s; given back: %s, frames carry on %s, message hidden %s"
          % (bool(paused), words, still_now, bool(back), carried_on, hidden))
    return bool(paused) and "paused" in words and still_now and carried_on and bool(hidden)


def context_restored(site, native):
    """The running page loses its context and gets it back, once and twice in a row: it pauses
    and says so, takes no key meanwhile, and goes on with the camera chosen before; a still
    drawn across a loss matches the still drawn without one."""
    from selenium.webdriver.common.keys import Keys
    server, address = serve.start(site)
    driver = browser()
    try:
        driver.get(address + "index.html")
        if not wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60):
            report("the page carries on after its context is lost and given back", False, page_words(driver))
            return
        # Unlit (l), the ground is its texture's green wherever the camera sees it (see
        # running_page); a key that reached the program while the context was away would light it.
        press(driver, "l")
        after_frames(driver, 10)
        before, after = camera_switch(driver, Keys.F3)
        # Camera 3 turns with the sails; stopped (ten times "-" from 1 degree a frame), it shows
        # the same ground frame after frame, so that a camera or a sail speed lost with the
        # context would show.
        for _ in range(10):
            press(driver, "-")
        after_frames(driver, 10)
        chosen = green_ground(canvas_shown(driver))
        once = lost_and_back(driver, 1)
        kept_once = moved(chosen, green_ground(canvas_shown(driver)))
        twice = lost_and_back(driver, 2) and lost_and_back(driver, 3)
        shown = canvas_shown(driver)
        kept_twice = moved(chosen, green_ground(shown))
        ground = 100.0 * float(chosen.mean())
        # Another camera, the sails turning again or the picture lit again move the ground by
        # far more than 5 %.
        report("the page carries on after its context is lost and given back, with the camera chosen before",
               switched(before, after) and once and ground > 20 and kept_once < 5,
               "the green ground (%.0f %% of the picture) moved by %.1f %% from before the loss" % (ground, kept_once))
        report("the page carries on after losing its context twice in a row", twice and kept_twice < 5,
               "the green ground moved by %.1f %% from before the first loss" % kept_twice)
    finally:
        close(driver)
        server.shutdown()

    # A still drawn across a loss and a restore, against the same still drawn without one. The
    # still's frames run in slices of 100, each one browser task; a script installed before the
    # page's own loses the context as soon as the first slice has ended (after its first draw)
    # and gives it back half a second later.
    query = "camera=1&frames=200&time=1.2&orbit-angle=-1.1"
    driver = browser()
    server, address = serve.start(site)
    try:
        plain = still(driver, address, query, 300)
        reference = canvas_data(driver) if plain and "frames" in plain else None
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": LOSS_DURING_STILL})
        result = still(driver, address, query, 300) or {}
        plan = driver.execute_script("return window.talvenorLossPlan") or {}
        percent = 100.0
        if reference is not None and "frames" in result:
            web = canvas_data(driver)
            percent = 100.0 * (numpy.abs(web.astype(int) - reference.astype(int)).max(axis=2) > 8).mean()
        across = bool(plan.get("lostWhileDrawing")) and bool(plan.get("restored"))
        report("a still drawn across a lost and restored context matches the still drawn without one",
               across and percent <= LIMIT_PERCENT,
               "lost while the still was drawn and given back: %s; %.3f %% of the pixels differ by more than "
               "8 levels; %s" % (across, percent, result))
    finally:
        close(driver)
        server.shutdown()

    memory_across_restores(site)


def page_memory(driver):
    """The page's JavaScript heap after a forced collection, and its wasm memory, in bytes."""
    for _ in range(2):  # the second collection takes what the first one's finalisers let go
        driver.execute_cdp_cmd("HeapProfiler.collectGarbage", {})
    heap = driver.execute_cdp_cmd("Runtime.getHeapUsage", {})["usedSize"]
    return heap, driver.execute_script("return Module.HEAP8.buffer.byteLength")


def memory_across_restores(site, restores=50):
    """The running page loses its context and gets it back 50 times in a row: its memory after
    the 50th restore is what it was after the first. Each restore makes the context's GL objects
    anew (some twenty: the buffers, vertex array, record tables, programs and texture names); had
    the page kept the ones of the context before, 49 restores would leave about 80 kB more of
    JavaScript heap (about 210 kB in all, where about 130 kB is measured without them). What the heap may grow
    by anyway: the room emscripten's object tables take for the names each restore uses, which it
    never gives back (about 33 kB for 49 restores), what the frames and this driver's scripts leave
    over the minute (about 20 kB measured with no restore), and about 1.5 kB a restore that the
    browser's own handling of a restore leaves; 160 kB in all. The wasm memory must not grow."""
    name = "the page's memory after %d losses and restores is what it was after the first" % restores
    back_script = ("return (window.talvenorRestores || 0) >= arguments[0] && window.talvenorPaused === false && "
                   "(window.talvenorFrames || 0) >= arguments[1]")
    server, address = serve.start(site)
    driver = browser()
    try:
        driver.get(address + "index.html")
        if not wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60):
            report(name, False, page_words(driver))
            return
        first = None
        back = 0
        for n in range(1, restores + 1):
            lose_context(driver)
            if not wait_for(driver, "return window.talvenorPaused === true", 10):
                break
            restore_context(driver)
            # The same script each time (with arguments), so that the driver's own compiled scripts
            # do not grow with the count.
            drawn = frames(driver)
            end = time.monotonic() + 20
            while not driver.execute_script(back_script, n, drawn + 2) and time.monotonic() < end:
                time.sleep(0.05)
            if not driver.execute_script(back_script, n, drawn + 2):
                break
            back = n
            if n == 1:
                first = page_memory(driver)
        last = page_memory(driver) if back == restores else None
        ok = first is not None and last is not None
        detail = "given back %d times of %d" % (back, restores)
        if ok:
            heap_growth, wasm_growth = last[0] - first[0], last[1] - first[1]
            heap_room = 160 * 1024
            ok = heap_growth <= heap_room and wasm_growth == 0
            detail = ("JavaScript heap %.0f kB after the first restore, %+.1f kB after the %dth (at most %+d kB); "
                      "wasm memory %.1f MB, %+d bytes" % (first[0] / 1024.0, heap_growth / 1024.0, restores,
                                                           heap_room // 1024, first[1] / 1e6, wasm_growth))
        report(name, ok, detail)
    finally:
        close(driver)
        server.shutdown()


LOSS_DURING_STILL = r"""
(function () {
    const plan = {lostWhileDrawing: false, restored: false};
    window.talvenorLossPlan = plan;
    const draw = WebGL2RenderingContext.prototype.drawElements;
    let armed = true;
    WebGL2RenderingContext.prototype.drawElements = function () {
        if (armed) {
            armed = false;
            const gl = this;
            setTimeout(function () {
                const loss = gl.getExtension('WEBGL_lose_context');
                plan.lostWhileDrawing = !window.talvenorStill;
                loss.loseContext();
                setTimeout(function () { loss.restoreContext(); plan.restored = true; }, 500);
            }, 0);
        }
        return draw.apply(this, arguments);
    };
})();
"""



# ---- the page as the world meets it -------------------------------------------------------------

def shared_links_and_buttons(site):
    """A link that gained a name of a social site or a newsletter starts the program, and a still's
    link that gained one draws that still; a mouse button released where the page did not see it
    (outside the window, after alt-tab) drags no more."""
    server, address = serve.start(site)
    driver = browser()
    try:
        driver.get(address + "index.html?fbclid=IwAR0x&utm_source=chat&ref=news")
        drawing = wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60)
        running = bool(drawing) and not driver.execute_script("return !!window.talvenorEnded || !!window.talvenorStill")
        search = driver.execute_script("return location.search")
        report("a link with names of its own (fbclid, utm_source, ref) starts the program and keeps them",
               running and search == "?fbclid=IwAR0x&utm_source=chat&ref=news",
               "drawing: %s; address: %s; page: %r" % (running, search, page_words(driver)))
        if not running:
            return

        # Camera 4 turns its view by a drag. Each move tells the buttons held (CDP's "buttons").
        driver.find_element("css selector", "#buttons button[data-special='4']").click()
        box = layout(driver)
        x, y = box["left"] + box["width"] / 2, box["top"] + box["height"] / 2
        mouse(driver, "mousePressed", x, y, "left")
        mouse(driver, "mouseMoved", x, y - 20, "left")
        dragged = program_state(driver)["dragPitch"]
        mouse(driver, "mouseMoved", x, y - 40)          # released outside: the move holds no button
        mouse(driver, "mouseMoved", x, y - 60, "left")  # nor does the page think one is held now
        after_unseen = program_state(driver)["dragPitch"]
        mouse(driver, "mousePressed", x, y, "left")
        driver.execute_script("window.dispatchEvent(new FocusEvent('blur'))")  # alt-tab
        mouse(driver, "mouseMoved", x, y - 20, "left")  # a button pressed elsewhere, brought back
        after_blur = program_state(driver)["dragPitch"]
        mouse(driver, "mouseReleased", x, y - 20, "left")
        report("a button released where the page did not see it is released: the next move, or the "
               "window losing the focus, ends the drag",
               dragged == 20 and after_unseen == dragged and after_blur == dragged,
               "dragged %g; after a move with no button %g; after the focus went %g"
               % (dragged, after_unseen, after_blur))

        query = "camera=3&frames=10&time=1.2"
        plain = still(driver, address, query, 60) or {}
        reference = canvas_data(driver)
        shared = still(driver, address, query + "&fbclid=IwAR0x", 60) or {}
        same = "frames" in plain and "frames" in shared and numpy.array_equal(reference, canvas_data(driver))
        report("a still's link that gained a name of its own draws the same still", same,
               "%s; with fbclid: %s" % (plain, shared))
    finally:
        close(driver)
        server.shutdown()


def hidden_while_lost(site, hidden_seconds=60):
    """A phone locked with the context away: the deadline for getting it back counts only the time
    the page is shown, so a page hidden for longer than that carries on when the context comes."""
    server, address = serve.start(site)
    driver = browser()
    try:
        driver.get(address + "index.html")
        if not wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60):
            report("a page hidden while its context is away carries on when shown again", False, page_words(driver))
            return
        lose_context(driver)
        paused = wait_for(driver, "return window.talvenorPaused === true", 10)
        shown = driver.current_window_handle
        driver.switch_to.new_window("tab")  # the page behind another tab: hidden, as when locked
        time.sleep(hidden_seconds)
        driver.switch_to.window(shown)
        state = driver.execute_script("return document.visibilityState")
        ended = driver.execute_script("return !!window.talvenorEnded")
        restore_context(driver)
        back = wait_for(driver, "return window.talvenorRestores >= 1 && !window.talvenorPaused && "
                        "!window.talvenorEnded", 20)
        report("a page hidden for %d s while its context is away carries on when shown again" % hidden_seconds,
               bool(paused) and not ended and bool(back) and bool(after_frames(driver, 10)),
               "shown again (%s): ended %s, page: %r" % (state, ended, page_words(driver)))
    finally:
        close(driver)
        server.shutdown()


def worker_ready(driver):
    """Waits until this page's service worker is active; its state (or why not)."""
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "setTimeout(function () { done('no worker'); }, 30000);"
        "navigator.serviceWorker.ready.then(function wait(r) {"
        "  if (r.active.state === 'activated') done('activated');"
        "  else r.active.addEventListener('statechange', function () { wait(r); });"
        "}, function (e) { done(String(e)); });")


def starts_offline(driver, address):
    """True when the page at address draws; otherwise what it says (or that the browser showed its
    own error page)."""
    from selenium.common.exceptions import WebDriverException
    try:
        driver.get(address)
        if wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60) \
                and not driver.execute_script("return !!window.talvenorEnded"):
            return True
        return page_words(driver)
    except WebDriverException:
        return "the browser's own error page"


def offline_hosts(site):
    """The offline copy on hosts as they are: one that sends index.html on to ./ and adds
    Content-Encoding to .gz files, with two copies of the site on one origin; and a new build's
    install that fails half way while the old one is in use."""
    root = tempfile.mkdtemp(prefix="talvenor-hosts-")
    os.symlink(os.path.abspath(site), os.path.join(root, "talvenor"))
    # The other copy is another build: the same files, its worker naming another build.
    preview = os.path.join(root, "preview")
    shutil.copytree(site, preview)
    with open(os.path.join(preview, "sw.js"), encoding="utf-8") as worker:
        text = worker.read()
    with open(os.path.join(preview, "sw.js"), "w", encoding="utf-8") as worker:
        worker.write(re.sub(r"'([0-9a-f]{16})';", lambda m: "'%s';" % m.group(1)[::-1], text, count=1))
    server, address = serve.start(root, redirect_index=True, encode_gz=True)
    driver = browser()
    try:
        states = []
        for folder in ("talvenor", "preview"):
            started = starts_offline(driver, address + folder + "/index.html")
            states.append("%s: %s, worker %s" % (folder, "drawing" if started is True else started, worker_ready(driver)))
        kept = driver.execute_async_script(
            "const done = arguments[arguments.length - 1]; caches.keys().then(done, function () { done([]); });")
        again = starts_offline(driver, address + "talvenor/") is True
        server.shutdown()
        server.server_close()
        offline = [starts_offline(driver, address + folder + "/") is True for folder in ("talvenor", "preview")]
        report("on a host that redirects index.html and packs .gz files on the way, two copies of the site "
               "on one origin each start again online and then offline",
               again and all(offline) and len(set(kept)) == 2,
               "%s; caches %s; again online: %s; offline: %s" % ("; ".join(states), kept, again, offline))
    finally:
        close(driver)
        server.shutdown()

    # A new build whose only change is its worker, served while talvenor.wasm cannot be had: its
    # install fails, and the build in use still starts offline.
    newer = os.path.join(root, "newer")
    shutil.copytree(site, newer)
    with open(os.path.join(newer, "sw.js"), "a", encoding="utf-8") as worker:
        worker.write("// a build whose worker alone changed\n")
    server, address = serve.start(root)
    driver = browser()
    try:
        first = starts_offline(driver, address + "talvenor/index.html") is True
        ready = worker_ready(driver)
        os.unlink(os.path.join(root, "talvenor"))
        os.symlink(newer, os.path.join(root, "talvenor"))
        server.host["withheld"] = ("talvenor.wasm",)
        update = driver.execute_async_script(
            "const done = arguments[arguments.length - 1]; setTimeout(function () { done('no outcome'); }, 30000);"
            "navigator.serviceWorker.getRegistration().then(function (r) {"
            "  r.addEventListener('updatefound', function () {"
            "    const w = r.installing;"
            "    w.addEventListener('statechange', function () {"
            "      if (w.state === 'redundant' || w.state === 'installed') done(w.state); });"
            "  });"
            "  r.update().catch(function (e) { done(String(e)); });"
            "});")
        server.shutdown()
        server.server_close()
        offline = starts_offline(driver, address + "talvenor/index.html")
        report("a new build's install that fails half way leaves the build in use to start offline",
               first and ready == "activated" and update == "redundant" and offline is True,
               "first visit: %s, worker %s; the new build's install: %s; then offline: %s"
               % (first, ready, update, "drawing" if offline is True else offline))
    finally:
        close(driver)
        server.shutdown()
        shutil.rmtree(root, ignore_errors=True)


# ---- Lighthouse ---------------------------------------------------------------------------------

LIGHTHOUSE_MUST = ("accessibility", "best-practices", "seo")  # each at 100
LIGHTHOUSE_METRICS = ("first-contentful-paint", "largest-contentful-paint", "speed-index", "total-blocking-time",
                      "cumulative-layout-shift", "interactive")


def lighthouse(site, tool):
    """Lighthouse's mobile run (an emulated mid-range phone, simulated slow network and CPU) in a
    Chromium of ours, started with the flags every browser of these checks has."""
    server, address = serve.start(site)
    profile = tempfile.mkdtemp(prefix="talvenor-lighthouse-")
    out = os.path.join(profile, "report.json")
    chromium = subprocess.Popen(
        ["/usr/bin/chromium", "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
         "--no-sandbox", "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--no-first-run", "--disable-quic", "--user-data-dir=" + profile, "--remote-debugging-port=0",
         "about:blank"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        port_file = os.path.join(profile, "DevToolsActivePort")
        end = time.monotonic() + 60
        while not (os.path.exists(port_file) and open(port_file).read().strip()) and time.monotonic() < end:
            time.sleep(0.1)
        if not os.path.exists(port_file):
            report("Lighthouse", False, "Chromium opened no DevTools port")
            return
        port = open(port_file).read().split()[0]
        run = subprocess.run(
            ["node", os.path.join(tool, "node_modules", "lighthouse", "cli", "index.js"), address + "index.html",
             "--port=" + port, "--only-categories=performance,accessibility,best-practices,seo",
             "--output=json", "--output-path=" + out, "--quiet", "--max-wait-for-load=90000"],
            capture_output=True, text=True, timeout=600)
        if run.returncode != 0 or not os.path.exists(out):
            print(run.stdout[-2000:], run.stderr[-2000:])
            report("Lighthouse", False, "status %d" % run.returncode)
            return
        import json
        result = json.load(open(out, encoding="utf-8"))
        scores = {name: round(100 * (category["score"] or 0)) for name, category in result["categories"].items()}
        print("Lighthouse %s (mobile): %s" % (result.get("lighthouseVersion"),
                                             ", ".join("%s %d" % (name, scores[name]) for name in scores)))
        audits = result["audits"]
        print("  performance: " + ", ".join("%s %s" % (name, audits[name].get("displayValue", "?"))
                                            for name in LIGHTHOUSE_METRICS if name in audits))
        for name in LIGHTHOUSE_MUST:
            for ref in result["categories"][name]["auditRefs"]:
                audit = audits[ref["id"]]
                if ref.get("weight") and audit.get("score") is not None and audit["score"] < 1:
                    print("  %s: %s (%s)" % (name, audit["title"], audit.get("displayValue", "score %s" % audit["score"])))
        report("Lighthouse: accessibility, best practices and SEO at 100",
               all(scores.get(name) == 100 for name in LIGHTHOUSE_MUST),
               ", ".join("%s %s" % (name, scores.get(name)) for name in LIGHTHOUSE_MUST))
    finally:
        chromium.terminate()
        try:
            chromium.wait(30)
        except subprocess.TimeoutExpired:
            chromium.kill()
        server.shutdown()
        shutil.rmtree(profile, ignore_errors=True)


# ---- the GL layer's unit test -----------------------------------------------------------------

def layer(folder):
    if not os.path.exists(os.path.join(folder, "gl_layer_test.js")):
        report("the GL layer's unit test", False, "no gl_layer_test.js in %s" % folder)
        return
    server, address = serve.start(folder)
    driver = browser()
    try:
        driver.get(address + "layer_test.html")
        done = wait_for(driver, "return window.layerTest && window.layerTest.done", 120)
        result = driver.execute_script("return window.layerTest") or {}
        for line in result.get("output", []):
            print("  " + line)
        status = result.get("status")
        report("the GL layer's unit test", bool(done) and status == 0, "status %s" % status)
    finally:
        close(driver)
        server.shutdown()


# ---- speed ------------------------------------------------------------------------------------

def speed(site, native, rounds=3):
    """Figures only: a busy machine makes any of them slower. The page and the native tool take
    turns, and the quickest of each is compared, which the machine's other work disturbs least."""
    server, address = serve.start(site)
    driver = browser()
    try:
        query = "camera=1&frames=300&time=1.2&orbit-angle=-1.1"
        args = ["--camera", "1", "--time", "1.2", "--orbit-angle", "-1.1"]
        picture = os.path.join(tempfile.gettempdir(), "talvenor-speed-%d.dib" % os.getpid())
        web, native_runs = [], []
        for _ in range(rounds):
            result = still(driver, address, query, 300) or {}
            if result.get("ms"):
                web.append(result["ms"])
            times = {}
            for count in (1, 301):  # the difference leaves out the start-up and the read-back
                start = time.monotonic()
                snapshot(native, args + ["--frames", str(count)], picture)
                times[count] = 1000.0 * (time.monotonic() - start)
            native_runs.append(times[301] - times[1])
        if os.path.exists(picture):
            os.remove(picture)
        native_ms = min(native_runs)
        if web:
            print("300 frames of camera 1 by night, quickest of %d: %.0f ms on the page (%.1f ms a frame), "
                  "%.0f ms native (%.1f ms a frame): %.2f times the native time"
                  % (rounds, min(web), min(web) / 300, native_ms, native_ms / 300, min(web) / native_ms))
            print("  all runs: page %s ms, native %s ms" % (" ".join("%.0f" % v for v in web),
                                                           " ".join("%.0f" % v for v in native_runs)))
        else:
            print("300 frames: the page drew no still")
        driver.get(address + "index.html")
        first = wait_for(driver, "return window.talvenorFirstFrame", 60)
        print("first frame shown %.0f ms after navigation" % first if first else "no first frame within 60 s")
        report("speed figures", bool(web) and bool(first))
    finally:
        close(driver)
        server.shutdown()


# ---- frame times of the running page ------------------------------------------------------------

# Installed before the page's own scripts: every requestAnimationFrame callback is timed on the
# main thread, and the WebGL calls that send data or draw are counted, whichever layer makes
# them. The layer's own counts (talvenorLayerBytesUploaded, talvenorLayerDrawCalls), where it has
# them, are read after each callback, outside its time.
FRAME_PROBE = r"""
(function () {
    const probe = {times: [], layerBytes: [], layerDraws: [], bytes: 0, draws: 0, uploads: 0};
    window.talvenorProbe = probe;
    const raf = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = function (callback) {
        return raf(function (stamp) {
            const start = performance.now();
            try {
                callback(stamp);
            } finally {
                probe.times.push(performance.now() - start);
                const m = window.Module;
                if (m && typeof m._talvenorLayerBytesUploaded === 'function') {
                    probe.layerBytes.push(m._talvenorLayerBytesUploaded());
                    probe.layerDraws.push(m._talvenorLayerDrawCalls());
                }
            }
        });
    };
    const gl = WebGL2RenderingContext.prototype;
    function texelBytes(format, type) {
        const components = {0x1906: 1, 0x1909: 1, 0x190A: 2, 0x1907: 3, 0x1908: 4}[format] || 4;
        return components * (type === 0x1406 ? 4 : 1);  // GL_FLOAT or bytes
    }
    function viewBytes(args, at) {  // (view, srcOffset, length) as WebGL 2 takes them
        const view = args[at];
        if (typeof view === 'number') return view;
        if (!view || !view.BYTES_PER_ELEMENT) return view && view.byteLength || 0;
        const length = args.length > at + 2 ? args[at + 2] : view.length - (args[at + 1] || 0);
        return length * view.BYTES_PER_ELEMENT;
    }
    function counted(name, bytes) {
        const original = gl[name];
        gl[name] = function () {
            probe.bytes += bytes(arguments);
            probe.uploads += 1;
            return original.apply(this, arguments);
        };
    }
    counted('bufferData', function (a) {  // (target, size, usage) or (target, view, usage, srcOffset, length)
        if (typeof a[1] === 'number' || !a[1]) return 0;
        return a.length >= 5 ? a[4] * a[1].BYTES_PER_ELEMENT : a[1].byteLength;
    });
    counted('bufferSubData', function (a) { return viewBytes(a, 2); });
    counted('texImage2D', function (a) { return a.length >= 9 ? a[3] * a[4] * texelBytes(a[6], a[7]) : 0; });
    counted('texSubImage2D', function (a) { return a.length >= 9 ? a[4] * a[5] * texelBytes(a[6], a[7]) : 0; });
    for (const name of ['drawElements', 'drawArrays']) {
        const original = gl[name];
        gl[name] = function () {
            probe.draws += 1;
            return original.apply(this, arguments);
        };
    }
})();
"""

FRAME_SECONDS = 8.5


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))] if ordered else float("nan")


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def frame_phase(driver, throttle):
    """FRAME_SECONDS of the running page: ms per callback, frames per second, sends and draws."""
    driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": throttle})
    after_frames(driver, 30)  # settled at this rate
    start = driver.execute_script(
        "const p = window.talvenorProbe; p.times.length = 0; p.layerBytes.length = 0;"
        "p.layerDraws.length = 0; p.bytes = p.draws = p.uploads = 0;"
        "return [performance.now(), window.talvenorFrames || 0]")
    time.sleep(FRAME_SECONDS)
    end = driver.execute_script("const p = window.talvenorProbe;"
                                "return [performance.now(), window.talvenorFrames || 0, p.times.slice(),"
                                " p.layerBytes.slice(), p.layerDraws.slice(), p.bytes, p.draws, p.uploads]")
    driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 1})
    seconds = (end[0] - start[0]) / 1000.0
    frames = max(end[1] - start[1], 1)
    times, layer_bytes, layer_draws = end[2], end[3], end[4]
    return {"median": percentile(times, 50), "p95": percentile(times, 95), "max": max(times) if times else 0,
            "callbacks": len(times), "fps": frames / seconds, "seconds": seconds,
            "bytes": end[5] / frames, "draws": end[6] / frames, "uploads": end[7] / frames,
            "layer_bytes": percentile(layer_bytes, 50) if layer_bytes else None,
            "layer_bytes_max": max(layer_bytes) if layer_bytes else None,
            "layer_draws": percentile(layer_draws, 50) if layer_draws else None}


def frame_figures(site, label):
    server, address = serve.start(site)
    driver = browser()
    try:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": FRAME_PROBE})
        driver.get(address + "index.html")
        if not wait_for(driver, "return (window.talvenorFrames || 0) > 60 || window.talvenorEnded", 90) or \
                driver.execute_script("return !!window.talvenorEnded"):
            print("%s: the page did not run: %s" % (label, page_words(driver)))
            return False
        for name, rate in (("plain", 1), ("CPU throttled 4x", 4)):
            load = load_average()
            f = frame_phase(driver, rate)
            own = ("; the layer's own count: %.0f bytes (largest %.0f), %.0f draw calls a frame (median)"
                   % (f["layer_bytes"], f["layer_bytes_max"], f["layer_draws"])) if f["layer_bytes"] is not None else ""
            print("%-6s %-16s main thread per frame: median %.2f ms, p95 %.2f ms, largest %.1f ms "
                  "(%d callbacks in %.1f s); %.1f frames/s; sent %.0f bytes in %.1f calls and %.1f draw calls a "
                  "frame%s; load average %s" % (label, name, f["median"], f["p95"], f["max"], f["callbacks"], f["seconds"],
                                                f["fps"], f["bytes"], f["uploads"], f["draws"], own, load), flush=True)
        return True
    finally:
        close(driver)
        server.shutdown()


def frames_check(site, before=None):
    """Figures only, never a timed test: the running page's main-thread time per frame, plain and
    under 4x CPU throttling, with what it sends and draws; BEFORE, a site built from another
    commit, is measured the same way in the same run."""
    ok = frame_figures(site, "this")
    if before:
        ok = frame_figures(before, "before") and ok
    report("frame-time figures", ok)


# ---- the program's imports --------------------------------------------------------------------

def wasm_imports(path):
    data = open(path, "rb").read()
    assert data[:4] == b"\0asm", "not a wasm file"

    def leb(pos):
        result = shift = 0
        while True:
            byte = data[pos]
            pos += 1
            result |= (byte & 0x7F) << shift
            shift += 7
            if byte < 0x80:
                return result, pos

    def name(pos):
        length, pos = leb(pos)
        return data[pos:pos + length].decode(), pos + length

    pos = 8
    while pos < len(data):
        section, size_start = data[pos], pos + 1
        size, body = leb(size_start)
        if section == 2:
            count, p = leb(body)
            found = []
            for _ in range(count):
                module, p = name(p)
                field, p = name(p)
                kind = data[p]
                p += 1
                if kind == 0:
                    _, p = leb(p)
                elif kind == 1:
                    p += 1
                    flags, p = leb(p)
                    _, p = leb(p)
                    if flags & 1:
                        _, p = leb(p)
                elif kind == 2:
                    flags, p = leb(p)
                    _, p = leb(p)
                    if flags & 1:
                        _, p = leb(p)
                else:
                    p += 2
                found.append((module, field, kind))
            return found
        pos = body + size
    return []


def imports(wasm):
    found = wasm_imports(wasm)
    functions = sorted(field for module, field, kind in found if kind == 0)
    plain_gl = [f for f in functions if re.match(r"^_?(gl|glu)[A-Z]", f)]
    webgl = [f for f in functions if f.startswith("emscripten_gl")]
    print("%d imported functions, %d of them emscripten_gl*: %s" % (len(functions), len(webgl), " ".join(webgl)))
    print("the rest: %s" % " ".join(f for f in functions if f not in webgl))
    for f in plain_gl:
        print("imported from JavaScript, not defined by the GL layer: %s" % f)
    report("the GL entry points are the layer's own: only emscripten_gl* come from JavaScript",
           not plain_gl and bool(webgl), "%d plain GL imports" % len(plain_gl))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    command, args = sys.argv[1], sys.argv[2:]
    if command == "stills":
        stills(*args)
    elif command == "page":
        page(*args)
    elif command == "phone":
        phone(*args)
    elif command == "lighthouse":
        lighthouse(*args)
    elif command == "layer":
        layer(*args)
    elif command == "speed":
        speed(*args)
    elif command == "restore":
        context_restored(*args)
    elif command == "wild":
        shared_links_and_buttons(*args)
        hidden_while_lost(*args)
        offline_hosts(*args)
    elif command == "frames":
        frames_check(*args)
    elif command == "imports":
        imports(*args)
    else:
        sys.exit(__doc__)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
