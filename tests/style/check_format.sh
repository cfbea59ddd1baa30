#!/bin/sh
# Every C++ source and header of the project is formatted as .clang-format says, by clang-format
# 14 (another version formats a few constructs differently, so it is not asked). Lists the files
# that are not, with the command that formats them.
#
#   check_format.sh SOURCE_DIR
#
# Exit status 77 (skipped) when clang-format 14 is missing, except under CI (CI set), where a
# missing tool fails and says so.
set -eu
cd "$1"
tool=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$tool" ] || ! "$tool" --version | grep -q 'version 14\.'; then
  if [ -n "${CI:-}" ]; then
    echo "FAILED: clang-format 14 is not installed (scripts/install-deps installs it)"
    exit 1
  fi
  echo "SKIPPED: clang-format 14 is not installed"
  exit 77
fi
# The stb_image build unit only includes a library; the fuzz corpora are data.
files=$(find app mesh material render platform tools tests bench \( -name '*.cpp' -o -name '*.h' \) \
  ! -path 'tests/fuzz/corpus/*' ! -name StbImage.cpp | sort)
unformatted=""
for f in $files; do
  "$tool" --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted="$unformatted $f"
done
if [ -n "$unformatted" ]; then
  echo "FAILED: not formatted as .clang-format says:$unformatted"
  echo "format them with: $tool -i$unformatted"
  exit 1
fi
echo "$(echo "$files" | wc -l) files formatted as .clang-format says"
