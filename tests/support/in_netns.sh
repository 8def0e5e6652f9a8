#!/usr/bin/env bash
# Runs a test program inside a network namespace of its own, whose loopback
# device also holds the block 10.231.9.0/24: simulated displays there have
# addresses that are not loopback addresses (which the network library would
# never send through a proxy anyway), and nothing can leave the namespace.
# The program finds the block in VDFU_TEST_DISPLAY_BLOCK ("10.231.9.").
# Without root the program runs as it is, on loopback addresses.
set -u
ns="vdfu-test-$$"
if [ "$(id -u)" -ne 0 ] || ! ip netns add "$ns" 2>/dev/null; then
    echo "in_netns: no network namespace of its own (needs root); running on loopback" >&2
    exec "$@"
fi
trap 'ip netns del "$ns" 2>/dev/null' EXIT
ip -n "$ns" link set lo up || exit 1
ip -n "$ns" route add local 10.231.9.0/24 dev lo src 127.0.0.1 table local || exit 1
VDFU_TEST_DISPLAY_BLOCK=10.231.9. ip netns exec "$ns" "$@"
