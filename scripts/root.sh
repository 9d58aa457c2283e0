#!/usr/bin/env bash
# Makes, keeps and enters the Debian root file systems that the tests run in
# beside the machine's own Debian, under /var/cache/velira/roots:
#
#   trixie             Debian 13 with the project's packages, installed
#                      through scripts/common.sh as a user would.
#   trixie-backports   a copy of trixie with Orca and python3-dasbus from
#                      trixie-backports, for the tests beside a screen reader.
#   RELEASE-minbase.tar.gz
#                      a clean minimal system of RELEASE (bookworm, trixie),
#                      for the test that installs the package as a user would.
#
# The packages come from the Debian mirror that the machine's apt already
# uses, read from its sources. A root is marked complete (.complete, holding
# a hash of the package list and of the steps here that make it) only at its
# very end, so a root half made by an interrupted run, or made for another
# package list, is made again.
#
# Usage:
#   root.sh make NAME            makes NAME (trixie, trixie-backports,
#                                bookworm-minbase, trixie-minbase) unless kept
#   root.sh run ROOT [CMD...]    runs CMD (a login shell when none) as root in
#                                the root folder ROOT, with the source tree at
#                                /src and ROOT's ccache and apt caches
#   root.sh path NAME            prints where NAME is kept
set -euo pipefail

source_tree=$(cd "$(dirname "$0")/.." && pwd)
self=$source_tree/scripts/root.sh
roots=${VELIRA_ROOTS:-/var/cache/velira/roots}
caches=$(dirname "$roots")

fail() {
  echo "root.sh: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || fail "the Debian roots are made and entered as root (chroot, mount); run the tests as root or with sudo"

# --- The machine's package sources -----------------------------------------

# Prints one line per enabled source of the machine's apt: "URI SUITE
# COMPONENTS...", from the deb822 files and the one-line sources.list.
apt_sources() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && enabled != "no")
          for (u = 1; u <= nu; u++) for (s = 1; s <= ns; s++) print uri[u], suite[s], components
        types = ""; enabled = ""; components = ""; nu = 0; ns = 0
      }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      {
        key = tolower($1); sub(/:$/, "", key)
        value = $0; sub(/^[^:]*:[ \t]*/, "", value)
        if (key == "types") types = value
        else if (key == "enabled") enabled = tolower(value)
        else if (key == "components") components = value
        else if (key == "uris") nu = split(value, uri, /[ \t]+/)
        else if (key == "suites") ns = split(value, suite, /[ \t]+/)
      }
      END { flush() }' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    # deb [options] URI SUITE COMPONENTS...
    sed -e 's/#.*//' -e 's/\[[^]]*\]//' "$file" | awk '$1 == "deb" && NF >= 3 { $1 = ""; sub(/^ /, ""); print }'
  done
}

host_release() {
  # shellcheck disable=SC1091
  (. /etc/os-release && echo "${VERSION_CODENAME:?}")
}

# The machine's sources turned to RELEASE: each suite of the machine's own
# release (bookworm, bookworm-updates, bookworm-security) becomes the same
# suite of RELEASE; with "backports", RELEASE-backports is added beside the
# main archive. Prints deb822 paragraphs.
release_sources() {
  local release=$1 backports=${2:-} host uri suite components
  host=$(host_release)
  while read -r uri suite components; do
    case $suite in
      "$host" | "$host"-*) suite=$release${suite#"$host"} ;;
      *) continue ;;
    esac
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: %s\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n' \
      "$uri" "$suite" "$components"
    if [ "$backports" = backports ] && [ "$suite" = "$release" ]; then
      printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: %s\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n' \
        "$uri" "$release" "$components"
    fi
  done < <(apt_sources)
}

# The mirror of the main archive: the first source that carries the
# machine's own release under its plain name.
main_mirror() {
  local host uri suite rest
  host=$(host_release)
  while read -r uri suite rest; do
    [ "$suite" = "$host" ] && { echo "$uri"; return 0; }
  done < <(apt_sources)
  return 1
}

# --- Entering a root -----------------------------------------------------

