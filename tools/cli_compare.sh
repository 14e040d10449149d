#!/usr/bin/env bash
# Runs the same quennit-cli commands with two builds against the demo sites
# and compares every output byte and exit code: a refactoring must change
# none of them.
#   tools/cli_compare.sh OLD_CLI NEW_CLI [OUT_DIR]
# The outputs stay in OUT_DIR (default: a temporary folder) for a look at a
# difference. --summary's seconds are masked, --multi's lines sorted;
# --version names the program's own folder, so it differs between builds.
set -u
cd "$(dirname "$0")/.."
[[ $# -ge 2 ]] || { echo "usage: $0 OLD_CLI NEW_CLI [OUT_DIR]" >&2; exit 2; }
A=$(realpath "$1"); B=$(realpath "$2"); out=${3:-$(mktemp -d)}
mkdir -p ""$out"/a" ""$out"/b"
export no_proxy="127.0.0.1,localhost" NO_PROXY="127.0.0.1,localhost"
tmp=$(mktemp -d)
export QUENNIT_CA_FILE=$tmp/ca.pem
exec 3< <(exec python3 tools/demo_server.py --port 8631 --tls-dir "$tmp")
server=$!
trap 'kill "$server" 2>/dev/null; rm -rf "$tmp"' EXIT
read -r -t 10 _ <&3 || { echo "demo server did not start (port 8631 busy?)" >&2; exit 1; }
S=resources/demo/SearchSite.ini
curl -s "http://127.0.0.1:8631/sjis/search?q=%8C%9F%8D%F5" > $tmp/sjis.html
curl -s "http://127.0.0.1:8631/paged/s?q=abc&pages=3&page=1" > $tmp/paged.html
curl -s --cacert $tmp/ca.pem "https://127.0.0.1:8632/utf8/search?q=%E6%A4%9C%E7%B4%A2" > $tmp/utf8.html
names=(); cmds=()
add() { names+=("$1"); shift; cmds+=("$(printf '%q ' "$@")"); }
add search      search --sites $S 検索
add search_json search --sites $S --format json 検索
add search_grp  search --sites $S --group デモ 検索
add search_yoshi search --sites $S 𠮷
add search_empty search --sites $S ""
add search_multi_sorted search --sites $S --multi 検索
add search_summary search --sites $S --summary 検索
add check       check $S
add check_json  check --format json $S
add check_fetch check --fetch 検索 $S
add check_fetch_json check --format json --fetch 検索 $S
add extract1    extract --sites $S --site 1 $tmp/sjis.html
add extract3j   extract --sites $S --site 3 --format json $tmp/paged.html
add extract4    extract --sites $S --site 4 $tmp/utf8.html
add explain1    extract --sites $S --site 1 --explain $tmp/sjis.html
add explain4    extract --sites $S --site 2 --explain $tmp/sjis.html
add learn_paged learn "http://127.0.0.1:8631/paged/s?q=abc&pages=3&page=1" abc --second xyz
add learn_json  learn --format json "http://127.0.0.1:8631/sjis/search?q=%8C%9F%8D%F5" 検索
add learn_saved learn --page $tmp/paged.html --second-page $tmp/paged.html "http://127.0.0.1:8631/paged/s?q=abc&pages=3&page=1" abc
add usage       search
add version     --version
status=0
for i in "${!names[@]}"; do
  n=${names[$i]}
  for side in a b; do
    bin=$A; [[ $side == b ]] && bin=$B
    eval "$bin ${cmds[$i]}" > "$out/$side/$n.out" 2> "$out/$side/$n.err"; echo "exit $?" >> "$out"/$side/$n.out
    if [[ $n == *summary* ]]; then sed -i -E 's/[0-9]+\.[0-9]+/S/g' "$out"/$side/$n.err; fi
    if [[ $n == *sorted* ]]; then sort -o "$out"/$side/$n.out "$out"/$side/$n.out; sort -o "$out"/$side/$n.err "$out"/$side/$n.err; fi
  done
  if cmp -s "$out"/a/$n.out "$out"/b/$n.out && cmp -s "$out"/a/$n.err "$out"/b/$n.err; then
    echo "same  $n ($(wc -c < "$out"/a/$n.out)+$(wc -c < "$out"/a/$n.err) bytes)"
  else
    echo "DIFF  $n"
    [[ $n == version ]] || status=1
  fi
done
echo "outputs in $out"
exit $status
