# The demo mailbox of ./run.sh: a private Dovecot on 127.0.0.1 serving the sample messages of
# tools/demo/messages over POP3 with TLS (as a real provider does, on its own port), and a demo
# profile (its own program folder and registry file) holding the account "Demo" (login "demo",
# password "demo", remembered) and one sample rule. The server's certificate comes from an
# authority made for the demo at its first run (kept under FOLDER/tls); the account trusts it by
# its stored fingerprint, as a user trusts a self-hosted server. The user's own settings are never
# touched.
# The profile is made at the first run and kept afterwards (the window's layout, accounts and rules
# the user added stay); each run only points the Demo account at this run's port and certificate.
# The mailbox starts each run with the sample messages, under the same unique ids, so messages
# seen at an earlier run are not new again. quillbox_demo_reset FOLDER starts the profile afresh.
# Sourced by run.sh: quillbox_demo_start FOLDER, then quillbox_demo_stop.

QUILLBOX_DEMO_DIR=""
QUILLBOX_DEMO_PORT=""

_demo_port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# The port of the last run when it is still free (the account then needs no change), else the
# first free one.
_demo_free_port() {
  local last port
  last=$(cat "$1" 2>/dev/null || true)
  if [[ "$last" =~ ^[0-9]+$ ]] && _demo_port_free "$last"; then echo "$last"; return 0; fi
  for port in $(seq 21100 21199); do
    _demo_port_free "$port" && { echo "$port"; return 0; }
  done
  return 1
}

