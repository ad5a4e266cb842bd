"""The records written from the facts for people: the buildinfo, after Debian's .buildinfo,
and a zip's THIRD-PARTY-NOTICES.txt."""
import os

from .components import linked, notice_text
from .util import sha256


def buildinfo(found, exes):
    """The buildinfo's lines, naming the unsigned EXES it describes."""
    lines = ["Format: 1.0", "Source: Tavrimo", f"Commit: {found['commit']}",
             f"Source-Date-Epoch: {found['source_date_epoch']}"]
    if exes:
        lines.append("Checksums-Sha256:")
        lines += [f" {sha256(exe)} {os.path.getsize(exe)} {os.path.basename(exe)}" for exe in exes]
    lines += [f"Build-Architecture: {found['build_architecture']}", "Installed-Build-Depends:"]
    lines += sorted(f" {name}:{p['architecture']} (= {p['version']})" for name, p in found["packages"].items())
    return "\n".join(lines)


def notices(found, notices_dir, version, programs):
    """THIRD-PARTY-NOTICES.txt of a zip of PROGRAMS."""
    rule = "=" * 72
    out = [f"Tavrimo {version}: third-party notices / 第三方声明", "",
           "本压缩包中的程序静态链接了以下他人的代码。按其许可证的要求，下面列出每个组件的名称、",
           "版本、用途、许可证，以及须随程序一同分发的版权和许可声明。Tavrimo 本身以 MIT 许可证发布，",
           "见 LICENSE。", "",
           "The programs in this zip are statically linked with the code of others listed here.",
           "As their licences ask, each is named with its version, what it is used for and its",
           "licence, followed by the copyright and licence text that travels with binaries.",
           "Tavrimo itself is released under the MIT licence; see LICENSE."]
    without_notice = []
    for entry, versions, users in linked(found, notices_dir, programs):
        about = [f"Version:  Debian package {n} {v} ({a})" if i == 0 else f"          Debian package {n} {v} ({a})"
                 for i, (n, v, a) in enumerate(versions)]
        about += [f"Used for: {entry['purpose']}", f"In:       {', '.join(users)}",
                  f"Licence:  {entry['licence']}"]
        if entry["notice"] is None:
            without_notice += ["", f"- {entry['name']}"] + ["  " + line for line in about]
        else:
            out += ["", rule, entry["name"], rule] + about + ["", notice_text(notices_dir, entry)]
    if without_notice:
        out += ["", rule, "Also linked, under licences that ask for no notice / 以下组件的许可证不要求附带声明", rule]
        out += without_notice[1:]
    return "\n".join(out)
