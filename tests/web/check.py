#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The web build's checks, in headless Chromium against our own static server.

The page runs the program in one of two ways, and the checks of the page run in both: in a
worker that draws on the canvas the page handed it (index.html, the page's own choice where the
browser can), and on the page's main thread (thread=main in the query, as where a worker cannot
draw). Their names end in "(worker)" or "(main thread)".

    check.py stills SITE NATIVE OUT   the five cameras by night and by day, and a still whose frames
                                      cross the day clock's bound: the page's still against
                                      talvenor_snapshot's picture of the same options (all of them in
                                      the worker, three in the main thread)
    check.py page SITE NATIVE         the running page: it animates, F5 keeps the page, F3 and F5
                                      change the camera, Escape ends it; refused stills; no WebGL;
                                      files that do not load; a narrow screen; a lost context not
                                      given back, given back once and twice, across a still, and
                                      50 times in a row with no memory kept; a phone (see phone);
                                      the parts of wild; the controls table
    check.py phone SITE               a phone, emulated, with real touch events: the picture
                                      fits and is sharp in both orientations, touch does every
                                      mouse action, full screen, a second start offline
    check.py lighthouse SITE TOOL     Lighthouse (its mobile settings; TOOL is the folder of
                                      its npm install) against our server, for both ways:
                                      accessibility, best practices and SEO must be 100,
                                      performance and its timings are figures
    check.py restore SITE NATIVE      the lost context given back alone (a part of page)
    check.py wild SITE                shared links with names of their own, a button released
                                      unseen, a hidden page (at rest; and with its context away),
                                      hosts that redirect or pack on the way (a part of page)
    check.py layer FOLDER             the GL layer's unit test (gl_layer_test.js in FOLDER)
    check.py speed SITE NATIVE        300 frames on the page against 300 native ones; first visits
                                      of the page and of the floor page (floor.html): first paint,
                                      the first frame's picture, first frame, the start's parts;
                                      from navigation, the first frame and the longest a button
                                      pressed meanwhile waits (figures only, never fails)
    check.py frames SITE [BEFORE]     the running page's main-thread time per frame (all its tasks)
                                      plain and under 4x CPU throttling, the program's own time per
                                      frame, frames per second, bytes sent and draw calls a frame;
                                      BEFORE, another build's site, the same way (figures only)
    check.py imports WASM             the program's imports: no GL entry point from JavaScript

SITE is build-web/site, NATIVE the native build folder (talvenor_snapshot and the texture files;
it runs under the X server in DISPLAY). Each check prints "PASS: name" or "FAIL: name"; the
exit status is 1 when any failed.

What the checks read of the page is the same in both ways: talvenorPath, talvenorFrames and
talvenorFirstFrame, talvenorFrameWork, talvenorStill and talvenorStillImage, talvenorState and
talvenorAskState(), talvenorLoseContext() and talvenorRestoreContext(), talvenorAskMemory(),
talvenorLayerCounts, talvenorPaused, talvenorRestores, talvenorEnded, talvenorNoWebGL, the status
line and the buttons (page.js describes them). A script put into the page before its own runs in
the page alone, never in the worker.
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


# ---- the two ways the page runs the program -------------------------------------------------------

PATHS = ("worker", "main")
PATH_NAMES = {"worker": "worker", "main": "main thread"}
# In the worker the program tells the page its frame count a few times a second: what the page
# has counted may be this far behind what was drawn.
FRAME_REPORT_SECONDS = 0.4


def page_url(address, path, query="", page="index.html"):
    """The page's address with query, in the given way (thread=main is never a still option)."""
    parts = [query] if query else []
    if path == "main":
        parts.append("thread=main")
    return address + page + ("?" + "&".join(parts) if parts else "")


def named(name, path):
    return "%s (%s)" % (name, PATH_NAMES[path])


def page_path(driver):
    return driver.execute_script("return window.talvenorPath || null")


def on_path(driver, path):
    """Empty when the page runs the program the way asked, else what it does instead."""
    got = page_path(driver)
    return "" if got == path else "the page took the %s path" % got


def ask(driver, call):
    """The value of a page function that returns a Promise (or {error})."""
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "Promise.resolve().then(function () { return %s; }).then(done, function (e) { done({error: String(e)}); });"
        % call)


def program_state(driver):
    """The scene state once the program has taken everything the page handed it before. The
    program takes input at the start of its next step, and an answer to talvenorAskState() may
    come before that; so the state is the one told with the first frames after the answer (the
    answer itself where no frame comes: the context away, the program ended)."""
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "window.talvenorAskState().then(function (asked) {"
        "  const count = window.talvenorFrames || 0, began = performance.now();"
        "  (function wait() {"
        "    if ((window.talvenorFrames || 0) !== count) done(Object.assign({}, window.talvenorState));"
        "    else if (performance.now() - began > 1000 || window.talvenorPaused || window.talvenorEnded) done(asked);"
        "    else setTimeout(wait, 5);"
        "  })();"
        "}, function (e) { done({error: String(e)}); });")


def state_when(driver, test, seconds=10):
    """Asks the program's state until test(state) holds; that state, or the last one."""
    end = time.monotonic() + seconds
    while True:
        state = program_state(driver)
        if test(state) or time.monotonic() > end:
            return state
        time.sleep(0.05)


def caught_up(driver, count=3):
    """Waits until the program has had every event sent to it so far and drawn count frames since."""
    program_state(driver)
    time.sleep(FRAME_REPORT_SECONDS)  # what the page counts now was drawn after the state's answer
    return after_frames(driver, count)


def settled_count(driver):
    """The frame count once the page has heard of every frame drawn (the program has stopped)."""
    time.sleep(FRAME_REPORT_SECONDS)
    return frames(driver)


def lose_context(driver):
    driver.execute_script("window.talvenorLoseContext()")


def restore_context(driver):
    driver.execute_script("window.talvenorRestoreContext()")


def wasm_memory(driver):
    memory = ask(driver, "window.talvenorAskMemory()") or {}
    return memory.get("wasm")


def decode_png(url):
    return numpy.asarray(Image.open(io.BytesIO(base64.b64decode(url.split(",", 1)[1]))).convert("RGB"))


def still_image(driver):
    """The still's pixels, as the page was given them (None when it has none)."""
    url = driver.execute_script("return window.talvenorStillImage || null")
    return decode_png(url) if url else None


def canvas_shown(driver, without_status=False):
    """What the canvas shows on the screen, scaled to 800 x 600; without_status hides the page's
    status box over it first."""
    from selenium.webdriver.common.by import By
    if without_status:
        driver.execute_script("document.getElementById('status').style.display = 'none'")
    png = driver.find_element(By.ID, "canvas").screenshot_as_png
    if without_status:
        driver.execute_script("document.getElementById('status').style.display = ''")
    return numpy.asarray(Image.open(io.BytesIO(png)).convert("RGB").resize((800, 600)))


# What the page's start showed, in ms from navigation: picture, when the program's first frame as
# a picture (first-frame.webp) was painted as the largest contentful paint (null if it was not);
# shown, whether it shows now; paint, the first paint; frame, the first frame (the page's or the
# floor page's); parts, when each part of the start ended (worker.js lists them).
FIRST_PICTURE = r"""
const done = arguments[arguments.length - 1];
const shown = !!document.getElementById('first-frame');
function reading(entry) {
    const paint = performance.getEntriesByName('first-contentful-paint')[0];
    done({picture: entry ? entry.renderTime || entry.startTime : null, shown: shown,
          paint: paint ? paint.startTime : null, frame: window.talvenorFirstFrame || window.floorFirstFrame || null,
          parts: window.talvenorStartParts || {}});
}
new PerformanceObserver(function (list) {
    const last = list.getEntries().pop();  // the largest
    reading(last && /first-frame\.webp$/.test(last.url) ? last : null);
}).observe({type: 'largest-contentful-paint', buffered: true});
setTimeout(function () { reading(null); }, 2000);
"""


def policy_complaints(driver):
    return [entry["message"] for entry in driver.get_log("browser")
            if "Content Security Policy" in entry["message"] or "Refused to" in entry["message"]]


def still(driver, address, path, query, seconds=120):
    driver.get(page_url(address, path, query))
    return wait_for(driver, "return window.talvenorStill || (window.talvenorEnded && "
                    "{failed: document.getElementById('status-text').textContent})", seconds)