# Runs CMD in ROOT. A mount namespace of its own holds the mounts, so none
# can outlive the command, however it ends; the trap unmounts them in order
# as well, so that the namespace never holds a busy mount.
run_in_root() {
  local root=$1
  shift
  [ -x "$root/bin/sh" ] || fail "$root is no root file system (no /bin/sh); make it with: scripts/root.sh make $(basename "$root")"
  if [ "${VELIRA_ROOT_NAMESPACE:-}" != "$root" ]; then
    VELIRA_ROOT_NAMESPACE=$root unshare --mount --propagation private "$self" run "$root" "$@"
    return
  fi
  # The caches are kept per release, outside the root, so that a root made
  # again builds and installs from them.
  local release
  # shellcheck disable=SC1091
  release=$(. "$root/etc/os-release" && echo "${VERSION_CODENAME:-unknown}")
  local ccache=$caches/ccache/$release apt=$caches/apt/$release
  mkdir -p "$ccache" "$apt/partial"
  mounted=()
  unmount_all() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
      umount -R "${mounted[i]}" 2>/dev/null || umount -R -l "${mounted[i]}" || true
    done
    mounted=()
  }
  trap unmount_all EXIT
  trap 'exit 130' INT TERM
  mount_in() { # TARGET then mount's arguments
    local target=$root$1
    shift
    mkdir -p "$target"
    mount "$@" "$target" || fail "cannot mount $target: the machine must allow mounts (a privileged container or a real machine)"
    mounted+=("$target")
  }
  mount_in /proc -t proc proc
  mount_in /sys --rbind /sys
  mount_in /dev --bind /dev
  mount_in /dev/pts --bind /dev/pts
  mount_in /dev/shm -t tmpfs -o mode=1777,nosuid,nodev shm
  mount_in /src --bind "$source_tree"
  mount_in /var/cache/ccache --bind "$ccache"
  mount_in /var/cache/apt/archives --bind "$apt"
  cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
  [ $# -gt 0 ] || set -- bash -l
  # A clean environment: the root's own paths and locale, nothing of the
  # machine's tools.
  local status=0
  env -i HOME=/root TERM="${TERM:-dumb}" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 CCACHE_DIR=/var/cache/ccache CCACHE_MAXSIZE=5G \
    chroot "$root" "$@" || status=$?
  unmount_all
  return "$status"
}

# --- Making the roots ----------------------------------------------------

# What the trixie root is made from: the package lists of scripts/common.sh,
# the sources, and the steps of this script that make it. A change to any
# makes the root again; an edit elsewhere in this script does not.
recipe_hash() {
  {
    # shellcheck disable=SC1091
    (source "$source_tree/scripts/common.sh" && printf '%s\n' "${PACKAGES[@]}" -- "${LOCALES[@]}")
    release_sources trixie
    declare -f make_minbase unpack_minbase make_trixie
  } | sha256sum | cut -d' ' -f1
}

# Nothing may be mounted below a folder that is about to be removed: a bind
# mount of the source tree would be removed with it.
remove_tree() {
  local folder=$1
  [ -e "$folder" ] || return 0
  if awk -v f="$folder/" 'index($2 "/", f) == 1 { found = 1 } END { exit !found }' /proc/self/mounts; then
    fail "$folder still has file systems mounted below it (another run in it?); unmount them (umount -R $folder) and run again"
  fi
  rm -rf --one-file-system "$folder"
}

