#!/bin/sh
# Decides whether this machine runs 32-bit programs, and so whether Wine can start 32-bit Windows programs.
# Prints one line, "yes: <why>" or "no: <why>", and always exits 0; the install, test and demo scripts and
# CMake all ask it, so they never disagree.
#
# Some machines of this project's kind are virtual machines whose host runs 64-bit user code only: there the
# kernel refuses every 32-bit Linux program with "Exec format error", Wine's 32-bit loader among them. The
# i386 dynamic loader answers the question in a millisecond once the i386 C library is installed.
#
# VELMORA_32BIT=no forces the 64-bit-only path (to exercise it on any machine); VELMORA_32BIT=yes forces the
# 32-bit one.
case "${VELMORA_32BIT:-auto}" in
    no|NO|0|off) echo "no: VELMORA_32BIT=${VELMORA_32BIT} asks for the 64-bit-only path"; exit 0 ;;
    yes|YES|1|on) echo "yes: VELMORA_32BIT=${VELMORA_32BIT} asks for the 32-bit path"; exit 0 ;;
esac
loader=/lib/ld-linux.so.2
if [ ! -e "$loader" ]; then
    echo "no: $loader is not installed, so no 32-bit program can start"
    exit 0
fi
if error=$("$loader" --version 2>&1 >/dev/null); then
    echo "yes: this machine runs 32-bit programs ($loader starts)"
else
    reason=$(printf '%s' "$error" | sed -n '1s/^.*: //p')
    echo "no: this machine runs 64-bit programs only ($loader: ${reason:-does not start})"
fi
