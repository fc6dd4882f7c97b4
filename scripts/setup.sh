#!/usr/bin/env bash
# Installs what building, running and testing need (Debian). Idempotent: when
# everything is present it only checks and returns within a second or two.
set -euo pipefail

# libssl-dev: TLS of the Linux build; libgnutls30: what Wine's SChannel runs on
# (only a recommendation of Wine's packages, so named here).
packages=(
    cmake ninja-build g++ pkg-config git
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    mingw-w64 wine wine64 xvfb x11-utils xdotool imagemagick
    locales fonts-ipafont fonts-wine
    dovecot-pop3d dovecot-imapd mailutils-imap4d mailutils-pop3d nkf python3 openssl libssl-dev libgnutls30 zip unzip
    clang-14 libclang-rt-14-dev clang-format
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    # The tests start their own IMAP and POP3 servers on loopback: the
    # machine-wide daemons the packages enable would only listen on every
    # interface.
    for service in mailutils-imap4d mailutils-pop3d; do
        if command -v systemctl >/dev/null && systemctl is-enabled "$service" >/dev/null 2>&1; then
            systemctl disable --now "$service" >/dev/null 2>&1 || true
        fi
    done
fi

# Wine takes its ANSI code page (932) from a Japanese locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
        sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
        echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    fi
    locale-gen >/dev/null
fi
