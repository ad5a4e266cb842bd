"""The releases, signatures and token that the release tests check, each made once per run
and only for the tests that ask for it."""
import os
import shutil
import socket
import subprocess
from collections import namedtuple
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
SCRIPTS = ROOT / "scripts"
SOFTHSM = "/usr/lib/softhsm/libsofthsm2.so"

Names = namedtuple("Names", "zip kit buildinfo sbom")
Release = namedtuple("Release", "dist log")
Tokens = namedtuple("Tokens", "env pin_file")


def run(*command, check=True, **options):
    """A command's result, its output and errors together; a failure that was not expected
    fails the test with the command's last words."""
    result = subprocess.run([str(c) for c in command], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, **options)
    if check and result.returncode != 0:
        pytest.fail(f"{' '.join(map(str, command))} failed ({result.returncode}):\n{result.stdout[-3000:]}")
    return result


def release_lib(function, *args, cwd=ROOT):
    """What a function of scripts/lib/release-build answers: the release's own names and rules."""
    script = ('root=$0 && source "$root/scripts/lib/common" && source "$root/scripts/lib/release-build" && '
              f'{function} "$@"')
    return run("bash", "-c", script, ROOT, *args, cwd=cwd).stdout.strip()


# Where scripts/release builds, and so the exe that the win32 tests ran.
RELEASE_BUILD = Path(release_lib('echo "$release_build_dir"'))
TESTED_EXE = RELEASE_BUILD / "Tavrimo.exe"


def installed(file):
    """The Debian package that FILE belongs to, as the buildinfo names it."""
    package = run("dpkg-query", "-S", os.path.realpath(file)).stdout.rsplit(": ", 1)[0]
    return run("dpkg-query", "-W", "-f", "${Package}:${Architecture} (= ${Version})", package).stdout


def release_compiler():
    """The release programs' compiler, as their toolchain file names it."""
    for line in (ROOT / "cmake/win32-release.cmake").read_text().splitlines():
        if line.startswith("set(CMAKE_CXX_COMPILER "):
            return shutil.which(line.split()[1].rstrip(")"))
    pytest.fail("cmake/win32-release.cmake names no CMAKE_CXX_COMPILER")


def release(*options, tree=ROOT, **run_options):
    return run(tree / "scripts/release", "--allow-dirty", *options, **run_options)


@pytest.fixture(scope="session")
def work(tmp_path_factory):
    return tmp_path_factory.mktemp("release")


@pytest.fixture(scope="session")
def tested_exe():
    if not TESTED_EXE.is_file():
        pytest.fail(f"{TESTED_EXE} not found: scripts/build win32 win64")
    return TESTED_EXE


@pytest.fixture(scope="session")
def version(tested_exe):
    return release_lib("project_version", tested_exe.parent)


@pytest.fixture(scope="session")
def names(version):
    """dist/'s file names, as a release of this tree gives them."""
    return Names(*release_lib("artefact_names", version, release_lib("dirty_suffix")).split())


@pytest.fixture(scope="session")
def signed_names(version):
    """The names beside the maintainer's signatures, which carry no suffix."""
    return Names(*release_lib("artefact_names", version, "").split())


@pytest.fixture(scope="session")
def unsigned(work, tested_exe):
    return Release(work / "unsigned", release("--signatures", work / "none", "--dist", work / "unsigned").stdout)


@pytest.fixture(scope="session")
def pki(work, tested_exe):
    """A throwaway CA and code-signing key, and this tree's exes signed with them."""
    run(SCRIPTS / "throwaway-sign", work / "pki")
    return work / "pki"


@pytest.fixture(scope="session")
def maintainers(work, pki, version, signed_names):
    """The signatures beside a buildinfo that records another version of the release compiler,
    as a maintainer's machine may: the release warns, and builds the same bytes."""
    folder = work / "maintainers"
    shutil.copytree(pki / "signatures", folder)
    buildinfo = folder / version / signed_names.buildinfo
    compiler = installed(release_compiler())
    text = buildinfo.read_text()
    assert f" {compiler}\n" in text, f"the buildinfo does not name {compiler}, the release compiler's package"
    buildinfo.write_text(text.replace(f" {compiler}\n", f" {compiler[:-1]}~other)\n"))
    return folder


@pytest.fixture(scope="session")
def signed(work, maintainers):
    return Release(work / "a", release("--signatures", maintainers, "--dist", work / "a").stdout)


def copy_of_tree(tree):
    """A copy of this tree in TREE: its commit and its changes as they stand."""
    run("git", "clone", "-q", ROOT, tree)
    listed = run("git", "ls-files", "-z", "--cached", "--others", "--exclude-standard", cwd=ROOT).stdout
    for name in filter(None, listed.split("\0")):
        source, copy = ROOT / name, tree / name
        if source.exists():
            copy.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(source, copy)
        else:
            copy.unlink(missing_ok=True)
    return tree


@pytest.fixture(scope="session")
def tree_b(work):
    """A copy of this tree in a folder whose path holds a space, which the build's commands
    then quote, and Chinese characters."""
    return copy_of_tree(work / "b 文件夹" / "Tavrimo")


@pytest.fixture(scope="session")
def rebuilt(work, tree_b, maintainers, signed):
    """The same release built afresh in tree_b, later, in another time zone and locale and
    with another umask, as reprotest varies a build."""
    locales = work / "locales"
    locales.mkdir()
    run("localedef", "-i", "fr_CH", "-f", "UTF-8", locales / "fr_CH.UTF-8")
    env = {**os.environ, "TZ": "GMT-14", "LOCPATH": str(locales), "LC_ALL": "fr_CH.UTF-8",
           "LANG": "fr_CH.UTF-8", "LANGUAGE": "fr_CH:fr"}
    log = release("--signatures", maintainers, "--dist", work / "b", tree=tree_b, env=env,
                  preexec_fn=lambda: os.umask(0o002)).stdout
    return Release(work / "b", log)


# The signing slot of a PIV card, as OpenSC's driver and Yubico's module show it: the key,
# its public key and its certificate share only their id; Yubico's slot also holds the
# attestation certificate, of the same id and key (throwaway-sign --token).
PIV = "pkcs11:token=PIV_II"
YUBICO = "pkcs11:token=YubiKey%20PIV%20%2312345678"


@pytest.fixture(scope="session")
def tokens(pki):
    """Two SoftHSM2 tokens holding the throwaway key and its certificate, one in each layout,
    with their PIN in a file, as throwaway-sign makes them for a maintainer's first try."""
    for layout in ("piv", "yubico"):
        run(SCRIPTS / "throwaway-sign", pki, "--token", layout)
    return Tokens({**os.environ, "SOFTHSM2_CONF": str(pki / "softhsm2.conf")}, pki / "pin")


def closed_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]
