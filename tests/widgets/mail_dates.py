# The Date headers of the given messages and the instant Python's email package reads from each:
# one line per header, the raw value (after "Date:"), a tab, seconds since the epoch or "-".
import email, email.utils, sys

for path in sys.argv[1:]:
    with open(path, 'rb') as f:
        msg = email.message_from_binary_file(f)
    for raw in msg.get_all('Date', []):
        raw = str(raw)
        try:
            stamp = str(int(email.utils.parsedate_to_datetime(raw).timestamp()))
        except (TypeError, ValueError):
            stamp = '-'
        print(raw.replace('\n', ' ').replace('\r', ' ').replace('\t', ' ') + '\t' + stamp)
