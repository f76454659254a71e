#!/usr/bin/env bash
# Fails when a C++ file is not formatted with the project's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tools tests bench fuzz -name '*.cpp' -o -name '*.h')
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/tubescan-format.log; then
    head -n 40 /tmp/tubescan-format.log
    echo "check-format: run clang-format -i on the files above"
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
