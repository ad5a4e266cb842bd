"""The scripts' own checks, each seen to fire: the footprint check on planted programs, the
comparison of the builds, the heights they are compared on, the lint, and the emulated PC's
set-up when its packages cannot be had."""
import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
SCRIPTS = ROOT / "scripts"
GUARD = ROOT / "framework/stack_guard.cpp"


def run(*command, check=False, **options):
    """A command's result, its output and errors together."""
    result = subprocess.run([str(c) for c in command], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, **options)
    assert not check or result.returncode == 0, result.stdout
    return result


# As the project's builds make their Windows programs (CMakeLists.txt, cmake/): static, no
# symbols, stack protection with the framework's guard, NO_SEH on 32-bit x86.
BUILDS = {
    "i686": ("i686-w64-mingw32-g++-win32", "i686-w64-mingw32-objdump", ["-Wl,--no-seh"]),
    "x86_64": ("x86_64-w64-mingw32-g++-win32", "x86_64-w64-mingw32-objdump", []),
}
COMPILE = ["-O2", "-Wall", "-Wextra", "-Werror", "-fstack-protector-strong"]
LINK = ["-static", "-s", "-Wl,--no-insert-timestamp", "-fstack-protector-strong"]


@pytest.fixture(scope="session")
def compiled(tmp_path_factory):
    """The planted program's objects, each compiled once: (build, define, protected) -> [objects]."""
    folder, objects = tmp_path_factory.mktemp("planted"), {}

    def compile_(build, define, protected):
        key = (build, define, protected)
        if key not in objects:
            flags = [f"-D{define}"] if define else []
            flags += COMPILE if protected else [f for f in COMPILE if f != "-fstack-protector-strong"]
            sources = [ROOT / "tests/scripts/planted.cpp"] + ([GUARD] if protected else [])
            objects[key] = []
            for source in sources:
                obj = folder / f"{build}-{define}-{protected}-{source.stem}.o"
                result = run(BUILDS[build][0], *flags, "-c", source, "-o", obj)
                assert result.returncode == 0, result.stdout
                objects[key].append(obj)
        return objects[key]
    return compile_


def claims_aslr(exe):
    """Sets DYNAMIC_BASE in the headers of an image that has no relocations: the claim alone."""
    data = bytearray(exe.read_bytes())
    characteristics = int.from_bytes(data[0x3C:0x40], "little") + 24 + 70  # the optional header's field
    data[characteristics] |= 0x40
    exe.write_bytes(bytes(data))


# Each planted fault: the build, its define, the flags it adds and takes away, what is done
# to the program after the link, its name, and the finding that must name it.
PLANTS = {
    "clean": ("i686", None, [], [], None, "t.exe", None),
    "clean x86-64": ("x86_64", None, [], [], None, "t.exe", None),
    "SEH-chain read": ("i686", "PLANT_SEH", [], [], None, "t.exe", "touches the exception handler chain at %fs:0"),
    "no DEP": ("i686", None, ["-Wl,--disable-nxcompat"], [], None, "t.exe", "lacks DEP"),
    "no ASLR": ("i686", None, ["-Wl,--disable-dynamicbase"], [], None, "t.exe", "lacks ASLR"),
    "no relocations": ("i686", None, ["-Wl,--disable-reloc-section"], [], claims_aslr, "t.exe",
                       "has no base relocations"),
    "no NO_SEH": ("i686", None, [], ["-Wl,--no-seh"], None, "t.exe", "lacks NO_SEH"),
    "no stack protection": ("i686", None, [], ["-fstack-protector-strong"], None, "t.exe",
                            "has no stack protection"),
    "an import XP lacks": ("i686", "PLANT_XP_LACKS", [], [], None, "t.exe",
                           "imports what Windows XP SP3 does not export"),
    "a writable and executable section": ("i686", "PLANT_WRITABLE_CODE", [], [], None, "t.exe",
                                          "has a section that is both writable and executable"),
    "an over-size Tavrimo.exe": ("i686", "PLANT_SIZE", [], [], None, "Tavrimo.exe", "over its limit of 262144"),
    "a later Windows": ("i686", None, ["-Wl,--major-subsystem-version,6"], [], None, "t.exe",
                        "asks for Windows 6.0 in its MajorSubsystemVersion"),
    "a DLL not known": ("x86_64", "PLANT_UNKNOWN_DLL", ["-lcomctl32"], [], None, "t.exe",
                        "imports comctl32.dll, which is not a known system DLL"),
    "no high-entropy ASLR": ("x86_64", None, ["-Wl,--disable-high-entropy-va"], [], None, "t.exe",
                             "lacks high-entropy ASLR"),
}


