"""The signatures: made through a file or a token, attached by the release to the exe it
built and to no other, trusted by Windows' own check, and stripped back to the tested exe."""
import os
import re

import pytest
from conftest import (PIV, RELEASE_BUILD, ROOT, SCRIPTS, SOFTHSM, YUBICO, closed_port, installed, release,
                      release_compiler, release_lib, run)
from test_release import member, sha256


@pytest.fixture(scope="session")
def signed_exe(work, signed, names):
    exe = work / "signed.exe"
    exe.write_bytes(member(signed.dist / names.zip, "Tavrimo.exe"))
    return exe


@pytest.mark.parametrize("which", ["zip", "kit"])
def test_signed_exe_verifies_with_a_sha1_signature_and_a_sha256_one_nested(work, pki, signed, names, which):
    exe = work / f"verified-{which}.exe"
    exe.write_bytes(member(signed.dist / getattr(names, which), "Tavrimo.exe"))
    report = run("osslsigncode", "verify", "-in", exe, "-CAfile", pki / "ca.pem").stdout
    # osslsigncode 2.5 and 2.9 word their reports differently; this line they share.
    assert re.findall(r"^Message digest algorithm +: (\S+)", report, re.M) == ["SHA1", "SHA256"]


def test_release_and_kit_ship_the_same_signed_exe(signed, names, signed_exe):
    assert member(signed.dist / names.kit, "Tavrimo.exe") == signed_exe.read_bytes()


def test_signed_exe_stripped_of_its_signatures_is_the_exe_the_tests_ran(work, signed_exe, tested_exe):
    run("osslsigncode", "remove-signature", "-in", signed_exe, "-out", work / "stripped.exe")
    assert (work / "stripped.exe").read_bytes() == tested_exe.read_bytes()


def test_windows_trusts_the_signed_exe_and_refuses_an_altered_copy(pki, signed_exe):
    trust = ROOT / "build/win64/verify-trust.exe"
    if not trust.is_file():
        pytest.fail(f"{trust} not found: scripts/build win64")
    windows = [f"Z:{str(path).replace('/', chr(92))}" for path in (signed_exe, pki / "ca.pem")]
    run(SCRIPTS / "wine/run", trust, *windows, env={**os.environ, "TAVRIMO_HEADLESS": "1"})


def test_a_signature_of_other_bytes_is_refused_naming_both_hashes_and_the_toolchain(
        work, pki, maintainers, version, signed_names, tested_exe):
    # tavrimo-calc.exe's signature in Tavrimo.exe's place, beside the buildinfo of a maintainer
    # whose compiler and so whose exe differ.
    folder = work / "wrong" / version
    folder.mkdir(parents=True)
    buildinfo = (maintainers / version / signed_names.buildinfo).read_text()
    ours = sha256(tested_exe.read_bytes())
    (folder / signed_names.buildinfo).write_text(buildinfo.replace(ours, "0" * 64))
    run("osslsigncode", "sign", "-certs", pki / "code.pem", "-key", pki / "code.key", "-h", "sha256", "-time", "0",
        "-in", RELEASE_BUILD / "tavrimo-calc.exe", "-out", work / "other.exe")
    run("osslsigncode", "extract-signature", "-pem", "-in", work / "other.exe", "-out", folder / "Tavrimo.exe.pem")
    result = release("--signatures", work / "wrong", "--dist", work / "wrong-dist", check=False)
    assert result.returncode != 0, "the release shipped Tavrimo.exe with a signature of another exe"
    refusal = next((line for line in result.stdout.splitlines() if "refusing" in line), "")
    compiler = installed(release_compiler()).split(" ")[0]
    assert "Tavrimo.exe" in refusal and ours in refusal and "0" * 64 in refusal and compiler in refusal, \
        result.stdout[-2000:]


def test_timestamped_signatures_verify_with_their_timestamps(work, tested_exe, version):
    run(SCRIPTS / "throwaway-sign", work / "stamped", "--timestamp")
    signature = work / "stamped/signatures" / version / "Tavrimo.exe.pem"
    run("osslsigncode", "attach-signature", "-sigin", signature, "-in", tested_exe, "-out", work / "stamped.exe",
        check=False)  # its exit code says whether the chain reached a root this machine trusts
    ca = work / "stamped/ca.pem"
    report = run("osslsigncode", "verify", "-in", work / "stamped.exe", "-CAfile", ca, "-TSA-CAfile", ca).stdout
    assert report.count("Timestamp Server Signature verification: ok") == 2


# How a token's key and certificate are named: the key by its label and the certificate by
# its own; the key by its id alone, the certificate found by sign (not the attestation one).
TOKEN_SIGNINGS = {
    "PIV, by labels": ["--key", f"{PIV};object=SIGN%20key;type=private",
                       "--cert", f"{PIV};object=Certificate%20for%20Digital%20Signature;type=cert"],
    "Yubico, by id": ["--key", f"{YUBICO};id=%02;type=private"],
}


