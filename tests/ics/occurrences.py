#!/usr/bin/python3
"""Prints the occurrences of the entries of an iCalendar file, as an
independent reader of RFC 5545 sees them: one line "UID YYYY-MM-DD" per
occurrence that starts on a day from FROM up to the day before TO, with the
start as a date in local time (TZ). Used by the export's oracle test.

usage: occurrences.py FILE FROM TO      (FROM and TO as YYYY-MM-DD)
"""

import datetime
import sys

import icalendar
import recurring_ical_events


def local_day(value):
    if isinstance(value, datetime.datetime):
        # Times with a zone are shown in the local zone; floating ones as written.
        return (value.astimezone() if value.tzinfo else value).date()
    return value


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        cal = icalendar.Calendar.from_ical(f.read())
    first = datetime.date.fromisoformat(sys.argv[2])
    end = datetime.date.fromisoformat(sys.argv[3])
    lines = set()
    for c in recurring_ical_events.of(cal, components=["VEVENT", "VTODO"]).between(first, end):
        start = c.get("DTSTART") or c.get("DUE")
        day = local_day(start.dt)
        if first <= day < end:
            lines.add("%s %s" % (c.get("UID"), day.isoformat()))
    for line in sorted(lines):
        print(line)


if __name__ == "__main__":
    main()
