#!/usr/bin/env python3
"""Checks qorvmon-sensors --json output against its schema.

    check_reading_schema.py SCHEMA OUTPUT

OUTPUT holds one JSON document per line. Prints each fault with its line number and
exits 1 when there is one, 0 when every line is a valid document.
"""
import json
import sys

import jsonschema


def main():
    schema_path, output_path = sys.argv[1:3]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    validator = validator_class(schema, format_checker=validator_class.FORMAT_CHECKER)
    faults = 0
    with open(output_path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    if not lines:
        print("no documents")
        return 1
    for number, line in enumerate(lines, 1):
        try:
            document = json.loads(line)
        except json.JSONDecodeError as e:
            print(f"line {number}: not JSON: {e}")
            faults += 1
            continue
        for error in validator.iter_errors(document):
            print(f"line {number}: {'/'.join(map(str, error.absolute_path))}: {error.message}")
            faults += 1
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
