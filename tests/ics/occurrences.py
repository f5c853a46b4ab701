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


def time_key(component, name):
    value = component.get(name)
    return value.to_ical().decode() if value is not None else ""


def version(component):
    return (int(component.get("SEQUENCE", 0)), time_key(component, "LAST-MODIFIED") or
            time_key(component, "DTSTAMP"))


def prepare(cal):
    """Applies what RFC 5545 says and version 2.0 of recurring-ical-events
    does not do: of the versions of one entry (or of one occurrence) only the
    latest counts; a cancelled occurrence is no occurrence; an occurrence that
    goes on for the later ones (RANGE=THISANDFUTURE, or a rule of its own)
    ends its series the day before and repeats in its place."""
    latest = {}
    for c in cal.subcomponents:
        if c.name not in ("VEVENT", "VTODO") or "UID" not in c:
            continue
        key = (str(c["UID"]), time_key(c, "RECURRENCE-ID"))
        if key not in latest or version(c) > version(latest[key]):
            latest[key] = c
    for c in list(cal.subcomponents):
        if c.name not in ("VEVENT", "VTODO") or "UID" not in c:
            continue
        if latest[(str(c["UID"]), time_key(c, "RECURRENCE-ID"))] is not c:
            cal.subcomponents.remove(c)
    masters = {str(c["UID"]): c for c in cal.subcomponents
               if "UID" in c and "RECURRENCE-ID" not in c}
    for c in list(cal.subcomponents):
        rid = c.get("RECURRENCE-ID")
        if rid is None:
            continue
        master = masters.get(str(c["UID"]))
        goes_on = rid.params.get("RANGE") == "THISANDFUTURE" or "RRULE" in c
        if str(c.get("STATUS", "")).upper() == "CANCELLED" and master is None:
            cal.subcomponents.remove(c)
        elif master is not None and goes_on:
            if "RRULE" not in c:
                c.add("RRULE", icalendar.vRecur.from_ical(master["RRULE"].to_ical().decode()))
            rule = master["RRULE"]
            rule.pop("COUNT", None)
            start = rid.dt
            if not isinstance(start, datetime.datetime):
                # A series of days ends on the day before.
                rule["UNTIL"] = [start - datetime.timedelta(days=1)]
            else:
                if start.tzinfo is None:
                    start = start.astimezone()
                rule["UNTIL"] = [(start - datetime.timedelta(seconds=1))
                                 .astimezone(datetime.timezone.utc)]
            del c["RECURRENCE-ID"]
    for c in list(cal.subcomponents):
        if str(c.get("STATUS", "")).upper() == "CANCELLED" and "RECURRENCE-ID" in c:
            master = masters.get(str(c["UID"]))
            master.add("EXDATE", c["RECURRENCE-ID"].dt)
            cal.subcomponents.remove(c)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        cal = icalendar.Calendar.from_ical(f.read())
    prepare(cal)
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
