"""The release: the bytes the tests ran, the same from any folder, with its buildinfo, notices
and bill of materials."""
import hashlib
import json
import subprocess
import zipfile
from urllib.parse import unquote

import pytest
from conftest import ROOT, SCRIPTS, installed, release_compiler, release_lib, run


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def member(zip_path, name):
    with zipfile.ZipFile(zip_path) as archive:
        return archive.read(name)


def sums(dist):
    """SHA256SUMS as {file: hash}."""
    lines = (dist / "SHA256SUMS").read_text().splitlines()
    return {name: digest for digest, name in (line.split(maxsplit=1) for line in lines)}


@pytest.mark.parametrize("which", ["zip", "kit"])
def test_unsigned_release_ships_the_exe_the_tests_ran(unsigned, names, tested_exe, which):
    assert member(unsigned.dist / getattr(names, which), "Tavrimo.exe") == tested_exe.read_bytes()


def test_sha256sums_lists_the_zips_the_buildinfo_and_the_bill_of_materials(signed, names):
    listed = sums(signed.dist)
    assert sorted(listed) == sorted(names)
    for name, digest in listed.items():
        assert sha256((signed.dist / name).read_bytes()) == digest, name


def test_two_builds_in_other_folders_at_other_times_and_settings_give_the_same_files(signed, rebuilt):
    first, second = sums(signed.dist), sums(rebuilt.dist)
    differing = sorted(name for name in first.keys() | second.keys() if first.get(name) != second.get(name))
    if differing:
        both = [release.dist / differing[0] for release in (signed, rebuilt)]
        report = subprocess.run(["diffoscope", "--text", "-", *map(str, both)], capture_output=True, text=True)
        pytest.fail(f"the two builds differ in {', '.join(differing)}; diffoscope on {differing[0]}:\n"
                    + "\n".join((report.stdout or report.stderr).splitlines()[:200]))


def test_buildinfo_names_the_installed_toolchain_and_the_unsigned_exe(pki, version, signed_names, tested_exe):
    buildinfo = (pki / "signatures" / version / signed_names.buildinfo).read_text()
    compiler = release_compiler()
    ld = run(compiler, "-print-prog-name=ld").stdout.strip()
    for file in (compiler, ld, "/usr/share/mingw-w64/include/windows.h", run("which", "icotool").stdout.strip(),
                 run("which", "zip").stdout.strip()):
        assert f"\n {installed(file)}\n" in buildinfo, f"the buildinfo does not name the package of {file}"
    exe = tested_exe.read_bytes()
    assert f"\nChecksums-Sha256:\n {sha256(exe)} {len(exe)} Tavrimo.exe\n" in buildinfo


def test_sign_and_release_write_the_same_buildinfo(pki, signed, version, signed_names, names):
    assert (signed.dist / names.buildinfo).read_text() == \
        (pki / "signatures" / version / signed_names.buildinfo).read_text()


def test_release_names_each_package_whose_version_differs_from_the_maintainers(signed):
    package = installed(release_compiler())
    name, version = package.split(" ")[0], package.split("= ")[1].rstrip(")")
    assert f"{name}: {version} here, {version}~other recorded" in signed.log


# What each zip's notices must hold: the kit links more than the release program. Every
# program carries the C++ library's header code, and with it HP's and SGI's notices.
NOTICES = ["mingw-w64 runtime", "Licence:  ZPL-2.1", "Redistributions in binary form must reproduce the accompanying",
           "gdtoa", "Licence:  LicenseRef-Lucent-gdtoa", "Copyright (C) 1997-2001 Lucent Technologies",
           "libstdc++ (Hewlett-Packard and Silicon Graphics code)", "Hewlett-Packard Company",
           "Silicon Graphics Computer Systems, Inc."]
KIT_NOTICES = ["GoogleTest", "Licence:  BSD-3-Clause", "Copyright 2008, Google Inc.", "winpthreads", "Licence:  MIT",
               "The above copyright notice and this permission notice shall be", "Copyright (c) 2015 Intel Corporation"]


