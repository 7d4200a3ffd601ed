#!/usr/bin/env bash
# Checks what a packager and a new user get, against the one list of installed files:
#   install_check.sh layout  BUILD_DIR FILE_LIST   cmake --install into a scratch DESTDIR
#   install_check.sh package BUILD_DIR FILE_LIST   the Debian package that CPack builds
set -euo pipefail
check=$1 build=$2 list=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for tool in desktop-file-validate appstreamcli cpack dpkg-deb lintian; do
  command -v "$tool" >/dev/null || fail "$tool is missing; scripts/setup installs it"
done

# Regular files and links only, relative to the root, against the list placed under /usr.
same_files() {
  sort "$1" >"$scratch/found"
  sed 's|^|usr/|' "$list" | sort >"$scratch/expected"
  diff -u "$scratch/expected" "$scratch/found" || fail "the installed files differ from $list"
}

check_layout() {
  local root=$scratch/root
  DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
  (cd "$root" && find . ! -type d | sed 's|^\./||') >"$scratch/files"
  same_files "$scratch/files"
  desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entry"
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml || fail "AppStream metadata"

  # The installed program, started from a folder that has nothing to do with it, unpacks the
  # installed sample: every Korvell slot's file arrives and nothing lands in the current folder.
  mkdir "$scratch/elsewhere"
  cd "$scratch/elsewhere"
  local theme=$root/usr/bin/palvex-theme workspace=$scratch/workspace
  "$theme" unpack "$root/usr/share/palvex-image-changer/samples/Korvell/img.bz2" \
    --workspace "$workspace" || fail "unpack of the installed sample"
  local slots=0
  while IFS=$'\t' read -r _ _ path _; do
    [ -f "$workspace/$path" ] || fail "slot file $path was not unpacked"
    slots=$((slots + 1))
  done < <("$theme" slots korvell)
  [ "$slots" -eq 30 ] || fail "palvex-theme slots korvell listed $slots slots"
  [ -z "$(ls -A)" ] || fail "the unpack wrote into the current folder"
}

check_package() {
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >/dev/null
  local debs=("$scratch"/out/*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "CPack made no single package"
  dpkg-deb --contents "${debs[0]}" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' \
    >"$scratch/files"
  same_files "$scratch/files"
  dpkg-deb --field "${debs[0]}" Depends | grep -q libqt6widgets6 ||
    fail "the dependencies were not found by shlibdeps"
  lintian --fail-on error "${debs[0]}" 2>/dev/null || fail "lintian reports an error"

  # The release records written by hand must name the version being packaged.
  local version
  version=$(dpkg-deb --field "${debs[0]}" Version)
  dpkg-deb -x "${debs[0]}" "$scratch/root"
  local share=$scratch/root/usr/share
  zcat "$share/doc/palvex-image-changer/changelog.gz" | sed -n 1p | grep -qF "($version)" ||
    fail "the changelog's latest entry is not $version"
  grep -qF "<release version=\"$version\"" "$share"/metainfo/*.xml ||
    fail "the AppStream metadata has no release $version"
  local other
  other=$(zcat "$share"/man/man1/*.1.gz | grep '^\.TH' |
    grep -vF "palvex-image-changer $version" || true)
  [ -z "$other" ] || fail "a manual page names another version than $version: $other"
}

"check_$check"
echo "install $check: ok"
