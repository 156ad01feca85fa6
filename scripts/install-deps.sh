#!/usr/bin/env bash
# Installs the Debian packages of one set, those missing:
#
#   scripts/install-deps.sh [monitor|all]
#
# monitor: what building and running the monitor needs. all (the default):
# that, and the tests, the fuzz targets, the feeder's HTTP client, the network
# namespaces of the network tests, the Windows cross build, Wine to test it,
# NSIS and zip for its installers. The 32-bit half of Wine (the i386
# architecture, wine32, and the i386 Mesa without which a 32-bit program gets
# no GL context) only where this machine runs 32-bit programs, and even there
# it is optional: without it the Windows tests run with the 64-bit build alone.
#
# Presence is asked of dpkg-query: when every package is present, no package
# index is asked at all. An index that fails to download (a mirror mid-sync,
# an unreachable source) is retried, then the install is tried anyway; the
# set-up fails only when a needed package cannot be installed, and names it.
set -euo pipefail
# shellcheck source=scripts/windows-common.sh
source "$(dirname "${BASH_SOURCE[0]}")/windows-common.sh"

monitor=(build-essential cmake pkg-config freeglut3-dev libglew-dev libgl1-mesa-dev libglu1-mesa-dev
         libx11-dev libxtst-dev libpng-dev xdg-utils)
tests=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth x11-utils desktop-file-utils dpkg-dev
       file libcurl4-openssl-dev zlib1g-dev ca-certificates iproute2 util-linux)
windows=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest nsis zip unzip
         wine wine64)
windows32=(wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386)

set_name=${1:-all}
case $set_name in
  monitor) wanted=("${monitor[@]}") ;;
  all) wanted=("${monitor[@]}" "${tests[@]}" "${windows[@]}") ;;
  *) echo "usage: $0 [monitor|all]" >&2; exit 2 ;;
esac

# The i386 part: only where this machine runs 32-bit programs.
runs32=1
if [ "$set_name" = all ]; then
  machine_runs_32bit && runs32=0 || runs32=$?
  case $runs32 in
    0) ;;
    1) echo "== this machine cannot run 32-bit programs: no i386 architecture or packages (the Windows tests run 64-bit only)" ;;
    *) echo "== the 32-bit probe failed: no i386 architecture or packages" ;;
  esac
fi
[ $runs32 -eq 0 ] || windows32=()

# The status of every package of the set, in one query: names of this
# machine's own architecture plain, the others with theirs (wine32:i386).
declare -A status
query_status() {
  local native name arch rest
  native=$(dpkg --print-architecture)
  status=()
  while read -r name arch rest; do
    [ "$arch" = "$native" ] || [ "$arch" = all ] || name+=:$arch
    status[$name]=$rest
  done < <(dpkg-query -W -f='${Package} ${Architecture} ${Status}\n' "${wanted[@]}" "${windows32[@]}" 2> /dev/null || true)
}
present() { [[ ${status[$1]:-} == *"ok installed" ]]; }
query_status
missing=()
for p in "${wanted[@]}"; do present "$p" || missing+=("$p"); done
missing32=()
for p in "${windows32[@]}"; do present "$p" || missing32+=("$p"); done

if [ ${#missing[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ]; then
  echo "== all $((${#wanted[@]} + ${#windows32[@]})) packages of the set '$set_name' are present"
  exit 0
fi

# As root, through sudo, or not at all.
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo > /dev/null && { sudo -n true 2> /dev/null || [ -t 0 ]; }; then
    sudo=(sudo)
  else
    echo "skerrow set-up: missing packages of the set '$set_name': ${missing[*]} ${missing32[*]}" >&2
    echo "  this needs root (and sudo is missing or would ask for a password with no terminal); as root, run:" >&2
    [ ${#missing[@]} -eq 0 ] ||
      echo "  apt-get update; apt-get install -y --no-install-recommends ${missing[*]}" >&2
    [ ${#missing32[@]} -eq 0 ] ||
      echo "  dpkg --add-architecture i386; apt-get update; apt-get install -y --no-install-recommends ${missing32[*]}" >&2
    exit 1
  fi
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# as_root COMMAND...: runs it with apt-get's output in $log.
as_root() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "$@" > "$log" 2>&1; }
began=$SECONDS
count() { if [ "$1" -eq 1 ]; then echo "1 $2"; else echo "$1 $2s"; fi; }
# step NAME: starts one line, ended by step_done.
step() { began=$SECONDS; printf '== %s ... ' "$1"; }
step_done() { echo "($((SECONDS - began)) s)"; }
apt_install() { as_root apt-get install -y -qq --no-install-recommends -o Acquire::Retries=3 "$@"; }

if [ ${#missing32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  step "adding the i386 architecture"
  if as_root dpkg --add-architecture i386; then step_done; else
    echo "failed: the i386 packages are left out"; sed 's/^/   /' "$log"; missing32=()
  fi
fi

# A mirror mid-sync, or one unreachable source, fails the update for a while:
# retried, then the install goes on with the index there is.
step "updating the package index"
tries=3
for ((try = 1; ; try++)); do
  code=0
  as_root apt-get update -qq || code=$?
  if [ $code -eq 0 ]; then step_done; break; fi
  if [ $try -eq $tries ]; then
    echo "failed $tries times (exit $code); installing with the index there is:"
    sed 's/^/   /' "$log"
    break
  fi
  printf 'exit %d, again in 5 s; ' $code
  sleep 5
done

if [ ${#missing[@]} -gt 0 ]; then
  step "installing $(count ${#missing[@]} package)"
  if apt_install "${missing[@]}"; then step_done; else
    echo "failed"
    sed 's/^/   /' "$log" >&2
    # Which of them apt-get cannot install: each still missing, alone, in a simulation.
    refused=()
    query_status
    for p in "${missing[@]}"; do
      present "$p" || apt_install -s "$p" || refused+=("$p")
    done
    [ ${#refused[@]} -gt 0 ] || for p in "${missing[@]}"; do present "$p" || refused+=("$p"); done
    echo "skerrow set-up: step 'installing $(count ${#missing[@]} package)' failed: cannot install ${refused[*]}" >&2
    exit 1
  fi
fi

if [ ${#missing32[@]} -gt 0 ]; then
  step "installing $(count ${#missing32[@]} "i386 package")"
  if apt_install "${missing32[@]}"; then step_done; else
    echo "failed: ${missing32[*]} could not be installed, the Windows tests run 64-bit only"
    sed 's/^/   /' "$log"
  fi
fi