def start(driver, url, seconds=60):
    """Opens the running page; True once it draws, False when it ended or drew nothing."""
    driver.get(url)
    return bool(wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", seconds)) \
        and not driver.execute_script("return !!window.talvenorEnded")


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


# The day clock takes whole blocks of 64 turns off itself once it reaches them (app/scene_state.h):
# sixty frames from 0.3 radians below the bound cross it, in the program on either side.
WRAP_STILL = ("camera1-wrap", ["--camera", "1", "--frames", "60", "--time", "401.8123"] + CAMERA_ARGS[1])
# The main thread draws the same program: a camera by night, another by day and the wrap.
MAIN_THREAD_STILLS = ("camera1-night", "camera4-day", "camera1-wrap")


def still_cases():
    cases = []
    for camera in range(1, 6):
        for hour in ("night", "day"):
            cases.append(("camera%d-%s" % (camera, hour),
                          ["--camera", str(camera), "--frames", str(FRAMES), "--time", START_TIME[hour]] + CAMERA_ARGS[camera]))
    return cases + [WRAP_STILL]


def differing(a, b):
    """Where two pictures differ by more than 8 levels in any channel."""
    return numpy.abs(a.astype(int) - b.astype(int)).max(axis=2) > 8


def stills(site, native, out):
    os.makedirs(out, exist_ok=True)
    server, address = serve.start(site)
    driver = browser()
    references = {}  # the native pictures, drawn once for both ways
    pictures = {}    # (name, path): the page's exact picture
    try:
        for path in PATHS:
            worst = (-1.0, "")
            ok = True
            cases = [c for c in still_cases() if path == "worker" or c[0] in MAIN_THREAD_STILLS]
            for name, args in cases:
                # Mesa draws the beacon's highlight at the program's shininess of 0 otherwise than
                # OpenGL says (see app/still_options.h; the GL layer's unit test pins OpenGL's
                # answer). The pictures are compared where both follow OpenGL, at a shininess of
                # EXACT_SHININESS; the pictures at the program's own 0 are compared for the record.
                percents = {}
                for kind, extra in (("exact", ["--shininess", EXACT_SHININESS]), ("as-is", [])):
                    native_file = os.path.join(out, "%s-%s-native.dib" % (name, kind))
                    if native_file not in references:
                        run = snapshot(native, args + extra, native_file)
                        if run.returncode != 0:
                            print("%s: talvenor_snapshot failed (%d): %s" % (name, run.returncode, run.stderr.strip()))
                            break
                        references[native_file] = numpy.asarray(Image.open(native_file).convert("RGB"))
                        Image.fromarray(references[native_file]).save(native_file[:-4] + ".png")
                    reference = references[native_file]
                    result = still(driver, address, path, as_query(args + extra))
                    web = still_image(driver) if result and "frames" in result else None
                    wrong_path = on_path(driver, path)
                    if web is None or wrong_path:
                        print("%s: the page drew no still: %s %s" % (name, result, wrong_path))
                        break
                    differs = differing(web, reference)
                    percents[kind] = 100.0 * differs.mean()
                    if kind == "exact":
                        pictures[(name, path)] = web
                    stem = os.path.join(out, "%s-%s-%s" % (name, kind, "web" if path == "worker" else "web-main"))
                    Image.fromarray(web).save(stem + ".png")
                    # The diff: differing pixels red on the native picture dimmed to a quarter.
                    diff = (reference // 4).astype(numpy.uint8)
                    diff[differs] = (255, 0, 0)
                    Image.fromarray(diff).save(stem + "-diff.png")
                if len(percents) < 2:
                    ok = False
                    continue
                percent = percents["exact"]
                errors = [e["message"] for e in driver.get_log("browser")
                          if e["level"] == "SEVERE" and "favicon.ico" not in e["message"]]
                same = ""
                if path == "main" and (name, "worker") in pictures:
                    same = "; %d pixels differ from the worker's at all" % int(
                        (pictures[(name, "worker")] != pictures[(name, path)]).any(axis=2).sum())
                print("%-6s %-13s %.3f %% of the pixels differ by more than 8 levels (at the program's shininess "
                      "0, against Mesa's own picture: %.3f %%)%s%s"
                      % (path, name, percent, percents["as-is"], same, "; console: %s" % errors[:3] if errors else ""),
                      flush=True)
                if percent > worst[0]:
                    worst = (percent, name)
                if percent > LIMIT_PERCENT:
                    ok = False
            print("%s: worst %.3f %% (%s); at most %.1f %% may differ; pictures in %s"
                  % (PATH_NAMES[path], worst[0], worst[1], LIMIT_PERCENT, out))
            report(named("the page's stills match talvenor_snapshot's pictures, %d of them" % len(cases), path),
                   ok, "worst %.3f %%, %s" % worst)
    finally:
        close(driver)
        server.shutdown()


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


def running_page(site, native, path):
    from selenium.webdriver.common.keys import Keys
    server, address = serve.start(site)
    driver = browser()
    try:
        started = start(driver, page_url(address, path))
        title = driver.title
        if not started:
            report(named("the page starts the program", path), False, page_words(driver))
            return
        wrong_path = on_path(driver, path)
        start_reading = driver.execute_async_script(FIRST_PICTURE)
        painted, shown = start_reading["picture"], start_reading["shown"]
        report(named("the page starts the program, its first frame shown as a picture until it draws", path),
               title == "Talvenor" and not wrong_path and painted is not None and not shown,
               "title %r%s; the picture painted at %s ms, still shown: %s"
               % (title, "; " + wrong_path if wrong_path else "", painted, shown))

        first = canvas_shown(driver)
        changed = None
        end = time.monotonic() + 20
        while time.monotonic() < end:
            after_frames(driver, 5)
            changed = moved(first.reshape(-1), canvas_shown(driver).reshape(-1))
            if changed > 0.5:
                break
        report(named("the running page animates", path), changed is not None and changed > 0.5,
               "%.1f %% of the channel values changed" % (changed or 0))

        # The lit picture changes colour with the fast day clock; unlit (l), the ground is its
        # texture's green wherever the camera sees it. The picture is taken once the program has
        # had the key and drawn frames since, however late a busy machine delivers it.
        press(driver, "l")
        had = caught_up(driver)
        unlit = green_ground(canvas_shown(driver))
        if not had or unlit.mean() <= 0.2:
            report(named("F5 keeps the page and switches to camera 5", path), False,
                   "the unlit picture did not come (frames: %s, ground %.1f %%)" % (bool(had), 100 * unlit.mean()))
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
        report(named("F5 keeps the page and switches to camera 5", path),
               kept and browser_got == "F5 kept " and switched(before, after),
               "page kept: %s; %s; the green ground moved by %.1f %% without a key, %.1f %% after F5"
               % (kept, browser_got.strip(), before, after))

        before, after = camera_switch(driver, Keys.F3)
        browser_got = driver.execute_script("return window.talvenorKept") or ""
        camera = program_state(driver).get("camera")
        report(named("F3 switches to camera 3, kept from the browser", path), switched(before, after) and
               browser_got.endswith("F3 kept ") and camera == 3,
               "%s; the green ground moved by %.1f %% without a key, %.1f %% after F3; the program's camera %s"
               % (browser_got.strip(), before, after, camera))
        menu = driver.execute_script(
            "const e = new MouseEvent('contextmenu', {bubbles: true, cancelable: true, button: 2});"
            "document.getElementById('canvas').dispatchEvent(e); return e.defaultPrevented")
        report(named("the right button opens no menu over the picture", path), bool(menu))

        complaints = policy_complaints(driver)
        report(named("the page runs under its content security policy", path), not complaints,
               "; ".join(complaints[:3]))

        press(driver, Keys.ESCAPE)
        ended = wait_for(driver, "return window.talvenorEnded", 10)
        words = page_words(driver)
        drawn = settled_count(driver)
        shown = canvas_shown(driver)
        animation_frames(driver, 30)
        press(driver, "l")  # no key reaches the ended program
        animation_frames(driver, 30)
        time.sleep(FRAME_REPORT_SECONDS)
        same = bool((canvas_shown(driver) == shown).all()) and frames(driver) == drawn
        workers = [t["url"] for t in driver.execute_cdp_cmd("Target.getTargets", {})["targetInfos"]
                   if t["type"] == "worker"]
        report(named("Escape ends the program: drawing stops, the page says so and ends its worker", path),
               bool(ended) and same and "ended" in words and "Reload" in words and not workers,
               "page: %r; picture unchanged: %s; workers %s" % (words, same, workers))
    finally:
        close(driver)
        server.shutdown()


def refused_stills(site, native, path):
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
            result = still(driver, address, path, query, 30) or {}
            words = page_words(driver)
            blank = canvas_shown(driver, without_status=True)[2:-2, 2:-2]  # the box's edges may show the page
            nothing_drawn = bool((blank == blank[0, 0]).all()) and still_image(driver) is None
            wrong_path = on_path(driver, path)
            right = result.get("refused") == expected and expected in words and nothing_drawn \
                and run.returncode == 2 and not wrong_path
            print("?%-14s page: %r; talvenor_snapshot: %r; nothing drawn: %s %s"
                  % (query, result.get("refused"), expected, nothing_drawn, wrong_path))
            ok = ok and right
    finally:
        close(driver)
        server.shutdown()
    report(named("the page refuses what talvenor_snapshot refuses, in its words, and draws nothing", path), ok)


def controls_table(site):
    """The page's controls table is the README's (the page's HTML, the same for either way)."""
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


PROGRAM_FILES = ("talvenor.js", "talvenor.wasm", "talvenor.data.gz")


def no_webgl(site):
    """Without WebGL on the page's thread (Chromium's --disable-webgl) the page says so in words
    and loads no part of the program (as the server saw it: the worker's loads are not the
    page's). Chromium still gives a worker's OffscreenCanvas its WebGL 2 there, so the page that
    may use a worker either draws in it (its frames come, and the picture is shown) or, where the
    worker cannot draw either, says the same words."""
    for path in PATHS:
        server, address = serve.start(site)
        driver = browser(webgl=False)
        try:
            driver.get(page_url(address, path))
            told = wait_for(driver, "return window.talvenorNoWebGL || (window.talvenorFrames || 0) > 10", 30)
            time.sleep(1)  # whatever the page would load next has been asked for
            words = page_words(driver)
            loaded = [name for name in server.host["requested"] if name in PROGRAM_FILES]
            if path == "worker" and not driver.execute_script("return !!window.talvenorNoWebGL"):
                drawing = bool(told) and driver.execute_script(
                    "return window.talvenorPath === 'worker' && document.getElementById('status').hidden")
                report(named("without WebGL on the page's thread the program draws in its worker", path),
                       drawing, "frames %d, status hidden %s" % (frames(driver), drawing))
                continue
            report(named("without WebGL the page says so in words and loads no program", path),
                   bool(told) and "WebGL 2" in words and not loaded, "page: %r; loaded: %s" % (words, loaded))
        finally:
            close(driver)
            server.shutdown()


def missing_files(site, path):
    """A file that does not arrive is told in words, and nothing starts."""
    ok = True
    for name in PROGRAM_FILES + ("worker.js",):
        server, address = serve.start(site, withheld=[name])
        driver = browser()
        try:
            driver.get(page_url(address, path))
            told = wait_for(driver, "return window.talvenorEnded", 30)
            words = page_words(driver)
            shown = driver.execute_async_script(FIRST_PICTURE)["shown"]  # hides no words, shows nothing that runs
            # and no error of the page's own scripts on the way (a call into code that never came)
            right = bool(told) and "Reload" in words and "TypeError" not in words and not frames(driver) and not shown
            print("without %-14s the page says: %r%s" % (name, words, "; the first frame's picture shows" * shown))
            ok = ok and right
        finally:
            close(driver)
            server.shutdown()
    report(named("a file that does not load is told in words", path), ok)


def narrow_screen(site, path):
    """On a 400 pixel wide screen the canvas is scaled to fit, 4:3, its drawing buffer the shown size."""
    server, address = serve.start(site)
    driver = browser(width=400, height=900)
    try:
        driver.get(page_url(address, path))
        wait_for(driver, "return (window.talvenorFrames || 0) > 2 || window.talvenorEnded", 60)
        settled(driver)
        box = layout(driver)
        ok = box["right"] <= box["screenWidth"] and abs(box["width"] * 3 - box["height"] * 4) < 4 \
            and box["scrollWidth"] <= box["screenWidth"] and sharp(box)
        report(named("on a narrow screen the canvas fits, keeping 4:3, its drawing buffer the shown size", path),
               ok, describe(box))

        # The same page loses its context, as when the graphics driver resets, and the browser
        # does not give it back: the page waits, then says so.
        lose_context(driver)
        lost = wait_for(driver, "return window.talvenorEnded", 40)
        words = page_words(driver)
        drawn = settled_count(driver)
        animation_frames(driver, 30)
        time.sleep(FRAME_REPORT_SECONDS)
        report(named("a lost graphics context that does not come back stops the drawing and is told in words", path),
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


def layout(driver):
    """The picture's box, the screen, the drawing buffer and the program's viewport. The drawing
    buffer of a canvas handed to a worker is the worker's to size, out of the page's sight: there
    it is taken to be what the program was told."""
    box = driver.execute_script(
        "const c = document.getElementById('canvas'), r = c.getBoundingClientRect();"
        "const b = document.querySelector('#buttons button').getBoundingClientRect();"
        "const own = window.talvenorPath === 'main';"
        "return {left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height,"
        " screenWidth: innerWidth, screenHeight: innerHeight, ratio: devicePixelRatio,"
        " scrollWidth: document.documentElement.scrollWidth,"
        " bufferWidth: own ? c.width : null, bufferHeight: own ? c.height : null,"
        " buttonLeft: b.left, buttonTop: b.top, buttonBottom: b.bottom,"
        " fullscreen: document.fullscreenElement ? document.fullscreenElement.id : '',"
        " background: document.fullscreenElement ? getComputedStyle(document.fullscreenElement).backgroundColor : ''}")
    state = program_state(driver) or {}
    box["viewport"] = [state.get("width"), state.get("height")]
    if box["bufferWidth"] is None:
        box["bufferWidth"], box["bufferHeight"] = box["viewport"]
    return box


def sharp(box):
    """The drawing buffer is the shown size times the pixel ratio (at most 2), and the program's."""
    ratio = min(box["ratio"], 2)
    if None in (box["bufferWidth"], box["bufferHeight"]):
        return False
    return abs(box["bufferWidth"] - box["width"] * ratio) <= 1 and abs(box["bufferHeight"] - box["height"] * ratio) <= 1 \
        and box["viewport"] == [box["bufferWidth"], box["bufferHeight"]]


def fits(box, margin=40):
    """The whole picture is on the screen, 4:3, as wide or as high as the screen less a margin."""
    return box["left"] >= 0 and box["top"] >= 0 and box["right"] <= box["screenWidth"] + 0.5 \
        and box["bottom"] <= box["screenHeight"] + 0.5 and abs(box["width"] * 3 - box["height"] * 4) < 4 \
        and (box["width"] >= box["screenWidth"] - margin or box["height"] >= box["screenHeight"] - margin) \
        and box["scrollWidth"] <= box["screenWidth"]


def describe(box):
    return "%.0fx%.0f at (%.0f, %.0f) on %dx%d, buffer %sx%s, viewport %sx%s" % (
        box["width"], box["height"], box["left"], box["top"], box["screenWidth"], box["screenHeight"],
        box["bufferWidth"], box["bufferHeight"], box["viewport"][0], box["viewport"][1])


def settled(driver):
    """Two frames drawn after the screen changed: the buffer follows before a frame."""
    animation_frames(driver, 2)
    caught_up(driver, 2)


def phone(site, path):
    server, address = serve.start(site)
    driver = browser(width=PHONE[0], height=PHONE[1])
    try:
        driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
        emulate_phone(driver, landscape=True)
        driver.get(page_url(address, path))
        driver.execute_script("window.talvenorShifts = 0; new PerformanceObserver(function (list) {"
                              "  for (const e of list.getEntries()) window.talvenorShifts += e.value;"
                              "}).observe({type: 'layout-shift', buffered: true});")
        if not wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60) \
                or driver.execute_script("return !!window.talvenorEnded"):
            report(named("on a phone the page starts", path), False, page_words(driver))
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
        report(named("on a phone the whole picture shows, sharp, in landscape and portrait, the buttons beside or below it", path),
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
        state_when(driver, lambda state: state.get("autoOrbit") != tapped["autoOrbit"])
        touches(driver, "touchEnd")
        held = program_state(driver)
        report(named("a tap reverses the sails; a long press toggles the orbit and reverses no sails", path),
               tapped["sailSpeed"] == -start["sailSpeed"] and tapped["autoOrbit"] == start["autoOrbit"]
               and held["autoOrbit"] != tapped["autoOrbit"] and held["sailSpeed"] == tapped["sailSpeed"],
               "sails %g, after the tap %g, after the long press %g; orbit by itself %d, %d, %d"
               % (start["sailSpeed"], tapped["sailSpeed"], held["sailSpeed"], start["autoOrbit"],
                  tapped["autoOrbit"], held["autoOrbit"]))

        def pinch(steps):  # the fingers 100 + 20 * step CSS pixels apart
            for i, step in enumerate(steps):
                touches(driver, "touchMove" if i else "touchStart", [(x - 50 - 10 * step, y), (x + 50 + 10 * step, y)])
            touches(driver, "touchEnd")
        pinch(range(6))
        pinched = program_state(driver)
        page_scale = driver.execute_script("return visualViewport.scale")
        pinch(range(6))  # and at once a close back, before the program has told what the spread did
        pinch(range(5, -1, -1))
        back = program_state(driver)
        # Fingers twice as far apart: half the view's width, tan(fov / 2) halved.
        wanted = 2 * numpy.degrees(numpy.arctan(numpy.tan(numpy.radians(held["fieldOfView"] / 2)) / 2))
        report(named("a pinch zooms the view, following the fingers, not the page", path),
               abs(pinched["fieldOfView"] - wanted) <= 0.5 and page_scale == 1
               and abs(back["fieldOfView"] - pinched["fieldOfView"]) <= 1,
               "field of view %.1f -> %.1f degrees (the fingers ask for %.1f), after a spread and a close back %.1f; "
               "page scale %s" % (held["fieldOfView"], pinched["fieldOfView"], wanted, back["fieldOfView"], page_scale))

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
        report(named("a drag in camera 4 moves the view, by touch as by mouse, one step per CSS pixel", path),
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
        report(named("a cancelled touch leaves no button held", path),
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
        report(named("the full-screen button shows the picture alone on black, and leaving restores the page", path),
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
            driver.get(page_url(address, path))
            again = wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60)
            words = page_words(driver) if again else ""
        except WebDriverException as error:  # the browser's own error page
            again, words = False, error.msg
        report(named("the page starts a second time with the server stopped", path),
               bool(again) and not driver.execute_script("return !!window.talvenorEnded") and not on_path(driver, path),
               "service worker: %s; then, offline: %s" % (kept, "drawing" if again else repr(words)))
    finally:
        close(driver)
        server.shutdown()


def frames_stopped(driver):
    drawn = settled_count(driver)
    return not after_frames(driver, 2) or frames(driver) == drawn or driver.execute_script("return !!window.talvenorEnded")


def page(site, native):
    for path in PATHS:
        running_page(site, native, path)
        refused_stills(site, native, path)
    no_webgl(site)
    for path in PATHS:
        missing_files(site, path)
        narrow_screen(site, path)
        phone(site, path)
        context_restored(site, native, path)
        shared_links_and_buttons(site, path)
        hidden_page(site, path)
        offline_hosts(site, path)
    controls_table(site)


# ---- the graphics context taken away and given back ---------------------------------------------

def lost_and_back(driver, restores):
    """Loses the context, checks the page is paused and takes no key, restores it; True when the
    page came back (restores: the count of restores expected after it)."""
    lose_context(driver)
    paused = wait_for(driver, "return window.talvenorPaused === true", 10)
    words = page_words(driver)
    drawn = settled_count(driver)
    press(driver, "l")  # no key acts on a picture that cannot be drawn
    animation_frames(driver, 20)
    time.sleep(FRAME_REPORT_SECONDS)
    still_now = frames(driver) == drawn
    restore_context(driver)
    back = wait_for(driver, "return window.talvenorRestores >= %d && window.talvenorPaused === false && "
                    "!window.talvenorEnded" % restores, 20)
    carried_on = bool(back) and bool(after_frames(driver, 10))
    hidden = driver.execute_script("return document.getElementById('status').hidden")
    print("  lost: paused %s (%r), no frame while lost %s; given back: %s, frames carry on %s, message hidden %s"
          % (bool(paused), words, still_now, bool(back), carried_on, hidden))
    return bool(paused) and "paused" in words and still_now and carried_on and bool(hidden)


def context_restored(site, native, path):
    """The running page loses its context and gets it back, once and twice in a row: it pauses
    and says so, takes no key meanwhile, and goes on with the camera chosen before; a still
    drawn across a loss matches the still drawn without one."""
    from selenium.webdriver.common.keys import Keys
    server, address = serve.start(site)
    driver = browser()
    try:
        if not start(driver, page_url(address, path)):
            report(named("the page carries on after its context is lost and given back", path), False,
                   page_words(driver))
            return
        # Unlit (l), the ground is its texture's green wherever the camera sees it (see
        # running_page); a key that reached the program while the context was away would light it.
        press(driver, "l")
        caught_up(driver, 10)
        before, after = camera_switch(driver, Keys.F3)
        # Camera 3 turns with the sails; stopped (ten times "-" from 1 degree a frame), it shows
        # the same ground frame after frame, so that a camera or a sail speed lost with the
        # context would show.
        for _ in range(10):
            press(driver, "-")
        caught_up(driver, 10)
        chosen = green_ground(canvas_shown(driver))
        once = lost_and_back(driver, 1)
        kept_once = moved(chosen, green_ground(canvas_shown(driver)))
        twice = lost_and_back(driver, 2) and lost_and_back(driver, 3)
        shown = canvas_shown(driver)
        kept_twice = moved(chosen, green_ground(shown))
        ground = 100.0 * float(chosen.mean())
        # Another camera, the sails turning again or the picture lit again move the ground by
        # far more than 5 %.
        report(named("the page carries on after its context is lost and given back, with the camera chosen before",
                     path), switched(before, after) and once and ground > 20 and kept_once < 5,
               "the green ground (%.0f %% of the picture) moved by %.1f %% from before the loss" % (ground, kept_once))
        report(named("the page carries on after losing its context twice in a row", path), twice and kept_twice < 5,
               "the green ground moved by %.1f %% from before the first loss" % kept_twice)
    finally:
        close(driver)
        server.shutdown()
    still_across_loss(site, path)
    memory_across_restores(site, path)


# A still drawn across a loss and a restore, against the same still drawn without one. The still's
# frames run in slices of 100, each one task of the thread that draws; the page is told to lose its
# context halfway through the frames of the still drawn without a loss (as timed from navigation
# then), which the thread that draws does after the slice it is in, and to give it back half a
# second after the page has heard of the loss. The loss and the restore must both come before the
# still is done.
STILL_ACROSS_LOSS = "camera=1&frames=300&time=1.2&orbit-angle=-1.1"
LOSS_DURING_STILL = r"""
(function () {
    const plan = {lostAt: 0, pausedAt: 0, restoredAt: 0, stillAt: 0};
    window.talvenorLossPlan = plan;
    let done;
    Object.defineProperty(window, 'talvenorStill', {
        configurable: true,
        get: function () { return done; },
        set: function (value) { done = value; plan.stillAt = plan.stillAt || performance.now(); },
    });
    (function lose() {
        if (typeof window.talvenorLoseContext !== 'function' || performance.now() < %f) {
            setTimeout(lose, 5);
            return;
        }
        plan.lostAt = performance.now();
        window.talvenorLoseContext();
        (function restore() {  // half a second after the page has heard of the loss
            if (window.talvenorPaused !== true) {
                setTimeout(restore, 5);
                return;
            }
            plan.pausedAt = performance.now();
            setTimeout(function () { window.talvenorRestoreContext(); plan.restoredAt = performance.now(); }, 500);
        })();
    })();
})();
"""


def still_across_loss(site, path, tries=3):
    """The loss is timed by the still before it: one that came before the frames began or after
    they ended (a busy machine draws at another speed from one still to the next) is tried again,
    timed by the still it missed."""
    name = named("a still drawn across a lost and restored context matches the still drawn without one", path)
    driver = browser()
    server, address = serve.start(site)
    try:
        # The page's longest task in the time the frames took, up to the still's end (a poll late).
        watch = driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PRESS_WAITS})["identifier"]
        plain = still(driver, address, path, STILL_ACROSS_LOSS, 300) or {}
        driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": watch})
        reference = still_image(driver) if "frames" in plain else None
        if reference is None:
            report(name, False, "no still without a loss: %s" % plain)
            return
        # The page's clock when the still was told (a poll late) and the time its frames took.
        timing = (driver.execute_script("return performance.now()"), plain["ms"])
        longest = max([t[1] for t in driver.execute_script("return window.talvenorLongTasks")
                       if t[0] + t[1] > timing[0] - timing[1]] + [0])
        most = 100 + 3 * timing[1] / 300
        report(named("no task of the page's thread during a still is longer than 100 ms and three frames", path),
               longest <= most, "the longest %.0f ms, at most %.0f ms" % (longest, most))
        for attempt in range(1, tries + 1):
            loss_at = max(0.0, timing[0] - timing[1] / 2)  # the middle of the frames, from navigation
            script = driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                            {"source": LOSS_DURING_STILL % loss_at})["identifier"]
            result = still(driver, address, path, STILL_ACROSS_LOSS, 300) or {}
            driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": script})
            plan = driver.execute_script("return window.talvenorLossPlan") or {}
            lost, told = plan.get("lostAt", 0), plan.get("stillAt", 0)
            if "frames" in result and not told - result["ms"] < lost < told and attempt < tries:
                print("  the loss at %.0f ms missed the frames (%.0f to %.0f ms): again" % (lost, told - result["ms"], told))
                timing = (told, result["ms"])
                continue
            break
        restores = driver.execute_script("return window.talvenorRestores || 0")
        percent = 100.0
        web = still_image(driver) if "frames" in result else None
        if web is not None:
            percent = 100.0 * differing(web, reference).mean()
        across = 0 < plan.get("lostAt", 0) < plan.get("restoredAt", 0) < plan.get("stillAt", 0) and restores >= 1
        report(name, across and percent <= LIMIT_PERCENT,
               "lost at %.0f ms, paused at %.0f ms, given back at %.0f ms, still told at %.0f ms (the one before: "
               "%.0f ms, its frames %.0f ms); restores %d; %.3f %% of the pixels differ by more than 8 levels; %s"
               % (plan.get("lostAt", 0), plan.get("pausedAt", 0), plan.get("restoredAt", 0), plan.get("stillAt", 0),
                  timing[0], timing[1], restores, percent, result))
    finally:
        close(driver)
        server.shutdown()


def worker_devtools(driver, script, calls):
    """DevTools calls [(method, params)] made in the page's dedicated worker whose script is named
    script (the browser's own when script is None), through the browser's own DevTools socket
    (selenium's reaches the page alone; trio and its websockets come with Debian's selenium);
    their results, or None when there is no such worker."""
    import json
    import urllib.request
    import trio
    import trio_websocket
    workers = [t["targetId"] for t in driver.execute_cdp_cmd("Target.getTargets", {})["targetInfos"]
               if t["type"] == "worker" and t["url"].split("?")[0].endswith("/%s" % script)]
    if script and len(workers) != 1:
        return None
    address = driver.capabilities["goog:chromeOptions"]["debuggerAddress"]
    with urllib.request.urlopen("http://%s/json/version" % address) as answer:
        endpoint = json.load(answer)["webSocketDebuggerUrl"]
    results = []

    async def run():
        async with trio_websocket.open_websocket_url(endpoint, max_message_size=1 << 24) as socket:
            ids = iter(range(1, 1 << 30))

            async def send(method, params, session=None):
                number = next(ids)
                message = {"id": number, "method": method, "params": params}
                if session:
                    message["sessionId"] = session
                await socket.send_message(json.dumps(message))
                while True:  # events of the session come in between
                    answer = json.loads(await socket.get_message())
                    if answer.get("id") == number:
                        if "error" in answer:
                            raise RuntimeError("%s: %s" % (method, answer["error"]))
                        return answer["result"]
            session = script and (await send("Target.attachToTarget",
                                             {"targetId": workers[0], "flatten": True}))["sessionId"]
            for method, params in calls:
                results.append(await send(method, params, session))
    trio.run(run)
    return results


def heap_used(driver):
    """The JavaScript heap of the thread that draws, after a forced collection, in bytes (None
    when the page's worker cannot be found). The second collection takes what the first one's
    finalisers let go."""
    calls = [("HeapProfiler.collectGarbage", {}), ("HeapProfiler.collectGarbage", {}), ("Runtime.getHeapUsage", {})]
    if page_path(driver) == "worker":
        results = worker_devtools(driver, "worker.js", calls)
        return results[-1]["usedSize"] if results else None
    return [driver.execute_cdp_cmd(method, params) for method, params in calls][-1]["usedSize"]


def memory_across_restores(site, path, restores=50):
    """The running page loses its context and gets it back 50 times in a row: its memory after
    the 50th restore is what it was after the first. Each restore makes the context's GL objects
    anew (some twenty: the buffers, vertex array, record tables, programs and texture names); had
    the program kept the ones of the context before, 49 restores would leave about 80 kB more of
    JavaScript heap (about 210 kB in all, where about 130 kB is measured without them) on the
    thread that draws. What the heap may grow by anyway: the room emscripten's object tables take
    for the names each restore uses, which it never gives back (about 33 kB for 49 restores), what
    the frames and this driver's scripts leave over the minute (about 20 kB measured with no
    restore), and about 1.5 kB a restore that the browser's own handling of a restore leaves;
    160 kB in all. The wasm memory must not grow."""
    name = named("the page's memory after %d losses and restores is what it was after the first" % restores, path)
    back_script = ("return (window.talvenorRestores || 0) >= arguments[0] && window.talvenorPaused === false && "
                   "(window.talvenorFrames || 0) >= arguments[1]")
    server, address = serve.start(site)
    driver = browser()
    try:
        if not start(driver, page_url(address, path)):
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
            drawn = settled_count(driver)
            end = time.monotonic() + 20
            while not driver.execute_script(back_script, n, drawn + 2) and time.monotonic() < end:
                time.sleep(0.05)
            if not driver.execute_script(back_script, n, drawn + 2):
                break
            back = n
            if n == 1:
                first = (heap_used(driver), wasm_memory(driver))
        last = (heap_used(driver), wasm_memory(driver)) if back == restores else None
        ok = first is not None and last is not None and None not in (first[1], last[1])
        detail = "given back %d times of %d" % (back, restores)
        if ok:
            heap_room = 160 * 1024
            wasm_growth = last[1] - first[1]
            if first[0] is None or last[0] is None:
                ok = False
                heap = "no worker.js worker to measure"
            else:
                heap_growth = last[0] - first[0]
                ok = heap_growth <= heap_room
                heap = ("JavaScript heap %.0f kB after the first restore, %+.1f kB after the %dth (at most %+d kB)"
                        % (first[0] / 1024.0, heap_growth / 1024.0, restores, heap_room // 1024))
            ok = ok and wasm_growth == 0
            detail = "%s; wasm memory %.1f MB, %+d bytes" % (heap, first[1] / 1e6, wasm_growth)
        report(name, ok, detail)
    finally:
        close(driver)
        server.shutdown()


# ---- the page as the world meets it -------------------------------------------------------------

def shared_links_and_buttons(site, path):
    """A link that gained a name of a social site or a newsletter starts the program, and a still's
    link that gained one draws that still; a mouse button released where the page did not see it
    (outside the window, after alt-tab) drags no more."""
    server, address = serve.start(site)
    driver = browser()
    try:
        names = "fbclid=IwAR0x&utm_source=chat&ref=news"
        drawing = start(driver, page_url(address, path, names))
        running = drawing and not driver.execute_script("return !!window.talvenorStill") and not on_path(driver, path)
        search = driver.execute_script("return location.search")
        report(named("a link with names of its own (fbclid, utm_source, ref) starts the program and keeps them", path),
               running and search == "?" + page_url("", path, names)[len("index.html?"):],
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
        mouse(driver, "mousePressed", x, y, "back")  # the browser's, its release not seen
        mouse(driver, "mouseMoved", x, y - 40)
        after_back = program_state(driver)["dragPitch"]
        report(named("a button released where the page did not see it is released: the next move, or the "
                     "window losing the focus, ends the drag; the back button drags nothing", path),
               dragged == 20 and after_unseen == dragged and after_blur == dragged and after_back == dragged,
               "dragged %g; after a move with no button %g; after the focus went %g; after the back button %g"
               % (dragged, after_unseen, after_blur, after_back))

        query = "camera=3&frames=10&time=1.2"
        plain = still(driver, address, path, query, 60) or {}
        reference = still_image(driver)
        shared = still(driver, address, path, query + "&fbclid=IwAR0x", 60) or {}
        picture = still_image(driver)
        same = "frames" in plain and "frames" in shared and reference is not None and picture is not None \
            and numpy.array_equal(reference, picture)
        report(named("a still's link that gained a name of its own draws the same still", path), same,
               "%s; with fbclid: %s" % (plain, shared))
    finally:
        close(driver)
        server.shutdown()


def browser_cpu(driver):
    """CPU seconds used so far by all the browser's processes."""
    return sum(p["cpuTime"] for p in worker_devtools(driver, None, [("SystemInfo.getProcessInfo", {})])[0]["processInfo"])


def hidden_page(site, path, seconds=8, hidden_seconds=30):
    """A page behind another tab, from its start and running, draws nothing and carries on when shown;
    hidden with its context away for longer than the restore's deadline (of time shown) too."""
    server, address = serve.start(site)
    driver = browser()
    try:
        shown = driver.current_window_handle
        driver.get(page_url(address, path))
        driver.switch_to.new_window("tab")
        other = driver.current_window_handle
        time.sleep(5)
        driver.switch_to.window(shown)
        started = wait_for(driver, "return (window.talvenorFrames || 0) > 5 || window.talvenorEnded", 60)
        # The frames told a second after the page is hidden and when it is shown, before any more.
        driver.execute_script("window.talvenorHidden = []; document.addEventListener('visibilitychange', function () {"
                              " const count = function () { talvenorHidden.push(window.talvenorFrames); };"
                              " if (document.hidden) setTimeout(count, 1000); else count(); });")
        cpu = []
        for window in (shown, other):
            driver.switch_to.window(window)
            began = (browser_cpu(driver), time.monotonic(), frames(driver))
            time.sleep(seconds)
            cpu.append((browser_cpu(driver) - began[0]) / (time.monotonic() - began[1]))
            if window == shown:
                drawn = frames(driver) - began[2]
        driver.switch_to.window(shown)
        counts = driver.execute_script("return window.talvenorHidden")
        hidden_frames = counts[1] - counts[0] if len(counts) == 2 else float("nan")
        report(named("a hidden page draws nothing, its browser rests, and it carries on when shown, also when "
                     "hidden from its start", path), started and not on_path(driver, path) and hidden_frames <= 2
               and cpu[1] <= cpu[0] / 3 and bool(after_frames(driver, 10)), "in %d s %d frames shown, %s hidden; the "
               "browser's CPU %.0f %% shown, %.0f %% hidden" % (seconds, drawn, hidden_frames, 100 * cpu[0], 100 * cpu[1]))

        lose_context(driver)
        paused = wait_for(driver, "return window.talvenorPaused === true", 10)
        driver.switch_to.window(other)
        time.sleep(hidden_seconds)
        driver.switch_to.window(shown)
        ended = driver.execute_script("return !!window.talvenorEnded")
        restore_context(driver)
        back = wait_for(driver, "return window.talvenorRestores >= 1 && !window.talvenorPaused && "
                        "!window.talvenorEnded", 20)
        report(named("a page hidden for %d s while its context is away carries on when shown again" % hidden_seconds, path),
               bool(paused) and not ended and bool(back) and bool(after_frames(driver, 10)),
               "shown again: ended %s, page: %r" % (ended, page_words(driver)))
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


def starts_offline(driver, address, path):
    """True when the page at address draws, the way asked; otherwise what it says (or that the
    browser showed its own error page)."""
    from selenium.common.exceptions import WebDriverException
    try:
        if start(driver, address):
            return on_path(driver, path) or True
        return page_words(driver)
    except WebDriverException:
        return "the browser's own error page"


def other_page(driver, url):
    from selenium.common.exceptions import WebDriverException
    try:
        driver.get(url)
        return driver.execute_script("return document.querySelector('#canvas') ? 'Talvenor' : document.title")
    except WebDriverException:
        return "the browser's own error page"


def offline_hosts(site, path):
    """The offline copy on hosts as they are: one that sends index.html on to ./ and adds
    Content-Encoding to .gz files, with the site at its root beside other pages (which keep their
    own) and another build in a folder below (whose first visit is its own page); and a new
    build's install that fails half way while the old one is in use."""
    root = tempfile.mkdtemp(prefix="talvenor-hosts-")
    for name in os.listdir(site):
        os.symlink(os.path.join(os.path.abspath(site), name), os.path.join(root, name))
    for folder in ("blog", "docs"):
        os.mkdir(os.path.join(root, folder))
        with open(os.path.join(root, folder, "index.html"), "w", encoding="utf-8") as other:
            other.write("<!DOCTYPE html><title>%s</title>" % folder)
    # The other copy is another build: the same files, its worker naming another build.
    preview = os.path.join(root, "preview")
    shutil.copytree(site, preview)
    with open(os.path.join(preview, "sw.js"), encoding="utf-8") as worker:
        text = worker.read()
    with open(os.path.join(preview, "sw.js"), "w", encoding="utf-8") as worker:
        worker.write(re.sub(r"'([0-9a-f]{16})';", lambda m: "'%s';" % m.group(1)[::-1], text, count=1))
    server, address = serve.start(root, redirect_index=True, encode_gz=True)
    driver = browser()
    others = [address + "blog/", address + "docs/index.html"]
    try:
        states, fetched = [], []
        for folder in ("", "preview/"):
            started = starts_offline(driver, page_url(address + folder, path), path)
            # A first visit is the page of its own folder, from the host, not another copy's from its cache.
            fetched.append(driver.execute_script("return performance.getEntriesByType('navigation')[0].transferSize"))
            states.append("/%s: %s, worker %s" % (folder, "drawing" if started is True else started, worker_ready(driver)))
        pages = [other_page(driver, url) for url in others]
        kept = driver.execute_async_script(
            "const done = arguments[arguments.length - 1]; caches.keys().then(done, function () { done([]); });")
        again = starts_offline(driver, page_url(address, path, page=""), path) is True
        server.shutdown()
        server.server_close()
        offline = [starts_offline(driver, page_url(address + folder, path, page=""), path) is True
                   for folder in ("", "preview/")]
        pages_offline = [other_page(driver, url) for url in others]
        report(named("on a host that redirects index.html and packs .gz files on the way, the site at its root and "
                     "another build in a folder below each start again online and then offline, on their own pages, "
                     "and the host's other pages keep theirs", path),
               again and all(offline) and len(set(kept)) == 2 and all(fetched) and pages == ["blog", "docs"]
               and "Talvenor" not in pages_offline,
               "%s; caches %s; again online: %s; offline: %s; the other pages online %s, offline %s; bytes of the first "
               "visits from the host %s" % ("; ".join(states), kept, again, offline, pages, pages_offline, fetched))
    finally:
        close(driver)
        server.shutdown()

    # A new build whose only change is its worker, served while talvenor.wasm cannot be had: its
    # install fails, and the build in use still starts offline.
    newer = os.path.join(root, "newer")
    shutil.copytree(site, newer)
    os.symlink(os.path.abspath(site), os.path.join(root, "talvenor"))
    with open(os.path.join(newer, "sw.js"), "a", encoding="utf-8") as worker:
        worker.write("// a build whose worker alone changed\n")
    server, address = serve.start(root)
    driver = browser()
    try:
        first = starts_offline(driver, page_url(address + "talvenor/", path), path) is True
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
        offline = starts_offline(driver, page_url(address + "talvenor/", path), path)
        report(named("a new build's install that fails half way leaves the build in use to start offline", path),
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
                      "cumulative-layout-shift", "interactive", "max-potential-fid")
# What the worker is for: the page's main thread free while the program starts and draws.
LIGHTHOUSE_TARGET = {"performance": 90, "total-blocking-time": 200}  # at least, at most (ms)


def lighthouse(site, tool, worker_runs=3):
    """Lighthouse's mobile run (an emulated mid-range phone, simulated slow network and CPU) in a
    Chromium of ours, started with the flags every browser of these checks has, for each way; the
    worker's three times, its target judged on the medians."""
    server, address = serve.start(site)
    try:
        for path in PATHS:
            runs = []
            for _ in range(worker_runs if path == "worker" else 1):
                result = lighthouse_run(page_url(address, path), tool)
                if isinstance(result, str):
                    report(named("Lighthouse", path), False, result)
                    break
                runs.append(result)
                lighthouse_figures(result, path)
            if not runs:
                continue
            if path == "worker":
                performance = percentile([100 * (r["categories"]["performance"]["score"] or 0) for r in runs], 50)
                blocking = percentile([r["audits"].get("total-blocking-time", {}).get("numericValue", float("inf"))
                                       for r in runs], 50)
                met = performance >= LIGHTHOUSE_TARGET["performance"] and blocking <= LIGHTHOUSE_TARGET["total-blocking-time"]
                print("  the worker's target, performance at least %d and total blocking time at most %d ms, in the "
                      "median of %d runs: %s (performance %.0f, total blocking time %.0f ms; load average %s)"
                      % (LIGHTHOUSE_TARGET["performance"], LIGHTHOUSE_TARGET["total-blocking-time"], len(runs),
                         "met" if met else "NOT met", performance, blocking, load_average()))
            scores = [{name: round(100 * (r["categories"][name]["score"] or 0)) for name in LIGHTHOUSE_MUST} for r in runs]
            report(named("Lighthouse: accessibility, best practices and SEO at 100", path),
                   all(score[name] == 100 for score in scores for name in LIGHTHOUSE_MUST),
                   "; ".join(", ".join("%s %s" % (name, score[name]) for name in LIGHTHOUSE_MUST) for score in scores))
    finally:
        server.shutdown()


def lighthouse_figures(result, path):
    scores = {name: round(100 * (category["score"] or 0)) for name, category in result["categories"].items()}
    print("Lighthouse %s (mobile), %s: %s" % (result.get("lighthouseVersion"), PATH_NAMES[path],
                                             ", ".join("%s %d" % (name, scores[name]) for name in scores)))
    audits = result["audits"]
    print("  performance: " + ", ".join("%s %s" % (name, audits[name].get("displayValue", "?"))
                                        for name in LIGHTHOUSE_METRICS if name in audits))
    # What blocked the main thread: Lighthouse's long tasks (simulated times), by script.
    tasks = (audits.get("long-tasks", {}).get("details") or {}).get("items", [])
    if tasks:
        print("  long tasks of the main thread: " + ", ".join(
            "%.0f ms at %.0f ms (%s)" % (t.get("duration", 0), t.get("startTime", 0),
                                         str(t.get("url", "?")).rsplit("/", 1)[-1] or "?") for t in tasks[:6]))
    for name in LIGHTHOUSE_MUST:
        for ref in result["categories"][name]["auditRefs"]:
            audit = audits[ref["id"]]
            if ref.get("weight") and audit.get("score") is not None and audit["score"] < 1:
                print("  %s: %s (%s)" % (name, audit["title"], audit.get("displayValue", "score %s" % audit["score"])))


def lighthouse_run(url, tool):
    """Lighthouse's report of url (a dict), or why there is none (words)."""
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
            return "Chromium opened no DevTools port"
        port = open(port_file).read().split()[0]
        run = subprocess.run(
            ["node", os.path.join(tool, "node_modules", "lighthouse", "cli", "index.js"), url,
             "--port=" + port, "--only-categories=performance,accessibility,best-practices,seo",
             "--output=json", "--output-path=" + out, "--quiet", "--max-wait-for-load=90000"],
            capture_output=True, text=True, timeout=600)
        if run.returncode != 0 or not os.path.exists(out):
            print(run.stdout[-2000:], run.stderr[-2000:])
            return "status %d" % run.returncode
        import json
        with open(out, encoding="utf-8") as f:
            return json.load(f)
    finally:
        chromium.terminate()
        try:
            chromium.wait(30)
        except subprocess.TimeoutExpired:
            chromium.kill()
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
    ok = True
    try:
        query = "camera=1&frames=300&time=1.2&orbit-angle=-1.1"
        args = ["--camera", "1", "--time", "1.2", "--orbit-angle", "-1.1"]
        picture = os.path.join(tempfile.gettempdir(), "talvenor-speed-%d.dib" % os.getpid())
        web = {path: [] for path in PATHS}
        native_runs = []
        for _ in range(rounds):
            for path in PATHS:
                result = still(driver, address, path, query, 300) or {}
                if result.get("ms"):
                    web[path].append(result["ms"])
            times = {}
            for count in (1, 301):  # the difference leaves out the start-up and the read-back
                began = time.monotonic()
                snapshot(native, args + ["--frames", str(count)], picture)
                times[count] = 1000.0 * (time.monotonic() - began)
            native_runs.append(times[301] - times[1])
        if os.path.exists(picture):
            os.remove(picture)
        native_ms = min(native_runs)
        print("300 frames of camera 1 by night, quickest of %d: %.0f ms native (%.1f ms a frame); all native runs %s ms"
              % (rounds, native_ms, native_ms / 300, " ".join("%.0f" % v for v in native_runs)))
        for path in PATHS:
            if web[path]:
                print("  %-11s %.0f ms on the page (%.1f ms a frame): %.2f times the native time; all runs %s ms"
                      % (PATH_NAMES[path], min(web[path]), min(web[path]) / 300, min(web[path]) / native_ms,
                         " ".join("%.0f" % v for v in web[path])))
            else:
                print("  %-11s the page drew no still" % PATH_NAMES[path])
                ok = False
    finally:
        close(driver)
        server.shutdown()
    ok = first_visits(site) and ok
    for path in PATHS:
        ok = start_figures(site, path) and ok
    report("speed figures", ok)


START_PARTS = ("script", "context", "frames", "code", "data", "unpacked", "program", "runtime", "setUp", "frame")


def first_visits(site, visits=3):
    """Figures only: first visits (a fresh browser each) of the page in both ways and of the floor
    page beside the checks (floor.html: one triangle in a worker on a transferred canvas of the
    page's size), taking turns; the median of each figure."""
    server, address = serve.start(site)
    floor_server, floor_address = serve.start(os.path.dirname(os.path.abspath(__file__)))
    pages = {"floor": floor_address + "floor.html", "worker": page_url(address, "worker"),
             "main": page_url(address, "main")}
    seen = {name: [] for name in pages}
    load = load_average()
    try:
        for _ in range(visits):
            for name, url in pages.items():
                driver = browser()
                try:
                    driver.get(url)
                    wait_for(driver, "return window.talvenorFirstFrame || window.floorFirstFrame || window.talvenorEnded")
                    reading = driver.execute_async_script(FIRST_PICTURE)
                    if reading["frame"]:
                        seen[name].append(reading)
                finally:
                    close(driver)
    finally:
        server.shutdown()
        floor_server.shutdown()

    def median(name, key, part=None):
        values = [v["parts"].get(part) if part else v[key] for v in seen[name]]
        values = [v for v in values if v is not None]
        return percentile(values, 50) if values else None

    print("first visits, medians of %d (load average %s before, %s after):" % (visits, load, load_average()))
    for name in pages:
        if not seen[name]:
            print("  %-11s drew no first frame" % (PATH_NAMES.get(name, name)))
            continue
        parts = ", ".join("%s %.0f" % (part, median(name, None, part)) for part in START_PARTS
                          if median(name, None, part) is not None)
        picture = median(name, "picture")
        print("  %-11s first paint %.0f ms, the first frame's picture %s, the first frame %.0f ms (%s ms)%s%s"
              % (PATH_NAMES.get(name, name), median(name, "paint") or 0,
                 "%.0f ms" % picture if picture is not None else "-", median(name, "frame"),
                 " ".join("%.0f" % v["frame"] for v in seen[name]),
                 "; the start's parts ended at (ms): " + parts if parts else "",
                 "; %+.0f ms against the floor" % (median(name, "frame") - median("floor", "frame"))
                 if name != "floor" and seen["floor"] else ""), flush=True)
    return all(seen.values())


# Installed before the page's own scripts: how long each press of the mouse waited for the page's
# main thread, from the moment the browser had it (the event's time stamp) to its first listener,
# and the main thread's long tasks (over 50 ms), during which any press would wait.
PRESS_WAITS = r"""
(function () {
    const waits = [], tasks = [];
    window.talvenorPressWaits = waits;
    window.talvenorLongTasks = tasks;
    for (const type of ['pointerdown', 'mousedown', 'click']) {
        window.addEventListener(type, function (event) {
            waits.push([type, performance.now() - event.timeStamp, performance.now()]);
        }, true);
    }
    new PerformanceObserver(function (list) {
        for (const e of list.getEntries()) tasks.push([e.startTime, e.duration]);
    }).observe({type: 'longtask', buffered: true});
})();
"""


def start_figures(site, path, seconds=60):
    """From navigation to the first frame: when that frame came, and how long a button pressed
    meanwhile (real presses, again and again) waited for the page to take it."""
    from selenium.common.exceptions import WebDriverException
    server, address = serve.start(site)
    driver = browser()
    url = page_url(address, path)
    try:
        if not start(driver, url):
            print("%s: the page did not start: %s" % (PATH_NAMES[path], page_words(driver)))
            return False
        # The button is where the page's HTML and style put it before any script runs.
        x, y = driver.execute_script(
            "const r = document.querySelector(\"#buttons button[data-special='2']\").getBoundingClientRect();"
            "return [r.left + r.width / 2, r.top + r.height / 2]")
        driver.get("about:blank")
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PRESS_WAITS})
        driver.execute_cdp_cmd("Page.navigate", {"url": url})
        presses = 0
        first = None
        end = time.monotonic() + seconds
        while first is None and time.monotonic() < end:
            mouse(driver, "mousePressed", x, y, "left")
            mouse(driver, "mouseReleased", x, y, "left")
            presses += 1
            if presses % 4:
                continue  # a look at the page waits for its main thread too: presses come closer without
            try:
                here, first = driver.execute_script("return [location.href, window.talvenorFirstFrame]")
            except WebDriverException:  # between the documents
                here, first = None, None
            if here != url:
                first = None
        waits, tasks = driver.execute_script("return [window.talvenorPressWaits || [], window.talvenorLongTasks || []]")
        before = [w for w in waits if first is None or w[2] <= first]
        worst = max(before, key=lambda w: w[1]) if before else None
        tasks = [t for t in tasks if first is None or t[0] <= first]
        longest = max(tasks, key=lambda t: t[1]) if tasks else None
        print("%-11s first frame %s after navigation; %d presses of a button from navigation to it, %d events seen "
              "by the page, the longest wait for the page %s; the page's main thread had %d tasks over 50 ms "
              "before the first frame, %.0f ms in all, the longest %s"
              % (PATH_NAMES[path], "%.0f ms" % first if first else "not within %d s" % seconds, presses, len(before),
                 "%.0f ms (%s at %.0f ms)" % (worst[1], worst[0], worst[2]) if worst else "-", len(tasks),
                 sum(t[1] for t in tasks), "%.0f ms (at %.0f ms)" % (longest[1], longest[0]) if longest else "-"),
              flush=True)
        return first is not None
    finally:
        close(driver)
        server.shutdown()


# ---- frame times of the running page ------------------------------------------------------------

FRAME_SECONDS = 8.0


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))] if ordered else float("nan")


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def task_seconds(driver):
    """All the time the page's main thread has spent in tasks so far (DevTools' TaskDuration)."""
    metrics = driver.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
    return next(m["value"] for m in metrics if m["name"] == "TaskDuration")


