#!/bin/sh
# The golden files on processors older than this one, emulated by qemu: a
# kernel the processor cannot run must be reported as skipped, never as
# passed, and the kernels it can run, the one chosen by default among them,
# must write the golden bytes. Skipped (exit 77) where qemu is not installed.
#
# usage: older-processors.sh TEST_GOLDEN
set -u
golden=$1
command -v qemu-x86_64 >/dev/null 2>&1 || { echo "SKIPPED: qemu-x86_64 is not installed"; exit 77; }

failed=0
# expect CPU OUTPUT STATE KERNEL: the kernel's golden test ended in STATE.
expect() {
  if ! printf '%s\n' "$2" | grep -q "^\[ *$3 *\] Kernels/GoldenRunOnKernel\.[A-Za-z]*/$4 "; then
    echo "FAILED: on $1 the $4 kernel's golden test did not end $3"
    failed=1
  fi
}
# run CPU: the whole golden test program on an emulated CPU.
run() {
  output=$(qemu-x86_64 -cpu "$1" "$golden" 2>&1)
  status=$?
  if [ $status -ne 0 ]; then
    printf '%s\n' "$output"
    echo "FAILED: the golden tests on $1 exited with status $status"
    failed=1
  fi
}

run Haswell  # AVX2, no AVX-512
expect Haswell "$output" OK scalar
expect Haswell "$output" OK avx2
expect Haswell "$output" SKIPPED avx512
run Nehalem  # neither
expect Nehalem "$output" OK scalar
expect Nehalem "$output" SKIPPED avx2
expect Nehalem "$output" SKIPPED avx512
[ $failed -eq 0 ] && echo "The golden files hold on Haswell and Nehalem; the kernels they lack were skipped."
exit $failed
