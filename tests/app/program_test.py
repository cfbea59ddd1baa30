#!/usr/bin/env python3
"""The whole program, run as a user runs it (see quenvale_harness.py for the tooling).

    program_test.py CASE --program build/app/quenvale --misc misc [--shots DIR]

Cases: start, nodisplay, keys, fullscreen, resize, standby, device. (Broken data: bad_input_test.py.) Exit status 0 when the
case passes, 1 when it fails, 77 when a tool it needs is missing (CTest reports that as skipped;
under CI it fails instead).
"""

import os
import sys
import time

sys.dont_write_bytecode = True  # keep the source tree clean when CTest runs this from it
from quenvale_harness import (REPORT, REPORT_LINE, SCREEN, TOOLS_WITH_WINDOW_MANAGER, Program, XServer,
                              argument_parser, check, check_report, readme_quote, run_case, wait_until)

FROZEN = {"QV_TEST_TIME_MS": "700"}  # the spin stopped at a three-quarter view

args = None


def save(image, name):
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
        image.save_png(os.path.join(args.shots, f"{args.case}-{name}.png"))
    return image


def aspect(box):
    left, top, right, bottom, _ = box
    return (right - left) / (bottom - top)


def close_cleanly(p, rebuilds=0):
    """Esc closes the window; the program exits with 0 after releasing every graphics object,
    and writes nothing else on stderr."""
    p.keys("Escape")
    status = p.wait_exit(20)
    check(status is not None, "Esc did not end the program")
    err = p.stderr()
    check(status == 0, f"exit status {status} after Esc, stderr:\n{err}")
    lines = err.splitlines()
    check(len(lines) == 1 and REPORT_LINE.match(lines[0]), f"stderr should hold only the report line:\n{err}")
    check_report(lines[0], rebuilds)


def later_picture(p, first, gap=0.25, patience=3.0):
    """A screenshot taken at least `gap` seconds after `first`; on a busy machine a frame can
    take longer, so it keeps looking for a changed picture for up to `patience` seconds."""
    time.sleep(gap)
    deadline = time.monotonic() + patience
    shot = p.screenshot()
    while shot.difference(first) <= 0.002 and time.monotonic() < deadline:
        time.sleep(0.1)
        shot = p.screenshot()
    return shot


def same_picture(a, b, what, limit=0.002):
    diff = a.difference(b)
    check(diff <= limit, f"{what}: {diff:.2%} of the pixels changed (at most {limit:.2%} allowed)")


# --- Cases ----------------------------------------------------------------------------------------

def case_start():
    with XServer() as x, Program(args.program, args.misc, x, REPORT) as p:
        p.find_window()
        check(p.title() == "Quenvale", f"window title {p.title()!r}")
        check(p.client_size() == (640, 480), f"client area {p.client_size()}, expected 640x480")
        p.frame_screenshot()
        time.sleep(1.0)
        first = save(p.screenshot(), "first")
        second = save(later_picture(p, first), "second")
        check((first.width, first.height) == (640, 480), "screenshot is not 640x480")
        # At the nearest distance a leg may reach the edge at some angles; the corners stay clear.
        check(first.border_is_background(corners_only=True),
              "the corners of the frame do not show the clear colour (0, 32, 77)")
        box = first.model_box()
        check(box is not None, "nothing but the clear colour on screen")
        left, top, right, bottom, count = box
        share = count / (640 * 480)
        check(0.03 <= share <= 0.8, f"the model covers {share:.1%} of the window")
        cx, cy = (left + right) / 2, (top + bottom) / 2
        # The box moves with the angle: offscreen frames of a whole turn put its middle up to about
        # 50 px below the window's (legs and body side-on, the head turned away).
        check(abs(cx - 320) < 64 and abs(cy - 240) < 64, f"the model is not centred: box {box[:4]}")
        diff = first.difference(second)
        check(diff > 0.002, f"pictures 250 ms and more apart are the same ({diff:.3%} changed): the model does not spin")
        close_cleanly(p)


