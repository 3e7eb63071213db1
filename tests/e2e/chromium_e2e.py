#!/usr/bin/env python3
"""A real Chromium, end to end, with each of its two disk-cache backends: it loads a
small site served as 127.0.0.1 and as localhost (two sites, so keys are partitioned)
into a fresh profile and is closed cleanly over its DevTools pipe; Vorlane captures its
cache (watcher-driven, then on command) and every saved file is checked against what
was served. Exits 77 (skipped) without Chromium."""

import gzip
import http.server
import json
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import wave

from e2e_common import check, finish, run, saved_files, sha, snapshot, started, stop_started

CLI, SOURCE = sys.argv[1], sys.argv[2]
CHROMIUM = shutil.which("chromium")
if not CHROMIUM or not shutil.which("convert") or not shutil.which("brotli") \
        or not shutil.which("zstd"):
    print("chromium, ImageMagick's convert, brotli and zstd are needed; skipped")
    sys.exit(77)

root = tempfile.mkdtemp(prefix="vorlane-chromium-e2e-")
site = os.path.join(root, "site")
os.makedirs(site)


# ---- The site -----------------------------------------------------------------------------
pictures = {  # name: (geometry, kept by the default filters: >= 200 x 200 and >= 10 KB)
    "big.jpg": ("640x480", True),
    "big.png": ("400x300", True),
    "big.webp": ("500x400", True),
    "big.avif": ("480x360", True),
    "narrow.png": ("199x400", False),
    "small.webp": ("120x90", False),
    "tiny.gif": ("1x1", False),
    "frame.jpg": ("300x300", True),  # shown inside the cross-site frame
}
for name, (geometry, _) in pictures.items():
    run("convert", "-size", geometry, "plasma:fractal", "-seed", "7", "-quality", "92",
        os.path.join(site, name))
script = "".join(f"var value{i} = {i} * 2; // a line of script {i}\n" for i in range(400)).encode()
texts = {"app.js": script, "lib.js": script.replace(b"value", b"item"),
         "util.js": script.replace(b"value", b"thing")}
for name, data in texts.items():
    with open(os.path.join(site, name), "wb") as f:
        f.write(data)
encoded = {"app.js": ("gzip", gzip.compress(texts["app.js"]))}
for name, tool, coding in (("lib.js", "brotli", "br"), ("util.js", "zstd", "zstd")):
    run(tool, "-f", "-o", os.path.join(root, name + "." + coding), os.path.join(site, name),
        stderr=subprocess.DEVNULL)
    with open(os.path.join(root, name + "." + coding), "rb") as f:
        encoded[name] = (coding, f.read())
# A real sound (a player stops reading what it cannot decode), loaded by an <audio>
# element in range requests: a sparse cache entry.
with wave.open(os.path.join(site, "song.wav"), "wb") as sound:
    sound.setnchannels(1)
    sound.setsampwidth(2)
    sound.setframerate(22050)
    sound.writeframes(b"".join(
        struct.pack("<h", int(12000 * math.sin(i * 0.05 + math.sin(i * 0.0007) * 9)))
        for i in range(22050 * 20)))
song = open(os.path.join(site, "song.wav"), "rb").read()
with open(os.path.join(site, "frame.html"), "w") as f:
    f.write("<!DOCTYPE html><html><body><img src='frame.jpg'></body></html>")
images = "".join(f'<img src="{name}">' for name in pictures if name != "frame.jpg")
with open(os.path.join(site, "index.html"), "w") as f:
    f.write("<!DOCTYPE html><html><head><title>Vorlane</title>"
            "<script src='app.js'></script><script src='lib.js'></script>"
            "<script src='util.js'></script></head><body>" + images +
            "<iframe src='http://localhost:{port}/frame.html'></iframe>"
            "<audio src='song.wav' preload='auto' oncanplaythrough=\"fetch('done')\"></audio>"
            "</body></html>")
served = {name: open(os.path.join(site, name), "rb").read() for name in os.listdir(site)
          if name != "index.html"}
requests = set()


