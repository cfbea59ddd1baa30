#!/usr/bin/env python3
"""The program started on broken data, one row of the table below per run:

    bad_input_test.py ROW --program build/app/quenvale --misc misc
    bad_input_test.py --list

Each row changes a scratch copy of misc/ (or the environment) and says what must happen:
either start-up fails with exit status 1 and one line on stderr, "Quenvale: ...", that names
what failed (for the failures README.md quotes, exactly the line it quotes), or (for data that
is unusual but valid) the program starts normally and closes with 0 on Esc. Every run must also
release every graphics object (the live-object report), and in the sanitizer build say nothing
else (a leak or sanitizer report fails the row). The row readme-quotes runs no program: it
checks that every failure line README.md quotes is the line of exactly one row or other test.
Exit status 0 when the row passes, 1 when it fails, 77 when a tool it needs is missing (under CI:
1).
"""

import os
import struct
import sys

sys.dont_write_bytecode = True  # keep the source tree clean when CTest runs this from it
from quenvale_harness import (REPORT, TOOLS, HarnessError, Program, XServer, argument_parser, check, check_report,
                              readme_quote, readme_quotes, run_case)

# A run that has not ended by then has hung; how long each run took is printed, the second
# that start-up failure should take is judged from those prints, not asserted here.
HANG_SECONDS = 20

args = None


# --- Changes to the data ----------------------------------------------------------------------

def read(misc, name, mode="r"):
    with open(os.path.join(misc, name), mode) as f:
        return f.read()


def write(name, content):
    def change(misc):
        with open(os.path.join(misc, name), "wb" if isinstance(content, bytes) else "w") as f:
            f.write(content)
    return change


def remove(name):
    return lambda misc: os.remove(os.path.join(misc, name))


def edit(name, edit_text):
    """Rewrites a text file of misc/ through `edit_text(old) -> new`."""
    def change(misc):
        old = read(misc, name)
        new = edit_text(old)
        if new == old:
            raise HarnessError(f"the edit of {name} changed nothing: the file no longer looks as expected")
        write(name, new)(misc)
    return change


def replace_first(old, new):
    def edit_text(text):
        return text.replace(old, new, 1)
    return edit_text


def bmp(width, height, pixel=(200, 120, 60)):
    """A 24-bit BMP, rows bottom-up, each padded to 4 bytes."""
    row = bytes(pixel[::-1]) * width
    row += b"\0" * (-len(row) % 4)
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def torus_obj(triangles):
    """A closed torus of 86 x 127 quads (21844 triangles), fanned from the first corner of each
    quad, and, beyond 21844, single extra triangles to the side; every edge is longer than the
    reader's merge distance."""
    rings, segments = 86, 127
    lines = ["mtllib ..\\misc\\kuma.mtl", "g torus", "usemtl fur"]
    import math
    for i in range(rings):
        a = 2 * math.pi * i / rings
        for j in range(segments):
            b = 2 * math.pi * j / segments
            r = 1 + 0.35 * math.cos(b)
            lines.append(f"v {r * math.cos(a):.6f} {0.35 * math.sin(b):.6f} {r * math.sin(a):.6f}")
    faces = []
    for i in range(rings):
        for j in range(segments):
            p = i * segments + j + 1
            q = ((i + 1) % rings) * segments + j + 1
            r = ((i + 1) % rings) * segments + (j + 1) % segments + 1
            s = i * segments + (j + 1) % segments + 1
            faces.append(f"f {p} {q} {r}")
            faces.append(f"f {p} {r} {s}")
    extra = rings * segments
    while len(faces) < triangles:
        lines.append(f"v 3 {len(faces)} 0")
        lines.append(f"v 4 {len(faces)} 0")
        lines.append(f"v 3 {len(faces) + 0.5} 1")
        faces.append(f"f {extra + 1} {extra + 2} {extra + 3}")
        extra += 3
    return "\n".join(lines + faces[:triangles]) + "\n"


def truncated_in_vertices(text):
    """The model cut in the middle of a number of its first vertex list: no face was read."""
    at = text.index("\nv ", text.index("\nv ") + 1000)
    return text[:at + 5]


