"""scripts/provenance on tiny inputs: its readers of what the builds did, its program
finder, its matching of linked files to components, and its writers."""
import hashlib
import json
import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest
from conftest import ROOT, SCRIPTS

sys.path.insert(0, str(SCRIPTS))
from provenance import archive, builds, commands, components, debian, finding, sbom  # noqa: E402
from provenance.util import load  # noqa: E402

FOLDER = "/tmp/b 文件夹"  # a build folder whose path the shell must quote
RECORDED = Path(__file__).parent / "recorded"  # what the tools answered (recorded/README.md)


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
    assert builds.link_map(tmp_path / "x.map") == ("t 测试.exe", [
        ("/usr/lib/gcc/i686-w64-mingw32/12-posix/libstdc++.a", "tree.o",
         "_ZSt18_Rb_tree_incrementPSt18_Rb_tree_node_base"),
        (f"{FOLDER}/lib/libgtest.a", "gtest-all.cc.obj", "_ZN7testing4TestC2Ev"),
        ("/usr/i686-w64-mingw32/lib/crt2.o", None, None), ("CMakeFiles/t.dir/t.cpp.obj", None, None)])


def test_dependency_file_gives_paths_whose_spaces_are_escaped_whole(tmp_path):
    escaped = FOLDER.replace(" ", "\\ ")
    (tmp_path / "x.d").write_text(f"t.exe: \\\n  {escaped}/crt2.o \\\n  /usr/lib/libuser32.a\n", encoding="utf-8")
    assert builds.make_deps(tmp_path / "x.d") == [f"{FOLDER}/crt2.o", "/usr/lib/libuser32.a"]


def test_a_ninja_command_with_quoted_paths_names_its_program_and_object():
    words = commands.split_command(f'cd "{FOLDER}/build" && "{FOLDER}/bin/g++" -o "a b.o" -c "{FOLDER}/a b.cpp"')
    assert commands.command_programs([words], FOLDER) == {f"{FOLDER}/bin/g++"}
    assert commands.compiled_objects([words]) == ["a b.o"]


@pytest.mark.parametrize("line, programs", [
    ("env A=1 zip -q out.zip a", ["env", "zip"]),
    ("env -u HOME -i A=1 zip -q out.zip a", ["env", "zip"]),
    ("LANG=C /usr/bin/ld -o a.exe a.o", ["/usr/bin/ld"]),
    ("/bin/sh -c 'cd x && LC_ALL=C zip -q y.zip z; touch y'", ["/bin/sh", "zip", "touch"]),
    ("/bin/sh -ec 'zip -q y.zip z'", ["/bin/sh", "zip"]),  # -c among other options
    ("bash --norc -o pipefail -c 'touch y' name arg", ["bash", "touch"]),
    ("/bin/sh script.sh -c zip", ["/bin/sh"]),  # a script's own -c is not the shell's
    (": && /usr/bin/cmake -E touch x && :", ["/usr/bin/cmake"]),
    ("bin/windres -O coff x.rc x.o", [f"{FOLDER}/bin/windres"]),
])
def test_the_program_finder_gives_each_program_a_command_runs(line, programs):
    expected = {p if "/" in p else shutil.which(p) for p in programs}
    assert commands.command_programs([commands.split_command(line)], FOLDER) == expected


@pytest.mark.parametrize("line", ["tavrimo-no-such-tool -o x", "env A=1 tavrimo-no-such-tool", "LANG=C tavrimo-no-such-tool"])
def test_the_program_finder_fails_naming_a_word_it_cannot_resolve(line):
    with pytest.raises(SystemExit, match="runs tavrimo-no-such-tool, which is not on PATH"):
        commands.command_programs([commands.split_command(line)], FOLDER)


def test_a_script_of_this_repository_names_the_programs_it_runs():
    tools = finding.repository_tools({str(SCRIPTS / "build-steps/make-icon")})
    assert {"/usr/bin/convert", shutil.which("icotool")} <= tools


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
    assert components.covering_entry({"file": file, "member": member, "package": package}, TABLE) == entry


def facts(tmp_path):
    """Facts of one program linking two components, one of them without a notice."""
    notices = tmp_path / "notices"
    notices.mkdir()
    # A holder on the line after the years, as in HP's and SGI's notices, belongs to them.
    (notices / "gdtoa.txt").write_text("Copyright (C) 1997 Lucent Technologies\nCopyright (c) 1994\n"
                                       "Hewlett-Packard Company\n\nthe above copyright notice appear in\n")
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
    found_components = components.linked(load(found), notices, ["t.exe"])
    assert [(entry["name"], list(users)) for entry, _, users in found_components] == \
        [("gdtoa", ["t.exe"]), ("mingw-w64 runtime", ["t.exe"]), ("headers", ["t.exe"])]


