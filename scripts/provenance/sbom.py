"""The bill of materials (CycloneDX 1.6) of the release's zips, from the facts."""
import hashlib
import json
import os
import re
import uuid
from datetime import datetime, timezone
from urllib.parse import quote

from .components import copyright_lines, covering_entry, linked, notice_text, table
from .util import ROOT, fail, sha256

DEBIAN = {"name": "Debian", "url": ["https://www.debian.org"]}


def licence(entry, notices_dir):
    """The entry's licence for the bill of materials: an SPDX expression, or where it names a
    licence of its own (LicenseRef-), each part, that one with its text."""
    parts = [part.strip("() ") for part in entry["licence"].split(" AND ")]
    if not any(part.startswith("LicenseRef-") for part in parts):
        if " " in entry["licence"]:
            return [{"expression": entry["licence"]}]
        return [{"license": {"id": entry["licence"]}}]
    text = {"content": notice_text(notices_dir, entry) + "\n", "contentType": "text/plain"}
    return [{"license": {"name": part, "text": text}} if part.startswith("LicenseRef-") else
            {"license": {"name": part} if " " in part else {"id": part}} for part in parts]


def library_ref(entry, package, architecture):
    return f"{entry['name']}|{package}:{architecture}"


def deb_purl(name, package, distribution):
    """A Debian package's purl, with the source package (and its version where it differs)
    that vulnerability matchers look Debian's advisories up by."""
    upstream = package["source"]
    if package["source_version"] != package["version"]:
        upstream += "@" + package["source_version"]
    return (f"pkg:deb/debian/{quote(name, safe='')}@{quote(package['version'], safe='')}"
            f"?arch={package['architecture']}&distro={distribution}&upstream={quote(upstream, safe='')}")


def own_purl(path, version):
    """The purl of a file of Tavrimo's own, named by where it lies in the release."""
    *folders, name = path.split("/")
    return f"pkg:generic/tavrimo/{'/'.join(quote(f, safe='') for f in folders + [name])}@{quote(version, safe='')}"


def holder():
    """Tavrimo's makers, as its LICENSE names them: the one place their name is kept."""
    with open(os.path.join(ROOT, "LICENSE"), encoding="utf-8") as licence_file:
        for line in licence_file:
            match = re.match(r"^Copyright \(c\) \d{4}(?:-\d{4})? (.+)$", line.strip())
            if match:
                return match.group(1)
    fail("LICENSE names no copyright holder")


def security_contact():
    """Where to report a security problem, as SECURITY.md names it: the one place it is kept."""
    with open(os.path.join(ROOT, "SECURITY.md"), encoding="utf-8") as security:
        match = re.search(r"^Contact: (\S+)$", security.read(), re.MULTILINE)
    if not match:
        fail("SECURITY.md has no line 'Contact: URL' naming where to report a security problem")
    return match.group(1)


def part_hashes(found, notices_dir, programs):
    """The hash of each part (entry, package) of the code the programs link: the SHA-256 of its
    list of linked objects and members, one "HASH  FILE(MEMBER)" line each, sorted, the way Go
    hashes a module's files. A part whose code only its headers brought in has none here."""
    entries = table(notices_dir)
    lines = {}
    for link in found["links"]:
        for take in link["takes"] if link["program"] in programs else ():
            what = os.path.basename(take["file"]) + (f"({take['member']})" if take["member"] else "")
            part = (entries[covering_entry(take, entries)]["name"], take["package"])
            lines.setdefault(part, set()).add(f"{take['sha256']}  {what}\n")
    return {part: hashlib.sha256("".join(sorted(part_lines)).encode()).hexdigest()
            for part, part_lines in lines.items()}


def packaged(found, notices_dir, programs, components):
    """The code of others the programs link, a component for each Debian package with its
    .deb's hash. Where a package holds parts under licences of their own, each part is nested
    in it, with the hash of its linked code and a purl of its own: the package's, with the
    folder of the package's source the part comes from as its subpath."""
    hashes = part_hashes(found, notices_dir, programs)
    parts_of = {}
    for entry, versions, _ in components:
        for name, version, architecture in versions:
            part = {"type": "library", "bom-ref": library_ref(entry, name, architecture), "name": entry["name"],
                    "version": version, "description": entry["purpose"], "supplier": DEBIAN,
                    "licenses": licence(entry, notices_dir)}
            copyright = copyright_lines(entry, notices_dir)
            if copyright:
                part["copyright"] = copyright
            parts_of.setdefault(name, []).append((entry, part))
    libraries = []
    for name, parts in sorted(parts_of.items()):
        package = found["packages"][name]
        purl = deb_purl(name, package, found["distribution"])
        deb_hash = [{"alg": "SHA-256", "content": package["sha256"]}]
        if len(parts) == 1:
            libraries.append({**parts[0][1], "purl": purl, "hashes": deb_hash})
            continue
        for entry, part in parts:
            part["purl"] = f"{purl}#{quote(entry['source'], safe='/')}"
            linked_code = hashes.get((entry["name"], name))
            if linked_code:
                what = "of the list of its code that the programs link, one 'SHA256  FILE(MEMBER)' line each, sorted"
            else:
                # Code that only the part's headers brought in lies in the package as it came.
                what = (f"of the .deb of {name}: no link takes code of this part's own, which its headers put into "
                        "the programs")
            part["hashes"] = [{"alg": "SHA-256", "content": linked_code or package["sha256"]}]
            part["properties"] = [{"name": "tavrimo:hash", "value": f"the SHA-256 {what}"}]
        licences = [f"({entry['licence']})" if " " in entry["licence"] else entry["licence"] for entry, _ in parts]
        copyrights = dict.fromkeys(line for _, part in parts for line in part.get("copyright", "").splitlines())
        libraries.append({
            "type": "library", "bom-ref": f"{name}:{package['architecture']}", "name": name,
            "version": package["version"], "description": "the Debian package that holds the parts below",
            "purl": purl, "supplier": DEBIAN, "hashes": deb_hash,
            "licenses": [{"expression": " AND ".join(dict.fromkeys(licences))}],
            "copyright": "\n".join(copyrights), "components": [part for _, part in parts]})
    return libraries


