"""The build's readers: the linker's dependency files and maps, and ninja's answers."""
import os
import re

from .commands import split_command
from .util import ROOT, fail, run, within


def make_deps(path):
    """The prerequisites of a make-style dependency file (spaces escaped as '\\ ')."""
    with open(path, encoding="utf-8") as file:
        text = file.read().replace("\\\n", " ")
    text = text.split(":", 1)[1] if ":" in text else ""
    words = re.findall(r"(?:\\.|[^\s\\])+", text)
    return [re.sub(r"\\(.)", r"\1", word) for word in words]


ARCHIVE_MEMBER = re.compile(r"^(\S.*?\.(?:a|lib))\(([^()]+)\)")
# What a member was taken for: "FILE (SYMBOL)", after the member on its line or on the next.
REFERENCE = re.compile(r"\(([^()\s]+)\)\s*$")


def link_map(path):
    """The output of a link and what it took: (output, [(file, member or None, symbol or
    None)]), where the symbol is the one a member was taken to define. ld writes its headings
    in the build's language, so none is read: the archive members are the entries that start
    at the margin right below the first heading."""
    with open(path, encoding="utf-8") as file:
        lines = file.read().splitlines()
    taken, output = [], None
    for index, line in enumerate(lines[1:], 1):
        if not line or line[0].isspace():
            continue
        match = ARCHIVE_MEMBER.match(line)
        if not match:
            break
        rest = line[match.end():]
        if not rest.strip() and index + 1 < len(lines):
            rest = lines[index + 1]
        symbol = REFERENCE.search(rest)
        taken.append((match.group(1), match.group(2), symbol.group(1) if symbol else None))
    for line in lines:
        if line.startswith("LOAD ") and line[5:].endswith((".o", ".obj", ".res")):
            taken.append((line[5:], None, None))
        match = re.match(r"^OUTPUT\((.*) \S+\)$", line)
        if match:
            output = match.group(1)
    if output is None:
        fail(f"{path} names no output: not a map that ld wrote")
    return output, taken


def query_inputs(text):
    """The explicit inputs in ninja -t query's answer: the lines under "input:", less the
    implicit (|) and order-only (||) ones."""
    inputs = []
    for line in text.splitlines()[2:]:
        if not line.startswith("    "):
            break
        if not line.startswith("    |"):
            inputs.append(line.strip())
    return inputs


def ninja_inputs(build_dir, output):
    """The explicit inputs of the edge that makes OUTPUT."""
    return query_inputs(run("ninja", "-t", "query", output, cwd=build_dir))


def build_commands(build_dir, targets):
    return [split_command(line) for line in run("ninja", "-t", "commands", *targets, cwd=build_dir).splitlines()]


def cmake_programs(build_dir):
    """CMake and the generator that ran the build, from its cache."""
    programs = set()
    with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            match = re.match(r"^CMAKE_(COMMAND|MAKE_PROGRAM):[A-Z]*=(.*)$", line.rstrip("\n"))
            if match:
                programs.add(match.group(2))
    return programs


def compiled_from(build_dir, objects):
    """The headers and sources ninja's deps log holds for the objects."""
    if not objects:
        return set()
    output = run("ninja", "-t", "deps", *objects, cwd=build_dir)
    return {line.strip() for line in output.splitlines() if line.startswith(" ")}


def link_inputs(build_dir, targets):
    """Every file the links read, from the dependency files the linker writes."""
    files = set()
    for target in targets:
        depfile = os.path.join(build_dir, "link-inputs", f"{target}.d")
        if os.path.isfile(depfile):
            files.update(os.path.normpath(os.path.join(build_dir, f)) for f in make_deps(depfile))
    return files


def link_takes(build_dir, target, inputs=ninja_inputs):
    """What the link of TARGET took from outside this repository: for each object or archive
    member, the file, member and the symbol it was taken for, with the file whose package
    tells where it came from (the file itself, or for an object built here, the source it
    was compiled from). INPUTS answers as ninja -t query does."""
    path = os.path.join(build_dir, "link-inputs", f"{target}.map")
    output, taken = link_map(path)
    result = []
    for file, member, symbol in taken:
        absolute = os.path.normpath(os.path.join(build_dir, file))
        take = {"file": absolute, "member": member, "symbol": symbol}
        if not within(absolute, [build_dir]):
            result.append({**take, "origin": absolute})
            continue
        # Built here: an object, or an archive of objects, compiled from some source.
        obj = absolute
        if member is not None:
            objects = [o for o in inputs(build_dir, file) if os.path.basename(o) == member]
            if len(objects) != 1:
                fail(f"{target} takes {member} from {file}, which ninja does not say how it built")
            obj = os.path.normpath(os.path.join(build_dir, objects[0]))
        sources = inputs(build_dir, os.path.relpath(obj, build_dir))
        if not sources:
            fail(f"{target} links {obj}, which ninja does not say how it built")
        source = os.path.normpath(os.path.join(build_dir, sources[0]))
        if within(os.path.realpath(source), [ROOT]) or within(source, [ROOT]):
            continue  # Tavrimo's own
        result.append({**take, "origin": source})
    return output, result


def links_of(build_dir, targets):
    """Each target's link as its map gives it, for the targets that were linked here."""
    links = []
    for target in targets:
        if os.path.isfile(os.path.join(build_dir, "link-inputs", f"{target}.map")):
            output, takes = link_takes(build_dir, target)
            links.append({"program": output, "takes": takes})
    return links
