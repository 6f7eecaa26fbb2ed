#!/usr/bin/env python3
"""Fills English texts into a Linguist .ts file.

  ts_fill.py FILE.ts MAPPING.tsv   fill unfinished messages whose source is in the mapping
                                   (lines "source<TAB>translation"; \\n escapes allowed;
                                   an optional "context|" prefix limits a line to a context)
  ts_fill.py --report FILE.ts      list the messages still unfinished
"""
import sys
import xml.etree.ElementTree as ET


def load_mapping(path):
    mapping = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#") or "\t" not in line:
                continue
            src, dst = line.split("\t", 1)
            src = src.replace("\\n", "\n")
            dst = dst.replace("\\n", "\n")
            mapping[src] = dst
    return mapping


def main():
    args = sys.argv[1:]
    report = "--report" in args
    args = [a for a in args if a != "--report"]
    ts = args[0]
    tree = ET.parse(ts)
    root = tree.getroot()
    mapping = load_mapping(args[1]) if len(args) > 1 else {}
    filled = 0
    missing = []
    for ctx in root.iter("context"):
        cname = ctx.findtext("name")
        for msg in ctx.iter("message"):
            src = msg.findtext("source")
            tr = msg.find("translation")
            if tr is None:
                tr = ET.SubElement(msg, "translation", {"type": "unfinished"})
            if tr.get("type") != "unfinished":
                continue
            dst = mapping.get(f"{cname}|{src}", mapping.get(src))
            if dst is not None:
                tr.text = dst
                del tr.attrib["type"]
                filled += 1
            else:
                missing.append((cname, src))
    if mapping:
        ET.indent(tree, space="    ")
        with open(ts, "wb") as f:
            f.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
            tree.write(f, encoding="utf-8", xml_declaration=False)
            f.write(b"\n")
        print(f"filled {filled}")
    if report or not mapping:
        for c, s in missing:
            print(f"unfinished: [{c}] {s!r}")
        print(f"{len(missing)} unfinished")


if __name__ == "__main__":
    main()
