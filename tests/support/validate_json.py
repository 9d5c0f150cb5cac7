"""Validates JSON documents against a JSON Schema: validate_json.py SCHEMA DOCUMENT...

Exit code 0 when every document is valid, 1 (with each violation on standard error) when
one is not, 2 when the schema itself is broken or a file cannot be read."""
import json
import sys

import jsonschema


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        with open(argv[1], encoding="utf-8") as f:
            schema = json.load(f)
        validator_class = jsonschema.validators.validator_for(schema)
        validator_class.check_schema(schema)
    except (OSError, ValueError, jsonschema.exceptions.SchemaError) as error:
        print(f"{argv[1]}: {error}", file=sys.stderr)
        return 2
    validator = validator_class(schema)
    failed = False
    for path in argv[2:]:
        try:
            with open(path, encoding="utf-8") as f:
                document = json.load(f)
        except (OSError, ValueError) as error:
            print(f"{path}: {error}", file=sys.stderr)
            return 2
        for error in validator.iter_errors(document):
            failed = True
            where = "/".join(str(part) for part in error.absolute_path)
            print(f"{path}: at '{where}': {error.message}", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
