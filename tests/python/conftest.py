"""The package against the libraries of the build (KELTRANE_LIBDIR, set by
ctest) over a demo site that the build's host lays out in a temporary
folder: Bin stands for the library's folder, Storage beside it."""
import os
import subprocess

import pytest


@pytest.fixture(scope="session", autouse=True)
def site(tmp_path_factory):
    root = tmp_path_factory.mktemp("site")
    os.environ["KELTRANE_REGISTRY"] = str(root / "registry.json")
    for folder in ("Bin", "Win"):
        (root / folder).mkdir()
    host = os.path.join(os.environ["KELTRANE_LIBDIR"], "keltrane")
    subprocess.run([host, "--module-dir", root / "Bin", "--windows-dir", root / "Win", "init", "--demo"],
                   check=True, capture_output=True)
    import keltrane
    keltrane.configure(module_dir=root / "Bin", windows_dir=root / "Win", db=str(root / "Storage" / "Suite.db"),
                       log=root / "Keltrane.log")
    return root
