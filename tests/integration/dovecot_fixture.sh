#!/usr/bin/env bash
# Starts or stops a private Dovecot POP3 server on 127.0.0.1 for the
# integration tests:  dovecot_fixture.sh start|stop DIR
# DIR receives the configuration, the mailbox of the test user, the log and
# the file "port". The mail belongs to an unprivileged system user, created
# here when missing, since the server refuses to serve mail as root.
set -euo pipefail
action="$1"
dir="$2"
mail_user=pellmail

stop_server() {
    if [ -f "$dir/dovecot.conf" ] && [ -f "$dir/run/master.pid" ]; then
        dovecot -c "$dir/dovecot.conf" stop >/dev/null 2>&1 || true
        for _ in $(seq 50); do
            [ -f "$dir/run/master.pid" ] || break
            kill -0 "$(cat "$dir/run/master.pid" 2>/dev/null)" 2>/dev/null || break
            sleep 0.1
        done
    fi
}

if [ "$action" = stop ]; then
    stop_server
    exit 0
fi

if ! command -v dovecot >/dev/null; then
    echo "dovecot is not installed (package dovecot-pop3d)" >&2
    exit 1
fi
if ! id "$mail_user" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
        "$mail_user"
fi
stop_server
rm -rf "$dir"
mkdir -p "$dir/run" "$dir/home/Maildir/new" "$dir/home/Maildir/cur" "$dir/home/Maildir/tmp"
chown -R "$mail_user:$mail_user" "$dir/home"
# The server processes of the mail user must reach the mailbox.
p="$dir"
while [ "$p" != / ]; do
    chmod o+x "$p" 2>/dev/null || true
    p="$(dirname "$p")"
done

port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
echo "$port" >"$dir/port"
uid="$(id -u "$mail_user")"
gid="$(id -g "$mail_user")"
printf 'pelltest:{PLAIN}pw-Secret9\n' >"$dir/passwd"
chmod 644 "$dir/passwd"

cat >"$dir/dovecot.conf" <<CONF
base_dir = $dir/run
state_dir = $dir/state
instance_name = pell-test-$port
log_path = $dir/dovecot.log
protocols = pop3
listen = 127.0.0.1
ssl = no
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
  args = scheme=PLAIN $dir/passwd
}
userdb {
  driver = static
  args = uid=$uid gid=$gid home=$dir/home
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    port = 0
  }
}
service imap-login {
  inet_listener imap {
    port = 0
  }
  inet_listener imaps {
    port = 0
  }
}
service stats {
  unix_listener stats-writer {
    mode = 0666
  }
}
CONF
mkdir -p "$dir/state"
# Detached from the caller's output, which a test runner waits on.
dovecot -c "$dir/dovecot.conf" </dev/null >/dev/null 2>&1
for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        exit 0
    fi
    sleep 0.1
done
echo "dovecot did not start; see $dir/dovecot.log" >&2
cat "$dir/dovecot.log" >&2 || true
exit 1
