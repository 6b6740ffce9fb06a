#!/usr/bin/env python3
"""Every message the help file documents is, letter for letter, in the
program that shows it, so the help and the programs can't drift apart.
    help_messages_in_programs.py MESSAGES_TXT PACKAGE_FOLDER"""
import os
import sys

messages, package = sys.argv[1], sys.argv[2]
failures = 0
for line in open(messages, encoding="ascii"):
    page, program, text, caption = line.rstrip("\n").split("\t")
    binary = open(os.path.join(package, program.split()[0]), "rb").read()
    for what in (text.replace("\\n", "\n"), caption):
        if what.encode("ascii") not in binary:
            print("FAIL %s: %r is not in %s" % (page, what, program))
            failures += 1
print("%s: %d failures" % (os.path.basename(messages), failures))
sys.exit(1 if failures else 0)
