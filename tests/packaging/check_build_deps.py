#!/usr/bin/env python3
"""Checks that scripts/install-deps installs every system package the build used.

Reads the configure step's cache, takes each package configuration file CMake used from a
system folder (the <Name>Config.cmake / <name>-config.cmake in a <Name>_DIR), asks dpkg which package owns it, and fails naming every package that
install-deps installs neither directly nor through its dependencies. On a machine where such a
package happened to be installed by hand the build works, but on a bare machine CMake stops.
The programs the make targets run besides the compiler (REQUIRED_COMMANDS) are checked the same
way, by the package that owns each.

usage: check_build_deps.py CMakeCache.txt scripts/install-deps
"""
import os
import re
import shutil
import subprocess
import sys

SYSTEM_PREFIXES = ("/usr/", "/lib/", "/lib64/", "/opt/")

# Programs the make targets run, and what for.
REQUIRED_COMMANDS = {
    "xvfb-run": "make bench: the window-path benchmarks on a virtual X server",
    "xauth": "make bench: xvfb-run's authority file",
}


def cache_entries(cache_path):
    entries = {}
    with open(cache_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.match(r"^([A-Za-z0-9_.+-]+):(PATH|FILEPATH)=(.*)$", line.rstrip("\n"))
            if m:
                entries[m.group(1)] = (m.group(2), m.group(3))
    return entries


def used_system_files(entries):
    """The config files of every package found in a system folder."""
    files = set()
    for name, (kind, value) in entries.items():
        if not value.startswith(SYSTEM_PREFIXES):
            continue
        if kind == "PATH" and name.endswith("_DIR") and os.path.isdir(value):
            package = name[: -len("_DIR")]
            for candidate in (package + "Config.cmake", package.lower() + "-config.cmake"):
                path = os.path.join(value, candidate)
                if os.path.isfile(path):
                    files.add(path)
    return sorted(files)


def dpkg_owners(paths):
    """path -> owning package, for the paths dpkg knows."""
    if not paths:
        return {}
    r = subprocess.run(["dpkg", "-S"] + paths, capture_output=True, text=True)
    owners = {}
    for line in r.stdout.splitlines():
        # "pkg:arch: /path" or "pkg1, pkg2: /path"
        names, _, path = line.rpartition(": ")
        if path in paths:
            owners[path] = names.split(",")[0].strip().split(":")[0]
    return owners


def owners_of(files):
    """file -> owning package or None, following links and the merged /usr."""
    found = dpkg_owners(files)
    result = {}
    for path in files:
        if path in found:
            result[path] = found[path]
            continue
        tries = [os.path.realpath(path)]
        for p in [path, tries[0]]:
            if p.startswith("/usr/lib/"):
                tries.append(p[len("/usr"):])
            elif p.startswith("/lib/"):
                tries.append("/usr" + p)
        more = dpkg_owners(sorted(set(tries)))
        result[path] = next((more[t] for t in tries if t in more), None)
    return result


def listed_packages(script_path):
    """The names in the script's packages=( ... ) list, as bash reads them."""
    with open(script_path, encoding="utf-8") as f:
        text = f.read()
    m = re.search(r"^packages=\((.*?)^\)", text, re.S | re.M)
    if not m:
        sys.exit(f"check_build_deps: no packages=( ... ) list in {script_path}")
    r = subprocess.run(["bash", "-c", 'packages=(' + m.group(1) + ')\nprintf "%s\\n" "${packages[@]}"'],
                       capture_output=True, text=True, check=True)
    return [p for p in r.stdout.split() if p]


def command_files():
    """The installed file of each required command (missing ones are reported by the caller)."""
    found, missing = [], []
    for name in REQUIRED_COMMANDS:
        path = shutil.which(name)
        if path:
            found.append(path)
        else:
            missing.append(name)
    return found, missing


def closure(packages):
    """Every package apt would install for the list, following Depends and Pre-Depends."""
    r = subprocess.run(["apt-cache", "depends", "--recurse", "--no-recommends", "--no-suggests",
                        "--no-conflicts", "--no-breaks", "--no-replaces", "--no-enhances"]
                       + packages, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("check_build_deps: apt-cache depends failed:\n" + r.stderr)
    # Every package reached, virtual ones and their providers included, has a line of its own.
    names = set(packages)
    for line in r.stdout.splitlines():
        if line and not line.startswith(" "):
            names.add(line.strip().strip("<>").split(":")[0])
    return names


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    cache, script = sys.argv[1], sys.argv[2]
    files = used_system_files(cache_entries(cache))
    if not files:
        sys.exit(f"check_build_deps: no package configuration files found in {cache}")
    commands, absent = command_files()
    files += commands
    listed = listed_packages(script)
    installed = closure(listed)
    missing = {}
    unowned = []
    owners = owners_of(files)
    for path in files:
        owner = owners[path]
        if owner is None:
            unowned.append(path)
        elif owner not in installed:
            missing.setdefault(owner, []).append(path)
    print(f"check_build_deps: {len(files)} files used from system folders, "
          f"{len(listed)} packages listed, {len(installed)} with their dependencies")
    for owner, paths in sorted(missing.items()):
        print(f"MISSING from {script}: {owner} (owns {', '.join(paths)})")
    for path in unowned:
        print(f"NOT FROM ANY PACKAGE: {path} (installed by hand? a bare machine will not have it)")
    for name in absent:
        print(f"NOT INSTALLED: {name}, needed for {REQUIRED_COMMANDS[name]} (run {script})")
    if missing or unowned or absent:
        return 1
    print("check_build_deps: every package the build used is installed by the script")
    return 0


if __name__ == "__main__":
    sys.exit(main())
