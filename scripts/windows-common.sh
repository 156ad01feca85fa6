# shellcheck shell=bash
# What the Windows scripts and the set-up share (sourced, not run), from the
# source root.

# machine_runs_32bit: whether this machine runs 32-bit x86 programs, found by
# running one. Returns 0 when it does, 1 when its kernel cannot ("Exec format
# error"), 2 when the probe failed some other way (a fault, named in one line
# on stderr). The probe is a static i386 program of 91 bytes, written here,
# that only makes the exit system call through int 0x80: it needs no i386
# library. SKERROW_PROBE_32BIT names another program to run instead.
machine_runs_32bit() {
  local probe=${SKERROW_PROBE_32BIT:-} folder="" out status
  if [ -z "$probe" ]; then
    folder=$(mktemp -d) || { echo "32-bit probe: cannot make a temporary folder" >&2; return 2; }
    probe=$folder/probe32
    # ELF header, one loadable segment at 0x08048000, then at 0x08048054:
    # xor ebx,ebx; xor eax,eax; inc eax; int 0x80 (exit(0)).
    if ! printf '%b' '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0' '\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08' \
         '\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0' \
         '\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5b\0\0\0\x5b\0\0\0\x05\0\0\0\0\x10\0\0' \
         '\x31\xdb\x31\xc0\x40\xcd\x80' > "$probe" || ! chmod +x "$probe"; then
      rm -rf "$folder"
      echo "32-bit probe: cannot write $probe" >&2
      return 2
    fi
  fi
  # Run by bash, which runs no binary file as a script, reporting in the C locale.
  out=$(export LC_ALL=C; "$probe" 2>&1) && status=0 || status=$?
  if [ -n "$folder" ]; then rm -rf "$folder"; fi
  if [ $status -eq 0 ]; then return 0; fi
  if [[ $out == *"Exec format error"* ]]; then return 1; fi
  echo "32-bit probe: $probe failed (exit $status): ${out:-no message}" >&2
  return 2
}

# ---- Widths and their files ---------------------------------------------------
# The two Windows widths, each cross-built in a folder of its own (relative to
# the source root) with its toolchain, its installer and portable zip there,
# and the Wine loader that runs its programs.
windows_widths=(32 64)
declare -gA windows_build=([32]=build-win32 [64]=build-win64)
declare -gA windows_toolchain=([32]=cmake/mingw-i686.cmake [64]=cmake/mingw-x86_64.cmake)
declare -gA windows_setup=([32]=Skerrow-Setup.exe [64]=Skerrow-Setup-x64.exe)
declare -gA windows_zip=([32]=Skerrow.zip [64]=Skerrow-x64.zip)
declare -gA windows_wine=([32]=/usr/lib/wine/wine [64]=/usr/lib/wine/wine64)
# The programs every width's build holds.
windows_programs=(skerrow skerrow-snapshot skerrow-feed)

# windows_programs_built WIDTH [ADVICE]: 0 when the width's build folder holds
# every one of windows_programs; otherwise names the first that is missing on
# stderr, followed by ADVICE, and returns 1.
windows_programs_built() {
  local w=$1 advice=${2:-} exe
  for exe in "${windows_programs[@]}"; do
    [ -f "${windows_build[$w]}/$exe.exe" ] || { echo "no ${windows_build[$w]}/$exe.exe${advice:+: $advice}" >&2; return 1; }
  done
}

# windows_widths_to_run WHAT: sets `widths` to the widths whose programs run
# here under Wine: not 32 bits where the kernel runs no 32-bit program (the
# probe tries one) or the set-up could not install 32-bit Wine, saying so with
# WHAT ("the 32-bit build") in a warning. Returns 2 when the probe failed.
windows_widths_to_run() {
  local what=$1 runs32
  machine_runs_32bit && runs32=0 || runs32=$?
  [ $runs32 -ne 2 ] || return 2
  widths=("${windows_widths[@]}")
  if [ $runs32 -eq 1 ]; then
    widths=(64)
    echo "WARNING: this machine cannot run 32-bit programs: $what is built and checked, not run" >&2
  elif [ ! -x "${windows_wine[32]}" ]; then
    widths=(64)
    echo "WARNING: 32-bit Wine (wine32:i386) is not installed: $what is built and checked, not run" >&2
  fi
}
