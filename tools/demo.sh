#!/usr/bin/env bash
# Runs a real search against the local demo sites: starts tools/demo_server.py
# on 127.0.0.1, searches them with quennit-cli and stops the server again.
#   tools/demo.sh [KEYWORD]     (default keyword: 検索)
# QUENNIT_CLI names the program to use (default: the first one built);
# QUENNIT_DEMO_PORT the port (default 8631, as resources/demo/SearchSite.ini).
set -euo pipefail
cd "$(dirname "$0")/.."

keyword=${1:-検索}
port=${QUENNIT_DEMO_PORT:-8631}
cli=${QUENNIT_CLI:-}
if [[ -z $cli ]]; then
    for c in build/dev/bin/quennit-cli build/core/bin/quennit-cli build/release/bin/quennit-cli; do
        if [[ -x $c ]]; then cli=$c; break; fi
    done
fi
if [[ -z $cli ]]; then
    cmake --preset core >/dev/null
    cmake --build --preset core --target quennit-cli >/dev/null
    cli=build/core/bin/quennit-cli
fi

# The demo sites are on this computer; never send them through a proxy.
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY=$no_proxy

sites=resources/demo/SearchSite.ini
tmp=$(mktemp -d)
ini_args=()
if [[ $port != 8631 ]]; then
    sites=$tmp/SearchSite.ini
    ini_args=(--write-ini "$sites")
fi
# The HTTPS site's certificate comes from an authority made for this run.
export QUENNIT_CA_FILE=$tmp/ca.pem

# The server prints its port once it listens; wait for that line.
exec 3< <(exec python3 tools/demo_server.py --port "$port" --tls-dir "$tmp" "${ini_args[@]}")
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -rf "$tmp"' EXIT
if ! read -r -t 10 listening <&3; then
    echo "demo server did not start (port $port busy?)" >&2
    exit 1
fi
echo "demo sites on 127.0.0.1:$listening; searching for: $keyword" >&2
"$cli" search --sites "$sites" "$keyword"
