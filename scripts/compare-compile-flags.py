#!/usr/bin/env python3
"""Checks that two build trees compile the module from the same sources with the same
flags, so that they compute the same sound.

Usage: compare-compile-flags.py BUILD_A BUILD_B [--require FLAG]...

Reads each tree's compile_commands.json (CMAKE_EXPORT_COMPILE_COMMANDS=ON) and
compares the compile commands of the module's targets, zephyrant_engine,
zephyrant_texts, zephyrant_vst2 and Zephyrant. Flags that only say how a platform links or exports code (-fPIC,
-m32, inline export and visibility of inlines), include paths and warnings are
left out of the comparison. Every FLAG given with --require must appear in every
command of both trees. Exits 1 with the differences when the trees disagree.
"""
import json
import os
import shlex
import sys

TARGETS = ("zephyrant_engine", "zephyrant_texts", "zephyrant_vst2", "Zephyrant")
PLATFORM_FLAGS = {"-fPIC", "-fpic", "-m32", "-m64", "-fvisibility-inlines-hidden", "-fno-keep-inline-dllexport"}
OPTIONS_WITH_VALUE = {"-o", "-c", "-isystem", "-include", "-MF", "-MT", "-MQ"}


def module_commands(build_dir):
    with open(os.path.join(build_dir, "compile_commands.json")) as file:
        entries = json.load(file)
    commands = {}
    for entry in entries:
        words = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
        output = words[words.index("-o") + 1] if "-o" in words else ""
        target = next((t for t in TARGETS if "CMakeFiles/%s.dir/" % t in output), None)
        if target is None:
            continue
        flags = []
        skip = False
        for word in words[1:]:
            if skip:
                skip = False
                continue
            if word in OPTIONS_WITH_VALUE:
                skip = True
                continue
            if word.startswith(("-I", "-W", "@")) or word in PLATFORM_FLAGS:
                continue
            flags.append(word)
        source = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        commands[(target, source)] = flags
    return commands


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    build_a, build_b = argv[1], argv[2]
    required = [argv[i + 1] for i in range(3, len(argv) - 1) if argv[i] == "--require"]
    a, b = module_commands(build_a), module_commands(build_b)
    problems = []
    if not a:
        problems.append("%s compiles none of the module's sources" % build_a)
    for key in sorted(set(a) ^ set(b)):
        problems.append("%s: %s only in %s" % (key[0], key[1], build_a if key in a else build_b))
    for key in sorted(set(a) & set(b)):
        if a[key] != b[key]:
            problems.append("%s: %s\n  %s: %s\n  %s: %s" % (key[0], key[1], build_a, " ".join(a[key]),
                                                             build_b, " ".join(b[key])))
    for tree, commands in ((build_a, a), (build_b, b)):
        for key, flags in sorted(commands.items()):
            missing = [flag for flag in required if flag not in flags]
            if missing:
                problems.append("%s: %s lacks %s" % (tree, key[1], " ".join(missing)))
    if problems:
        print("\n".join(problems))
        return 1
    some = next(iter(a.values()))
    print("%d sources of the module, compiled alike in %s and %s: %s" % (len(a), build_a, build_b, " ".join(some)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