class Handler(http.server.SimpleHTTPRequestHandler):
    # The browser's cache keeps range answers of HTTP/1.1 servers only.
    protocol_version = "HTTP/1.1"

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=site, **kwargs)

    def end_headers(self):
        self.send_header("Cache-Control", "public, max-age=86400")
        super().end_headers()

    def do_GET(self):
        name = self.path.lstrip("/").split("?")[0]
        requests.add(name)
        if name == "index.html":
            body = open(os.path.join(site, name)).read().replace(
                "{port}", str(self.server.server_address[1])).encode()
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        elif name in encoded:
            coding, body = encoded[name]
            self.send_response(200)
            self.send_header("Content-Type", "text/javascript")
            self.send_header("Content-Encoding", coding)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        elif name == "song.wav" and self.headers.get("Range"):
            first, _, last = self.headers["Range"].removeprefix("bytes=").partition("-")
            start, end = int(first), int(last) if last else len(song) - 1
            self.send_response(206)
            self.send_header("Content-Type", "audio/wav")
            self.send_header("Accept-Ranges", "bytes")
            self.send_header("ETag", '"song-1"')
            self.send_header("Last-Modified", "Wed, 01 Jan 2025 00:00:00 GMT")
            self.send_header("Content-Range", f"bytes {start}-{end}/{len(song)}")
            self.send_header("Content-Length", str(end - start + 1))
            self.end_headers()
            self.wfile.write(song[start:end + 1])
        elif name in ("done", "favicon.ico"):
            self.send_response(204)
            self.end_headers()
        else:
            super().do_GET()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
port = server.server_address[1]


def environment(home):
    env = dict(os.environ, HOME=home)
    for key, sub in (("XDG_DATA_HOME", ".local/share"), ("XDG_CONFIG_HOME", ".config"),
                     ("XDG_CACHE_HOME", ".cache")):
        env[key] = os.path.join(home, sub)
    return env


