#!/bin/sh
# Fails when a C or C++ file of the project differs from its .clang-format formatting.
cd "$(dirname "$0")/.." || exit 1
git ls-files '*.c' '*.cpp' '*.h' | grep -v '^scripts/checksrc-fixture/' | xargs -r clang-format --dry-run -Werror
