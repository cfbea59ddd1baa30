#!/usr/bin/env python3
"""Builds the program's own code as a Windows executable with mingw-w64 and checks the result:

    windows_build_test.py --source tests/windows/program --toolchain cmake/mingw-w64-x86_64.cmake \\
        --build DIR [--cmake cmake] [--generator Ninja] [--launcher ccache] [--jobs 2]

Configures and builds the project into DIR, then reads DIR/quenvale.exe's headers: it must be a
64-bit Windows GUI program that imports d3d11.dll and d3dx11_43.dll and no MinGW run-time DLL
(a Windows machine has none; the build links them in). The program is not run here.
Exit status 0 when all holds, 1 when not, 77 when a mingw-w64 tool is missing (under CI, where
the CI variable is set: 1, naming the tool).
"""

import argparse
import os
import shutil
import subprocess
import sys

SKIP = 77  # CTest's SKIP_RETURN_CODE for this script
PREFIX = "x86_64-w64-mingw32-"
TOOLS = [PREFIX + "g++-posix", PREFIX + "windres", PREFIX + "objdump"]
PACKAGE = "g++-mingw-w64-x86-64-posix"
# What a Windows machine does not have unless the program brings it along.
MINGW_RUNTIME_DLLS = {"libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"}


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
    parser.add_argument("--toolchain", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--generator", default="")
    parser.add_argument("--launcher", default="")
    parser.add_argument("--jobs", default="2")
    args = parser.parse_args()

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
