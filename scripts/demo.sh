#!/bin/sh
# The demo: Penlow with a simulated phone and the development servers (tools/demo/demo.py).
#   scripts/demo.sh [--build DIR] [--check] [--screens DIR]
exec python3 "$(dirname "$0")/../tools/demo/demo.py" "$@"