def case_nodisplay():
    # A terminal with no display at all: SDL would fall back to a driver that shows nothing and
    # the program would render unseen. It must refuse at once with its line and status 1.
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "XDG_RUNTIME_DIR")}
    p = Program(args.program, args.misc)
    p.env = env
    with p:
        status = p.wait_exit(15)
        check(status == 1, f"exit status {status} without a display, expected 1 at once")
        line = "Quenvale: the main window could not be created (is a display available?)"
        check(line in p.stderr().splitlines(), f"stderr lacks {line!r}: {p.stderr()!r}")


def case_keys():
    with XServer() as x, Program(args.program, args.misc, x, dict(FROZEN, **REPORT)) as p:
        p.find_window()
        base = save(p.steady_screenshot(), "base")
        base_box = base.model_box()
        check(base_box is not None, "nothing but the clear colour on screen")

        p.keys("Up")  # already at the nearest distance
        same_picture(base, save(p.steady_screenshot(), "up-at-nearest"), "Up at the nearest distance")

        p.keys("F2")  # plain triangles instead of adjacency
        plain = save(p.steady_screenshot(), "plain-method")
        same_picture(base, plain, "F2 (the other shadow-volume method)", limit=0.01)
        p.keys("F2")
        same_picture(base, p.steady_screenshot(), "F2 twice")

        p.keys("Down", repeat=10)  # 2.5 -> 3.5
        farther = save(p.steady_screenshot(), "down-10")
        box = farther.model_box()
        check(box[4] < 0.8 * base_box[4] and box[3] - box[1] < base_box[3] - base_box[1],
              f"Down did not make the model smaller: {base_box} -> {box}")

        p.keys("Down", repeat=200)  # well past 20
        farthest = save(p.steady_screenshot(), "farthest")
        check(farthest.model_box()[4] < box[4], "the farthest camera does not show a smaller model")
        p.keys("Down", repeat=3)
        same_picture(farthest, p.steady_screenshot(), "Down at the farthest distance")

        p.keys("Up", repeat=200)  # back to the nearest
        same_picture(base, p.steady_screenshot(), "Up back to the nearest distance")
        close_cleanly(p)


def case_fullscreen():
    with XServer() as x, Program(args.program, args.misc, x, dict(FROZEN, **REPORT)) as p:
        p.find_window()
        base = p.steady_screenshot()
        p.keys("F5")
        check(wait_until(lambda: p.client_size() == SCREEN, 10), f"F5: the window is {p.client_size()}, not {SCREEN}")
        full = save(p.steady_screenshot(), "fullscreen")
        check((full.width, full.height) == SCREEN, "the full-screen picture does not cover the screen")
        check(full.border_is_background(), "the full-screen frame does not fill the screen")
        ratio = aspect(full.model_box()) / aspect(base.model_box())
        check(abs(ratio - 1) < 0.08, f"the model's proportions changed in full screen by {ratio:.3f}")
        p.keys("F5")
        check(wait_until(lambda: p.client_size() == (640, 480), 10), f"F5 again: the window is {p.client_size()}")
        same_picture(base, save(p.steady_screenshot(), "windowed-again"), "back from full screen", limit=0.01)
        close_cleanly(p)


def case_resize():
    with XServer() as x, Program(args.program, args.misc, x, dict(FROZEN, **REPORT)) as p:
        p.find_window()
        # A camera far enough back that the model fits a narrow window too.
        p.keys("Down", repeat=55)
        base = save(p.steady_screenshot(), "640x480")
        base_box = base.model_box()
        for width, height in ((800, 600), (300, 700)):
            p.resize(width, height)
            shot = save(p.steady_screenshot(), f"{width}x{height}")
            check((shot.width, shot.height) == (width, height), f"screenshot {shot.width}x{shot.height}")
            check(shot.border_is_background(), f"at {width}x{height} the frame does not fill the client area")
            box = shot.model_box()
            ratio = aspect(box) / aspect(base_box)
            check(abs(ratio - 1) < 0.08, f"at {width}x{height} the model is stretched: proportions x{ratio:.3f}")
            # The vertical field of view is fixed, so the model's height follows the window's.
            scale = (box[3] - box[1]) / (base_box[3] - base_box[1])
            check(abs(scale / (height / 480) - 1) < 0.08,
                  f"at {width}x{height} the model is {scale:.3f} times as tall, expected {height / 480:.3f}")
        p.resize(640, 480)
        same_picture(base, p.steady_screenshot(), "back at 640x480", limit=0.01)

        p.minimise()
        p.restore()
        check(wait_until(lambda: p.client_size() == (640, 480) and p.window_exists(), 10), "restoring failed")
        same_picture(base, save(p.steady_screenshot(), "restored"), "after minimise and restore", limit=0.01)
        close_cleanly(p)


