"""The workflow that publishes a tag's release: only a tag's, only what the Windows jobs
passed, with the write permissions in that one job."""
import os
import re
import subprocess

import yaml
from conftest import ROOT

WORKFLOW = yaml.safe_load((ROOT / ".github/workflows/windows.yml").read_text())
JOBS = WORKFLOW["jobs"]
WRITES = {"contents": "write", "id-token": "write", "attestations": "write"}


def test_the_publish_job_runs_only_for_a_tag_after_the_windows_jobs():
    publish = JOBS["publish"]
    assert publish["if"] == "startsWith(github.ref, 'refs/tags/v')"
    assert "windows" in publish["needs"]


def test_only_the_publish_job_may_write():
    assert WORKFLOW["permissions"] == {"contents": "read"}
    assert JOBS["publish"]["permissions"] == WRITES
    assert [name for name, job in JOBS.items() if "permissions" in job] == ["publish"]


def test_the_publish_job_attests_the_files_of_sha256sums_and_their_bill_of_materials():
    attests = [step["with"] for step in JOBS["publish"]["steps"] if step.get("uses", "").startswith("actions/attest@")]
    assert [step["subject-checksums"] for step in attests] == ["dist/SHA256SUMS"] * 2
    assert [bool(step.get("sbom-path")) for step in attests] == [False, True]


def test_the_publish_job_refuses_a_release_whose_security_contact_is_another_repositorys(signed, names):
    step = next(step for step in JOBS["publish"]["steps"]
                if step.get("name") == "The security contact is this repository's")
    ours = re.search(r"^Contact: https://github\.com/([^/]+/[^/]+)/security/advisories/new$",
                     (ROOT / "SECURITY.md").read_text(), re.MULTILINE).group(1)
    for repository, passes in ((ours, True), ("someone/else", False)):
        env = {**os.environ, "SBOM": str(signed.dist / names.sbom), "GITHUB_SERVER_URL": "https://github.com",
               "GITHUB_REPOSITORY": repository}
        # As the hosted runners run a step.
        result = subprocess.run(["bash", "--noprofile", "--norc", "-eo", "pipefail", "-c", step["run"]], env=env,
                                capture_output=True, text=True)
        assert (result.returncode == 0) == passes, result.stdout + result.stderr
