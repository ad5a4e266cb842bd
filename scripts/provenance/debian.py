"""Debian's answers: which package owns a file (dpkg-query -S), each package's version and
source (dpkg-query -W), and the hash of its .deb (apt-cache show)."""
import os
import re
import subprocess

from .util import fail, run


def aliases(file):
    """The names dpkg may know FILE by: the one it was used by and its real one (an
    alternative's link is no package's), each also without /usr/, since the packages of
    merged-/usr Debian still name /bin and /lib."""
    names = set()
    for name in (file, os.path.realpath(file)):
        names.add(name)
        if name.startswith("/usr/"):
            names.add(name[4:])
    return names


def search_answer(text):
    """dpkg-query -S's answer as {file: {package}}: "package[, package]: file" lines, with
    nothing for the names no package owns and "diversion by ..." lines left out."""
    owners = {}
    for line in text.splitlines():
        if line.startswith("diversion by") or ": " not in line:
            continue
        packages, name = line.rsplit(": ", 1)
        owners.setdefault(name, set()).update(p.strip() for p in packages.split(","))
    return owners


class Owners:
    """The Debian package of each file, asked once for all files."""

    def __init__(self):
        self.packages = {}

    def ask(self, files):
        names = set().union(*(aliases(file) for file in files)) - set(self.packages)
        if names:
            result = subprocess.run(["dpkg-query", "-S", *sorted(names)], capture_output=True, text=True)
            self.learn(result.stdout)

    def learn(self, answer):
        for name, packages in search_answer(answer).items():
            self.packages.setdefault(name, set()).update(packages)

    def of(self, file):
        """The packages that own FILE under any of its names."""
        return set().union(*(self.packages.get(name, set()) for name in aliases(file)))


def show_answer(text, packages):
    """Each package's .deb SHA-256 in apt-cache show's answer, for the version and
    architecture of PACKAGES ({name: {"version", "architecture"}}); other records (another
    version, another architecture, and dpkg's own of the installed version, which names no
    .deb) are left out."""
    hashes = {}
    for record in text.split("\n\n"):
        fields = dict(re.findall(r"^(Package|Version|Architecture|SHA256): (.*)$", record, re.MULTILINE))
        package = packages.get(fields.get("Package"))
        if package and "SHA256" in fields and (fields.get("Version"), fields.get("Architecture")) == \
                (package["version"], package["architecture"]):
            hashes[fields["Package"]] = fields["SHA256"]
    return hashes


def deb_sha256(packages):
    """Each package's .deb SHA-256, as the archive's index that apt keeps publishes it."""
    wanted = [f"{name}={package['version']}" for name, package in sorted(packages.items())]
    hashes = show_answer(subprocess.run(["apt-cache", "show", *wanted], capture_output=True, text=True).stdout,
                         packages)
    missing = sorted(set(packages) - set(hashes))
    if missing:
        fail(f"apt's index holds no .deb of {', '.join(missing)} at the installed version, whose hash the bill of "
             "materials names: run apt-get update, and where Debian has replaced that version, upgrade the package "
             "(apt-get install --only-upgrade NAME)")
    return hashes


def package_versions(names):
    """Each package's architecture and version, and the source package it was built from,
    on which Debian keys its security advisories."""
    fields = "${Package} ${Architecture} ${Version} ${source:Package} ${source:Version}\n"
    packages = {}
    for line in run("dpkg-query", "-W", "-f", fields, *sorted(names)).splitlines():
        name, architecture, version, source, source_version = line.split(" ")
        packages[name] = {"architecture": architecture, "version": version, "source": source,
                          "source_version": source_version}
    return packages


def distribution():
    """The Debian release the packages are of, as purls name it (debian-12)."""
    with open("/etc/os-release", encoding="utf-8") as release:
        fields = dict(line.rstrip("\n").split("=", 1) for line in release if "=" in line)
    return f"{fields['ID'].strip(chr(34))}-{fields.get('VERSION_ID', '').strip(chr(34))}"
