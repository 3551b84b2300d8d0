#!/usr/bin/env bash
# The demo of ./run.sh, run twice and reset: the profile is kept with the user's changes, the Demo
# account follows each run's port and certificate, the ids stay. Skipped (77) without Dovecot,
# openssl or python3, failed in CI.
set -uo pipefail
for tool in /usr/sbin/dovecot openssl python3; do
  command -v "$tool" >/dev/null || { [ "${CI:-}" = "true" ] && exit 1; echo "tool missing: $tool"; exit 77; }
done
source "$(dirname "$0")/../../tools/demo/demo-mailbox.sh"
root=$(mktemp -d /tmp/quillbox-demo-test-XXXXXX) blocker=0 failures=0
trap 'quillbox_demo_stop; kill $blocker 2>/dev/null; rm -rf "$root"' EXIT
check() { "${@:2}" || { echo "FAILED: $1"; failures=$((failures + 1)); }; }
value() { sed -n "/quillbox\\\\Demo\\]/,/^\\[/s/^\"$1\"=\"\\([^\"]*\\)\".*/\\1/p" "$root/profile/registry.reg"; }
pin() { openssl x509 -in "$root/tls/server.pem" -noout -fingerprint -sha256 | sed 's/^[^=]*=//'; }
session() {  # the demo's login, the certificate checked against the demo's authority
  printf 'USER demo\r\nPASS demo\r\nSTAT\r\nUIDL\r\nQUIT\r\n' | timeout 10 openssl s_client -quiet \
    -verify_return_error -CAfile "$root/tls/ca.pem" -connect "127.0.0.1:$QUILLBOX_DEMO_PORT" 2>/dev/null | tr -d '\r'
}
followed() { [ "$(value port)" = "$QUILLBOX_DEMO_PORT" ] && [ "$(value certsha256)" = "$(pin)" ]; }

check "first start" quillbox_demo_start "$root"
first=$(session)
check "demo/demo finds the samples" grep -qx '+OK 12 .*' <<<"$first"
check "the account follows the run" followed
printf '\r\n[HKEY_CURRENT_USER\\software\\quillbox\\Home]\r\n"port"="995"\r\n' >> "$root/profile/registry.reg"
quillbox_demo_stop
# The next run finds its port taken and a new certificate.
python3 -c 'import socket,sys,time; s=socket.socket(); s.bind(("127.0.0.1",int(sys.argv[1]))); s.listen(); time.sleep(60)' \
  "$QUILLBOX_DEMO_PORT" & blocker=$!
old=$QUILLBOX_DEMO_PORT
until (exec 3<>"/dev/tcp/127.0.0.1/$old") 2>/dev/null; do sleep 0.1; done
rm -rf "$root/tls"
check "second start" quillbox_demo_start "$root"
check "on another port, followed" test "$QUILLBOX_DEMO_PORT" != "$old" -a "$(value port)" = "$QUILLBOX_DEMO_PORT"
check "the new certificate followed" followed
check "the user's account kept" grep -q 'quillbox\\Home\]' "$root/profile/registry.reg"
check "the same messages, the same ids" test "$(session | grep -E '^[0-9]+ ')" = "$(grep -E '^[0-9]+ ' <<<"$first")"
quillbox_demo_stop
quillbox_demo_reset "$root"
check "a reset start" quillbox_demo_start "$root"
check "has the Demo account alone" test -z "$(grep 'quillbox\\Home\]' "$root/profile/registry.reg")" -a -n "$(value port)"
exit $((failures > 0))