@pytest.mark.parametrize("plant", PLANTS)
def test_the_footprint_check_passes_a_clean_program_and_names_each_planted_fault(plant, compiled, tmp_path):
    build, define, added, removed, after, name, finding = PLANTS[plant]
    compiler, objdump, flags = BUILDS[build]
    exe = tmp_path / name
    objects = compiled(build, define, "-fstack-protector-strong" not in removed)
    linked = run(compiler, *objects, *[f for f in LINK + flags if f not in removed], *added, "-o", exe)
    assert linked.returncode == 0, linked.stdout
    if after:
        after(exe)
    checked = run(SCRIPTS / "checks/check-footprint", objdump, exe)
    findings = [line for line in checked.stdout.splitlines() if line.startswith("check-footprint: ")]
    assert (checked.returncode, len(findings)) == ((0, 0) if finding is None else (1, 1)), checked.stdout
    assert finding is None or finding in findings[0], checked.stdout


def test_the_heights_are_every_tenth_from_minus_one_to_past_the_range_each_once():
    lines = run(SCRIPTS / "checks/calc-heights", check=True).stdout.splitlines()
    cases = (ROOT / "tests/core/heights.txt").read_text().splitlines()
    assert lines[:len(cases)] == cases
    assert lines[len(cases):] == [f"{tenths / 10:.1f}" for tenths in range(-10, 4011)]


def test_compare_builds_names_every_build_whose_texts_differ(tmp_path):
    for build, program in (("native-i386", "tavrimo-calc"), ("win64", "tavrimo-calc.exe")):
        built = ROOT / "build" / build / program
        if not built.is_file():
            pytest.fail(f"{built} not found: scripts/build {build}")
        (tmp_path / build).mkdir()
        (tmp_path / build / program).symlink_to(built)
    # A native build that writes other texts for every height: both others then differ.
    (tmp_path / "native").mkdir()
    planted = tmp_path / "native/tavrimo-calc"
    planted.write_text("#!/bin/sh\nexec sed 's/.*/0\t\t/'\n")
    planted.chmod(0o755)
    result = run(SCRIPTS / "checks/compare-builds", tmp_path)
    assert result.returncode == 1, result.stdout
    for build in ("native-i386", "win64"):
        assert f"compare-builds: {build} writes other texts than native" in result.stdout, result.stdout[-2000:]


def test_lint_names_a_finding_in_each_kind_of_file(tmp_path):
    workflows = tmp_path / ".github/workflows"
    workflows.mkdir(parents=True)
    planted = {tmp_path / "script": "#!/bin/bash\ncd /tmp\necho here\n",  # cd may fail (SC2164)
               tmp_path / "tool.py": "import os\n",  # imported, never used
               workflows / "w.yml": "on: push\njobs:\n  j:\n    runs-on: ubuntu-latest\n"
                                    "    steps:\n      - run: echo ${{ github.no_such_thing }}\n"}
    for path, text in planted.items():
        path.write_text(text)
    result = run(SCRIPTS / "lint", *planted)
    assert result.returncode == 1, result.stdout
    for finding in ("SC2164", "tool.py:1:", "w.yml:6:"):
        assert finding in result.stdout, result.stdout


