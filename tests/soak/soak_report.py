#!/usr/bin/env python3
"""Judges a long run (run_soak.sh) and prints its figures.

  soak_report.py scramble PASSWORD           the password as the settings keep it
  soak_report.py report OUT PROBE ANSWERS CLOSED
"""
import json
import re
import statistics
import sys

# What each behaviour of the scripted server must end as.
EXPECTED = {
    "newmail": "-6",
    "badpass": "12",
    "midreply": "16",
    "silent": "abandoned",  # the watchdog ends it with status 15
    "bigline": "-6",
}
# Growth allowed between the first samples after the first minute and the
# last ones: a leak of one object per check exceeds it within the minute.
FLAT_LIMITS = {"handles": 10, "gdi": 10, "user": 5, "private_kb": 4096}
WARM_UP_SECONDS = 60
# Keys whose values only the user (or the program's own bookkeeping) changes.
USER_KEYS = {"popname", "server", "port", "user", "password", "timer", "offsettimer",
             "timeout", "posx", "posy", "count", "list1", "list2", "list3"}


def scramble(password):
    key, out, k = b"Wexd", "", 0
    for b in password.encode():
        for v in ((b >> 4) | (0xF0 if b & 0x80 else 0), b & 15):
            out += chr(v ^ key[k])
            k = (k + 1) % 4
    return out


def read_tsv(path):
    with open(path) as f:
        lines = [l.rstrip("\n").split("\t") for l in f if l.strip()]
    if not lines:
        return [], []
    return lines[0], [[float(v) for v in row] for row in lines[1:] if len(row) == len(lines[0])]


def read_ini(path):
    sections, current = {}, None
    with open(path, "rb") as f:
        for raw in f.read().split(b"\n"):
            line = raw.rstrip(b"\r").decode("cp932", "replace")
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1].lower(), {})
            elif "=" in line and current is not None:
                key, _, value = line.partition("=")
                current[key.strip().lower()] = value
    return sections


def curves(out):
    header, rows = read_tsv(out + "/samples.tsv")
    _, memory = read_tsv(out + "/memory.tsv")
    if not rows:
        return None, ["no samples from the probe (see probe.log)"]
    names = [h.split("(")[0] for h in header]
    table = []
    start_offset = memory[0][0] if memory else 0
    for row in rows:
        sample = dict(zip(names, row))
        # The memory row nearest in time (both are taken every few seconds).
        if memory:
            nearest = min(memory, key=lambda m: abs(m[0] - start_offset - row[0]))
            sample["private_kb"] = nearest[1]
            sample["rss_kb"] = nearest[2]
        table.append(sample)
    print("Curves (every %d s): %s" % (
        round(rows[1][0] - rows[0][0]) if len(rows) > 1 else 0,
        ", ".join(header[1:4])))
    cols = ["seconds", "handles", "gdi", "user", "private_kb", "rss_kb", "working_set_kb",
            "answer_ms"]
    print("  " + "".join("%15s" % c for c in cols))
    for s in table:
        print("  " + "".join("%15.0f" % s.get(c, -1) for c in cols))
    problems = []
    late = [s for s in table if s["seconds"] >= WARM_UP_SECONDS]
    if len(late) < 4:
        problems.append("too few samples after the first minute (%d)" % len(late))
        return table, problems
    for name, limit in FLAT_LIMITS.items():
        if name not in late[0]:
            continue
        first = statistics.median(s[name] for s in late[:3])
        last = statistics.median(s[name] for s in late[-3:])
        verdict = "flat" if last - first <= limit else "GROWS"
        print("  %-11s after %ds: %.0f -> %.0f (%+.0f, limit %d) %s" % (
            name, WARM_UP_SECONDS, first, last, last - first, limit, verdict))
        if last - first > limit:
            problems.append("%s grew from %.0f to %.0f after the first minute" % (name, first, last))
    slow = [s for s in table if s["answer_ms"] < 0]
    if slow:
        problems.append("the window did not answer at %d samples" % len(slow))
    return table, problems


