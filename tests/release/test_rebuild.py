"""scripts/rebuild: its readers on the tools' answers, a version no archive holds refused before
any build, and a buildinfo whose versions this machine's archives hold rebuilt in a root of its
own, in another folder, to the same zips."""
import os
import re
import subprocess
import sys
from pathlib import Path

import pytest
from conftest import SCRIPTS, copy_of_tree, run

sys.path.insert(0, str(SCRIPTS))
from provenance import rebuild  # noqa: E402

RECORDED = Path(__file__).parent / "recorded"
BUILDINFO = """Format: 1.0
Source: Tavrimo
Commit: 0123456789abcdef0123456789abcdef01234567
Source-Date-Epoch: 1796829555
Checksums-Sha256:
 55ed7d53ca1e2d81145d1361e021e0740dd50bf84b8f00b8a07c3d65cfb19b17 240128 Tavrimo.exe
Build-Architecture: amd64
Installed-Build-Depends:
 libssl3:amd64 (= 3.0.19-1~deb12u2)
 mingw-w64-i686-dev:all (= 10.0.0-3)
 zip:amd64 (= 3.0-13)
"""


def test_a_buildinfo_gives_its_commit_date_architecture_packages_and_sums():
    found = rebuild.read_buildinfo(BUILDINFO)
    assert (found.commit, found.date, found.architecture) == ("0123456789abcdef0123456789abcdef01234567",
                                                              1796829555, "amd64")
    assert found.packages == [("libssl3", "amd64", "3.0.19-1~deb12u2"), ("mingw-w64-i686-dev", "all", "10.0.0-3"),
                              ("zip", "amd64", "3.0-13")]
    assert found.checksums == {"Tavrimo.exe": "55ed7d53ca1e2d81145d1361e021e0740dd50bf84b8f00b8a07c3d65cfb19b17"}
    # What snapshot's metasnap is asked: an architecture-independent package as the machine's.
    assert rebuild.snapshot_request(found.packages, "amd64").splitlines()[1] == "mingw-w64-i686-dev:amd64=10.0.0-3"
    assert [rebuild.apt_name(p, "amd64") for p in found.packages] == \
        ["libssl3=3.0.19-1~deb12u2", "mingw-w64-i686-dev=10.0.0-3", "zip=3.0-13"]


def test_debootsnaps_answers_give_the_sources_the_versions_it_cannot_find_and_when_to_wait():
    sources = rebuild.snapshot_sources((RECORDED / "debootsnap-sources-list-only.txt").read_text())
    assert len(sources) == 3 and sources[2].startswith("deb [check-valid-until=no] http://snapshot.debian.org/"
                                                      "archive/debian-security/")
    assert rebuild.not_found((RECORDED / "debootsnap-cannot-find.txt").read_text()) == \
        [("libssl3", "3.0.19-1~deb12u2"), ("zip", "3.0-99")]
    refused = (RECORDED / "debootsnap-metasnap-429.txt").read_text()
    assert rebuild.busy(refused) and rebuild.not_found(refused) == []
    assert not rebuild.busy((RECORDED / "debootsnap-cannot-find.txt").read_text())
    # No name service: asking again would not help.
    assert not rebuild.busy((RECORDED / "debootsnap-unreachable.txt").read_text())


def test_the_archives_versions_show_which_recorded_ones_are_missing():
    held = rebuild.available((RECORDED / "apt-cache-madison.txt").read_text())
    assert ("libssl3", "3.0.20-1~deb12u2") in held and ("zip", "3.0-13") in held
    assert rebuild.missing(rebuild.read_buildinfo(BUILDINFO).packages, held) == [("libssl3", "3.0.19-1~deb12u2")]


def test_a_root_and_a_rebuild_are_held_to_what_was_recorded():
    packages = rebuild.read_buildinfo(BUILDINFO).packages
    installed = {("libssl3", "amd64"): "3.0.22-1~deb12u2", ("mingw-w64-i686-dev", "all"): "10.0.0-3"}
    assert rebuild.installed_differences(packages, installed) == [
        "libssl3:amd64 3.0.19-1~deb12u2 recorded, 3.0.22-1~deb12u2 installed", "zip:amd64 3.0-13 recorded, not installed"]
    assert rebuild.root_key(packages, ["git"]) == rebuild.root_key(list(reversed(packages)), ["git"]) != \
        rebuild.root_key(packages, [])
    assert rebuild.differing(rebuild.sums("1 a.zip\n2 b.zip\n3 c.zip\n"), rebuild.sums("1 a.zip\n9 b.zip\n")) == \
        ["b.zip", "c.zip"]


