"""The ar reader: an archive's members, as GNU ar writes them, and the one a link took."""
import functools

from .util import fail

MAGIC = b"!<arch>\n"


def read(data, path="the archive"):
    """The members of an ar archive, in order, as (name, header offset, bytes), and its
    symbol table as {symbol: header offset}. A long name stands in the // table; each name
    ends with a slash; a member of odd size is padded to an even offset."""
    if not data.startswith(MAGIC):
        fail(f"{path} is not an ar archive")
    members, symbols, long_names, offset = [], {}, b"", len(MAGIC)
    while offset + 60 <= len(data):
        name, size = data[offset:offset + 16].decode().rstrip(" "), int(data[offset + 48:offset + 58])
        body = data[offset + 60:offset + 60 + size]
        if name == "/":
            # Big-endian count, that many member offsets, then as many NUL-ended names.
            count = int.from_bytes(body[:4], "big")
            offsets = [int.from_bytes(body[4 + 4 * i:8 + 4 * i], "big") for i in range(count)]
            names = body[4 + 4 * count:].split(b"\0")[:count]
            for symbol, at in zip(names, offsets):
                symbols.setdefault(symbol.decode(), at)
        elif name == "//":
            long_names = body
        elif name[1:].isdigit():
            start = int(name[1:])
            members.append((long_names[start:long_names.index(b"/\n", start)].decode(), offset, body))
        elif name != "/SYM64/":
            members.append((name.removesuffix("/"), offset, body))
        offset += 60 + size + size % 2
    return members, symbols


@functools.cache
def _read_file(path):
    with open(path, "rb") as file:
        return read(file.read(), path)


def member(path, name, symbol=None):
    """The bytes of the member NAME that a link took. Where the archive holds several of that
    name (libmingwex.a has two strtof.o), the one whose symbol table entry defines SYMBOL, the
    symbol the link took it for (ld names it without the leading underscore of 32-bit x86)."""
    members, symbols = _read_file(path)
    named = [(at, body) for member_name, at, body in members if member_name == name]
    if not named:
        fail(f"{path} holds no member {name}, though a link map names it")
    if len(named) == 1:
        return named[0][1]
    defined_at = next((symbols[s] for s in (symbol, f"_{symbol}") if s in symbols), None)
    chosen = [body for at, body in named if at == defined_at]
    if len(chosen) != 1:
        fail(f"{path} holds {len(named)} members named {name}, and its symbol table gives none of them as "
             f"defining {symbol}, the symbol the link took it for: which one was linked is unknown")
    return chosen[0]
