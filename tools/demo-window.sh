#!/usr/bin/env bash
# Opens the Quennit window on the local demo sites: starts tools/demo_server.py
# on 127.0.0.1, puts the program with the demo sites' SearchSite.ini into a
# folder of its own (build/…/demo, which also keeps its Quennit.ini between
# runs) and starts it. The server stops when the window closes.
#   tools/demo-window.sh [BUILD_DIR]   (default build/dev)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
[[ -x $build/bin/quennit ]] || { echo "$build/bin/quennit is missing; build first" >&2; exit 2; }

folder=$build/demo
mkdir -p "$folder"
cp "$build/bin/quennit" "$folder/quennit"
[[ -d $build/bin/Help ]] && cp -r "$build/bin/Help" "$folder/"

# The demo sites are on this computer; never ask a proxy for them.
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}" NO_PROXY="127.0.0.1,localhost"

# The HTTPS site's certificate comes from an authority made for this run.
certs=$(mktemp -d)
export QUENNIT_CA_FILE=$certs/ca.pem
exec 3< <(exec python3 tools/demo_server.py --port 0 --write-ini "$folder/SearchSite.ini" \
    --tls-dir "$certs")
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -rf "$certs"' EXIT
read -r -t 10 port <&3 || { echo "the demo server did not start" >&2; exit 1; }
echo "Demo sites on 127.0.0.1:$port. Type a keyword (any word) and press Enter."
"$folder/quennit"
