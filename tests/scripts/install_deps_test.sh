#!/usr/bin/env bash
# scripts/install-deps.sh against stand-ins for apt-get, dpkg-query, dpkg,
# sudo, id, sleep and the 32-bit probe. The script runs with a PATH of these
# and a few plain tools only, so it can neither change this machine nor reach
# the network; a call a stand-in does not expect fails the case.
#
#   install_deps_test.sh SOURCE_DIR
set -u
script=$1/scripts/install-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
mkdir "$bin"
for tool in env mktemp rm sed grep chmod dirname; do ln -s "$(command -v $tool)" "$bin/$tool"; done

# One stand-in for every tool, called by the tool's name. FAKE_MISSING: the
# packages not installed; FAKE_UPDATE: the exit codes of the successive
# updates (the last repeats); FAKE_REFUSE: the packages install cannot find.
cat > "$work/stand-in" << 'EOF'
#!/bin/bash
name=${0##*/}
echo "$name $*" >> "$FAKE_DIR/calls"
unexpected() { echo "UNEXPECTED $name $*" >> "$FAKE_DIR/calls"; exit 99; }
case "$name ${1:-}" in
  "id -u") echo "$FAKE_UID" ;;
  "sleep "*) ;;
  "sudo -n") [ "$*" = "-n true" ] || unexpected "$@" ;;
  "sudo env") exec "$@" ;;
  "dpkg --print-architecture") echo amd64 ;;
  "dpkg --print-foreign-architectures") [ -z "$FAKE_I386" ] || echo i386 ;;
  "dpkg --add-architecture") [ "$*" = "--add-architecture i386" ] || unexpected "$@" ;;
  "dpkg-query -W")
    [[ $2 == "-f=\${Package} \${Architecture} \${Status}\n" ]] || unexpected "$@"
    shift 2
    code=0
    for p; do
      if [[ " $FAKE_MISSING " == *" $p "* ]]; then
        echo "dpkg-query: no packages found matching $p" >&2; code=1
      else
        arch=${p#*:}; [ "$arch" != "$p" ] || arch=amd64
        echo "${p%:*} $arch install ok installed"
      fi
    done
    exit $code ;;
  "apt-get update")
    echo x >> "$FAKE_DIR/updates"; mapfile -t done < "$FAKE_DIR/updates"
    read -ra codes <<< "$FAKE_UPDATE"
    code=${codes[${#done[@]} - 1]:-${codes[-1]}}
    [ "$code" -eq 0 ] || echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (181468 != 181452). Mirror sync in progress? [IP: 151.101.2.132 80]"
    exit "$code" ;;
  "apt-get install")
    for p in "${@:2}"; do
      [[ $p == -* || " $FAKE_REFUSE " != *" $p "* ]] || { echo "E: Unable to locate package $p"; exit 100; }
    done ;;
  *) unexpected "$@" ;;
esac
EOF
# shellcheck disable=SC2016 # expanded by the stand-ins
printf '#!/bin/bash\necho probe >> "$FAKE_DIR/calls"\n' > "$work/probe-runs"
# shellcheck disable=SC2016
printf '#!/bin/bash\necho probe >> "$FAKE_DIR/calls"\necho "bash: line 1: $0: cannot execute binary file: Exec format error" >&2\nexit 126\n' \
  > "$work/probe-cannot"
chmod +x "$work/stand-in" "$work/probe-runs" "$work/probe-cannot"

failed=0
# check CASE SET EXIT STAND-INS [out|call|no-call|calls PATTERN...]: runs the
# script on the set with the stand-ins so set (sudo: on PATH; uid, i386,
# missing, update, refuse, probe: the FAKE_ settings), then checks its exit
# code, its output (stdout and stderr) and the calls made (one a line).
check() {
  local case=$1 set=$2 want=$3 sudo="" uid=0 i386="" missing="" update=0 refuse="" probe=cannot setting
  for setting in $4; do
    case $setting in
      sudo) sudo=1 ;;
      uid=* | i386=* | missing=* | update=* | refuse=* | probe=*) local "$setting" ;;
      *) echo "bad setting $setting"; exit 2 ;;
    esac
  done
  rm -f "$work/calls" "$work/updates" "$bin/sudo"
  touch "$work/calls"
  for tool in apt-get dpkg dpkg-query id sleep ${sudo:+sudo}; do ln -sf "$work/stand-in" "$bin/$tool"; done
  local out code=0
  out=$(env -i PATH="$bin" HOME="$work" FAKE_DIR="$work" FAKE_UID=$uid FAKE_I386="$i386" \
        FAKE_MISSING="${missing//,/ }" FAKE_UPDATE="${update//,/ }" FAKE_REFUSE="${refuse//,/ }" \
        SKERROW_PROBE_32BIT="$work/probe-$probe" "$BASH" "$script" "$set" 2>&1 < /dev/null) || code=$?
  local bad=()
  [ "$code" = "$want" ] || bad+=("exit $code, not $want")
  grep -q UNEXPECTED "$work/calls" && bad+=("an unexpected call")
  shift 4
  while [ $# -gt 0 ]; do
    case $1 in
      out) grep -qF -- "$2" <<< "$out" || bad+=("no output \"$2\"") ;;
      call) grep -qE -- "$2" "$work/calls" || bad+=("no call /$2/") ;;
      no-call) ! grep -qE -- "$2" "$work/calls" || bad+=("a call /$2/") ;;
      calls) [ "$(grep -cE -- "${2% *}" "$work/calls")" = "${2##* }" ] || bad+=("not ${2##* } calls /${2% *}/") ;;
    esac
    shift 2
  done
  if [ ${#bad[@]} -gt 0 ]; then
    failed=1
    printf 'FAILED %s: %s\n--- output:\n%s\n--- calls:\n%s\n' "$case" "$(IFS=';'; echo "${bad[*]}")" "$out" "$(< "$work/calls")"
  else
    echo "ok $case"
  fi
}

check "mirror mid-sync, then ready" monitor 0 "missing=cmake,libpng-dev update=100,0" \
  out "exit 100, again in 5 s" calls "^apt-get update 2" call "^sleep" \
  call "^apt-get install .* cmake libpng-dev$" no-call "^probe"
check "update failing every time" all 0 "missing=nsis update=100" \
  out "failed 3 times (exit 100)" out "Mirror sync in progress?" calls "^apt-get update 3" \
  call "^apt-get install .* nsis$"
check "a package refused" all 1 "missing=cmake,nsis,zip refuse=nsis" \
  out "step 'installing 3 packages' failed: cannot install nsis" out "Unable to locate package nsis"
check "no 32-bit programs here" all 0 "missing=cmake,wine32:i386,libgl1:i386" \
  out "cannot run 32-bit programs" call "^apt-get install .* cmake$" no-call "add-architecture|:i386"
check "32-bit programs here" all 0 "probe=runs missing=wine32:i386,libgl1:i386" \
  call "^dpkg --add-architecture i386" call "^apt-get install .* wine32:i386 libgl1:i386$"
check "the i386 packages refused" all 0 "probe=runs i386=1 missing=cmake,wine32:i386 refuse=wine32:i386" \
  out "wine32:i386 could not be installed" call "^apt-get install .* cmake$" no-call "add-architecture"
check "all present" all 0 "" out "all 35 packages of the set 'all' are present" no-call "^(apt-get|sudo|dpkg --add)"
check "not root, with sudo" monitor 0 "sudo uid=1000 missing=cmake" call "^sudo env DEBIAN_FRONTEND=noninteractive apt-get install"
check "not root, no sudo" monitor 1 "uid=1000 missing=cmake,libpng-dev" \
  out "apt-get install -y --no-install-recommends cmake libpng-dev" no-call "^apt-get"
exit $failed
