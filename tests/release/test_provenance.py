"""scripts/provenance on tiny inputs: its readers of what the builds did, its program
finder, its matching of linked files to components, and its writers."""
import importlib.machinery
import importlib.util
import json
import os
import shutil
import subprocess

import pytest
from conftest import ROOT, SCRIPTS

loader = importlib.machinery.SourceFileLoader("provenance", str(SCRIPTS / "provenance"))
provenance = importlib.util.module_from_spec(importlib.util.spec_from_loader("provenance", loader))
loader.exec_module(provenance)

FOLDER = "/tmp/b 文件夹"  # a build folder whose path the shell must quote


def test_link_map_gives_the_output_and_each_object_and_archive_member_taken_in_any_language(tmp_path):
    (tmp_path / "x.map").write_text(f"""Membre d'archive inclu pour satisfaire la référence par fichier (symbole)

/usr/lib/gcc/i686-w64-mingw32/12-posix/libstdc++.a(tree.o)
                              CMakeFiles/t.dir/t.cpp.obj (_ZSt18_Rb_tree_incrementPSt18_Rb_tree_node_base)
{FOLDER}/lib/libgtest.a(gtest-all.cc.obj)
                              CMakeFiles/t.dir/t.cpp.obj (_ZN7testing4TestC2Ev)

Sections d'entrée éliminées
 .text          0x0 0x0 /usr/lib/libmingwex.a(lib32_libmingwex_a-strtof.o)

LOAD /usr/i686-w64-mingw32/lib/crt2.o
LOAD CMakeFiles/t.dir/t.cpp.obj
LOAD /usr/i686-w64-mingw32/lib/libuser32.a
OUTPUT(t 测试.exe pei-i386)
""", encoding="utf-8")
    assert provenance.link_map(tmp_path / "x.map") == ("t 测试.exe", [
        ("/usr/lib/gcc/i686-w64-mingw32/12-posix/libstdc++.a", "tree.o"),
        (f"{FOLDER}/lib/libgtest.a", "gtest-all.cc.obj"),
        ("/usr/i686-w64-mingw32/lib/crt2.o", None), ("CMakeFiles/t.dir/t.cpp.obj", None)])


def test_dependency_file_gives_paths_whose_spaces_are_escaped_whole(tmp_path):
    escaped = FOLDER.replace(" ", "\\ ")
    (tmp_path / "x.d").write_text(f"t.exe: \\\n  {escaped}/crt2.o \\\n  /usr/lib/libuser32.a\n", encoding="utf-8")
    assert provenance.make_deps(tmp_path / "x.d") == [f"{FOLDER}/crt2.o", "/usr/lib/libuser32.a"]


def test_a_ninja_command_with_quoted_paths_names_its_program_and_object():
    words = provenance.split_command(f'cd "{FOLDER}/build" && "{FOLDER}/bin/g++" -o "a b.o" -c "{FOLDER}/a b.cpp"')
    assert provenance.command_programs([words], FOLDER) == {f"{FOLDER}/bin/g++"}
    assert provenance.compiled_objects([words]) == ["a b.o"]


@pytest.mark.parametrize("line, programs", [
    ("env A=1 zip -q out.zip a", ["env", "zip"]),
    ("env -u HOME -i A=1 zip -q out.zip a", ["env", "zip"]),
    ("LANG=C /usr/bin/ld -o a.exe a.o", ["/usr/bin/ld"]),
    ("/bin/sh -c 'cd x && LC_ALL=C zip -q y.zip z; touch y'", ["/bin/sh", "zip", "touch"]),
    (": && /usr/bin/cmake -E touch x && :", ["/usr/bin/cmake"]),
    ("bin/windres -O coff x.rc x.o", [f"{FOLDER}/bin/windres"]),
])
def test_the_program_finder_gives_each_program_a_command_runs(line, programs):
    expected = {p if "/" in p else shutil.which(p) for p in programs}
    assert provenance.command_programs([provenance.split_command(line)], FOLDER) == expected


@pytest.mark.parametrize("line", ["tavrimo-no-such-tool -o x", "env A=1 tavrimo-no-such-tool", "LANG=C tavrimo-no-such-tool"])
def test_the_program_finder_fails_naming_a_word_it_cannot_resolve(line):
    with pytest.raises(SystemExit, match="runs tavrimo-no-such-tool, which is not on PATH"):
        provenance.command_programs([provenance.split_command(line)], FOLDER)


def test_a_script_of_this_repository_names_the_programs_it_runs():
    assert {"/usr/bin/convert", shutil.which("icotool")} <= provenance.repository_tools({str(SCRIPTS / "make-icon")})


TABLE = [
    {"name": "gdtoa", "packages": ["mingw-w64-*-dev"], "files": ["libmingwex.a"], "members": ["*-strtof.o"]},
    {"name": "mingw-w64 runtime", "packages": ["mingw-w64-*-dev"], "files": ["libmingwex.a", "crt2.o"]},
]


