#!/bin/sh
# Usage: tools/fetch-source.sh PACKAGE
# Unpacks the Debian source package PACKAGE, at the version the machine's own
# Debian mirror offers, into a cache outside the clone and prints the folder.
# The machine's apt configuration is left as it was: the deb-src lines, the lists
# and the downloads live in the cache (TD_CACHE, default ~/.cache/timberdrive).
set -eu
pkg=$1
cache=${TD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/timberdrive}
apt_dir=$cache/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/cache" "$cache/src"

# The same mirrors as the machine's binary sources, as deb-src lines.
sources=$apt_dir/sources.list
tmp=$(mktemp)
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    case $f in
    *.sources)
        # deb822: one stanza per blank-line-separated block.
        awk 'BEGIN { RS = ""; FS = "\n" }
            {
                uris = ""; suites = ""; comps = ""; deb = 0
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^Types:/ && $i ~ /[ \t]deb([ \t]|$)/) deb = 1
                    if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
                    if ($i ~ /^Suites:/) { suites = $i; sub(/^Suites:[ \t]*/, "", suites) }
                    if ($i ~ /^Components:/) { comps = $i; sub(/^Components:[ \t]*/, "", comps) }
                }
                if (!deb || uris == "") next
                nu = split(uris, u, /[ \t]+/); ns = split(suites, s, /[ \t]+/)
                for (a = 1; a <= nu; a++) for (b = 1; b <= ns; b++)
                    printf "deb-src [trusted=yes] %s %s %s\n", u[a], s[b], comps
            }' "$f" >>"$tmp"
        ;;
    *)
        sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}/deb-src [trusted=yes] /p' "$f" >>"$tmp"
        ;;
    esac
done
# Only mirrors of Debian itself: other vendors' lists carry no sources we use.
grep 'debian' "$tmp" | sort -u >"$sources.new" || true
rm -f "$tmp"
if [ ! -s "$sources.new" ]; then
    echo "fetch-source: no Debian mirror found in /etc/apt" >&2
    exit 1
fi

OPTS="-o Dir::Etc::SourceList=$sources -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists=$apt_dir/lists -o Dir::Cache=$apt_dir/cache
    -o Dir::Cache::Archives=$apt_dir/archives -o Debug::NoLocking=1 -o APT::Sandbox::User=root"
APT="apt-get -q $OPTS"
if ! cmp -s "$sources.new" "$sources" || [ -z "$(ls "$apt_dir/lists" | grep Sources || true)" ]; then
    mv "$sources.new" "$sources"
    # shellcheck disable=SC2086
    $APT update >&2
else
    rm -f "$sources.new"
fi

# shellcheck disable=SC2086
version=$(apt-cache $OPTS showsrc "$pkg" 2>/dev/null | sed -n 's/^Version: //p' | head -n 1)
if [ -z "$version" ]; then
    echo "fetch-source: no source package $pkg on the mirror" >&2
    exit 1
fi
upstream=${version#*:}
upstream=${upstream%-*}
dest=$cache/src/$pkg-$version
if [ ! -f "$dest/.unpacked" ]; then
    work=$(mktemp -d "$cache/src/.fetch.XXXXXX")
    # shellcheck disable=SC2086
    (cd "$work" && $APT source --download-only "$pkg=$version" >&2 &&
        dpkg-source --no-check -x ./*.dsc tree >&2)
    rm -rf "$dest"
    mv "$work/tree" "$dest"
    rm -rf "$work"
    touch "$dest/.unpacked"
fi
echo "$dest"