def test_a_program_linking_what_no_entry_covers_fails_naming_the_archive_and_member(tmp_path):
    found, notices = facts(tmp_path)
    with pytest.raises(SystemExit, match=r"u\.exe links /usr/lib/libpthread\.a\(mutex\.o\), of the package "
                                         r"mingw-w64-i686-dev, which no entry"):
        components.linked(load(found), notices, ["t.exe", "u.exe"])


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
        outputs = [subprocess.run([SCRIPTS / "provenance/provenance", *map(str, command)], capture_output=True,
                                  check=True, env={**os.environ, "PYTHONHASHSEED": seed}, cwd=ROOT).stdout
                   for seed in "12"]
        assert outputs[0] == outputs[1] and outputs[0], command[0]


def test_an_archive_is_read_with_its_long_names_odd_sizes_and_two_members_of_one_name():
    path = RECORDED / "two-members-named-same.a"
    members, symbols = archive.read(path.read_bytes())
    assert [(name, hashlib.sha256(body).hexdigest()[:8]) for name, _, body in members] == [
        ("odd.txt", "990cb8eb"), ("same.o", "df5c5d6b"), ("a_member_with_a_long_name.o", "fee2f399"),
        ("same.o", "f6ea2a7d")]
    assert {symbols[s] for s in ("_alpha", "_beta", "_gamma_")} == {at for _, at, _ in members[1:]}
    # Of two members of one name, the one defining the symbol the link took it for.
    assert hashlib.sha256(archive.member(str(path), "same.o", "beta")).hexdigest()[:8] == "f6ea2a7d"
    assert hashlib.sha256(archive.member(str(path), "same.o", "alpha")).hexdigest()[:8] == "df5c5d6b"
    with pytest.raises(SystemExit, match="holds 2 members named same.o, and its symbol table gives none"):
        archive.member(str(path), "same.o", "gamma_")


def test_what_a_link_took_from_outside_is_traced_to_its_file_or_the_source_it_was_built_from(tmp_path):
    (tmp_path / "link-inputs").mkdir()
    (tmp_path / "link-inputs/t.map").write_text("""Archive member included to satisfy reference by file (symbol)

lib/libgtest.a(gtest-all.cc.obj)
                              CMakeFiles/t.dir/t.cpp.obj (_ZN7testing4TestC2Ev)
/usr/lib/libmingwex.a(lib32_libmingwex_a-strtof.o)
                              CMakeFiles/t.dir/t.cpp.obj (__mingw_strtof)

LOAD /usr/i686-w64-mingw32/lib/crt2.o
LOAD CMakeFiles/t.dir/t.cpp.obj
OUTPUT(t.exe pei-i386)
""")
    recorded = (RECORDED / "ninja-query.txt").read_text()

    def query(build_dir, output):
        """ninja's recorded answers, and for Tavrimo's own object, a source of this tree."""
        if output == "CMakeFiles/t.dir/t.cpp.obj":
            return [str(ROOT / "app/tavrimo_app.cpp")]
        return builds.query_inputs(recorded[recorded.index(f"{output}:\n"):])

    output, takes = builds.link_takes(str(tmp_path), "t", inputs=query)
    assert output == "t.exe"
    assert [(t["file"], t["member"], t["symbol"], t["origin"]) for t in takes] == [
        (f"{tmp_path}/lib/libgtest.a", "gtest-all.cc.obj", "_ZN7testing4TestC2Ev",
         "/usr/src/googletest/googletest/src/gtest-all.cc"),
        ("/usr/lib/libmingwex.a", "lib32_libmingwex_a-strtof.o", "__mingw_strtof", "/usr/lib/libmingwex.a"),
        ("/usr/i686-w64-mingw32/lib/crt2.o", None, None, "/usr/i686-w64-mingw32/lib/crt2.o")]