# The password as the account store keeps it: each byte XOR 0x5A in decimal, then "-".
_demo_scramble() {
  local text=$1 out="" i c
  for ((i = 0; i < ${#text}; i++)); do
    printf -v c '%d' "'${text:i:1}"
    out+="$((c ^ 0x5A))-"
  done
  echo "$out"
}

# An authority of the demo's own and a certificate for 127.0.0.1 issued by it; made once.
_demo_certificates() {
  local dir=$1
  [ -s "$dir/server.pem" ] && [ -s "$dir/server.key" ] && return 0
  command -v openssl >/dev/null || { echo "openssl is not installed." >&2; return 1; }
  mkdir -p "$dir" && chmod 700 "$dir"
  (
    cd "$dir" || exit 1
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 3650 \
      -subj "/CN=Quillbox demo authority" -keyout ca.key -out ca.pem \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" &&
      openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=127.0.0.1" \
        -keyout server.key -out server.csr &&
      printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' > server.ext &&
      openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 825 \
        -extfile server.ext -out server.pem
  ) >"$dir/openssl.log" 2>&1 || { echo "The demo certificate could not be made:" >&2; cat "$dir/openssl.log" >&2; return 1; }
}

# The fingerprint the account stores to trust the demo's certificate ("AB:CD:...").
_demo_fingerprint() {
  openssl x509 -in "$1" -noout -fingerprint -sha256 | sed 's/^[^=]*=//'
}

# A profile of the demo's own: the account Demo, the sample rule, nothing else.
_demo_new_profile() {
  local profile=$1 fingerprint=$2
  mkdir -p "$profile/home"
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\software\\quillbox\\Demo]\r\n"usrname"="demo"\r\n"mailsrvr"="127.0.0.1"\r\n"port"="%s"\r\n"opt"=dword:00000001\r\n"data"="%s"\r\n"security"="tls"\r\n"certsha256"="%s"\r\n\r\n[HKEY_CURRENT_USER\\Software\\quillbox\\delList\\subject]\r\n"total"=dword:00000001\r\n"List_1"="lottery"\r\n"ListID_1"="1"\r\n"Flag_1"=dword:00000001\r\n' \
    "$QUILLBOX_DEMO_PORT" "$(_demo_scramble demo)" "$fingerprint" > "$profile/registry.reg"
  chmod 600 "$profile/registry.reg"
  printf 'Demo;  127.0.0.1\r\n' > "$profile/home/acc.dat"
  printf 'Where subject Contains "lottery" Delete message from the server\r\n' > "$profile/home/rules.dat"
}

# A kept profile: the Demo account, if the user still has it, follows this run's port and
# certificate; every other line stays as Quillbox wrote it (key names compare without case).
_demo_update_profile() {
  local registry=$1 fingerprint=$2 updated
  updated=$(mktemp "$registry.XXXXXX") || return 1
  awk -v port="$QUILLBOX_DEMO_PORT" -v pin="$fingerprint" '
    /^\[/ { demo = (tolower($0) ~ /^\[hkey_current_user\\software\\quillbox\\demo\]\r?$/) }
    demo && tolower($0) ~ /^"port"=/ { printf "\"port\"=\"%s\"\r\n", port; next }
    demo && tolower($0) ~ /^"certsha256"=/ { printf "\"certsha256\"=\"%s\"\r\n", pin; next }
    { print }
  ' "$registry" > "$updated" && chmod 600 "$updated" && mv "$updated" "$registry" || { rm -f "$updated"; return 1; }
}

# Starts the demo profile afresh at the next start (the server's authority stays).
quillbox_demo_reset() {
  rm -rf "$1/profile" "$1/port"
}

quillbox_demo_start() {
  local root=$1 here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  [ -x /usr/sbin/dovecot ] || { echo "Dovecot is not installed; starting without the demo mailbox." >&2; return 1; }
  mkdir -p "$root"
  QUILLBOX_DEMO_PORT=$(_demo_free_port "$root/port") || { echo "No free port for the demo mailbox." >&2; return 1; }
  echo "$QUILLBOX_DEMO_PORT" > "$root/port"
  QUILLBOX_DEMO_DIR=$root
  rm -rf "$root/server"
  mkdir -p "$root/server/run" "$root/server/state"
  chmod 755 "$root" "$root/server"
  _demo_certificates "$root/tls" || return 1
  local fingerprint
  fingerprint=$(_demo_fingerprint "$root/tls/server.pem")

  local mailuid mailgid owner="" extra=""
  if [ "$(id -u)" -eq 0 ]; then
    # Dovecot does not serve mail as root.
    mailuid=$(id -u nobody); mailgid=$(id -g nobody)
  else
    mailuid=$(id -u); mailgid=$(id -g); owner=$(id -un)
    extra="default_internal_user = $owner
default_login_user = $owner
default_internal_group = $(id -gn)"
  fi
  local maildir=$root/server/mail/demo/Maildir i=0 f name
  mkdir -p "$maildir/new" "$maildir/cur" "$maildir/tmp"
  for f in "$here"/messages/*.eml; do
    i=$((i + 1))
    name=$(printf '%d.M%dP1.quillbox-demo' $((1000000000 + i)) "$i")
    sed 's/$/\r/' "$f" > "$maildir/tmp/$name"
    mv "$maildir/tmp/$name" "$maildir/new/$name"
  done
  [ "$(id -u)" -eq 0 ] && chown -R "$mailuid:$mailgid" "$root/server/mail"
  chmod -R go-rwx "$root/server/mail/demo"
  chmod 755 "$root/server/mail"
  echo "demo:demo" > "$root/server/passwd"

  local chroot=""
  [ -n "$owner" ] && chroot="  chroot ="
  cat > "$root/server/dovecot.conf" <<CONF
base_dir = $root/server/run
state_dir = $root/server/state
log_path = $root/server/dovecot.log
protocols = pop3
listen = 127.0.0.1
ssl = required
ssl_cert = <$root/tls/server.pem
ssl_key = <$root/tls/server.key
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = yes
auth_mechanisms = plain
auth_failure_delay = 0
auth_username_format = %u
mail_location = maildir:$root/server/mail/%u/Maildir
# The file names are the same at every run, so the unique ids are too.
pop3_uidl_format = %f
first_valid_uid = $mailuid
first_valid_gid = $mailgid
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $root/server/passwd
}
userdb {
  driver = static
  args = uid=$mailuid gid=$mailgid home=$root/server/mail/%u
}
service pop3-login {
  inet_listener pop3 {
    port = 0
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $QUILLBOX_DEMO_PORT
    ssl = yes
  }
$chroot
}
service anvil {
$chroot
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
$extra
CONF
  /usr/sbin/dovecot -c "$root/server/dovecot.conf" </dev/null >"$root/server/stdout.log" 2>&1 || {
    echo "The demo mailbox did not start:" >&2; cat "$root/server/stdout.log" "$root/server/dovecot.log" >&2 2>/dev/null
    return 1
  }

  local profile=$root/profile
  if [ -s "$profile/registry.reg" ]; then
    _demo_update_profile "$profile/registry.reg" "$fingerprint" || { echo "The demo profile could not be updated." >&2; return 1; }
  else
    _demo_new_profile "$profile" "$fingerprint"
  fi

  # Ready once the server takes connections (it greets only inside TLS).
  local tries
  for tries in $(seq 1 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$QUILLBOX_DEMO_PORT") 2>/dev/null && return 0
    sleep 0.1
  done
  echo "The demo mailbox does not answer." >&2
  return 1
}

quillbox_demo_stop() {
  [ -n "$QUILLBOX_DEMO_DIR" ] && [ -f "$QUILLBOX_DEMO_DIR/server/dovecot.conf" ] || return 0
  /usr/sbin/dovecot -c "$QUILLBOX_DEMO_DIR/server/dovecot.conf" stop >/dev/null 2>&1 || true
}
