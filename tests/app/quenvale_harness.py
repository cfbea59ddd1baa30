#!/usr/bin/env python3
"""Drives the real program as a user would: a private virtual X server (Xvfb) with a small
window manager (openbox, for full screen and minimising), a private runtime folder
(XDG_RUNTIME_DIR) as a desktop login has, keys through xdotool, window
geometry through xwininfo, screenshots through ImageMagick's `import`, and simple picture
measurements. Standard library only.

As a command it takes one screenshot for the documentation:
    quenvale_harness.py screenshot --program build/app/quenvale --misc misc --out docs/quenvale.png
"""

import argparse
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import zlib

SCREEN = (1280, 1024)
CLEAR_COLOUR = (0, 32, 77)  # (0, 0.125, 0.3) as 8-bit: 0.125 * 255 = 31.9, 0.3 * 255 = 76.5


class HarnessError(Exception):
    """Something in the test set-up (not the program) went wrong."""


def run(args, env=None, timeout=10, check=True):
    result = subprocess.run(args, env=env, timeout=timeout, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if check and result.returncode != 0:
        raise HarnessError(f"{' '.join(args)} failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
    return result


def wait_until(predicate, timeout, interval=0.05):
    """Polls `predicate` until it returns something true; returns that value, or None on timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


# --- Pictures -------------------------------------------------------------------------------

class Image:
    """An 8-bit RGB picture, rows top to bottom."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    @staticmethod
    def from_ppm(blob):
        # P6 header: magic, width, height, maxval, each separated by whitespace (comments allowed).
        fields, pos = [], 0
        while len(fields) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            if blob[pos:pos + 1] == b"#":
                pos = blob.index(b"\n", pos) + 1
                continue
            end = pos
            while not blob[end:end + 1].isspace():
                end += 1
            fields.append(blob[pos:end])
            pos = end
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise HarnessError("screenshot is not an 8-bit binary PPM")
        width, height = int(fields[1]), int(fields[2])
        data = blob[pos + 1:pos + 1 + width * height * 3]
        if len(data) != width * height * 3:
            raise HarnessError("screenshot is truncated")
        return Image(width, height, data)

    def save_png(self, path):
        rows = b"".join(b"\x00" + self.data[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, payload):
            body = kind + payload
            return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
                    + chunk(b"IEND", b""))

    def is_background(self, x, y, tolerance=10):
        return all(abs(a - b) <= tolerance for a, b in zip(self.pixel(x, y), CLEAR_COLOUR))

    def model_pixels(self, tolerance=10):
        """Coordinates of every pixel that is not the clear colour."""
        w, d = self.width, self.data
        r0, g0, b0 = CLEAR_COLOUR
        out = []
        for i in range(0, len(d), 3):
            if abs(d[i] - r0) > tolerance or abs(d[i + 1] - g0) > tolerance or abs(d[i + 2] - b0) > tolerance:
                p = i // 3
                out.append((p % w, p // w))
        return out

    def model_box(self):
        """(left, top, right, bottom, count) of the non-background pixels, or None if there are none."""
        pixels = self.model_pixels()
        if not pixels:
            return None
        xs = [p[0] for p in pixels]
        ys = [p[1] for p in pixels]
        return min(xs), min(ys), max(xs) + 1, max(ys) + 1, len(pixels)

    def difference(self, other, threshold=24):
        """Fraction of pixels whose channels differ by more than `threshold` anywhere."""
        if (self.width, self.height) != (other.width, other.height):
            return 1.0
        a, b = self.data, other.data
        changed = 0
        for i in range(0, len(a), 3):
            if (abs(a[i] - b[i]) > threshold or abs(a[i + 1] - b[i + 1]) > threshold
                    or abs(a[i + 2] - b[i + 2]) > threshold):
                changed += 1
        return changed / (self.width * self.height)

    def border_is_background(self, corners_only=False):
        """True when the corners (and unless corners_only, the middle of every edge) show the
        clear colour, so the frame covers the whole client area."""
        w, h = self.width, self.height
        points = [(1, 1), (w - 2, 1), (1, h - 2), (w - 2, h - 2)]
        if not corners_only:
            points += [(w // 2, 1), (w // 2, h - 2), (1, h // 2), (w - 2, h // 2)]
        return all(self.is_background(x, y) for x, y in points)


# --- The virtual display ----------------------------------------------------------------------

class XServer:
    """Xvfb on a free display number, optionally with openbox managing the windows."""

    def __init__(self, window_manager=True):
        self.window_manager = window_manager
        self.xvfb = self.wm = None
        self.display = None
        self.env = None

    def __enter__(self):
        try:
            return self._start()
        except BaseException:
            self.__exit__()  # a server or window manager that did start must not outlive the test
            raise

    def _start(self):
        if not shutil.which("Xvfb"):
            raise HarnessError("Xvfb is not installed (scripts/install-deps installs it)")
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            # -noreset: without it the server resets whenever its last client leaves, and a client
            # that connects during the reset (the window manager, the next program) is refused.
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
            if not ready:
                os.close(read_end)
                raise HarnessError("Xvfb did not report its display number")
            piece = os.read(read_end, 16)
            if not piece:
                os.close(read_end)
                raise HarnessError("Xvfb ended before it was ready")
            number += piece
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("WAYLAND_DISPLAY", "XAUTHORITY", "SDL_VIDEODRIVER")}
        self.env["DISPLAY"] = self.display
        # The server answers a moment after it reports its number; wait until clients get in.
        if not wait_until(lambda: run(["xprop", "-root", "-len", "0"], env=self.env, check=False).returncode == 0, 10):
            raise HarnessError(f"Xvfb on {self.display} does not accept clients (exit {self.xvfb.poll()})")
        if self.window_manager:
            if not shutil.which("openbox"):
                raise HarnessError("openbox is not installed (scripts/install-deps installs it)")
            self.wm_log = tempfile.TemporaryFile()
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env, stdout=self.wm_log,
                                       stderr=self.wm_log)
            if not wait_until(self._wm_ready, 10):
                self.wm_log.seek(0)
                raise HarnessError(f"openbox did not come up (exit {self.wm.poll()}): "
                                   + self.wm_log.read().decode(errors="replace"))
            # openbox announces itself before it has finished starting; in a brand-new system a
            # program window mapped in that time stayed unmapped (SDL then waits for it for ever).
            # A probe window that shows proves that new windows are managed.
            if not wait_until(self._wm_maps_windows, 30, 0):
                raise HarnessError("openbox runs but does not show new windows")
        return self

    def _wm_ready(self):
        result = run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env, check=False)
        return b"window id" in result.stdout

    def _wm_maps_windows(self):
        """Maps a small probe window (xev's) and reports whether it shows within two seconds."""
        probe = subprocess.Popen(["xev", "-geometry", "16x16", "-name", "quenvale-wm-probe"], env=self.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            return wait_until(lambda: run(["xdotool", "search", "--onlyvisible", "--name", "^quenvale-wm-probe$"],
                                          env=self.env, check=False).stdout.strip() != b"", 2, 0.05)
        finally:
            probe.kill()
            probe.wait()

    def __exit__(self, *exc):
        for proc in (self.wm, self.xvfb):
            if proc and proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        return False


# --- The program ------------------------------------------------------------------------------

class Program:
    """One run of the program. It runs in <tmp>/run, beside <tmp>/misc, so that its
    "..\\misc\\" paths find the data; `misc` is linked there, or copied when the test wants
    to break the data."""

    def __init__(self, program, misc, xserver=None, env=None, copy_misc=False, workdir=None):
        self.program = os.path.abspath(program)
        self.xserver = xserver
        self.own_workdir = workdir is None
        self.workdir = workdir or tempfile.mkdtemp(prefix="quenvale-test-")
        self.rundir = os.path.join(self.workdir, "run")
        self.miscdir = os.path.join(self.workdir, "misc")
        os.makedirs(self.rundir, exist_ok=True)
        if not os.path.exists(self.miscdir):
            if copy_misc:
                shutil.copytree(misc, self.miscdir)
            else:
                os.symlink(os.path.abspath(misc), self.miscdir)
        self.env = dict(xserver.env if xserver else os.environ)
        # What a desktop login gives every program: a private runtime folder (mode 0700). Without
        # one, OpenGL drivers built on Vulkan (Mesa's zink) print a line on stderr at start-up.
        runtime = os.path.join(self.workdir, "xdg-runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self.env.update(env or {})
        self.proc = None
        self.window = None
        self.stderr_path = os.path.join(self.workdir, "stderr.txt")
        self.started = None

    def start(self):
        self.stderr_file = open(self.stderr_path, "wb")
        self.started = time.monotonic()
        self.proc = subprocess.Popen([self.program], cwd=self.rundir, env=self.env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=self.stderr_file)
        return self

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        self.stderr_file.close()
        if self.own_workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)
        return False

    def stderr(self):
        self.stderr_file.flush()
        with open(self.stderr_path, "rb") as f:
            return f.read().decode(errors="replace")

    def wait_exit(self, timeout):
        """The exit status, or None if the program is still running after `timeout` seconds."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def elapsed(self):
        return time.monotonic() - self.started

    # --- the window ---
    def _x(self, *args, timeout=10, check=True):
        return run(list(args), env=self.env, timeout=timeout, check=check)

    def find_window(self, timeout=45):
        def search():
            if self.proc.poll() is not None:
                raise AssertionError(f"the program ended ({self.proc.returncode}) before showing its window:\n"
                                     + self.stderr())
            result = self._x("xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid), "--name",
                             "^Quenvale$", check=False)
            ids = result.stdout.split()
            return int(ids[0]) if ids else None

        self.window = wait_until(search, timeout, 0.1)
        if not self.window:
            raise AssertionError("no visible window titled \"Quenvale\" appeared:\n" + self._startup_state()
                                 + self.stderr())
        return self.window

    def _startup_state(self):
        """For the report of a window that never showed: the program's windows with their map
        state, and where each of its threads waits, so that a hang can be told from a slow start."""
        lines = []
        ids = self._x("xdotool", "search", "--pid", str(self.proc.pid), check=False).stdout.decode().split()
        for wid in ids:
            info = self._x("xwininfo", "-id", wid, check=False).stdout.decode(errors="replace")
            name = re.search(r"Window id: \S+ (.*)", info)
            state = re.search(r"Map State: (\w+)", info)
            lines.append(f"window {wid} {name.group(1) if name else '(gone)'}: {state.group(1) if state else '?'}")
        if not ids:
            lines.append("no window carries the program's pid")
        if self.xserver and self.xserver.wm:
            status = self.xserver.wm.poll()
            lines.append("openbox is running" if status is None else f"openbox ended with status {status}")
        tasks = f"/proc/{self.proc.pid}/task"
        for tid in sorted(os.listdir(tasks) if os.path.isdir(tasks) else [], key=int):
            try:
                with open(f"{tasks}/{tid}/comm") as f:
                    comm = f.read().strip()
                with open(f"{tasks}/{tid}/wchan") as f:
                    wchan = f.read().strip()
                with open(f"{tasks}/{tid}/stat") as f:
                    state = f.read().rsplit(")", 1)[1].split()[0]
            except OSError:
                continue  # the thread ended meanwhile
            lines.append(f"thread {tid} {comm}: {state} in {wchan or '-'}")
        return "".join(line + "\n" for line in lines)

    def window_exists(self):
        result = self._x("xwininfo", "-id", str(self.window), check=False)
        return result.returncode == 0 and b"IsViewable" in result.stdout

    def title(self):
        return self._x("xdotool", "getwindowname", str(self.window)).stdout.decode().strip()

    def client_size(self):
        text = self._x("xwininfo", "-id", str(self.window)).stdout.decode()
        width = int(re.search(r"Width: (\d+)", text).group(1))
        height = int(re.search(r"Height: (\d+)", text).group(1))
        return width, height

    def screenshot(self):
        # Right after a window is mapped again the server may refuse to read it for a moment.
        command = ["import", "-silent", "-window", str(self.window), "-depth", "8", "ppm:-"]
        result = wait_until(lambda: (lambda r: r if r.returncode == 0 else None)(self._x(*command, check=False)), 3)
        if not result:
            raise HarnessError("import could not read the window: " + self._x(*command, check=False).stderr.decode())
        return Image.from_ppm(result.stdout)

    def frame_screenshot(self, timeout=20):
        """A screenshot once the program has drawn a frame (its corner shows the clear colour)."""
        shot = wait_until(lambda: (lambda s: s if s.is_background(1, 1) else None)(self.screenshot()), timeout, 0.1)
        if not shot:
            raise AssertionError("no frame was drawn: the window does not show the clear colour")
        return shot

    def steady_screenshot(self, timeout=20):
        """A screenshot of a drawn frame once two taken in a row agree (for a frozen clock), so
        that every key sent before has been handled and drawn."""
        previous = self.frame_screenshot(timeout)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            time.sleep(0.15)
            current = self.screenshot()
            if current.data == previous.data and current.is_background(1, 1):
                return current
            previous = current
        raise AssertionError("the picture did not settle")

    def focus(self):
        self._x("xdotool", "windowactivate", "--sync", str(self.window), check=False)
        self._x("xdotool", "windowfocus", "--sync", str(self.window), check=False)

    def keys(self, *names, repeat=1):
        self.focus()
        args = ["xdotool", "key", "--clearmodifiers", "--delay", "4"]
        if repeat > 1:
            args += ["--repeat", str(repeat), "--repeat-delay", "4"]
        self._x(*(args + list(names)), timeout=60)

    def resize(self, width, height):
        self._x("xdotool", "windowsize", "--sync", str(self.window), str(width), str(height), check=False)
        if not wait_until(lambda: self.client_size() == (width, height), 5):
            raise AssertionError(f"the window did not take the size {width}x{height}: {self.client_size()}")

    def minimise(self):
        self._x("xdotool", "windowminimize", "--sync", str(self.window), check=False)

    def restore(self):
        self._x("xdotool", "windowactivate", "--sync", str(self.window), check=False)

    def hide(self):
        self._x("xdotool", "windowunmap", "--sync", str(self.window), check=False)

    def show(self):
        self._x("xdotool", "windowmap", "--sync", str(self.window), check=False)

    def cpu_seconds(self):
        """User plus system CPU time of the whole process, every thread included."""
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = int(fields[11]) + int(fields[12])  # utime and stime: fields 14 and 15 of stat
        return ticks / os.sysconf("SC_CLK_TCK")

    def cpu_share(self, seconds):
        """The process's CPU use over the next `seconds`, as a fraction of one core."""
        before, t0 = self.cpu_seconds(), time.monotonic()
        time.sleep(seconds)
        return (self.cpu_seconds() - before) / (time.monotonic() - t0)


# --- Running a test case ---------------------------------------------------------------------

SKIP = 77  # CTest's SKIP_RETURN_CODE for these scripts

# The tools a case needs: the virtual display (Xvfb, and xprop to see that it takes clients),
# keys and window queries, screenshots; and the window manager where windows must be managed.
TOOLS = ("Xvfb", "xdotool", "xwininfo", "xprop", "import")
TOOLS_WITH_WINDOW_MANAGER = TOOLS + ("openbox", "xev")

# QV_TEST_REPORT_LIVE_OBJECTS=1 makes the program end its stderr with this line.
REPORT = {"QV_TEST_REPORT_LIVE_OBJECTS": "1"}
REPORT_LINE = re.compile(r"^live objects: (\d+), live GL objects: (\d+), device rebuilds: (\d+)$")


def check(condition, message):
    """Fails the case with `message` unless `condition` holds."""
    if not condition:
        raise AssertionError(message)


README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")


def readme_quotes():
    """The failure lines README.md quotes: its indented lines that start with "Quenvale: "."""
    with open(README, encoding="utf-8") as f:
        return [line.strip() for line in f if line.startswith("    Quenvale: ")]


def readme_quote(phrase):
    """The one failure line README.md quotes that contains `phrase`: what the program must print."""
    found = [line for line in readme_quotes() if phrase in line]
    check(len(found) == 1, f"README.md should quote one failure line containing {phrase!r}, not {found}")
    return found[0]


def check_report(line, rebuilds=None):
    """`line` is the live-object report, with no graphics object left alive (and, where
    `rebuilds` is given, that many device rebuilds)."""
    match = REPORT_LINE.match(line or "")
    check(match, f"the last line on stderr is not the live-object report: {line!r}")
    live, live_gl, rebuilt = (int(v) for v in match.groups())
    check(live == 0 and live_gl == 0, f"graphics objects still alive at exit: {line}")
    if rebuilds is not None:
        check(rebuilt == rebuilds, f"expected {rebuilds} device rebuilds: {line}")


def argument_parser(doc, case=None, required=True, **case_options):
    """The command line of a test script: its docstring as help, the positional argument `case`
    (with `case_options`) where the script has one, then --program and --misc; the script adds
    its own options after them."""
    parser = argparse.ArgumentParser(description=doc, formatter_class=argparse.RawDescriptionHelpFormatter)
    if case:
        parser.add_argument(case, **case_options)
    parser.add_argument("--program", required=required)
    parser.add_argument("--misc", required=required)
    return parser


def run_case(name, body, tools):
    """Runs `body()` as the test case `name` and returns its exit status: 0 passed, 1 failed.

    A missing tool skips the case (77) on a developer's machine, but under CI (the CI variable
    set) it fails and names the tool: there a missing package is a fault of the install step,
    never a reason to pass."""
    import traceback
    for tool in tools:
        if shutil.which(tool) is None:
            if os.environ.get("CI"):
                print(f"FAILED {name}: {tool} is not installed, and CI must run every case (scripts/install-deps installs it)")
                return 1
            print(f"skipped: {tool} is not installed (scripts/install-deps installs it)")
            return SKIP
    try:
        body()
    except AssertionError as e:
        print(f"FAILED {name}: {e}")
        return 1
    except HarnessError as e:
        print(f"FAILED {name} (test set-up): {e}")
        traceback.print_exc()
        return 1
    print(f"passed {name}")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    shot = sub.add_parser("screenshot", help="save one screenshot of the running program as PNG")
    shot.add_argument("--program", required=True)
    shot.add_argument("--misc", required=True)
    shot.add_argument("--out", required=True)
    shot.add_argument("--time-ms", default="2650", help="the frozen clock, which sets the model's angle")
    args = parser.parse_args()
    with XServer() as x, Program(args.program, args.misc, x, {"QV_TEST_TIME_MS": args.time_ms}) as p:
        p.find_window()
        p.steady_screenshot().save_png(args.out)
        p.keys("Escape")
        p.wait_exit(10)
    print(args.out)


if __name__ == "__main__":
    main()