@pytest.fixture(scope="session")
def token_signing(tree_b, tokens, rebuilt):
    """Signs in tree_b through each token: the first into tree_b's own signatures/, as it stood
    before, its commit."""
    commit = release_lib("commit_id", cwd=tree_b)
    folders = {}
    for index, (name, naming) in enumerate(TOKEN_SIGNINGS.items()):
        folders[name] = tree_b / "signatures" if index == 0 else tree_b.parent / f"signatures {index}"
        run(tree_b / "scripts/sign", "--allow-dirty", "--pkcs11-module", SOFTHSM, *naming, "--password-file",
            tokens.pin_file, "--signatures", folders[name], env=tokens.env)
    return folders, commit


@pytest.mark.parametrize("naming", TOKEN_SIGNINGS)
def test_signing_through_pkcs11_gives_the_signature_of_the_same_key_from_its_file(
        token_signing, pki, version, naming):
    folders, _ = token_signing
    path = f"{version}/Tavrimo.exe.pem"
    assert (folders[naming] / path).read_bytes() == (pki / "signatures" / path).read_bytes()


def test_sign_names_the_commit_as_it_was_before_the_signatures_were_written(
        token_signing, tree_b, version, signed_names):
    _, commit = token_signing
    buildinfo = (tree_b / "signatures" / version / signed_names.buildinfo).read_text()
    assert f"\nCommit: {commit}\n" in buildinfo


def test_a_timestamp_server_that_does_not_answer_fails_the_signing_naming_it_and_leaves_nothing(
        work, pki, tree_b, rebuilt, version):
    server = f"http://127.0.0.1:{closed_port()}/"
    result = run(tree_b / "scripts/sign", "--allow-dirty", "--key", pki / "code.key", "--cert", pki / "code.pem",
                 "--timestamp", server, "--signatures", work / "unstamped", check=False)
    assert result.returncode != 0
    assert f"time-stamp server {server}" in result.stdout.splitlines()[-1]
    assert not (work / "unstamped" / version).exists()


def test_a_later_call_uses_the_token_again_instead_of_making_another_of_its_label(pki, tokens):
    run(SCRIPTS / "throwaway-sign", pki, "--token", "piv")
    slots = run("softhsm2-util", "--show-slots", env=tokens.env).stdout
    assert len(re.findall(r"^ *Label: *PIV_II *$", slots, re.M)) == 1, slots


# Each fault of a token ends in a line of its own, found before anything is built.
KEY = f"{PIV};object=SIGN%20key;type=private"
TOKEN_FAULTS = {
    "wrong PIN": ({"pin": "9999"}, "the token refused the PIN"),
    "object not on the token": ({"key": KEY.replace("SIGN%20key", "nokey")}, "no private keys match"),
    "two keys of one id, no token named": ({"key": "pkcs11:id=%02;type=private"}, "2 private keys match"),
    "token not present": ({"key": KEY.replace("PIV_II", "nothere")}, "no token token=nothere is present"),
    "module not PKCS#11": ({"module": "/bin/true"}, "is not a PKCS#11 library"),
    "certificate of another key": ({"cert": "other"}, "the certificate does not belong to the key"),
    "the attestation certificate": ({"key": f"{YUBICO};id=%02;type=private", "cert": f"{YUBICO};object=X.509%20"
                                     "Certificate%20for%20PIV%20Attestation%209c;type=cert"},
                                    "holds the key but is not for code signing"),
    "PIN in the URI, encoded": ({"key": KEY + ";pin%2Dvalue=1234"}, "the PIN does not go in the URI"),
}


@pytest.mark.parametrize("fault", TOKEN_FAULTS)
def test_a_token_fault_is_named_in_the_last_line_before_the_build_and_leaves_nothing(
        fault, work, tree_b, tokens, rebuilt, version):
    change, cause = TOKEN_FAULTS[fault]
    folder = work / "faults" / fault.replace(" ", "-")
    folder.mkdir(parents=True)
    (folder / "pin").write_text(change.get("pin", "1234"))
    cert = change.get("cert", f"{PIV};id=%02;type=cert")
    if cert == "other":
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", folder / "other.key",
            "-subj", "/CN=other", "-days", "1", "-out", folder / "other.pem")
        cert = folder / "other.pem"
    result = run(tree_b / "scripts/sign", "--allow-dirty", "--pkcs11-module", change.get("module", SOFTHSM),
                 "--key", change.get("key", KEY), "--cert", cert, "--password-file", folder / "pin",
                 "--signatures", folder / "signatures", env=tokens.env, check=False)
    assert result.returncode != 0 and cause in result.stdout.splitlines()[-1], result.stdout[-1500:]
    assert "building the release programs" not in result.stdout, result.stdout[-1500:]
    assert not (folder / "signatures" / version).exists()


@pytest.fixture(scope="session")
def committed_signatures(tree_b, token_signing, version):
    """tree_b's signatures, committed as a maintainer commits them."""
    run("git", "add", "signatures", cwd=tree_b)
    run("git", "-c", "user.name=Tavrimo tests", "-c", "user.email=tests@tavrimo.invalid", "commit", "-q",
        "-m", f"Signatures of {version}", cwd=tree_b)


def test_signing_a_version_whose_signatures_are_committed_is_refused_unless_replaced(tree_b, pki, committed_signatures):
    sign = [tree_b / "scripts/sign", "--allow-dirty", "--key", pki / "code.key", "--cert", pki / "code.pem"]
    refused = run(*sign, check=False)
    assert refused.returncode != 0 and "is signed already" in refused.stdout.splitlines()[-1], refused.stdout[-1500:]
    run(*sign, "--replace")
