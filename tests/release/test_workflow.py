"""The workflow that publishes a tag's release: only a tag's, rebuilt with the toolchain the
maintainer signed with, only what the Windows jobs passed, signed and named for its version,
with the write permissions in that one job."""
import os
import re
import subprocess

import yaml
from conftest import ROOT

WORKFLOW = yaml.safe_load((ROOT / ".github/workflows/windows.yml").read_text())
JOBS = WORKFLOW["jobs"]
WRITES = {"contents": "write", "id-token": "write", "attestations": "write"}


TAG = "startsWith(github.ref, 'refs/tags/v')"


def test_a_tag_is_rebuilt_from_its_signed_buildinfo_and_published_after_the_windows_jobs():
    assert JOBS["release"]["if"] == f"${{{{ !{TAG} }}}}" and JOBS["rebuild"]["if"] == TAG
    # mmdebstrap's root mode mounts inside the root: a privileged container.
    assert JOBS["rebuild"]["container"]["options"] == "--privileged"
    assert any("scripts/rebuild" in step.get("run", "") for step in JOBS["rebuild"]["steps"])
    assert JOBS["publish"]["if"] == TAG and set(JOBS["publish"]["needs"]) == {"rebuild", "windows"}


def run_step(job, name, cwd=ROOT, **env):
    """A step's script, run as the hosted runners run one, in this tree."""
    step = next(step for step in JOBS[job]["steps"] if step.get("name") == name)
    return subprocess.run(["bash", "--noprofile", "--norc", "-eo", "pipefail", "-c", step["run"]], cwd=cwd,
                          env={**os.environ, **env}, capture_output=True, text=True)


def test_the_publish_job_refuses_a_tag_that_does_not_name_the_version_released(version):
    for tag, passes in ((f"v{version}", True), (f"v{version}.1", False), (version, False)):
        result = run_step("publish", "The tag names the version released", GITHUB_REF_NAME=tag, VERSION=version)
        assert (result.returncode == 0) == passes, tag
        assert passes or "does not name the version released" in result.stdout.splitlines()[-1]


def test_the_publish_job_refuses_a_release_whose_exes_are_unsigned(signed, unsigned, names):
    for release, passes in ((signed, True), (unsigned, False)):
        result = run_step("publish", "The release's exes are signed", ZIP=str(release.dist / names.zip))
        assert (result.returncode == 0) == passes, result.stdout + result.stderr
        assert passes or "ships Tavrimo.exe unsigned" in result.stderr


def test_only_the_publish_job_may_write():
    assert WORKFLOW["permissions"] == {"contents": "read"}
    assert JOBS["publish"]["permissions"] == WRITES
    assert [name for name, job in JOBS.items() if "permissions" in job] == ["publish"]


def test_the_publish_job_attests_the_files_of_sha256sums_and_their_bill_of_materials():
    attests = [step["with"] for step in JOBS["publish"]["steps"] if step.get("uses", "").startswith("actions/attest@")]
    assert [step["subject-checksums"] for step in attests] == ["dist/SHA256SUMS"] * 2
    assert [bool(step.get("sbom-path")) for step in attests] == [False, True]


def test_the_publish_job_refuses_a_release_whose_security_contact_is_another_repositorys(signed, names):
    ours = re.search(r"^Contact: https://github\.com/([^/]+/[^/]+)/security/advisories/new$",
                     (ROOT / "SECURITY.md").read_text(), re.MULTILINE).group(1)
    for repository, passes in ((ours, True), ("someone/else", False)):
        result = run_step("publish", "The security contact is this repository's", SBOM=str(signed.dist / names.sbom),
                          GITHUB_SERVER_URL="https://github.com", GITHUB_REPOSITORY=repository)
        assert (result.returncode == 0) == passes, result.stdout + result.stderr


def test_the_jobs_name_the_files_and_the_version_of_the_release_they_made(unsigned, names, version, tmp_path):
    # A checkout whose dist/ holds the release.
    for folder in ("scripts", "tests"):
        (tmp_path / folder).symlink_to(ROOT / folder)
    (tmp_path / "dist").symlink_to(unsigned.dist)
    for job, step, wanted in (("release", "Name the test kit", {"kit": names.kit}),
                              ("rebuild", "Name the release's files and version",
                               {"zip": names.zip, "kit": names.kit, "sbom": names.sbom, "version": version})):
        output = tmp_path / f"{job}.output"
        result = run_step(job, step, cwd=tmp_path, GITHUB_OUTPUT=str(output))
        assert result.returncode == 0, result.stdout + result.stderr
        assert dict(line.split("=", 1) for line in output.read_text().splitlines()) == wanted, job