FRAME_READING = ("return [performance.now(), window.talvenorFrames || 0, Object.assign({frames: 0, ms: 0},"
                 " window.talvenorFrameWork), Object.assign({}, window.talvenorLayerCounts)]")


def frame_phase(driver, throttle):
    """FRAME_SECONDS of the running page: the main thread's and the program's time per frame,
    frames per second, and the layer's bytes sent and draw calls of the frames seen meanwhile."""
    driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": throttle})
    caught_up(driver, 30)  # settled at this rate
    tasks = task_seconds(driver)
    start_at, start_frames, start_work, _ = driver.execute_script(FRAME_READING)
    counts = []
    end = time.monotonic() + FRAME_SECONDS
    while time.monotonic() < end:
        time.sleep(0.25)
        counts.append(driver.execute_script(FRAME_READING)[3])
    end_at, end_frames, end_work, _ = driver.execute_script(FRAME_READING)
    tasks = task_seconds(driver) - tasks
    driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 1})
    seconds = (end_at - start_at) / 1000.0
    drawn = max(end_frames - start_frames, 1)
    worked = end_work["frames"] - start_work["frames"]
    layer_bytes = [c["bytes"] for c in counts if "bytes" in c]
    layer_draws = [c["draws"] for c in counts if "draws" in c]
    return {"main": 1000.0 * tasks / drawn, "program": (end_work["ms"] - start_work["ms"]) / worked if worked else None,
            "fps": drawn / seconds, "seconds": seconds, "frames": drawn,
            "bytes": percentile(layer_bytes, 50) if layer_bytes else None,
            "bytes_max": max(layer_bytes) if layer_bytes else None,
            "draws": percentile(layer_draws, 50) if layer_draws else None}