@pytest.mark.parametrize("which, lines", [("zip", NOTICES), ("kit", NOTICES + KIT_NOTICES)])
def test_each_zip_carries_the_notices_of_what_its_programs_link(signed, names, which, lines):
    text = member(signed.dist / getattr(names, which), "THIRD-PARTY-NOTICES.txt").decode("utf-8-sig")
    assert [line for line in lines if line not in text] == []


def test_bill_of_materials_is_valid_cyclonedx(signed, names):
    run(SCRIPTS / "checks/validate-sbom", signed.dist / names.sbom)


def test_bill_of_materials_names_the_shipped_exes_and_the_installed_packages(signed, names):
    bom = json.loads((signed.dist / names.sbom).read_text())
    zips = {c["name"]: c for c in bom["components"] if c["type"] == "file"}
    for name in (names.zip, names.kit):
        exe = next(f for f in zips[name]["components"] if f["name"] == "Tavrimo.exe")
        assert exe["hashes"][0]["content"] == sha256(member(signed.dist / name, "Tavrimo.exe")), name
    libraries = [c for c in bom["components"] if c["type"] == "library"]
    assert libraries
    for component in libraries:
        package, version = unquote(component["purl"].split("/")[2].split("?")[0]).split("@")
        assert component["version"] == version == run("dpkg-query", "-W", "-f", "${Version}", package).stdout


def test_every_component_of_the_bill_of_materials_names_its_version_purl_supplier_licence_and_hash(signed, names):
    bom = json.loads((signed.dist / names.sbom).read_text())

    def components(within):
        for component in within:
            yield component
            yield from components(component.get("components", []))

    # The code of others also carries its copyright lines; a purl stands for one thing.
    everything = list(components(bom["components"]))
    lacking = [c["bom-ref"] for c in everything
               if not all(c.get(field) for field in ("version", "purl", "supplier", "licenses", "hashes"))
               or not (c["purl"].startswith("pkg:generic/tavrimo/") or c.get("copyright"))]
    assert lacking == []
    purls = [c["purl"] for c in everything]
    assert sorted(set(purls)) == sorted(purls)
    metadata = bom["metadata"]
    assert metadata["manufacturer"]["name"] and metadata["tools"]["components"][0]["version"]
    contacts = [r["url"] for r in metadata["component"]["externalReferences"] if r["type"] == "security-contact"]
    assert contacts and f"Contact: {contacts[0]}" in (ROOT / "SECURITY.md").read_text()


def test_a_work_tree_is_dirty_with_anything_uncommitted_but_what_git_ignores(tmp_path):
    git = ["git", "-C", tmp_path, "-c", "user.name=Tavrimo tests", "-c", "user.email=tests@tavrimo.invalid"]
    run(*git, "init", "-q")
    (tmp_path / ".gitignore").write_text("/build/\n")
    (tmp_path / "a").write_text("a")
    run(*git, "add", ".")
    run(*git, "commit", "-q", "-m", "a")
    (tmp_path / "build").mkdir()
    steps = [("committed", lambda: None, ""),
             ("a file in an ignored folder", lambda: (tmp_path / "build/x").write_text("x"), ""),
             ("an untracked file", lambda: (tmp_path / "b").write_text("b"), "-dirty"),
             ("that file staged", lambda: run(*git, "add", "b"), "-dirty"),
             ("it committed", lambda: run(*git, "commit", "-q", "-m", "b"), ""),
             ("a committed file changed", lambda: (tmp_path / "a").write_text("changed"), "-dirty")]
    for step, change, suffix in steps:
        change()
        assert release_lib("dirty_suffix", cwd=tmp_path) == suffix, step


@pytest.mark.parametrize("command", [["release"], ["sign", "--cert", "/dev/null", "--key", "/dev/null"]])
def test_a_dirty_work_tree_is_refused_before_anything_is_built(tmp_path, command):
    run("git", "clone", "-q", ROOT, tmp_path / "tree")
    (tmp_path / "tree/uncommitted").write_text("x")
    result = run(tmp_path / "tree/scripts" / command[0], *command[1:], check=False)
    assert result.returncode != 0 and "uncommitted changes" in result.stdout.splitlines()[-1], result.stdout
    assert "building" not in result.stdout
