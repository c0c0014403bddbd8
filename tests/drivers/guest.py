"""Builds the drivers' virtual machine: Debian's kernel and its USB serial
modules, and an initramfs with busybox, vesperline-cli, the Qt-free test
programs and the libraries they load. Kept under build/drivers/ and rebuilt
only when one of its inputs changed."""

import hashlib
import os
import re
import shutil
import subprocess
from pathlib import Path

# What the guest loads, with what modules.dep says they need: the USB host
# controller and the FTDI driver, and the 9p shared folder for the results.
MODULES = ["xhci-pci", "ftdi_sio", "virtio_pci", "9pnet_virtio", "9p"]
PROGRAMS = ["cli/vesperline-cli", "tests/test_contract", "tests/test_session", "tests/test_portio"]


def run(*args, **kw):
    return subprocess.run(args, check=True, text=True, capture_output=True, **kw).stdout


def kernel_package():
    """The versioned image package linux-image-amd64 depends on."""
    out = run("apt-cache", "depends", "linux-image-amd64")
    found = re.search(r"Depends: (linux-image-[0-9][^\s]*)", out)
    if not found:
        raise SystemExit("test-drivers: linux-image-amd64 names no kernel package:\n" + out)
    return found.group(1)


def fetch_kernel(cache: Path):
    """Downloads and unpacks the kernel package once; runs depmod on it."""
    package = kernel_package()
    root = cache / package
    done = root / ".unpacked"
    if not done.exists():
        shutil.rmtree(root, ignore_errors=True)
        root.mkdir(parents=True)
        run("apt-get", "download", package, cwd=cache)
        deb = next(cache.glob(package + "_*.deb"))
        run("dpkg", "-x", str(deb), str(root))
        deb.unlink()
        version = next((root / "lib/modules").iterdir()).name
        run("depmod", "-b", str(root), version)
        done.write_text(version)
    version = done.read_text()
    return root, version, root / "boot" / ("vmlinuz-" + version)


def module_order(moddir: Path, wanted):
    """The module files to load, each after everything it needs."""
    deps = {}
    for line in (moddir / "modules.dep").read_text().splitlines():
        name, _, needs = line.partition(":")
        deps[name] = needs.split()
    by_name = {Path(p).name.split(".ko")[0].replace("-", "_"): p for p in deps}
    order = []

    def visit(path):
        for need in reversed(deps[path]):
            visit(need)
        if path not in order:
            order.append(path)

    for name in wanted:
        visit(by_name[name.replace("-", "_")])
    return order


def libraries(binary: Path):
    """The shared libraries ldd resolves for a program, the loader included."""
    libs = set()
    for line in run("ldd", str(binary)).splitlines():
        m = re.search(r"(/\S+) \(0x", line)
        if m:
            libs.add(m.group(1))
    return libs


def inputs_digest(paths):
    h = hashlib.sha256()
    for p in sorted(map(str, paths)):
        st = os.stat(p)
        h.update(f"{p} {st.st_size} {st.st_mtime_ns}\n".encode())
    return h.hexdigest()


def build_initramfs(work: Path, build_tree: Path, kernel_root: Path, version: str, init: Path):
    moddir = kernel_root / "lib/modules" / version
    programs = [build_tree / p for p in PROGRAMS]
    for p in programs:
        if not p.exists():
            raise SystemExit(f"test-drivers: {p} is missing (scripts/build nogui builds it)")
    modules = module_order(moddir, MODULES)
    busybox = Path("/bin/busybox")
    inputs = programs + [moddir / m for m in modules] + [busybox, init, Path(__file__)]
    image = work / "initramfs.cpio"
    stamp = work / "initramfs.digest"
    digest = inputs_digest(inputs)
    if image.exists() and stamp.exists() and stamp.read_text() == digest:
        return image
    stage = work / "initramfs"
    shutil.rmtree(stage, ignore_errors=True)
    for d in ["bin", "vl", "modules"]:
        (stage / d).mkdir(parents=True)
    shutil.copy2(busybox, stage / "bin/busybox")
    shutil.copy2(init, stage / "init")
    libs = set()
    for p in programs:
        # Without debug information the image is a tenth of the size.
        run("objcopy", "--strip-debug", str(p), str(stage / "vl" / p.name))
        libs |= libraries(p)
    for lib in libs:
        target = stage / lib.lstrip("/")
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(os.path.realpath(lib), target)
    for m in modules:
        shutil.copy2(moddir / m, stage / "modules" / Path(m).name)
    (stage / "modules/order").write_text("".join(Path(m).name + "\n" for m in modules))
    files = run("find", ".", cwd=stage)
    with open(image, "wb") as out:
        subprocess.run(["cpio", "-o", "-H", "newc", "--quiet"], input=files.encode(), stdout=out, cwd=stage,
                       check=True)
    stamp.write_text(digest)
    return image
