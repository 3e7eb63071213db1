#!/usr/bin/env python3
"""A real Firefox, end to end: it loads a small site from 127.0.0.1 into a fresh
profile; Vorlane captures its cache (watcher-driven, then on command) and every
saved file is checked against what was served. Exits 77 (skipped) without Firefox."""

import gzip
import json
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from e2e_common import check, finish, run, saved_files, sha, snapshot, started, stop_started

CLI, SOURCE = sys.argv[1], sys.argv[2]
FIREFOX = shutil.which("firefox-esr") or shutil.which("firefox")
if not FIREFOX or not shutil.which("convert") or not shutil.which("brotli"):
    print("firefox, ImageMagick's convert and brotli are needed; skipped")
    sys.exit(77)

root = tempfile.mkdtemp(prefix="vorlane-e2e-")
site, profile = os.path.join(root, "site"), os.path.join(root, "profile")
os.makedirs(site)
os.makedirs(profile)


# ---- The site: pictures of several sizes and formats, compressed scripts, a page, a big file.
pictures = {  # name: (geometry, kept by the default filters: >= 200 x 200 and >= 10 KB)
    "big.jpg": ("640x480", True),
    "big.png": ("400x300", True),
    "big.gif": ("300x250", True),
    "narrow.png": ("199x400", False),
    "small.jpg": ("120x90", False),
    "tiny.gif": ("1x1", False),
}
for name, (geometry, _) in pictures.items():
    run("convert", "-size", geometry, "plasma:fractal", "-seed", "7", os.path.join(site, name))
script = "".join(f"var value{i} = {i} * 2; // a line of script {i}\n" for i in range(400)).encode()
library = script.replace(b"value", b"item")
with open(os.path.join(site, "app.js"), "wb") as f:
    f.write(script)
with open(os.path.join(site, "lib.js"), "wb") as f:
    f.write(library)
encoded = {"app.js": ("gzip", gzip.compress(script))}
run("brotli", "-f", "-o", os.path.join(root, "lib.js.br"), os.path.join(site, "lib.js"))
with open(os.path.join(root, "lib.js.br"), "rb") as f:
    encoded["lib.js"] = ("br", f.read())
with open(os.path.join(site, "large.bin"), "wb") as f:
    f.write(os.urandom(3 * 1024 * 1024))
images = "".join(f'<img src="{name}">' for name in pictures)
page = (f"<!DOCTYPE html><html><head><title>Vorlane</title><script src='app.js'></script>"
        f"<script src='lib.js'></script></head><body>{images}<script>"
        "var x = new XMLHttpRequest(); x.open('GET', 'large.bin', false); x.send();"
        "</script></body></html>").encode()
with open(os.path.join(site, "index.html"), "wb") as f:
    f.write(page)
served = {name: open(os.path.join(site, name), "rb").read() for name in os.listdir(site)}


requests = []


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=site, **kwargs)

    def end_headers(self):
        self.send_header("Cache-Control", "public, max-age=86400")
        super().end_headers()

    def do_GET(self):
        name = self.path.lstrip("/").split("?")[0]
        requests.append(name)
        if name in encoded:
            coding, body = encoded[name]
            self.send_response(200)
            self.send_header("Content-Type", "text/javascript")
            self.send_header("Content-Encoding", coding)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        super().do_GET()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
port = server.server_address[1]
url = f"http://127.0.0.1:{port}/index.html"

with open(os.path.join(profile, "user.js"), "w") as f:
    for pref, value in {
        "browser.cache.disk.enable": "true", "browser.cache.memory.enable": "false",
        "browser.shell.checkDefaultBrowser": "false", "app.update.disabledForTesting": "true",
        "datareporting.policy.dataSubmissionEnabled": "false", "toolkit.telemetry.enabled": "false",
        "network.captive-portal-service.enabled": "false", "network.connectivity-service.enabled": "false",
        "browser.safebrowsing.malware.enabled": "false", "browser.safebrowsing.phishing.enabled": "false",
        "extensions.update.enabled": "false", "browser.region.network.url": '""',
    }.items():
        f.write(f'user_pref("{pref}", {value});\n')


def environment(home):
    env = dict(os.environ, HOME=home)
    for key, sub in (("XDG_DATA_HOME", ".local/share"), ("XDG_CONFIG_HOME", ".config"),
                     ("XDG_CACHE_HOME", ".cache")):
        env[key] = os.path.join(home, sub)
    return env