def bom(found, notices_dir, version, buildinfo, zips):
    """The bill of materials of ZIPS [(zip, folder of its files)], as JSON text."""
    programs = {link["program"] for link in found["links"]}

    files_of = {}
    for zip_path, folder in zips:
        names = []
        for parent, _, files in os.walk(folder):
            names += [os.path.relpath(os.path.join(parent, f), folder) for f in files]
        files_of[zip_path] = sorted(names)
    shipped = sorted({n for names in files_of.values() for n in names if n in programs})
    components = linked(found, notices_dir, shipped)

    # The makers, with where to report a security problem to them.
    contact = security_contact()
    makers = {"name": holder(), "url": [contact]}
    libraries = packaged(found, notices_dir, shipped, components)
    # Tavrimo's own: every zip and every file in them, under its MIT licence.
    own = {"version": version, "supplier": makers, "licenses": [{"license": {"id": "MIT"}}]}

    # The graph reaches every component: Tavrimo depends on its zips, each zip on its files,
    # each program on the parts it links and the packages that hold them. What depends on
    # nothing says so, with an empty list.
    packages_of = {part["bom-ref"]: library["bom-ref"] for library in libraries
                   for part in library.get("components", [])}
    dependencies = {c["bom-ref"]: [] for library in libraries for c in [library, *library.get("components", [])]}
    contents = []
    for zip_path, folder in zips:
        zip_name = os.path.basename(zip_path)
        inner = []
        dependencies[zip_name] = [f"{zip_name}/{name}" for name in files_of[zip_path]]
        for name in files_of[zip_path]:
            ref = f"{zip_name}/{name}"
            kind, uses = "file", set()
            if name in programs:
                kind = "library" if name.endswith(".dll") else "application"
                uses = {library_ref(entry, package, found["packages"][package]["architecture"])
                        for entry, _, users in components for package in users.get(name, ())}
                uses |= {packages_of[part] for part in uses if part in packages_of}
            dependencies[ref] = sorted(uses)
            inner.append({"type": kind, "bom-ref": ref, "name": name, "purl": own_purl(ref, version), **own,
                          "hashes": [{"alg": "SHA-256", "content": sha256(os.path.join(folder, name))}]})
        contents.append({"type": "file", "bom-ref": zip_name, "name": zip_name,
                         "purl": own_purl(zip_name, version), **own,
                         "hashes": [{"alg": "SHA-256", "content": sha256(zip_path)}],
                         "components": inner})

    when = datetime.fromtimestamp(found["source_date_epoch"], timezone.utc)
    document = {
        "$schema": "http://cyclonedx.org/schema/bom-1.6.schema.json",
        "bomFormat": "CycloneDX", "specVersion": "1.6", "version": 1,
        "metadata": {
            "timestamp": when.strftime("%Y-%m-%dT%H:%M:%SZ"),
            "tools": {"components": [{"type": "application", "name": "scripts/provenance", "version": found["commit"],
                                      "description": "Tavrimo's own, at the commit it built; finds what the "
                                                     "release links from its link maps"}]},
            "manufacturer": makers, "supplier": makers,
            "component": {
                "type": "application", "bom-ref": "Tavrimo", "name": "Tavrimo", "version": version,
                "purl": own_purl("Tavrimo", version), "supplier": makers, "licenses": [{"license": {"id": "MIT"}}],
                "properties": [{"name": "commit", "value": found["commit"]}],
                "externalReferences": [{
                    "type": "security-contact", "url": contact,
                    "comment": "where to report a security problem (SECURITY.md)"}, {
                    "type": "build-meta", "url": os.path.basename(buildinfo),
                    "comment": "the record of the toolchain that built the release",
                    "hashes": [{"alg": "SHA-256", "content": sha256(buildinfo)}]}]}},
        "components": contents + sorted(libraries, key=lambda c: c["bom-ref"]),
        "dependencies": [{"ref": "Tavrimo", "dependsOn": [os.path.basename(z) for z, _ in zips]}]
                        + [{"ref": ref, "dependsOn": uses} for ref, uses in sorted(dependencies.items())],
    }
    # The serial number names the content: the same release gives the same one.
    text = json.dumps(document, indent=2, sort_keys=True, ensure_ascii=False)
    document["serialNumber"] = f"urn:uuid:{uuid.uuid5(uuid.NAMESPACE_URL, hashlib.sha256(text.encode()).hexdigest())}"
    return json.dumps(document, indent=2, sort_keys=True, ensure_ascii=False)