def checks(out):
    traced = {}
    pattern = re.compile(r'check POP(\d+): (?:status (-?\d+), (\d+) new|(abandoned))')
    with open(out + "/program.log", errors="replace") as f:
        for line in f:
            m = pattern.search(line)
            if m:
                traced.setdefault(int(m.group(1)), []).append(m.group(2) or m.group(4))
    served = {}
    with open(out + "/server.jsonl") as f:
        for line in f:
            entry = json.loads(line)
            served.setdefault(entry["account"], []).append(entry)
    for entries in served.values():
        entries.sort(key=lambda e: e["start"])
    problems, total = [], 0
    print("Checks per account (behaviour served -> outcome traced):")
    for account in sorted(set(served) | set(traced)):
        got = traced.get(account, [])
        want = served.get(account, [])
        # The program may be closed while its last connection is served.
        if len(want) - len(got) not in (0, 1):
            problems.append("POP%d: %d connections served but %d checks traced" % (
                account, len(want), len(got)))
        tally = {}
        for i, (entry, outcome) in enumerate(zip(want, got)):
            expected = EXPECTED[entry["behaviour"]]
            ok = outcome == expected
            # Closing the program abandons the check it is running.
            if i == len(got) - 1 and outcome == "abandoned":
                ok = True
            key = entry["behaviour"]
            tally.setdefault(key, [0, 0])[0 if ok else 1] += 1
            if not ok:
                problems.append("POP%d check %d (%s): expected %s, traced %s" % (
                    account, i + 1, entry["behaviour"], expected, outcome))
        total += min(len(want), len(got))
        print("  POP%d: %d checks; %s" % (account, len(got), ", ".join(
            "%s %d ok%s" % (k, v[0], (" %d WRONG" % v[1]) if v[1] else "")
            for k, v in sorted(tally.items()))))
        missing = set(EXPECTED) - set(tally)
        if missing:
            problems.append("POP%d never met: %s" % (account, ", ".join(sorted(missing))))
    print("  %d checks in all" % total)
    if total < 15:
        problems.append("only %d checks ran" % total)
    return served, traced, problems


def settings(out, served, traced):
    before = read_ini(out + "/settings-before.ini")
    after = read_ini(out + "/settings-after.ini")
    problems, added = [], []
    for section, keys in before.items():
        for key, value in keys.items():
            if key not in after.get(section, {}):
                problems.append("[%s] %s was removed" % (section, key))
            elif after[section][key] != value and key != "mesid":
                problems.append("[%s] %s changed from %r to %r" % (
                    section, key, value, after[section][key]))
    for section, keys in after.items():
        if section not in before:
            problems.append("a section [%s] appeared" % section)
            continue
        for key, value in keys.items():
            if key in before[section] or key == "mesid":
                continue
            # Defaults the program writes back when it first reads a key.
            if key in USER_KEYS or not re.fullmatch(r"Yes|No|-?\d+", value):
                problems.append("[%s] %s=%r was added" % (section, key, value))
            else:
                added.append("%s/%s=%s" % (section, key, value))
    for account, entries in served.items():
        section = "pop%d" % account
        outcomes = traced.get(account, [])
        delivered = [e["delivered"] for e, o in zip(entries, outcomes)
                     if e["delivered"] and o == "-6"]
        mesid = after.get(section, {}).get("mesid", "")
        if delivered and not mesid.startswith(delivered[-1] + ","):
            problems.append("[%s] Mesid %r does not begin with the last message announced %s" % (
                section, mesid[:80], delivered[-1]))
    print("Settings: Mesid updated in %d sections; defaults written back: %s" % (
        sum(1 for s in after.values() if "mesid" in s), ", ".join(added) or "none"))
    return problems


def report(out, probe_status, answers, closed):
    problems = []
    _, found = curves(out)
    problems += found
    served, traced, found = checks(out)
    problems += found
    problems += settings(out, served, traced)
    if probe_status != "0":
        problems.append("the probe ended with %s (see probe.log)" % probe_status)
    try:
        answer = open(out + "/answers.txt").read().strip()
    except OSError:
        answer = ""
    print("At the end: %s; the program %s" % (
        answer or "no answer", "closed when asked" if closed == "0" else "did NOT close"))
    if answers != "0":
        problems.append("the window did not answer at the end")
    if closed != "0":
        problems.append("the program did not end within 10 s of being asked to close")
    if problems:
        print("FAIL:\n  " + "\n  ".join(problems))
        return 1
    print("PASS")
    return 0


def main():
    if sys.argv[1] == "scramble":
        print(scramble(sys.argv[2]))
        return 0
    return report(*sys.argv[2:6])


if __name__ == "__main__":
    sys.exit(main())