def check_live_report(report, label):
    """Every file of the site that a capture while the browser ran saved is whole."""
    with open(report) as f:
        rows = json.load(f)
    ours = 0
    for row in rows:
        name = row["url"].split("/")[-1].split("?")[0]
        if row["outcome"] != "saved" or f":{port}/" not in row["url"] or name not in served:
            continue
        ours += 1
        with open(row["saved_path"], "rb") as f:
            check(sha(f.read()) == sha(served[name]) == row["sha256"],
                  f"{label}live capture saved {name} other than it was served")
    check(ours > 0, f"{label}the live capture saved nothing of the site")


try:
    default_filters = os.path.join(SOURCE, "Filters", "Default.flt")
    cache = os.path.join(profile, "cache2")
    home_a, home_b = os.path.join(root, "home-a"), os.path.join(root, "home-b")

    # (a) The watcher sees Firefox start and end, then captures what it cached meanwhile.
    watcher = subprocess.Popen(
        [CLI, "watch", "firefox", "--cache", cache, "--filters", default_filters, "--once",
         "--interval", "200"], env=environment(home_a), stdout=subprocess.PIPE,
        stderr=subprocess.PIPE, text=True)
    started.append(watcher)
    time.sleep(1)
    browser = subprocess.Popen(
        [FIREFOX, "--headless", "--no-remote", "--profile", profile, "--screenshot",
         os.path.join(root, "shot.png"), url], env=environment(os.path.join(root, "home-ff")),
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    started.append(browser)
    browser.wait(timeout=180)
    out, err = watcher.communicate(timeout=120)
    print(out, err, sep="")
    check(watcher.returncode == 0, f"watch ended with {watcher.returncode}")

    before = snapshot(cache)
    check(len(before) > 0, "Firefox left no cache entries")

    # (b) A capture on command with the default filters.
    result = subprocess.run([CLI, "capture", "firefox", "--cache", cache, "--filters", default_filters],
                            env=environment(home_b), capture_output=True, text=True)
    print(result.stdout, result.stderr, sep="")
    check(result.returncode == 0, f"capture ended with {result.returncode}")

    # (c) Everything, to compare every body with what was served.
    everything = os.path.join(root, "all.flt")
    with open(everything, "w") as f:
        f.write(f"[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=0\nMinHeight=0\n"
                f"Directory={root}/all\nFileNameDummy=file\n")
    result = subprocess.run([CLI, "capture", "firefox", "--cache", cache, "--filters", everything,
                             "--no-skip-duplicates", "--quiet"], capture_output=True, text=True)
    check(result.returncode == 0, f"catch-all capture ended with {result.returncode}")

    kept = {sha(data) for name, data in served.items() if pictures.get(name, (0, False))[1]}
    for home in (home_a, home_b):
        pictures_saved = {sha(data) for data in saved_files(os.path.join(home, "VOR_SAVES")).values()}
        check(pictures_saved == kept,
              f"{os.path.basename(home)}: the pixel filters kept {len(pictures_saved)} files, "
              f"not exactly the {len(kept)} large pictures")

    bodies = {sha(data) for data in saved_files(os.path.join(root, "all")).values()}
    for name, data in served.items():
        check(sha(data) in bodies, f"{name} was not saved byte for byte (decoded)")

    check(snapshot(cache) == before, "the cache folder changed")

    # (d) A capture while Firefox runs again on the same profile: whatever it saves is
    # whole, byte for byte what was served (decoded).
    requests.clear()
    running = subprocess.Popen(
        [FIREFOX, "--headless", "--no-remote", "--profile", profile, url.replace(
            "index.html", "index.html?again")], env=environment(os.path.join(root, "home-ff")),
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    started.append(running)
    for _ in range(600):
        if "large.bin" in requests or running.poll() is not None:
            break
        time.sleep(0.1)
    time.sleep(1)
    check(running.poll() is None, "the second Firefox ended on its own")
    live_filters = os.path.join(root, "live.flt")
    with open(live_filters, "w") as f:
        f.write(f"[GENERAL]\nVorlaneFilter=1\n[FILTER_0]\nContentType=0\nMinHeight=0\n"
                f"Directory={root}/live\nFileNameDummy=file\n")
    report = os.path.join(root, "live.json")
    result = subprocess.run([CLI, "capture", "firefox", "--cache", cache, "--filters", live_filters,
                             "--live", "--quiet", "--report", report], capture_output=True, text=True)
    print(result.stdout, result.stderr, sep="")
    check(result.returncode == 0, f"live capture ended with {result.returncode}")
    check_live_report(report, "")
finally:
    stop_started(server)
finish(root)