def truncated_in_a_face(text):
    """The model cut in the middle of a face line, after its first corner and a half."""
    line = text.index("\nf ", len(text) // 2) + 1
    first_space = text.index(" ", line + 2)
    return text[:first_space + 2]


def extra_groups(count):
    """Adds `count` group lines without faces after the model's own."""
    def edit_text(text):
        return text + "".join(f"g pad{i}\n" for i in range(count))
    return edit_text


def group_lines(misc):
    return sum(1 for line in read(misc, "kuma.obj").splitlines() if line.startswith("g "))


def materials(count):
    return "".join(f"newmtl m{i}\nKd 1 1 1\n\n" for i in range(count))


def library_with_texture(misc, texture_name):
    """kuma.mtl with fur's texture replaced by `texture_name` (a file in misc/)."""
    return read(misc, "kuma.mtl").replace("..\\misc\\fur.bmp", "..\\misc\\" + texture_name, 1)


def with_texture(name, content):
    def change(misc):
        write(name, content)(misc)
        write("kuma.mtl", library_with_texture(misc, name))(misc)
    return change


def sequence(*changes):
    def change(misc):
        for c in changes:
            c(misc)
    return change


class Quoted:
    """The line must be the one README.md quotes that contains `phrase`, letter for letter."""

    def __init__(self, phrase):
        self.phrase = phrase


# README.md's quoted lines that other tests check: phrase -> where.
QUOTED_ELSEWHERE = {"the graphics device was removed": "program_test.py, case device"}

# --- The table -----------------------------------------------------------------------------------
# name: (environment, change to misc/, None for a normal start, the fragments the line names, or
# the README.md line it prints)

SCENE_VERTEX_END = "    float2 texcoord : TEXTURE;\n};\n"
ROWS = {
    # The machine and the windowing system.
    "processor": ({"QV_TEST_NO_CPU_FEATURES": "10"}, None, Quoted("processor")),
    "window": ({"DISPLAY": ":65000", "SDL_VIDEODRIVER": "x11"}, None, Quoted("window")),
    "no-gl45": ({"MESA_GL_VERSION_OVERRIDE": "4.3"}, None, Quoted("OpenGL 4.5")),
    # The shader file.
    "shader-missing": ({}, remove("Quenvale.sh"), Quoted("Quenvale.sh")),
    "shader-empty": ({}, write("Quenvale.sh", ""), ["Quenvale.sh", "entry point 'VS' not found"]),
    "shader-syntax": ({}, write("Quenvale.sh", "float4 VS(float4 p : POSITION) : SV_Position { return p +; }\n"),
                      ["Quenvale.sh", "error"]),
    "shader-no-ps-s": ({}, edit("Quenvale.sh", replace_first("float4 PS_S(", "float4 PS_Shadow(")),
                       ["\"PS_S\"", "entry point 'PS_S' not found"]),
    "shader-vs-input": ({}, edit("Quenvale.sh", replace_first(
        SCENE_VERTEX_END, "    float2 texcoord : TEXTURE;\n    float4 tint : COLOR;\n};\n")), ["CreateInputLayout", "\"VS\""]),
    # The model.
    "model-missing": ({}, remove("kuma.obj"), Quoted("kuma.obj")),
    "model-truncated-in-vertices": ({}, edit("kuma.obj", truncated_in_vertices), ["kuma.obj", "no triangles"]),
    "model-truncated-in-a-face": ({}, edit("kuma.obj", truncated_in_a_face),
                                   ["kuma.obj", "fewer than three corners"]),
    "model-two-corners": ({}, edit("kuma.obj", lambda t: t + "f 1 2\n"),
                          ["kuma.obj", "fewer than three corners"]),
    "model-254-groups": ({}, lambda misc: edit("kuma.obj", extra_groups(254 - group_lines(misc)))(misc), None),
    "model-255-groups": ({}, lambda misc: edit("kuma.obj", extra_groups(255 - group_lines(misc)))(misc),
                         ["kuma.obj", "more than 254 g lines"]),
    "model-no-extent": ({}, write("kuma.obj", "mtllib ..\\misc\\kuma.mtl\nf 1 2 3\n" + "v 1 2 3\n" * 3),
                        ["kuma.obj", "the model has no extent"]),
    "model-21844-triangles": ({}, write("kuma.obj", torus_obj(21844)), None),
    "model-21845-triangles": ({}, write("kuma.obj", torus_obj(21845)),
                              ["kuma.obj", "more than 21844 triangles"]),
    "model-70000-positions": ({}, write("kuma.obj", "mtllib ..\\misc\\kuma.mtl\n" + "v 0 0 0\n" * 70000
                                         + "f 1 2 3\n"), ["kuma.obj", "line 65537", "more than 65535 positions"]),
    # The material library and its textures.
    "library-missing": ({}, remove("kuma.mtl"), Quoted("kuma.mtl")),
    "library-256-materials": ({}, edit("kuma.mtl", lambda t: t + materials(256 - t.count("newmtl "))), None),
    "library-257-materials": ({}, edit("kuma.mtl", lambda t: t + materials(257 - t.count("newmtl "))),
                              ["kuma.mtl", "more than 256 materials"]),
    "texture-missing": ({}, remove("fur.bmp"), Quoted("fur.bmp")),
    "texture-not-an-image": ({}, with_texture("fur.bmp", "this is not an image\n" * 40),
                             ["fur.bmp", "not an image"]),
    "texture-1x1": ({}, with_texture("one.bmp", bmp(1, 1)), None),
    "texture-16384-wide": ({}, with_texture("wide.bmp", bmp(16384, 1)), None),
    "texture-16385-wide": ({}, with_texture("wide.bmp", bmp(16385, 1)), ["wide.bmp", "too large"]),
    "default-texture-missing": ({}, remove("default.bmp"), ["default.bmp", "is missing"]),
}


def check_readme_quotes():
    """Every line README.md quotes is checked: by exactly one row here, or by another test."""
    phrases = [f.phrase for _, _, f in ROWS.values() if isinstance(f, Quoted)] + list(QUOTED_ELSEWHERE)
    for line in readme_quotes():
        claims = [p for p in phrases if p in line]
        check(len(claims) == 1, f"README.md quotes {line!r}; rows and tests that check it: {claims}")
    for phrase in phrases:
        readme_quote(phrase)  # each phrase picks exactly one quoted line


def run_row(name):
    env, change, fragments = ROWS[name]
    env = dict(env, **REPORT)
    with XServer(window_manager=False) as x:
        p = Program(args.program, args.misc, x, env, copy_misc=True)
        if change:
            change(p.miscdir)
        with p:
            if fragments is None:
                # Valid data: the window shows the model, Esc closes it with status 0.
                p.find_window()
                shot = p.frame_screenshot()
                check(shot.model_box() is not None, "nothing but the clear colour on screen")
                print(f"{name}: started in {p.elapsed():.2f} s")
                p.keys("Escape")
                status = p.wait_exit(HANG_SECONDS)
                err = p.stderr()
                check(status == 0, f"exit status {status} after Esc, stderr:\n{err}")
                lines = err.splitlines()
                check(len(lines) == 1, f"stderr should hold only the live-object report:\n{err}")
                check_report(lines[0])
                return
            status = p.wait_exit(HANG_SECONDS)
            elapsed = p.elapsed()
            err = p.stderr()
    print(f"{name}: status {status} after {elapsed:.2f} s: {err.strip()}")
    check(status is not None, f"still running after {HANG_SECONDS} s")
    check(status == 1, f"exit status {status}, expected 1")
    # The program's own line, then the report; before them only the windowing layer may have
    # said why SDL refused (a sanitizer report or anything else fails the row).
    lines = err.splitlines()
    check(len(lines) >= 2 and lines[-2].startswith("Quenvale: ") and len(lines) <= 3
          and all(line.startswith("win32: ") for line in lines[:-2]),
          f"expected one line starting \"Quenvale: \" and the report on stderr, got:\n{err}")
    if isinstance(fragments, Quoted):
        quote = readme_quote(fragments.phrase)
        check(lines[-2] == quote, f"the line is not the one README.md quotes:\n  printed: {lines[-2]}\n  quoted:  {quote}")
    else:
        check(all(f in lines[-2] for f in fragments), f"the line does not name {fragments}: {lines[-2]}")
    check_report(lines[-1])


def main():
    global args
    parser = argument_parser(__doc__, "row", required=False, nargs="?", choices=sorted(ROWS) + ["readme-quotes"])
    parser.add_argument("--list", action="store_true", help="print the rows' names, one a line")
    args = parser.parse_args()
    if args.list:
        print("\n".join(list(ROWS) + ["readme-quotes"]))
        return 0
    if args.row == "readme-quotes":
        return run_case(args.row, check_readme_quotes, ())
    if not args.row or not args.program or not args.misc:
        parser.error("a row, --program and --misc are needed")
    return run_case(args.row, lambda: run_row(args.row), TOOLS)


if __name__ == "__main__":
    sys.exit(main())