class Browser:
    """Chromium driven over --remote-debugging-pipe (messages end in NUL; it reads fd 3
    and writes fd 4)."""

    def __init__(self, profile, cache_dir, blockfile):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def wire():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        args = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--remote-debugging-pipe",
                f"--user-data-dir={profile}", f"--disk-cache-dir={cache_dir}"]
        if blockfile:
            args.append("--enable-features=DiskCacheBackendExperiment:backend/blockfile")
        self.process = subprocess.Popen(args + ["about:blank"], preexec_fn=wire, pass_fds=(3, 4),
                                        env=environment(os.path.join(root, "home-browser")),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        started.append(self.process)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.next_id = 0
        self.buffer = b""

    def call(self, method, **params):
        self.next_id += 1
        message = json.dumps({"id": self.next_id, "method": method, "params": params})
        os.write(self.to_browser, message.encode() + b"\0")
        while True:
            while b"\0" not in self.buffer:
                chunk = os.read(self.from_browser, 65536)
                if not chunk:
                    return None
                self.buffer += chunk
            text, _, self.buffer = self.buffer.partition(b"\0")
            reply = json.loads(text)
            if reply.get("id") == self.next_id:
                return reply

    def close(self):
        self.call("Browser.close")
        return self.process.wait(timeout=60)


def capture(args, home=None):
    result = subprocess.run([CLI] + args, env=environment(home) if home else None,
                            capture_output=True, text=True)
    print(result.stdout[-2000:], result.stderr, sep="")
    return result


def catch_all(work, folder):
    path = os.path.join(work, folder + ".flt")
    with open(path, "w") as f:
        f.write(f"[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=0\nMinHeight=0\n"
                f"Directory={work}/{folder}\nFileNameDummy=file\n")
    return path


def one_backend(blockfile):
    label = "blockfile" if blockfile else "simple"
    work = os.path.join(root, label)
    profile, cache_dir = os.path.join(work, "profile"), os.path.join(work, "cache")
    cache = os.path.join(cache_dir, "Default")  # a profile folder names its cache
    home_a, home_b = os.path.join(work, "home-a"), os.path.join(work, "home-b")
    default_filters = os.path.join(SOURCE, "Filters", "Default.flt")
    requests.clear()

    # (a) The watcher sees Chromium start and end, then captures what it cached meanwhile.
    watcher = subprocess.Popen(
        [CLI, "watch", "chromium", "--cache", cache, "--filters", default_filters, "--once",
         "--interval", "200"], env=environment(home_a), stdout=subprocess.PIPE,
        stderr=subprocess.PIPE, text=True)
    started.append(watcher)
    time.sleep(1)
    browser = Browser(profile, cache_dir, blockfile)
    browser.call("Target.createTarget", url=f"http://127.0.0.1:{port}/index.html")
    for _ in range(300):
        if "done" in requests and "frame.jpg" in requests:
            break
        time.sleep(0.1)
    check("done" in requests, f"{label}: the page did not finish loading")
    # A capture while the browser runs: whatever it saves is whole (the blockfile cache
    # shares its files, so there it is refused by the command line's own rules only
    # when the cache is not named; named, it reads what it can and checks it the same).
    report = os.path.join(work, "live.json")
    live = capture(["capture", "chromium", "--cache", cache, "--filters",
                    catch_all(work, "live"), "--live", "--quiet", "--report", report])
    check(live.returncode == 0, f"{label}: live capture ended with {live.returncode}")
    with open(report) as f:
        rows = [row for row in json.load(f) if row["outcome"] == "saved"]
    ours = [row for row in rows if row["url"].split("/")[-1] in served]
    check(len(ours) > 0, f"{label}: the live capture saved nothing of the site")
    for row in ours:
        with open(row["saved_path"], "rb") as f:
            check(sha(f.read()) == sha(served[row["url"].split("/")[-1]]) == row["sha256"],
                  f"{label}: live capture saved {row['url']} other than it was served")
    time.sleep(3)  # the player reads on, the cache writes what it was given
    code = browser.close()
    check(code == 0, f"{label}: chromium ended with {code}")
    out, err = watcher.communicate(timeout=120)
    print(out, err, sep="")
    check(watcher.returncode == 0, f"{label}: watch ended with {watcher.returncode}")

    listing = capture(["list", "chromium", "--cache", cache])
    check(listing.returncode == 0, f"{label}: list ended with {listing.returncode}")
    check("http://127.0.0.1 http://localhost" in listing.stdout,
          f"{label}: no entry is keyed by both sites")
    before = snapshot(cache_dir)
    check(len(before) > 0, f"{label}: Chromium left no cache files")

    # (b) A capture on command with the default filters, and everything once.
    check(capture(["capture", "chromium", "--cache", cache, "--filters", default_filters],
                  home_b).returncode == 0, f"{label}: capture failed")
    check(capture(["capture", "chromium", "--cache", cache, "--filters", catch_all(work, "all"),
                   "--quiet"]).returncode == 0, f"{label}: catch-all capture failed")

    kept = {sha(data) for name, data in served.items() if pictures.get(name, (0, False))[1]}
    for home in (home_a, home_b):
        saves = saved_files(os.path.join(home, "VOR_SAVES"))
        pictures_saved = {sha(data) for path, data in saves.items() if "/Pictures/" in "/" + path}
        check(pictures_saved == kept,
              f"{label}, {os.path.basename(home)}: the pixel filters kept {len(pictures_saved)} "
              f"pictures, not exactly the {len(kept)} large ones")
        check(sha(song) in {sha(data) for data in saves.values()},
              f"{label}, {os.path.basename(home)}: the range-loaded song was not saved whole")

    # Skip Duplicates is on: every body once, byte for byte after decoding.
    bodies = [sha(data) for data in saved_files(os.path.join(work, "all")).values()]
    for name, data in served.items():
        check(bodies.count(sha(data)) == 1,
              f"{label}: {name} saved {bodies.count(sha(data))} times byte for byte (decoded)")
    check(snapshot(cache_dir) == before, f"{label}: the cache folder changed")


try:
    one_backend(blockfile=False)
    one_backend(blockfile=True)
finally:
    stop_started(server)
finish(root)
