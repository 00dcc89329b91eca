#!/usr/bin/env python3
"""The software update's copy against `cp -a` of the same tree, in the same run: a tree of
folders and files on the simulated terminal's SD card is copied by command 1055 into an empty
resident flash, and by `cp -a` into an empty folder of the same file system. The console's time
is the command's, sent with --sync, less the update's two fixed pauses of 1000 ms; the delete
step before the copy finds the flash empty. Each copy runs several times, the two taking turns,
with the source in the page cache for both and what the last copy wrote flushed to the disk
beforehand (untimed), so that neither pays for the other's writing; the medians are compared.

  bench/update_bench.py [BUILD_DIR [FILES]]     (defaults: build/bench, 5000 files of 40 KiB)

Exit status: 0 when the update takes at most 1.2 times as long as `cp -a`, 1 when it does not,
2 when a run failed.
"""

import os
import shutil
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # keeps the source tree free of __pycache__
from console_session import Console, RunFailed, describe_machine, run_bench

UPDATE = 1055
FILE_BYTES = 40 * 1024
FILES_PER_FOLDER = 100
PAUSES_S = 2.0
ROUNDS = 5
TARGET_RATIO = 1.2


def make_tree(root, files):
    """`files` files of FILE_BYTES in folders of FILES_PER_FOLDER, every other folder one level
    deeper, each file's bytes its own."""
    for index in range(files):
        folder = index // FILES_PER_FOLDER
        path = os.path.join(root, f"Folder{folder}")
        if folder % 2:
            path = os.path.join(path, "Inner")
        os.makedirs(path, exist_ok=True)
        with open(os.path.join(path, f"file{index}.bin"), "wb") as file:
            file.write(index.to_bytes(4, "little") * (FILE_BYTES // 4))


def tree_files(root):
    return sorted(os.path.relpath(os.path.join(folder, name), root)
                  for folder, _, names in os.walk(root) for name in names)


def empty(folder):
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)


def time_update(console, flash):
    empty(flash)
    os.sync()
    started = time.monotonic()
    console.command(UPDATE)
    return time.monotonic() - started - PAUSES_S


def time_cp(source, target):
    shutil.rmtree(target, ignore_errors=True)
    os.sync()
    started = time.monotonic()
    subprocess.run(["cp", "-a", source, target], check=True)
    return time.monotonic() - started


def measure(build_dir, files, work):
    print(f"{describe_machine(build_dir)}")
    with Console(build_dir, os.path.join(work, "console")) as console:
        console.wait_ready()
        volumes = os.path.join(console.sandbox, "volumes")
        source = os.path.join(volumes, "SDMMC", "Residentflash")
        flash = os.path.join(volumes, "ResidentFlash")
        make_tree(source, files)
        megabytes = files * FILE_BYTES / 1e6
        print(f"tree: {files} files, {megabytes:.0f} MB, {ROUNDS} copies each")
        update_s, cp_s = [], []
        for _ in range(ROUNDS):
            cp_s.append(time_cp(source, os.path.join(work, "cp-target")))
            update_s.append(time_update(console, flash))
        if tree_files(flash) != tree_files(source):
            raise RunFailed("the update's copy differs from the card's tree")
        console.end()
    update, cp = statistics.median(update_s), statistics.median(cp_s)
    ratio = update / cp
    met = ratio <= TARGET_RATIO
    print(f"update copy: median {update:.3f} s ({megabytes / update:.0f} MB/s), "
          f"min {min(update_s):.3f} s, max {max(update_s):.3f} s")
    print(f"cp -a:       median {cp:.3f} s ({megabytes / cp:.0f} MB/s), "
          f"min {min(cp_s):.3f} s, max {max(cp_s):.3f} s")
    print(f"update / cp -a: {ratio:.2f} (target: <= {TARGET_RATIO}) {'ok' if met else 'MISSED'}")
    return 0 if met else 1


run_bench("update_bench", measure, "FILES", 5000, int, tools=("cp",))
