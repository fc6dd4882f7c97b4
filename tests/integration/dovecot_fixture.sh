#!/usr/bin/env bash
# Starts or stops a private Dovecot POP3 and IMAP server on 127.0.0.1 for the
# integration tests:  dovecot_fixture.sh start|stop DIR [CERT_DIR]
# DIR receives the configuration, the log, the files "port" (POP3, which also
# offers STLS) and "tls_port" (POP3 over TLS), "imap_port" (IMAP, which also
# offers STARTTLS) and "imaps_port" (IMAP over TLS) when the IMAP server is
# installed, and "home", a link to the test user's mailbox. The server's certificate for localhost comes from CERT_DIR
# (tls_certificates.sh; made in DIR/certs when none is given). The server's run-time folder and the mailbox lie
# in a folder of their own under /tmp, which the unprivileged server processes
# can reach wherever DIR is. The mail belongs to an unprivileged system user,
# created here when missing, since the server refuses to serve mail as root.
set -euo pipefail
action="$1"
dir="$2"
certs="${3:-$dir/certs}"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"

stop_server() {
    local runtime
    runtime="$(cat "$dir/runtime" 2>/dev/null || true)"
    if [ -n "$runtime" ] && [ -f "$dir/dovecot.conf" ] && [ -f "$runtime/run/master.pid" ]; then
        dovecot -c "$dir/dovecot.conf" stop >/dev/null 2>&1 || true
        for _ in $(seq 50); do
            [ -f "$runtime/run/master.pid" ] || break
            kill -0 "$(cat "$runtime/run/master.pid" 2>/dev/null)" 2>/dev/null || break
            sleep 0.1
        done
    fi
    case "$runtime" in
    /tmp/pell-dovecot.*) rm -rf "$runtime" ;;
    esac
}

if [ "$action" = stop ]; then
    stop_server
    exit 0
fi

if ! command -v dovecot >/dev/null; then
    echo "dovecot is not installed (package dovecot-pop3d)" >&2
    exit 1
fi
pell_mail_user
mail_user="$pell_mail_user"
stop_server
rm -rf "$dir"
mkdir -p "$dir"
runtime="$(mktemp -d /tmp/pell-dovecot.XXXXXX)"
chmod 755 "$runtime"
echo "$runtime" >"$dir/runtime"
mkdir -p "$runtime/run" "$runtime/state" "$runtime/home/Maildir/new" \
    "$runtime/home/Maildir/cur" "$runtime/home/Maildir/tmp"
chown -R "$mail_user:$mail_user" "$runtime/home"
ln -s "$runtime/home" "$dir/home"
"$(dirname "${BASH_SOURCE[0]}")/tls_certificates.sh" "$certs"

port="$(pell_free_port)"
tls_port="$(pell_free_port)"
echo "$port" >"$dir/port"
echo "$tls_port" >"$dir/tls_port"
# IMAP only where its server is installed (package dovecot-imapd); the POP3
# tests do without it.
imap_port=0
imaps_port=0
protocols=pop3
if [ -x /usr/lib/dovecot/imap ]; then
    imap_port="$(pell_free_port)"
    imaps_port="$(pell_free_port)"
    echo "$imap_port" >"$dir/imap_port"
    echo "$imaps_port" >"$dir/imaps_port"
    protocols="pop3 imap"
fi
(cd "$certs" && pwd) >"$dir/certs_dir"
uid="$(id -u "$mail_user")"
gid="$(id -g "$mail_user")"
printf 'pelltest:{PLAIN}pw-Secret9\n' >"$runtime/passwd"
chmod 644 "$runtime/passwd"

cat >"$dir/dovecot.conf" <<CONF
base_dir = $runtime/run
state_dir = $runtime/state
instance_name = pell-test-$port
log_path = $dir/dovecot.log
protocols = $protocols
listen = 127.0.0.1
ssl = yes
ssl_cert = <$certs/localhost.crt
ssl_key = <$certs/localhost.key
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = no
auth_mechanisms = plain apop
default_login_user = dovenull
default_internal_user = dovecot
first_valid_uid = 1
first_valid_gid = 1
mail_location = maildir:~/Maildir
pop3_uidl_format = %08Xu%08Xv
passdb {
  driver = passwd-file
  args = scheme=PLAIN $runtime/passwd
}
userdb {
  driver = static
  args = uid=$uid gid=$gid home=$runtime/home
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $tls_port
    ssl = yes
  }
}
service imap-login {
  inet_listener imap {
    address = 127.0.0.1
    port = $imap_port
  }
  inet_listener imaps {
    address = 127.0.0.1
    port = $imaps_port
    ssl = yes
  }
}
service stats {
  unix_listener stats-writer {
    mode = 0666
  }
}
CONF
# Detached from the caller's output, which a test runner waits on.
dovecot -c "$dir/dovecot.conf" </dev/null >/dev/null 2>&1
listening() { [ "$1" = 0 ] || (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
for _ in $(seq 100); do
    if listening "$port" && listening "$tls_port" && listening "$imap_port" &&
        listening "$imaps_port"; then
        exit 0
    fi
    sleep 0.1
done
echo "dovecot did not start; see $dir/dovecot.log" >&2
cat "$dir/dovecot.log" >&2 || true
exit 1
