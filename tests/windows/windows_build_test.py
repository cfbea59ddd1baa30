#!/usr/bin/env python3
"""Builds the program's own code as a Windows executable with mingw-w64 and checks the result:

    windows_build_test.py --source tests/windows/program --toolchain cmake/mingw-w64-x86_64.cmake \\
        --build DIR [--cmake cmake] [--generator Ninja] [--launcher ccache] [--jobs 2]
    windows_build_test.py --extensions-only --source tests/windows/program

First it reads the program's sources (app/, mesh/, material/, render/) for the compiler
extensions that GCC accepts even with -pedantic-errors (names reserved to the compiler, such as
__attribute__ and __builtin_*): each must lie in a preprocessor branch taken only where the
compiler has it, so that a Windows compiler without them builds the same program. The build
itself uses -pedantic-errors, which refuses GNU syntax (variable-length arrays, statement
expressions, case ranges, ...). Then it configures and builds the project into DIR and reads
DIR/quenvale.exe's headers: it must be a 64-bit Windows GUI program that imports d3d11.dll and
d3dx11_43.dll and no MinGW run-time DLL (a Windows machine has none; the build links them in).
The program is not run here.
Exit status 0 when all holds, 1 when not, 77 when a mingw-w64 tool is missing (under CI, where
the CI variable is set: 1, naming the tool).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys

SKIP = 77  # CTest's SKIP_RETURN_CODE for this script
PREFIX = "x86_64-w64-mingw32-"
TOOLS = [PREFIX + "g++-posix", PREFIX + "windres", PREFIX + "objdump"]
PACKAGE = "g++-mingw-w64-x86-64-posix"
# What a Windows machine does not have unless the program brings it along.
MINGW_RUNTIME_DLLS = {"libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"}


PROGRAM_DIRS = ("app", "mesh", "material", "render")
# GNU extensions that -pedantic-errors lets through, and the pragmas only GCC and Clang know.
EXTENSION = re.compile(r"\b(__attribute__|__builtin_\w+|__asm__|__asm|asm|__typeof__|__typeof|typeof|__extension__|"
                       r"__int128|__restrict__|__label__|__auto_type)\b|^\s*#\s*pragma\s+(GCC|clang)\b")
# A branch taken only by compilers that have them: #ifdef __GNUC__, #if defined(__clang__), ...
# A condition that another compiler could also meet (||, or the name negated) is no guard.
GUARD = re.compile(r"^\s*#\s*(ifdef\s+(__GNUC__|__clang__)\b|(el)?if\b(?!.*\|\|)"
                   r"(?!.*!\s*(defined\s*\(?\s*)?(__GNUC__|__clang__))"
                   r".*\b(__GNUC__|__clang__|__has_builtin|__has_attribute)\b)")
CONDITION = re.compile(r"^\s*#\s*(if|ifdef|ifndef|elif|else|endif)\b")


def code_only(text):
    """The text with comments and string and character literals blanked out, lines kept."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("".join(ch if ch == "\n" else " " for ch in text[i:end]))
            i = end
        elif c == "'" and i > 0 and text[i - 1].isalnum():
            out.append(c)  # a digit separator (1'000), not a character literal
            i += 1
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + " " * (j - i - 1) + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def unguarded_extensions(root):
    """'file:line: name' for every use of a compiler extension outside a guarding branch."""
    found = []
    for folder in PROGRAM_DIRS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(root, folder, name)
            with open(path, encoding="utf-8") as f:
                lines = code_only(f.read()).split("\n")
            stack = []  # per open #if: whether its current branch is a guard
            number = 0
            while number < len(lines):
                line = lines[number]
                number += 1
                directive = CONDITION.match(line)
                while directive and line.endswith("\\") and number < len(lines):
                    line = line[:-1] + " " + lines[number]  # a condition continued on the next line
                    number += 1
                if directive:
                    kind = directive.group(1)
                    if kind in ("if", "ifdef", "ifndef"):
                        stack.append(bool(GUARD.match(line)))
                    elif kind == "elif" and stack:
                        stack[-1] = bool(GUARD.match(line))
                    elif kind == "else" and stack:
                        stack[-1] = False
                    elif kind == "endif" and stack:
                        stack.pop()
                    continue
                use = EXTENSION.search(line)
                if use and not any(stack):
                    found.append(f"{folder}/{name}:{number}: {use.group(0).strip()}")
    return found


