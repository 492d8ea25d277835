#!/usr/bin/env bash
# Installs those of the Debian packages named on the command line that are missing, with a line
# of progress now and then and the time it took.
set -euo pipefail

missing=()
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
started=$SECONDS
echo "== installing ${missing[*]} and what they need; this can take some minutes"
$sudo apt-get update -qq
# apt reports its progress on standard error here (sudo passes no other descriptor on); its
# chatter on standard output is dropped. A line for every tenth of each phase is enough, and
# errors pass through.
if ! $sudo env DEBIAN_FRONTEND=noninteractive DEBCONF_NOWARNINGS=yes apt-get install -y -q -o APT::Status-Fd=2 \
    "${missing[@]}" 2>&1 >/dev/null | awk -F: '
    $1 == "dlstatus" || $1 == "pmstatus" {
        phase = ($1 == "dlstatus") ? "downloading" : "installing"
        step = int($3 / 10)
        if (phase != last || step > shown) {
            printf "   %-11s %3d%%  %s\n", phase, $3, $4
            fflush()
            last = phase
            shown = step
        }
        next
    }
    { print; fflush() }'; then
    echo "== installing packages failed" >&2
    exit 1
fi
echo "== packages installed in $((SECONDS - started)) s"
