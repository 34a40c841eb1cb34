"""Reads a pass report from standard input with Python's csv module, as a script would.

Prints one JSON object: the heading row and the data rows (lists of fields). Exits non-zero
when a row does not have as many fields as the heading."""
import csv
import io
import json
import sys

text = sys.stdin.buffer.read().decode("ascii")
rows = list(csv.reader(io.StringIO(text, newline="")))
heading, data = rows[0], rows[1:]
bad = [r for r in data if len(r) != len(heading)]
print(json.dumps({"heading": heading, "rows": data, "crlf": text.count("\r\n")}))
sys.exit(1 if bad else 0)
