"""Reads a saved log file the way a spreadsheet or a script would, with Python's csv module.

Prints one JSON object: the heading row, the number of sample rows, and the values of the
first and last sample rows. Exits non-zero when a sample row is not twelve numbers.

With "--rewrite OUT COMMENT" it also writes the rows back out with csv.writer, as a script that
edits a log would, the comment row's second field replaced by COMMENT."""
import csv
import json
import sys

with open(sys.argv[1], newline="", encoding="latin-1") as f:
    rows = list(csv.reader(f))

headings = rows[2]
samples = []
for row in rows[3:]:
    if len(row) != 12:
        break
    try:
        samples.append([float(x) for x in row])
    except ValueError:
        break
if len(samples) != 2700 or len(rows) != 2706:
    print(json.dumps({"error": "expected 2700 rows of twelve numbers", "rows": len(rows),
                      "samples": len(samples)}))
    sys.exit(1)
trailer = [list(r) for r in rows[2703:]]
if len(sys.argv) == 5 and sys.argv[2] == "--rewrite":
    rows[2705][1] = sys.argv[4]
    with open(sys.argv[3], "w", newline="", encoding="latin-1") as out:
        csv.writer(out, lineterminator="\r\n").writerows(rows)
print(json.dumps({"interval": float(rows[1][0]), "headings": headings, "samples": len(samples),
                  "first": samples[0], "last": samples[-1],
                  "trailer": trailer}))
