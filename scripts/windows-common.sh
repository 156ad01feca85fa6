# shellcheck shell=bash
# What the Windows scripts and the set-up share (sourced, not run).

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
