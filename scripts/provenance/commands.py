"""Shell words and the program finder: which programs a build's command lines run."""
import os
import re
import shlex
import shutil
from itertools import dropwhile

from .util import fail

SEPARATORS = {"&&", "||", ";", "|", "&"}
SHELL_BUILTINS = {":", "cd", "true", "false", "set", "export", "exit"}
ASSIGNMENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*=")
SHELLS = {"sh", "bash", "dash"}
ENV_OPTIONS_WITH_VALUE = {"-u", "--unset", "-C", "--chdir"}


def split_command(line):
    """A command line as the shell reads it: a quoted path with spaces is one word, and
    the operators between commands are words of their own."""
    lexer = shlex.shlex(line, posix=True, punctuation_chars=";&|")
    lexer.whitespace_split = True
    return list(lexer)


def simple_commands(words):
    """The words of each command that the operators separate."""
    command = []
    for word in words:
        if word in SEPARATORS:
            yield command
            command = []
        else:
            command.append(word)
    yield command


def shell_script(arguments):
    """The command string a shell's arguments give it to run, or None. -c stands alone or
    among other one-letter options (sh -ec); -o and +o take the next word; the string is
    the first word after the options."""
    index, script = 0, False
    while index < len(arguments):
        word = arguments[index]
        if word == "--":
            index += 1
            break
        if word in ("-o", "+o"):
            index += 2
            continue
        if word.startswith("--"):  # bash's long options (--norc) take no value
            index += 1
            continue
        if len(word) < 2 or word[0] not in "-+":
            break
        script |= word[0] == "-" and "c" in word[1:]
        index += 1
    return arguments[index] if script and index < len(arguments) else None


def resolve(word, build_dir):
    if "/" not in word:
        path = shutil.which(word)
        if not path:
            fail(f"the build runs {word}, which is not on PATH: no package can be named for it")
        return os.path.normpath(path)
    return os.path.normpath(os.path.join(build_dir, word))


def programs_run(words, build_dir):
    """The programs one command runs: its first word after the shell's assignments and,
    through env or a shell's -c, the program that one starts in turn."""
    words = list(dropwhile(ASSIGNMENT.match, words))
    if not words or words[0] in SHELL_BUILTINS:
        return set()
    program = resolve(words[0], build_dir)
    programs = {program}
    name, rest = os.path.basename(program), words[1:]
    if name == "env":
        while rest and (rest[0].startswith("-") or ASSIGNMENT.match(rest[0])):
            rest = rest[2:] if rest[0] in ENV_OPTIONS_WITH_VALUE else rest[1:]
        programs |= programs_run(rest, build_dir)
    elif name in SHELLS:
        script = shell_script(rest)
        if script is not None:
            programs |= command_programs([split_command(script)], build_dir)
    return programs


def command_programs(commands, build_dir):
    """Every program the commands run, as paths; fails on a word that names none."""
    programs = set()
    for words in commands:
        for command in simple_commands(words):
            programs |= programs_run(command, build_dir)
    return programs


def compiled_objects(commands):
    objects = set()
    for words in commands:
        for flag, value in zip(words, words[1:]):
            if flag == "-o" and value.endswith((".o", ".obj")):
                objects.add(value)
    return sorted(objects)
