#!/usr/bin/python3
"""Test oracle: prints every base64 leaf part of a mail message as Python's email package decodes it.

One line per part: content type, 1 when the part names a file (else 0), 1 when its base64 text
is well formed (else 0), the decoded bytes in hex. Decoders may differ on malformed text (Python
repairs missing padding, for instance), so only well-formed parts are compared byte for byte.
"""
import base64
import binascii
import email
import email.policy
import sys


def well_formed(part):
    text = part.get_payload(decode=False)
    if not isinstance(text, str):
        return False
    joined = "".join(text.split())
    try:
        base64.b64decode(joined, validate=True)
    except (binascii.Error, ValueError):
        return False
    return True


def main(path):
    with open(path, "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.compat32)
    for part in message.walk():
        if part.is_multipart():
            continue
        encoding = str(part.get("Content-Transfer-Encoding", "")).strip().lower()
        if encoding != "base64":
            continue
        payload = part.get_payload(decode=True) or b""
        named = 1 if (part.get_param("name") or part.get_filename()) else 0
        print(part.get_content_type(), named, 1 if well_formed(part) else 0, payload.hex(), sep="\t")


if __name__ == "__main__":
    main(sys.argv[1])
