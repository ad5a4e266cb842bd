"""What a release is made of, found once from its builds (docs/provenance.md), and the
buildinfo, the notices and the bill of materials written from that finding.

One module a concern: commands (shell words, the program finder), builds (ld's maps, the
linker's dependency files, ninja), archive (ar), debian (dpkg's and apt's answers), finding
(the facts, from all of these), components (which notice covers a linked file), records
(the buildinfo and the notices) and sbom (the bill of materials). The facts file (JSON) is
the boundary: everything after finding reads only it, the notices and the release's files."""
