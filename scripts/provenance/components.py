"""Which component of notices/components.json covers each file a link took, and what its
notice says: its text and its copyright lines."""
import fnmatch
import os
import re

from .util import fail, load


def table(notices_dir):
    return load(os.path.join(notices_dir, "components.json"))["components"]


def matches(take, entry, members=True):
    """Whether an entry covers what a link took: its package and file, and its member where
    the entry names members (and MEMBERS asks)."""
    name, member = os.path.basename(take["file"]), take["member"]
    if not any(fnmatch.fnmatchcase(take["package"], p) for p in entry["packages"]):
        return False
    if not any(fnmatch.fnmatchcase(name, f) for f in entry["files"]):
        return False
    return not (members and "members" in entry and
                (member is None or not any(fnmatch.fnmatchcase(member, m) for m in entry["members"])))


def covering_entry(take, entries):
    """The index of the first entry that covers what a link took, or None."""
    return next((index for index, entry in enumerate(entries) if matches(take, entry)), None)


def linked(found, notices_dir, programs):
    """The components these programs link, in the table's order, each as (entry, [(package,
    version, architecture)], {program: {package}}); fails, naming it, on what no entry covers.
    A compiled_in component comes with every program that links any of its files."""
    entries = table(notices_dir)
    takes_of = {link["program"]: link["takes"] for link in found["links"]}
    used = {}
    for program in programs:
        if program not in takes_of:
            fail(f"no link map of {program}: it is not among the programs the facts were found for")
        for take in takes_of[program]:
            index = covering_entry(take, entries)
            if index is None:
                what = f"{take['file']}({take['member']})" if take["member"] else take["file"]
                fail(f"{program} links {what}, of the package {take['package']}, which no entry of "
                     f"{notices_dir}/components.json covers: add one, with its notice (docs/licences.md)")
            headers = [i for i, entry in enumerate(entries) if entry.get("compiled_in") and matches(take, entry, False)]
            for index in [index] + headers:
                used.setdefault(index, {}).setdefault(program, set()).add(take["package"])
    return [(entries[index], [(n, found["packages"][n]["version"], found["packages"][n]["architecture"])
                              for n in sorted(set().union(*users.values()))], users)
            for index, users in sorted(used.items())]


def notice_text(notices_dir, entry):
    with open(os.path.join(notices_dir, entry["notice"]), encoding="utf-8") as file:
        return file.read().rstrip("\n")


# A copyright statement: the word, maybe (C) or ©, then the years.
YEARS = re.compile(r"\bcopyright\s*(?:\(c\)|©)?\s*\d{4}[\d,\s\-–]*", re.IGNORECASE)
LETTERS = re.compile(r"[A-Za-z]{2}")


def copyright_statements(lines):
    """Each copyright statement among LINES, from "Copyright" to the line's end, as
    [(statement, holder)]. A holder on the line after the years (HP's and SGI's notices)
    belongs to them; the holder is the statement without its years, a leading "by", "All
    rights reserved" and the comment marks of a source file."""
    lines = [line.strip(" \t*/#;") for line in lines] + [""]
    found = []
    for line, after in zip(lines, lines[1:]):
        years = YEARS.search(line)
        if not years:
            continue
        statement = line[years.start():]
        holder = line[years.end():]
        if not LETTERS.search(holder):
            statement, holder = f"{statement} {after}".strip(), f"{holder} {after}"
        holder = re.sub(r"^\s*(by\s+)?", "", holder)
        holder = re.sub(r"\s*All rights reserved\.?", "", holder, flags=re.IGNORECASE).strip(" */#;.")
        found.append((statement, re.sub(r"\s+", " ", holder)))
    return found


def copyright_lines(entry, notices_dir):
    """A component's copyright lines: its notice's, or for one without a notice, its entry's."""
    if entry["notice"] is None:
        return entry.get("copyright", "")
    return "\n".join(statement for statement, _ in copyright_statements(notice_text(notices_dir, entry).splitlines()))
