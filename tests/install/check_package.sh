#!/usr/bin/env bash
# Checks the Debian package: its contents, lintian, the AppStream metadata,
# the menu entry and the manual pages; then installs it into a scratch root,
# runs quennit-cli and the window from there with a scratch HOME, and
# removes it again. A check whose tool is missing is skipped with a message
# (tools/dev.sh deps installs them all).
#   tests/install/check_package.sh build/package/quennit_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }
have() { command -v "$1" >/dev/null || { echo "package check: $1 missing, skipped: $2"; false; }; }

dpkg-deb -x "$deb" "$work/files"
for f in usr/bin/quennit usr/bin/quennit-cli usr/share/quennit/SearchSite.ini \
         usr/share/quennit/Help/Quennit.html usr/share/applications/quennit.desktop \
         usr/share/icons/hicolor/16x16/apps/quennit.png usr/share/icons/hicolor/256x256/apps/quennit.png \
         usr/share/metainfo/example.quennit.Quennit.metainfo.xml \
         usr/share/man/man1/quennit.1.gz usr/share/man/man1/quennit-cli.1.gz \
         usr/share/man/ja/man1/quennit.1.gz usr/share/man/ja/man1/quennit-cli.1.gz \
         usr/share/bash-completion/completions/quennit-cli usr/share/doc/quennit/copyright; do
    [[ -e $work/files/$f ]] || fail "missing $f"
done
# The version is the project's, wherever it shows.
version=$(dpkg-deb -f "$deb" Version)
grep -q "version=\"$version\"" "$work"/files/usr/share/metainfo/*.xml || fail "metainfo version"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependencies from the binaries"

if have lintian "lintian"; then
    # Every warning left is overridden in the package with its reason.
    tags=$(lintian --fail-on error,warning --allow-root -I "$deb") || fail "lintian: $tags"
    echo "package check: lintian clean${tags:+ but for these notes:
$tags}"
fi
if have appstreamcli "AppStream validation"; then
    appstreamcli validate --no-net "$work"/files/usr/share/metainfo/*.xml >/dev/null ||
        fail "appstreamcli: $(appstreamcli validate --no-net "$work"/files/usr/share/metainfo/*.xml)"
fi
if have desktop-file-validate "menu entry validation"; then
    complaints=$(desktop-file-validate "$work/files/usr/share/applications/quennit.desktop" 2>&1)
    [[ -z $complaints ]] || fail "desktop-file-validate: $complaints"
fi
if have man "manual pages"; then
    for page in "$work"/files/usr/share/man/{,ja/}man1/*.gz; do
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$page" 2>&1 >/dev/null)
        [[ -z $out ]] || fail "man -l $page: $out"
        LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | grep -q "quennit" || fail "man -l $page is empty"
    done
fi

# Installed into a scratch root with its own dpkg database (dependencies
# are the host's).
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg_root() { dpkg --root="$root" --force-depends --force-not-root --log=/dev/null "$@" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; false; }; }
dpkg_root -i "$deb" || fail "dpkg --root -i"

export HOME=$work/home
unset XDG_CONFIG_HOME
mkdir -p "$HOME"
config=$HOME/.config/quennit
"$root/usr/bin/quennit-cli" check >"$work/check.txt" || fail "quennit-cli check on the sample"
version_text=$("$root/usr/bin/quennit-cli" --version)
[[ $version_text == *"quennit-cli $version"*"installed mode: $config/"* ]] ||
    fail "--version: $version_text"

# The window creates the user's files and writes its placement when a
# signal closes it.
QT_QPA_PLATFORM=offscreen "$root/usr/bin/quennit" 2>"$work/window.log" &
pid=$!
for _ in $(seq 100); do
    [[ -s $config/Quennit.ini && -s $config/SearchSite.ini ]] && break
    sleep 0.2
done
sleep 1
kill -TERM "$pid"
wait "$pid" || fail "the window ended with $?: $(cat "$work/window.log")"
cmp -s "$config/SearchSite.ini" "$root/usr/share/quennit/SearchSite.ini" || fail "site file not copied"
grep -q '^TYPE=1' "$config/Quennit.ini" || fail "placement not written: $(cat "$config/Quennit.ini")"
[[ $("$root/usr/bin/quennit-cli" --version) == *"site file: $config/SearchSite.ini"* ]] ||
    fail "quennit-cli doesn't use the user's site file"

# Removing the package leaves the user's files.
dpkg_root -r quennit || fail "dpkg --root -r"
[[ ! -e $root/usr/bin/quennit && -s $config/Quennit.ini && -s $config/SearchSite.ini ]] ||
    fail "removal"
echo "package check: $(basename "$deb") passed"