@pytest.mark.parametrize("file, member, package, entry", [
    ("/usr/lib/libmingwex.a", "lib32_libmingwex_a-strtof.o", "mingw-w64-i686-dev", 0),  # the first that matches
    ("/usr/lib/libmingwex.a", "lib32_libmingwex_a-mkstemp.o", "mingw-w64-i686-dev", 1),  # past a members list
    ("/usr/lib/crt2.o", None, "mingw-w64-i686-dev", 1),
    ("/usr/lib/libpthread.a", "mutex.o", "mingw-w64-i686-dev", None),  # a file no entry names
    ("/usr/lib/crt2.o", None, "gcc-mingw-w64-i686-win32", None),  # another package's file of that name
])
def test_a_linked_file_belongs_to_the_first_entry_that_matches_it(file, member, package, entry):
    assert provenance.covering_entry({"file": file, "member": member, "package": package}, TABLE) == entry


def facts(tmp_path):
    """Facts of one program linking two components, one of them without a notice."""
    notices = tmp_path / "notices"
    notices.mkdir()
    (notices / "gdtoa.txt").write_text("Copyright (C) 1997 Lucent Technologies\n")
    (notices / "components.json").write_text(json.dumps({"components": [
        dict(TABLE[0], purpose="number texts", licence="LicenseRef-Lucent-gdtoa", notice="gdtoa.txt",
             source="gdtoa"),
        dict(TABLE[1], purpose="start-up", licence="ZPL-2.1", notice=None, source="crt"),
        {"name": "headers", "purpose": "its headers' code", "licence": "MIT", "notice": None, "compiled_in": True,
         "source": "include",
         "packages": ["mingw-w64-*-dev"], "files": ["libmingwex.a"], "members": ["*-nothing.o"]}]}))
    takes = [{"file": "/usr/lib/crt2.o", "member": None, "package": "mingw-w64-i686-dev", "sha256": "1" * 64},
             {"file": "/usr/lib/libmingwex.a", "member": "x-strtof.o", "package": "mingw-w64-i686-dev",
              "sha256": "2" * 64},
             {"file": "/usr/lib/libpthread.a", "member": "mutex.o", "package": "mingw-w64-i686-dev", "sha256": "3" * 64}]
    found = {"commit": "c0ffee", "source_date_epoch": 1700000000, "build_architecture": "amd64",
             "distribution": "debian-12",
             "packages": {"mingw-w64-i686-dev": {"architecture": "all", "version": "10.0.0-3", "source": "mingw-w64",
                                                 "source_version": "10.0.0-3", "sha256": "4" * 64}},
             "links": [{"program": "t.exe", "takes": takes[:2]}, {"program": "u.exe", "takes": takes}]}
    (tmp_path / "facts.json").write_text(json.dumps(found))
    return tmp_path / "facts.json", notices


def test_a_compiled_in_component_comes_with_every_program_linking_any_of_its_files(tmp_path):
    found, notices = facts(tmp_path)
    components = provenance.linked(provenance.load(found), notices, ["t.exe"])
    assert [(entry["name"], list(users)) for entry, _, users in components] == \
        [("gdtoa", ["t.exe"]), ("mingw-w64 runtime", ["t.exe"]), ("headers", ["t.exe"])]


def test_a_program_linking_what_no_entry_covers_fails_naming_the_archive_and_member(tmp_path):
    found, notices = facts(tmp_path)
    with pytest.raises(SystemExit, match=r"u\.exe links /usr/lib/libpthread\.a\(mutex\.o\), of the package "
                                         r"mingw-w64-i686-dev, which no entry"):
        provenance.linked(provenance.load(found), notices, ["t.exe", "u.exe"])


def test_the_notices_and_the_bill_of_materials_are_the_same_bytes_each_time(tmp_path):
    found, notices = facts(tmp_path)
    folder = tmp_path / "zip"
    folder.mkdir()
    (folder / "t.exe").write_bytes(b"MZ")
    (tmp_path / "t.zip").write_bytes(b"PK")
    (tmp_path / "t.buildinfo").write_text("Format: 1.0\n")
    commands = [["notices", found, notices, "1.0", "t.exe"],
                ["sbom", found, notices, "1.0", tmp_path / "t.buildinfo", "--zip", tmp_path / "t.zip", folder]]
    for command in commands:
        # Another hash seed, another order of any set that leaks into the output.
        outputs = [subprocess.run([SCRIPTS / "provenance", *map(str, command)], capture_output=True, check=True,
                                  env={**os.environ, "PYTHONHASHSEED": seed}, cwd=ROOT).stdout for seed in "12"]
        assert outputs[0] == outputs[1] and outputs[0], command[0]
