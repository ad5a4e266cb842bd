"""The facts: what the builds ran, read and linked, and the Debian packages all of it came
from, found in named steps from the builds' own records (docs/provenance.md)."""
import hashlib
import os
import re
import shutil
import subprocess

from . import archive, builds, debian
from .commands import command_programs, compiled_objects
from .util import ROOT, fail, run, sha256, within


def repository_tools(programs):
    """The programs that this repository's scripts among PROGRAMS run (their --tools)."""
    tools = set()
    for program in sorted(programs):
        if within(program, [ROOT]):
            with open(program, errors="replace") as script:
                if "--tools" not in script.read():
                    fail(f"the build runs {program}, which does not name the programs it runs (--tools)")
            tools.update(run(program, "--tools").split())
    return tools


COMPILER = re.compile(r"(g\+\+|gcc|c\+\+)(-[a-z0-9]+)?$")


def compiler_helpers(programs):
    """What the compilers among PROGRAMS run in turn; windres's preprocessor is its own
    prefix's gcc."""
    helpers = set()
    for program in sorted(programs):
        if COMPILER.search(program):
            for helper in ("cc1", "cc1plus", "collect2", "as", "ld"):
                path = run(program, f"-print-prog-name={helper}").strip()
                if not os.path.isabs(path):
                    path = shutil.which(path) or ""
                if path and os.path.isfile(path):
                    helpers.add(path)
        elif program.endswith("windres") and shutil.which(program[: -len("windres")] + "gcc"):
            helpers.add(shutil.which(program[: -len("windres")] + "gcc"))
    return helpers


def shared_libraries(programs):
    libraries = set()
    for program in sorted(programs):
        if not os.path.isfile(program):
            fail(f"{program} not found")
        ldd = subprocess.run(["ldd", program], capture_output=True, text=True).stdout
        libraries.update(re.findall(r"(/\S+)", ldd))
    return libraries


def taken_sha256(take):
    """The SHA-256 of what a link took: the object, or the archive's member."""
    if take["member"] is None:
        return sha256(take["file"])
    return hashlib.sha256(archive.member(take["file"], take["member"], take["symbol"])).hexdigest()


def owning_package(owners, program, take):
    """The one package a linked file came from; a file that several packages own is named,
    since the notices and the bill of materials must not guess between them."""
    packages = sorted(owners.of(take["origin"]))
    if not packages:
        fail(f"{program} links {take['file']}, which no Debian package owns")
    if len(packages) > 1:
        fail(f"{program} links {take['origin']}, which several Debian packages own ({', '.join(packages)}): "
             "which one's notices and version apply is unknown")
    return packages[0]


def facts(commit, date, programs, build_folders):
    """The facts of builds [(folder, targets)] and of PROGRAMS the release runs besides."""
    for tool in ("dpkg-query", "ldd", "ninja"):
        if not shutil.which(tool):
            fail(f"{tool} not found: this needs Debian's dpkg, libc-bin and ninja-build")
    folders = [(os.path.realpath(folder), targets) for folder, targets in build_folders]
    programs, files, links = {os.path.abspath(p) for p in programs}, set(), []
    for build_dir, targets in folders:
        if not os.path.isfile(os.path.join(build_dir, "build.ninja")):
            fail(f"{build_dir} holds no build: build it first")
        commands = builds.build_commands(build_dir, targets)
        found = builds.cmake_programs(build_dir) | command_programs(commands, build_dir)
        programs |= found | repository_tools(found)
        files |= builds.compiled_from(build_dir, compiled_objects(commands)) | builds.link_inputs(build_dir, targets)
        links += builds.links_of(build_dir, targets)
    programs |= compiler_helpers(programs)
    files |= programs | shared_libraries(programs)

    # The files outside this tree and the build folders, which hold only what the builds made.
    outside = sorted(f for f in files if f.startswith("/") and not within(f, [ROOT] + [d for d, _ in folders]))
    owners = debian.Owners()
    owners.ask(outside + [take["origin"] for link in links for take in link["takes"]])
    used = set().union(*(owners.of(file) for file in outside))
    if not used:
        fail("no Debian package owns the files the builds used")
    for link in links:
        for take in link["takes"]:
            take["package"] = owning_package(owners, link["program"], take)
            take["sha256"] = taken_sha256(take)
            used.add(take["package"])
            del take["origin"], take["symbol"]
        link["takes"].sort(key=lambda take: (take["file"], take["member"] or ""))
    packages = debian.package_versions(used)
    # dpkg names a package of the build's own architecture with it (libgcc-12-dev:amd64).
    linked_packages = {take["package"].split(":")[0] for link in links for take in link["takes"]}
    for name, deb in debian.deb_sha256({name: packages[name] for name in linked_packages}).items():
        packages[name]["sha256"] = deb
    return {"commit": commit, "source_date_epoch": date,
            "build_architecture": run("dpkg", "--print-architecture").strip(),
            "distribution": debian.distribution(), "packages": packages,
            "links": sorted(links, key=lambda link: link["program"])}
