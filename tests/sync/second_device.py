#!/usr/bin/python3
"""A second device for the sync tests: python3-caldav, a CalDAV client of its
own, gives the entry with UID (in any calendar of the user) a new summary.

usage: second_device.py URL USER UID SUMMARY
"""

import logging
import sys

import caldav

# Its notes on how it searched are no concern of the tests.
logging.disable(logging.WARNING)

url, user, uid, summary = sys.argv[1:5]
client = caldav.DAVClient(url=url, username=user, password="any")  # the tests' server takes any
for calendar in client.principal().calendars():
    try:
        entry = calendar.object_by_uid(uid)
    except caldav.error.NotFoundError:
        continue
    entry.icalendar_component["SUMMARY"] = summary
    entry.save()
    sys.exit(0)
sys.exit("second_device: no entry " + uid)
