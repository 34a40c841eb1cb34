"""Reads the pass library's exported list from standard input with Python's csv module, as a
spreadsheet script would.

Prints one JSON object: the heading row and the data rows (lists of fields). Exits non-zero when
a row does not have as many fields as the heading or a line does not end with CR LF."""
import csv
import io
import json
import sys

text = sys.stdin.buffer.read().decode("utf-8")
rows = list(csv.reader(io.StringIO(text, newline="")))
heading, data = rows[0], rows[1:]
bad = [r for r in data if len(r) != len(heading)]
print(json.dumps({"heading": heading, "rows": data}))
sys.exit(1 if bad or not text.endswith("\r\n") else 0)
