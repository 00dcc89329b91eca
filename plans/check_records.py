#!/usr/bin/python3
"""Checks a run's records: the JSON against plans/record.schema.json (python3-jsonschema; it
takes every schema_version the runner has written), the
JUnit XML against plans/junit.xsd (python3-lxml), and that both are named for the run:
UNIT_PLAN_START[_N], the unit's serial number and the plan's name as the records hold them, with
%XX for every byte outside A-Z a-z 0-9 "-" "." (and a leading "."), and the start in UTC to the
second. Usage: check_records.py RECORD.json RECORD.xml
Exit status 0 when all holds; otherwise each fault is printed."""

import json
import os
import re
import sys

import jsonschema
from lxml import etree

HERE = os.path.dirname(os.path.abspath(__file__))


PLAIN = frozenset(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-.")


def encoded(text):
    return "".join(chr(byte) if byte in PLAIN and not (at == 0 and byte == ord("."))
                   else f"%{byte:02X}" for at, byte in enumerate(text.encode("utf-8")))


def name_faults(json_path, xml_path, record):
    """The faults of the records' names against what the record holds."""
    stem = os.path.basename(json_path).removesuffix(".json")
    start = re.sub(r"[-:]|\.[0-9]{3}", "", str(record.get("start", "")))
    wanted = "_".join([encoded(str(record.get("unit", ""))),
                       encoded(str(record.get("plan", {}).get("name", ""))), start])
    faults = []
    if not re.fullmatch(re.escape(wanted) + r"(_[2-9]|_[1-9][0-9]+)?", stem):
        faults.append(f"{json_path}: named {stem}, not {wanted} for its unit, plan and start")
    if os.path.basename(xml_path) != stem + ".xml":
        faults.append(f"{xml_path}: not named {stem}.xml as its JSON record")
    return faults


def main(json_path, xml_path):
    faults = []
    with open(os.path.join(HERE, "record.schema.json")) as schema_file:
        schema = json.load(schema_file)
    with open(json_path) as record_file:
        record = json.load(record_file)
    validator = jsonschema.Draft202012Validator(schema)
    faults += [f"{json_path}: {'/'.join(map(str, e.path))}: {e.message}"
               for e in validator.iter_errors(record)]
    faults += name_faults(json_path, xml_path, record)
    xsd = etree.XMLSchema(etree.parse(os.path.join(HERE, "junit.xsd")))
    document = etree.parse(xml_path)
    if not xsd.validate(document):
        faults += [f"{xml_path}:{e.line}: {e.message}" for e in xsd.error_log]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
