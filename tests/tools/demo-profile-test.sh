#!/usr/bin/env bash
# The demo of ./run.sh on a fresh folder and on later runs: the server answers over TLS with the
# demo's login, the profile is made once and then kept with what the user changed, the Demo
# account follows the port and certificate of each run, the unique ids stay, --reset starts over.
# Needs Dovecot, openssl and python3: skipped (77) without them, failed in CI.
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
for tool in /usr/sbin/dovecot openssl python3; do
  command -v "$tool" >/dev/null && continue
  [ "${CI:-}" = "true" ] && { echo "required tool missing in CI: $tool"; exit 1; }
  echo "tool missing: $tool"; exit 77
done
source "$source_dir/tools/demo/demo-mailbox.sh"
root=$(mktemp -d /tmp/quillbox-demo-test-XXXXXX)
blocker=""
trap 'quillbox_demo_stop; [ -n "$blocker" ] && kill "$blocker" 2>/dev/null; rm -rf "$root"' EXIT
failures=0
check() {  # check WHAT COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
registry=$root/profile/registry.reg
demo_value() {  # the Demo account's value NAME in the profile
  awk -v name="\"$1\"=" 'tolower($0) ~ /^\[.*\\quillbox\\demo\]/ { on = 1; next } /^\[/ { on = 0 }
    on && index($0, name) == 1 { v = substr($0, length(name) + 1); gsub(/["\r]/, "", v); print v }' "$registry"
}
session() {  # the POP3 replies to the demo's login, the certificate checked against the demo authority
  printf 'USER demo\r\nPASS demo\r\nSTAT\r\nUIDL\r\nQUIT\r\n' |
    timeout 10 openssl s_client -quiet -verify_return_error -CAfile "$root/tls/ca.pem" \
      -connect "127.0.0.1:$QUILLBOX_DEMO_PORT" 2>/dev/null | tr -d '\r'
}
pin() { openssl x509 -in "$root/tls/server.pem" -noout -fingerprint -sha256 | sed 's/^[^=]*=//'; }

check "a fresh folder starts" quillbox_demo_start "$root"
first=$(session)
check "demo/demo logs in and finds the dozen samples" grep -qx '+OK 12 .*' <<<"$first"
check "the account points at this run's port" test "$(demo_value port)" = "$QUILLBOX_DEMO_PORT"
check "the account trusts this run's certificate" test "$(demo_value certsha256)" = "$(pin)"
uidls=$(grep -E '^[0-9]+ ' <<<"$first")
check "the messages have unique ids" test "$(wc -l <<<"$uidls")" -eq 12
# What the user does in the demo: another account, a stored layout.
printf '\r\n[HKEY_CURRENT_USER\\software\\quillbox\\Home]\r\n"port"="995"\r\n' >> "$registry"
printf 'Home;  pop.example.org\r\n' >> "$root/profile/home/acc.dat"
quillbox_demo_stop

# The next run finds its port taken and its certificate made anew.
old_port=$QUILLBOX_DEMO_PORT
python3 -c 'import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(); time.sleep(120)' "$old_port" &
blocker=$!
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$old_port") 2>/dev/null && break; sleep 0.1; done
rm -rf "$root/tls"
check "a second run starts" quillbox_demo_start "$root"
check "on another port" test "$QUILLBOX_DEMO_PORT" != "$old_port"
check "the account follows the port" test "$(demo_value port)" = "$QUILLBOX_DEMO_PORT"
check "and the new certificate" test "$(demo_value certsha256)" = "$(pin)"
check "the user's account is kept" grep -q 'quillbox\\Home\]' "$registry"
check "the account list is kept" grep -q '^Home;' "$root/profile/home/acc.dat"
second=$(session)
check "the demo logs in again" grep -qx '+OK 12 .*' <<<"$second"
check "the same messages keep their ids" test "$(grep -E '^[0-9]+ ' <<<"$second")" = "$uidls"
check "the profile stays private" test "$(stat -c %a "$registry")" = 600
quillbox_demo_stop
kill "$blocker" 2>/dev/null; blocker=""

quillbox_demo_reset "$root"
check "after a reset the demo starts" quillbox_demo_start "$root"
check "with the Demo account alone" test "$(grep -c '^Home;' "$root/profile/home/acc.dat")" -eq 0
check "and its port" test "$(demo_value port)" = "$QUILLBOX_DEMO_PORT"
exit $((failures > 0))
