"""What every module of the package shares."""
import hashlib
import json
import os
import subprocess
import sys

# The repository: scripts/provenance/ is two folders below it.
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))


def fail(message):
    sys.exit(f"provenance: {message}")


def run(*command, cwd=None):
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        fail(f"{' '.join(command)} failed: {result.stderr.strip()}")
    return result.stdout


def within(path, folders):
    return any(path == folder or path.startswith(folder + "/") for folder in folders)


def load(path):
    with open(path, encoding="utf-8") as file:
        return json.load(file)


def sha256(path):
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest()