def test_a_file_is_owned_under_the_names_merged_usr_gives_it_and_several_owners_are_named():
    owners = debian.Owners()
    owners.learn((RECORDED / "dpkg-query-S.txt").read_text())
    assert owners.of("/usr/lib/x86_64-linux-gnu/libc.so.6") == {"libc6:amd64"}  # dpkg knows /lib/...
    assert owners.of("/bin/sh") == {"dash"}  # the diversion lines are no owners
    assert owners.of("/usr/lib/gcc/i686-w64-mingw32/12-win32/libstdc++.a") == {"g++-mingw-w64-i686-win32"}
    take = {"file": "/usr/i686-w64-mingw32/lib", "origin": "/usr/i686-w64-mingw32/lib"}
    with pytest.raises(SystemExit, match=r"several Debian packages own \(binutils-mingw-w64-i686, libz-mingw-w64, "
                                         r"mingw-w64-i686-dev\)"):
        finding.owning_package(owners, "t.exe", take)


def test_a_debs_hash_is_that_of_the_installed_version_and_a_version_no_archive_holds_fails(monkeypatch):
    answer = (RECORDED / "apt-cache-show-libssl3.txt").read_text()
    wanted = {"libssl3": {"version": "3.0.20-1~deb12u2", "architecture": "amd64"}}
    assert debian.show_answer(answer, wanted) == \
        {"libssl3": "89be24b41bff568ee6e7caf5680a3d808e80315ed92e407056ce0fa7a5bda025"}
    monkeypatch.setattr(debian.subprocess, "run", lambda *_, **__: subprocess.CompletedProcess([], 0, answer, ""))
    with pytest.raises(SystemExit, match="apt's index holds no .deb of libssl3 at the installed version"):
        debian.deb_sha256({"libssl3": {"version": "3.0.19-1~deb12u2", "architecture": "amd64"}})


def bill(tmp_path):
    """The bill of materials of t.exe, zipped alone, from the facts above."""
    found, notices = facts(tmp_path)
    folder = tmp_path / "zip"
    folder.mkdir()
    (folder / "t.exe").write_bytes(b"MZ")
    (folder / "README.txt").write_text("t")
    (tmp_path / "t.zip").write_bytes(b"PK")
    (tmp_path / "t.buildinfo").write_text("Format: 1.0\n")
    return json.loads(sbom.bom(load(found), notices, "1.0", tmp_path / "t.buildinfo", [(tmp_path / "t.zip", folder)]))


def every_component(within):
    for component in within:
        yield component
        yield from every_component(component.get("components", []))


def test_every_component_of_the_bill_of_materials_is_reachable_from_tavrimo_in_its_graph(tmp_path):
    bom = bill(tmp_path)
    edges = {entry["ref"]: entry.get("dependsOn", []) for entry in bom["dependencies"]}
    reached, todo = set(), [bom["metadata"]["component"]["bom-ref"]]
    while todo:
        ref = todo.pop()
        if ref not in reached:
            reached.add(ref)
            todo += edges.get(ref, [])
    refs = {c["bom-ref"] for c in every_component(bom["components"])}
    assert sorted(refs - reached) == [] and sorted(refs - set(edges)) == []
    assert set(edges["t.zip/t.exe"]) == {"mingw-w64-i686-dev:all", "gdtoa|mingw-w64-i686-dev:all",
                                         "mingw-w64 runtime|mingw-w64-i686-dev:all", "headers|mingw-w64-i686-dev:all"}


def test_the_makers_as_manufacturer_and_supplier_name_the_security_contact(tmp_path):
    metadata = bill(tmp_path)["metadata"]
    contact = sbom.security_contact()
    assert metadata["manufacturer"] == metadata["supplier"] == {"name": sbom.holder(), "url": [contact]}


def test_a_part_is_hashed_by_its_linked_code_and_one_without_says_its_hash_is_its_packages(tmp_path):
    parts = {c["name"]: c for c in every_component(bill(tmp_path)["components"])}
    listing = f"{'2' * 64}  libmingwex.a(x-strtof.o)\n"
    assert parts["gdtoa"]["hashes"] == [{"alg": "SHA-256", "content": hashlib.sha256(listing.encode()).hexdigest()}]
    assert parts["headers"]["hashes"] == [{"alg": "SHA-256", "content": "4" * 64}]
    said = {name: {p["name"]: p["value"] for p in parts[name]["properties"]}["tavrimo:hash"]
            for name in ("gdtoa", "headers")}
    assert "its code that the programs link" in said["gdtoa"] and "the .deb of mingw-w64-i686-dev" in said["headers"]


def test_a_parts_copyright_lines_are_its_notices_with_a_holder_on_the_line_after_the_years(tmp_path):
    parts = {c["name"]: c for c in every_component(bill(tmp_path)["components"])}
    assert parts["gdtoa"]["copyright"] == \
        "Copyright (C) 1997 Lucent Technologies\nCopyright (c) 1994 Hewlett-Packard Company"
