#!/usr/bin/python3
"""Checks a run's records: the JSON against plans/record.schema.json (python3-jsonschema), the
JUnit XML against plans/junit.xsd (python3-lxml). Usage: check_records.py RECORD.json RECORD.xml
Exit status 0 when both are valid; otherwise each fault is printed."""

import json
import os
import sys

import jsonschema
from lxml import etree

HERE = os.path.dirname(os.path.abspath(__file__))


def main(json_path, xml_path):
    faults = []
    with open(os.path.join(HERE, "record.schema.json")) as schema_file:
        schema = json.load(schema_file)
    with open(json_path) as record_file:
        record = json.load(record_file)
    validator = jsonschema.Draft202012Validator(schema)
    faults += [f"{json_path}: {'/'.join(map(str, e.path))}: {e.message}"
               for e in validator.iter_errors(record)]
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
