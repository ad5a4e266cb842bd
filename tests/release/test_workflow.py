"""The workflow that publishes a tag's release: only a tag's, only what the Windows jobs
passed, with the write permissions in that one job."""
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