def apt_sources():
    for path in (Path("/etc/apt/sources.list.d/debian.sources"), Path("/etc/apt/sources.list")):
        if path.is_file() and path.stat().st_size:
            return path
    pytest.fail("no apt sources file found (/etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list)")


def as_root():
    if os.geteuid() != 0:
        pytest.fail("scripts/rebuild makes its root as root: run the release tests as root")


def with_versions(buildinfo, change):
    """The buildinfo with each package's version as CHANGE(name, version) gives it."""
    def replaced(match):
        return f" {match[1]}:{match[2]} (= {change(match[1], match[3])})"
    return re.sub(r"^ (\S+):(\S+) \(= (\S+)\)$", replaced, buildinfo, flags=re.MULTILINE)


def test_a_buildinfo_of_another_commit_is_refused_naming_both(unsigned, names, work):
    as_root()
    buildinfo = work / "other-commit.buildinfo"
    buildinfo.write_text(re.sub(r"^Commit: .*$", "Commit: " + "0" * 40, (unsigned.dist / names.buildinfo).read_text(),
                                flags=re.MULTILINE))
    result = run(SCRIPTS / "rebuild", buildinfo, "--sources", apt_sources(), check=False)
    assert result.returncode != 0 and "0" * 40 in result.stdout.splitlines()[-1], result.stdout


def test_a_version_no_archive_holds_fails_before_any_build_naming_it(unsigned, names, work):
    as_root()
    buildinfo = work / "missing.buildinfo"
    buildinfo.write_text(with_versions((unsigned.dist / names.buildinfo).read_text(),
                                       lambda name, version: "3.0-99~none" if name == "zip" else version))
    result = run(SCRIPTS / "rebuild", buildinfo, "--sources", apt_sources(), "--allow-dirty", "--dist",
                 work / "not-rebuilt", check=False)
    last = result.stdout.splitlines()[-1]
    assert result.returncode != 0 and "zip 3.0-99~none" in last and "nothing was built" in last, result.stdout
    assert "building" not in result.stdout and not (work / "not-rebuilt").exists()


@pytest.fixture(scope="session")
def tree_c(work):
    """Another copy of this tree, as tree_b is, for the rebuild alone."""
    return copy_of_tree(work / "c 文件夹" / "Tavrimo")


def test_a_buildinfo_whose_versions_the_archives_hold_rebuilds_the_same_zips_in_another_folder(
        unsigned, names, work, tree_c):
    as_root()
    # This machine's buildinfo, with each version its archives no longer hold replaced by theirs.
    def held(name, version):
        madison = subprocess.run(["apt-cache", "madison", name], capture_output=True, text=True).stdout
        versions = [line.split("|")[1].strip() for line in madison.splitlines() if line.count("|") == 2]
        return version if version in versions or not versions else versions[0]
    recorded = (unsigned.dist / names.buildinfo).read_text()
    buildinfo = work / "archived.buildinfo"
    buildinfo.write_text(with_versions(recorded, held))
    result = run(tree_c / "scripts/rebuild", buildinfo, "--sources", apt_sources(), "--allow-dirty",
                 "--dist", work / "rebuilt", "--compare", unsigned.dist / "SHA256SUMS", check=False)
    same = [line.split(": ")[1] for line in result.stdout.splitlines() if line.endswith(": the same")]
    assert {names.zip, names.kit} <= set(same), result.stdout[-3000:]
    for name in (names.zip, names.kit):
        assert (work / "rebuilt" / name).read_bytes() == (unsigned.dist / name).read_bytes()
    # The buildinfo names the root's versions; where they are this machine's, the files are the same.
    unchanged = buildinfo.read_text() == recorded
    assert (result.returncode == 0) == unchanged, result.stdout[-3000:]