# A minimal system of RELEASE, kept as a tarball. Made in a folder of its
# own and renamed into place only when whole.
make_minbase() {
  local release=$1
  local tarball=$roots/$release-minbase.tar.gz stamp=$roots/$release-minbase.stamp
  local want
  want=$( (release_sources "$release" && declare -f make_minbase) | sha256sum | cut -d' ' -f1)
  if [ -f "$tarball" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$want" ]; then
    return 0
  fi
  command -v debootstrap >/dev/null || fail "debootstrap is not installed: apt-get install debootstrap (scripts/test.sh installs it)"
  local mirror
  mirror=$(main_mirror) || fail "no Debian mirror for $(host_release) in /etc/apt/sources.list or /etc/apt/sources.list.d; add the machine's Debian source there"
  local work=$roots/.$release-minbase.partial
  remove_tree "$work"
  rm -f "$stamp"
  echo "root.sh: debootstrap --variant=minbase $release from $mirror"
  local started=$SECONDS
  nice debootstrap --variant=minbase --keyring=/usr/share/keyrings/debian-archive-keyring.gpg \
    "$release" "$work" "$mirror" >"$roots/.$release-debootstrap.log" 2>&1 || {
    tail -n 20 "$roots/.$release-debootstrap.log" >&2
    fail "debootstrap of $release from $mirror failed (log: $roots/.$release-debootstrap.log); check that the mirror is reachable and carries $release, then run again"
  }
  # The same sources as the machine, for RELEASE, and their lists, so that a
  # package installs straight away.
  rm -f "$work/etc/apt/sources.list"
  release_sources "$release" >"$work/etc/apt/sources.list.d/debian.sources"
  echo "root.sh: debootstrap of $release took $((SECONDS - started)) s"
  tar -C "$work" --numeric-owner -czf "$tarball.partial" . || fail "cannot write $tarball"
  mv "$tarball.partial" "$tarball"
  remove_tree "$work"
  echo "$want" >"$stamp"
}

# Unpacks RELEASE's minimal system into FOLDER.
unpack_minbase() {
  local release=$1 folder=$2
  make_minbase "$release"
  mkdir -p "$folder"
  tar -C "$folder" --numeric-owner -xzf "$roots/$release-minbase.tar.gz" || fail "cannot unpack $release's minimal system into $folder"
}

is_complete() { # ROOT HASH
  [ -f "$1/.complete" ] && [ "$(cat "$1/.complete")" = "$2" ]
}

make_trixie() {
  local root=$roots/trixie want
  want=$(recipe_hash)
  is_complete "$root" "$want" && return 0
  local work=$roots/.trixie.partial
  remove_tree "$work"
  local started=$SECONDS
  unpack_minbase trixie "$work"
  echo "root.sh: installing the project's packages in trixie through scripts/common.sh"
  # The package list of this very tree, as a user of a fresh clone would
  # run it; ccache for the builds, and the tools that make a package.
  run_in_root "$work" bash -c '
    set -euo pipefail
    export DEBIAN_FRONTEND=noninteractive
    source /src/scripts/common.sh
    install_packages
    install_locales
    apt-get install -y --no-install-recommends ccache
    apt-get clean' >"$roots/.trixie-install.log" 2>&1 || {
    tail -n 30 "$roots/.trixie-install.log" >&2
    fail "installing the packages in the trixie root failed (log: $roots/.trixie-install.log); if a package was renamed in Debian 13, mend scripts/common.sh"
  }
  echo "root.sh: the packages took $((SECONDS - started)) s"
  echo "$want" >"$work/.complete"
  swap_in "$work" "$root"
}

# The backports root: a copy of trixie with Orca and python3-dasbus from
# trixie-backports. The trixie root is copied, never changed.
make_trixie_backports() {
  local root=$roots/trixie-backports want
  make_trixie
  want=$( (cat "$roots/trixie/.complete" && release_sources trixie backports && declare -f make_trixie_backports) |
    sha256sum | cut -d' ' -f1)
  is_complete "$root" "$want" && return 0
  local work=$roots/.trixie-backports.partial
  remove_tree "$work"
  local started=$SECONDS
  cp -a --one-file-system "$roots/trixie" "$work"
  rm -f "$work/.complete"
  release_sources trixie backports >"$work/etc/apt/sources.list.d/debian.sources"
  run_in_root "$work" bash -c '
    set -euo pipefail
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends -t trixie-backports orca python3-dasbus
    apt-get clean' >"$roots/.trixie-backports-install.log" 2>&1 || {
    tail -n 30 "$roots/.trixie-backports-install.log" >&2
    fail "installing Orca from trixie-backports failed (log: $roots/.trixie-backports-install.log); check that the mirror carries trixie-backports"
  }
  echo "root.sh: the backports root took $((SECONDS - started)) s"
  echo "$want" >"$work/.complete"
  swap_in "$work" "$root"
}

# Puts the whole root WORK in place of ROOT.
swap_in() {
  local work=$1 root=$2
  remove_tree "$root"
  mv "$work" "$root"
}

# Only one run makes roots at a time; a second one waits for it.
with_lock() {
  mkdir -p "$roots"
  exec {lock}>"$roots/.lock"
  flock "$lock"
  "$@"
}

case ${1:-} in
  make)
    case ${2:-} in
      trixie) with_lock make_trixie ;;
      trixie-backports) with_lock make_trixie_backports ;;
      bookworm-minbase | trixie-minbase) with_lock make_minbase "${2%-minbase}" ;;
      *) fail "make what? trixie, trixie-backports, bookworm-minbase or trixie-minbase" ;;
    esac
    ;;
  run)
    [ -n "${2:-}" ] || fail "run in which root folder?"
    root=$(cd "$2" && pwd) || fail "no root folder $2"
    shift 2
    run_in_root "$root" "$@"
    ;;
  path)
    case ${2:-} in
      *-minbase) echo "$roots/$2.tar.gz" ;;
      ?*) echo "$roots/$2" ;;
      *) fail "the path of which root?" ;;
    esac
    ;;
  *) fail "usage: root.sh make NAME | run ROOT [CMD...] | path NAME" ;;
esac
