"""The provenance command: its subcommands and their arguments."""
import argparse
import json
import sys

from . import __doc__ as about
from . import finding, records, sbom
from .util import fail, load


def facts(args):
    if any(len(build) < 2 for build in args.build):
        fail("--build takes a build folder and at least one of its targets")
    found = finding.facts(args.commit, args.date, args.program, [(build[0], build[1:]) for build in args.build])
    json.dump(found, sys.stdout, indent=1, sort_keys=True)
    print()


def buildinfo(args):
    print(records.buildinfo(load(args.facts), args.exe))


def notices(args):
    print(records.notices(load(args.facts), args.notices_dir, args.version, args.program))


def bom(args):
    print(sbom.bom(load(args.facts), args.notices_dir, args.version, args.buildinfo, args.zip))


def parser():
    top = argparse.ArgumentParser(prog="provenance", description=about.split("\n\n")[0])
    commands = top.add_subparsers(required=True, metavar="COMMAND")

    command = commands.add_parser("facts", help="find what the builds ran, read and linked, as JSON")
    command.add_argument("--commit", required=True, help="the commit built, with -dirty for changes")
    command.add_argument("--date", required=True, type=int, help="the source date (SOURCE_DATE_EPOCH)")
    command.add_argument("--program", action="append", default=[], metavar="FILE",
                         help="a program the release runs besides its builds (zip, osslsigncode)")
    command.add_argument("--build", action="append", required=True, nargs="+", metavar=("DIR", "TARGET"),
                         help="a build folder and the targets of it that the release uses")
    command.set_defaults(run=facts)

    command = commands.add_parser("buildinfo", help="the record of the toolchain, after Debian's .buildinfo")
    command.add_argument("facts", metavar="FACTS")
    command.add_argument("exe", nargs="*", metavar="EXE", help="an unsigned exe the record describes")
    command.set_defaults(run=buildinfo)

    command = commands.add_parser("notices", help="THIRD-PARTY-NOTICES.txt for a zip of these programs")
    command.add_argument("facts", metavar="FACTS")
    command.add_argument("notices_dir", metavar="NOTICES_DIR", help="holds components.json and the notices")
    command.add_argument("version", metavar="VERSION")
    command.add_argument("program", nargs="+", metavar="PROGRAM", help="a program as the zip holds it")
    command.set_defaults(run=notices)

    command = commands.add_parser("sbom", help="the CycloneDX 1.6 bill of materials of the zips")
    command.add_argument("facts", metavar="FACTS")
    command.add_argument("notices_dir", metavar="NOTICES_DIR")
    command.add_argument("version", metavar="VERSION")
    command.add_argument("buildinfo", metavar="BUILDINFO")
    command.add_argument("--zip", action="append", required=True, nargs=2, metavar=("ZIP", "FOLDER"),
                         help="a zip and the folder whose files it packed")
    command.set_defaults(run=bom)
    return top


def main():
    args = parser().parse_args()
    # The same bytes whatever the locale: the notices hold Chinese.
    sys.stdout.reconfigure(encoding="utf-8")
    args.run(args)