def case_standby():
    with XServer() as x, Program(args.program, args.misc, x, REPORT) as p:
        p.find_window()
        p.frame_screenshot()
        busy = p.cpu_share(1.0)
        for name, leave, back in (("minimised", p.minimise, p.restore), ("hidden", p.hide, p.show)):
            leave()
            check(wait_until(lambda: not p.window_exists(), 5), f"the window did not go away when {name}")
            time.sleep(0.5)
            idle = p.cpu_share(2.0)
            print(f"CPU while rendering {busy:.1%} of a core, while {name} {idle:.1%}")
            check(idle < 0.05, f"while {name} the program uses {idle:.1%} of a core (rendering: {busy:.1%})")
            check(busy > 4 * idle, f"rendering ({busy:.1%}) does not use clearly more CPU than standby ({idle:.1%})")
            back()
            check(wait_until(p.window_exists, 5), f"the window did not come back after being {name}")
            first = p.frame_screenshot()
            diff = first.difference(save(later_picture(p, first), f"after-{name}"))
            check(diff > 0.002, f"after being {name} the model no longer spins ({diff:.3%} changed)")
        close_cleanly(p)


def case_device():
    with XServer() as x:
        with Program(args.program, args.misc, x, FROZEN) as p:
            p.find_window()
            base = save(p.steady_screenshot(), "before")
            p.keys("Escape")
            p.wait_exit(20)
        for name, code in (("hung", "887A0006"), ("reset", "887A0007")):
            # The fault comes after the fifth frame; the first frame on screen means the loop
            # runs, and a little later the device has been rebuilt and draws again.
            env = dict(FROZEN, **REPORT, QV_TEST_DEVICE_FAULT=f"5:{code}")
            with Program(args.program, args.misc, x, env) as p:
                p.find_window()
                p.frame_screenshot()
                time.sleep(2.0)
                check(p.proc.poll() is None, f"the program ended after a {name} device:\n{p.stderr()}")
                same_picture(base, save(p.steady_screenshot(), f"after-{name}"), f"after a {name} device", 0.002)
                close_cleanly(p, rebuilds=1)
        env = dict(FROZEN, **REPORT, QV_TEST_DEVICE_FAULT="5:887A0005")
        with Program(args.program, args.misc, x, env) as p:
            status = p.wait_exit(20)
            err = p.stderr()
            check(status == 1, f"a removed device should close the program with status 1, got {status}:\n{err}")
            lines = err.splitlines()
            check(len(lines) == 2 and lines[0] == readme_quote("the graphics device was removed"),
                  f"unexpected stderr after a removed device (README.md quotes the line):\n{err}")
            check(REPORT_LINE.match(lines[1]) and lines[1].startswith("live objects: 0, live GL objects: 0"),
                  f"graphics objects still alive after a removed device: {lines[1]}")


CASES = {
    "start": case_start,
    "nodisplay": case_nodisplay,
    "keys": case_keys,
    "fullscreen": case_fullscreen,
    "resize": case_resize,
    "standby": case_standby,
    "device": case_device,
}


def main():
    global args
    parser = argument_parser(__doc__, "case", choices=sorted(CASES))
    parser.add_argument("--shots", help="folder for the screenshots taken (kept for inspection)")
    args = parser.parse_args()
    return run_case(args.case, CASES[args.case], TOOLS_WITH_WINDOW_MANAGER)


if __name__ == "__main__":
    sys.exit(main())