def test_the_pc_not_made_for_want_of_its_kernel_stops_its_other_download_and_frees_its_lock(tmp_path):
    # The PC's scripts in a tree of their own, whose build/ the test may fill.
    (tmp_path / "scripts").mkdir()
    for folder in ("lib", "pc", "wine"):
        shutil.copytree(SCRIPTS / folder, tmp_path / "scripts" / folder)
    # mmdebstrap: the packages' download runs on; the kernel's fails, once the other started.
    stubs = tmp_path / "bin"
    stubs.mkdir()
    (stubs / "mmdebstrap").write_text(f"""#!/bin/sh
case "$*" in
*--include=linux-image-686*)
    while [ ! -s {tmp_path}/downloading ]; do sleep 0.1; done
    echo "E: Unable to locate package linux-image-686"
    exit 1 ;;
esac
echo $$ >{tmp_path}/downloading
exec sleep 120
""")
    (stubs / "mmdebstrap").chmod(0o755)
    started = time.monotonic()
    result = run(tmp_path / "scripts/pc/i386-pc", "prepare", timeout=60,
                 env={**os.environ, "PATH": f"{stubs}:{os.environ['PATH']}"})
    assert result.returncode != 0 and "kernel" in result.stdout.splitlines()[-1], result.stdout
    assert time.monotonic() - started < 30, "it waited for the other download"
    download = Path(f"/proc/{int((tmp_path / 'downloading').read_text())}/stat")
    time.sleep(0.5)
    # Ended: gone, or a zombie where no process reaps it.
    assert not download.exists() or download.read_text().split(")")[1].split()[0] == "Z", "the other download goes on"
    assert run("flock", "-n", tmp_path / "build/i386-pc.lock", "true").returncode == 0, "the lock is still held"


def kit_job(folder, fault):
    """A job folder as the emulated PC leaves it after the kit's two runs, with one FAULT."""
    folder.mkdir()
    (folder / "output.log").write_text("passed  core_tests: 26 passed, 0 skipped\n" +
                                       ("FAILED  e2e_tests, exit code 1, 1 failed:\n" if fault == "a test" else ""))
    for hive in ("system", "user"):
        before = "[Software\\\\Wine\\\\Fonts\\\\External Fonts]\n\"a\"=\"1\"\n[Control Panel\\\\Desktop]\n\"x\"=\"1\"\n"
        after = before.replace('"a"="1"', '"a"="2"')  # wine's own bookkeeping, left out
        if fault == "a registry value" and hive == "user":
            after += "[Software\\\\Tavrimo]\n\"left\"=\"1\"\n"
        (folder / f"before-{hive}.reg").write_text(before)
        (folder / f"after-{hive}.reg").write_text(after)
    (folder / "before-files.txt").write_text("/root/prefix/drive_c:\nwindows\n")
    (folder / "after-files.txt").write_text("/root/prefix/drive_c:\nwindows\n" +
                                            ("left.txt\n" if fault == "a file" else ""))
    for name, acp in (("cp936", 936), ("cp1252_winxp", 1252)):
        (folder / f"results-{name}").mkdir()
        dpi = 120 if fault == "a report" and name == "cp936" else 96
        (folder / f"results-{name}/system.txt").write_text(f"ANSI code page: {acp}\r\nDPI: {dpi}\r\nWine: 8.0\r\n")
    if fault != "no figures":
        (folder / "results-cp936/perf.txt").write_text(
            "Tavrimo.exe: start 0.96x, peak working set 1.050x, keystroke 1.24x of baseline-dialog.exe\r\n")


KIT_FAULTS = {
    None: None,
    "a test": "FAILED  e2e_tests",
    "a registry value": "FAILED: the tests left the registry values above behind (user.reg)",
    "a file": "FAILED: the tests left the files above behind in C:",
    "a report": "FAILED: the cp936 run's system.txt does not name code page 936, 96 DPI and wine",
    "no figures": "FAILED: the cp936 run's perf.txt holds no start-up, memory and keystroke ratios",
}


@pytest.mark.parametrize("fault", KIT_FAULTS)
def test_the_kit_runs_results_pass_clean_and_fail_naming_each_fault(fault, tmp_path):
    kit_job(tmp_path / "job", fault)
    result = run(SCRIPTS / "pc/kit-results", tmp_path / "job")
    failed = [line for line in result.stdout.splitlines() if line.startswith("FAILED")]
    if fault is None:
        assert result.returncode == 0 and failed == [], result.stdout
    else:
        assert result.returncode == 1 and len(failed) == 1 and failed[0].startswith(KIT_FAULTS[fault]), result.stdout
