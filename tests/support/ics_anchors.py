# A second reader of iCalendar files for the import tests: prints, for each
# VEVENT, VTODO and VJOURNAL in file order, the date Velk files the entry by
# (a todo's DUE, else its DTSTART; an event's or journal's DTSTART) in local
# time of Europe/Berlin: "D" and YYYYMMDD for a date, "T" and YYYYMMDDHHMM for
# a time, "-" for none. Run with /usr/bin/python3 (python3-icalendar).
import datetime
import sys
from zoneinfo import ZoneInfo

import icalendar

berlin = ZoneInfo("Europe/Berlin")
cal = icalendar.Calendar.from_ical(open(sys.argv[1], "rb").read())
zones = {str(tz["TZID"]): tz.to_tz() for tz in cal.walk("VTIMEZONE")}
for c in cal.walk():
    if c.name not in ("VEVENT", "VTODO", "VJOURNAL"):
        continue
    prop = (c.get("DUE") or c.get("DTSTART")) if c.name == "VTODO" else c.get("DTSTART")
    if prop is None:
        print("-")
        continue
    v = prop.dt
    if not isinstance(v, datetime.datetime):
        print("D" + v.strftime("%Y%m%d"))
        continue
    tzid = prop.params.get("TZID")
    if v.tzinfo is None and tzid in zones:
        v = zones[tzid].localize(v)
    if v.tzinfo is not None:
        v = v.astimezone(berlin)
    print("T" + v.strftime("%Y%m%d%H%M"))
