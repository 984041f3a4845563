#!/usr/bin/env bash
# Redraws docs/images/architecture.svg from docs/architecture.dot (installs Graphviz when it is missing).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v dot >/dev/null || apt-get install -y --no-install-recommends graphviz >/dev/null
dot -Tsvg docs/architecture.dot -o docs/images/architecture.svg
echo "docs/images/architecture.svg redrawn."