def frame_figures(site, label, path):
    server, address = serve.start(site)
    driver = browser()
    try:
        driver.execute_cdp_cmd("Performance.enable", {})
        driver.get(page_url(address, path))
        if not wait_for(driver, "return (window.talvenorFrames || 0) > 60 || window.talvenorEnded", 90) or \
                driver.execute_script("return !!window.talvenorEnded"):
            print("%s, %s: the page did not run: %s" % (label, PATH_NAMES[path], page_words(driver)))
            return False
        for name, rate in (("plain", 1), ("CPU throttled 4x", 4)):
            load = load_average()
            f = frame_phase(driver, rate)
            program = "%.2f ms" % f["program"] if f["program"] is not None else "not told"
            layer = ("; the layer's own count: %.0f bytes sent (largest %.0f), %.0f draw calls a frame (median)"
                     % (f["bytes"], f["bytes_max"], f["draws"])) if f["bytes"] is not None else ""
            print("%-6s %-11s %-16s main thread %.2f ms a frame (all its tasks), the program %s a frame; "
                  "%.1f frames/s (%d in %.1f s)%s; load average %s"
                  % (label, PATH_NAMES[path], name, f["main"], program, f["fps"], f["frames"], f["seconds"], layer, load),
                  flush=True)
        return True
    finally:
        close(driver)
        server.shutdown()


def frames_check(site, before=None):
    """Figures only, never a timed test: the running page's main-thread time per frame (every task
    of the page's main thread, whichever way the program runs) and the program's own, plain and
    under 4x CPU throttling, with what it sends and draws, in both ways; BEFORE, a site built from
    another commit, is measured the same way in the same run."""
    ok = True
    for path in PATHS:
        ok = frame_figures(site, "this", path) and ok
    if before:
        for path in PATHS:
            ok = frame_figures(before, "before", path) and ok
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
        for path in PATHS:
            phone(*args, path)
    elif command == "lighthouse":
        lighthouse(*args)
    elif command == "layer":
        layer(*args)
    elif command == "speed":
        speed(*args)
    elif command == "restore":
        for path in PATHS:
            context_restored(*args, path)
    elif command == "wild":
        for path in PATHS:
            shared_links_and_buttons(*args, path)
            hidden_page(*args, path)
            offline_hosts(*args, path)
    elif command == "frames":
        frames_check(*args)
    elif command == "imports":
        imports(*args)
    else:
        sys.exit(__doc__)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
