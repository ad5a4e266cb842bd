"""Rebuilding a release from its buildinfo: what the buildinfo records, where the recorded
versions are to be had (Debian's snapshot archive, as debootsnap finds them, or archives
given), whether they all are, and whether the root and the rebuilt files are what was
recorded. The command is scripts/rebuild; these are the parts of it that read answers."""
import hashlib
import re
from collections import namedtuple

Buildinfo = namedtuple("Buildinfo", "commit date architecture packages checksums")

# The snapshot service's answers that mean "not now": its rate limit (HTTP 429), an overloaded
# or restarting server (502, 503, 504), and answers that never came.
BUSY = re.compile(r"\b(429|502|503|504)\b|Too Many Requests|Service Unavailable|Timeout|timed out|"
                  r"Connection (reset|aborted|refused)|RemoteDisconnected")
# How long to wait before each new try, in seconds: ten minutes in all.
WAITS = (30, 60, 120, 390)


def read_buildinfo(text):
    """The buildinfo's commit, source date, architecture, Installed-Build-Depends as
    [(name, architecture, version)] and Checksums-Sha256 as {file: hash}."""
    fields, section = {}, None
    for line in text.splitlines():
        if line.startswith(" ") and section:
            fields[section].append(line.strip())
        elif ":" in line:
            section, _, value = line.partition(":")
            fields[section] = [value.strip()] if value.strip() else []
    packages = []
    for entry in fields.get("Installed-Build-Depends", []):
        match = re.fullmatch(r"([a-z0-9][a-z0-9+.-]*):([a-z0-9-]+) \(= (\S+)\),?", entry)
        if not match:
            raise ValueError(f"cannot read the buildinfo's package {entry!r}")
        packages.append(match.groups())
    checksums = {line.split()[2]: line.split()[0] for line in fields.get("Checksums-Sha256", [])}
    for name in ("Commit", "Source-Date-Epoch", "Build-Architecture"):
        if not fields.get(name):
            raise ValueError(f"the buildinfo names no {name}")
    return Buildinfo(fields["Commit"][0], int(fields["Source-Date-Epoch"][0]), fields["Build-Architecture"][0],
                     sorted(packages), checksums)


def apt_name(package, native):
    """A recorded package as apt names one version of it: architecture-independent packages
    and the build machine's own without their architecture."""
    name, architecture, version = package
    return f"{name}={version}" if architecture in ("all", native) else f"{name}:{architecture}={version}"


def snapshot_request(packages, native):
    """The package list debootsnap --packages reads: name:architecture=version a line, an
    architecture-independent package under the build machine's architecture, as debootsnap
    itself asks metasnap for those of a Debian buildinfo."""
    return "".join(f"{n}:{native if a == 'all' else a}={v}\n" for n, a, v in packages)


def snapshot_sources(answer):
    """The apt sources in debootsnap --sources-list-only's answer."""
    return [line for line in answer.splitlines() if line.startswith("deb ")]


def not_found(errors):
    """The versions debootsnap reports it cannot find: [(name, version)]."""
    lines = errors.splitlines()
    if "cannot find:" not in lines:
        return []
    found = []
    for line in lines[lines.index("cannot find:") + 1:]:
        match = re.fullmatch(r"([a-z0-9][a-z0-9+.-]*)(?::[a-z0-9-]+)?=(\S+)", line.strip())
        if not match:
            break
        found.append(match.groups())
    return found


def busy(errors):
    return bool(BUSY.search(errors))


def available(madison):
    """What apt-cache madison says the archives hold: {(name, version)}."""
    held = set()
    for line in madison.splitlines():
        parts = [part.strip() for part in line.split("|")]
        if len(parts) == 3 and parts[2].endswith("Packages"):
            held.add((parts[0], parts[1]))
    return held


def missing(packages, held):
    """The recorded packages whose version no archive holds: [(name, version)]."""
    return sorted({(n, v) for n, _, v in packages} - held)


def root_key(packages, extras):
    """What names a root: the recorded versions and the other packages asked for."""
    text = "".join(f"{n}:{a}={v}\n" for n, a, v in sorted(packages)) + "".join(f"{e}\n" for e in sorted(extras))
    return hashlib.sha256(text.encode()).hexdigest()[:16]


def installed_differences(packages, installed):
    """How the root's packages ({(name, architecture): version}, as dpkg-query names them)
    differ from the recorded ones: a line each."""
    lines = []
    for name, architecture, version in packages:
        there = installed.get((name, architecture))
        if there is None:
            lines.append(f"{name}:{architecture} {version} recorded, not installed")
        elif there != version:
            lines.append(f"{name}:{architecture} {version} recorded, {there} installed")
    return lines


def sums(text):
    """SHA256SUMS as {file: hash}."""
    return {name.lstrip("*"): digest for digest, name in (line.split(maxsplit=1) for line in text.splitlines() if line)}


def differing(expected, rebuilt):
    """The files of EXPECTED that the rebuild made otherwise, or not at all."""
    return [name for name in sorted(expected) if rebuilt.get(name) != expected[name]]