def run(command, env):
    print("+ " + " ".join(command), flush=True)
    return subprocess.run(command, env=env).returncode == 0


def pe_facts(exe):
    """(file format, subsystem line, imported DLL names in lower case) from objdump -p."""
    out = subprocess.run([PREFIX + "objdump", "-p", exe], capture_output=True, text=True, check=True).stdout
    file_format = next((line.split("file format")[1].strip() for line in out.splitlines() if "file format" in line), "")
    subsystem = next((line.split(None, 1)[1].strip() for line in out.splitlines() if line.startswith("Subsystem")), "")
    dlls = {line.split("DLL Name:")[1].strip().lower() for line in out.splitlines() if "DLL Name:" in line}
    return file_format, subsystem, dlls


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True)
    parser.add_argument("--toolchain")
    parser.add_argument("--build")
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--generator", default="")
    parser.add_argument("--launcher", default="")
    parser.add_argument("--jobs", default="2")
    parser.add_argument("--extensions-only", action="store_true", help="only look for unguarded compiler extensions")
    args = parser.parse_args()

    unguarded = unguarded_extensions(os.path.join(args.source, "..", "..", ".."))
    if unguarded:
        print("FAILED windows_program_build: compiler extensions outside an #if for the compilers that have "
              "them (#if defined(__GNUC__) ... #endif):\n  " + "\n  ".join(unguarded))
        return 1
    if args.extensions_only:
        print("passed: no unguarded compiler extension in " + ", ".join(PROGRAM_DIRS))
        return 0
    if not (args.toolchain and args.build):
        parser.error("--toolchain and --build are needed")

    for tool in TOOLS:
        if shutil.which(tool) is None:
            if os.environ.get("CI"):
                print(f"FAILED windows_program_build: {tool} is not installed, and CI must run every case "
                      f"(scripts/install-deps installs {PACKAGE})")
                return 1
            print(f"skipped: {tool} is not installed (scripts/install-deps installs {PACKAGE})")
            return SKIP

    # Flags meant for the Linux build (a sanitizer, say) must not reach the Windows compiler.
    env = {k: v for k, v in os.environ.items() if k not in ("CFLAGS", "CXXFLAGS", "LDFLAGS", "RCFLAGS")}
    configure = [args.cmake, "-S", args.source, "-B", args.build, f"-DCMAKE_TOOLCHAIN_FILE={args.toolchain}",
                 # It only has to compile and link: little optimisation keeps the test short.
                 "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG"]
    if args.generator:
        configure += ["-G", args.generator]
    if args.launcher:
        configure.append(f"-DCMAKE_CXX_COMPILER_LAUNCHER={args.launcher}")
    if not run(configure, env) or not run([args.cmake, "--build", args.build, "-j", args.jobs], env):
        print("FAILED windows_program_build: the Windows build failed (its output is above)")
        return 1

    exe = os.path.join(args.build, "quenvale.exe")
    if not os.path.isfile(exe):
        print(f"FAILED windows_program_build: the build succeeded but made no {exe}")
        return 1
    file_format, subsystem, dlls = pe_facts(exe)
    problems = []
    if file_format != "pei-x86-64":
        problems.append(f"file format {file_format!r}, expected pei-x86-64")
    if "Windows GUI" not in subsystem:
        problems.append(f"subsystem {subsystem!r}, expected Windows GUI")
    for needed in ("d3d11.dll", "d3dx11_43.dll"):
        if needed not in dlls:
            problems.append(f"does not import {needed}")
    if dlls & MINGW_RUNTIME_DLLS:
        problems.append(f"needs MinGW run-time DLLs that Windows lacks: {sorted(dlls & MINGW_RUNTIME_DLLS)}")
    if problems:
        print("FAILED windows_program_build: quenvale.exe " + "; ".join(problems))
        return 1
    print(f"passed windows_program_build: {exe} ({os.path.getsize(exe)} bytes) imports {', '.join(sorted(dlls))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
